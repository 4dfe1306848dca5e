#include "prompt.h"

#include <QApplication>
#include <QTest>

using namespace prompt;

class TestPrompt : public QObject
{
    Q_OBJECT

private slots:
    void scriptRecordsAndAnswers()
    {
        ScopedScript script;
        setApplicationTitle(QStringLiteral("Examora"));
        script->queueAnswer(Answer::Cancel);
        script->queue(QStringLiteral("Grade3"));
        script->queue(QString()); // cancels the second input box

        QCOMPARE(ask(nullptr, QStringLiteral("Delete?"), Buttons::OkCancel, QStringLiteral("Manage classes")),
                 Answer::Cancel);
        QCOMPARE(input(nullptr, QStringLiteral("Name:"), QStringLiteral("Name:")), std::optional<QString>(QStringLiteral("Grade3")));
        QCOMPARE(input(nullptr, QStringLiteral("Name:"), QStringLiteral("Name:")), std::nullopt);
        inform(nullptr, QStringLiteral("Done"));
        // An unscripted question gets its default answer, an unscripted choice is cancelled.
        QCOMPARE(ask(nullptr, QStringLiteral("Really?"), Buttons::YesNo, QString(), Answer::No), Answer::No);
        QCOMPARE(service().chooseFolder(nullptr, QStringLiteral("Output paper to ..."), QString()), QString());
        QCOMPARE(service().chooseColor(nullptr, Qt::red), std::nullopt);

        const auto &r = script->records();
        QCOMPARE(r.size(), qsizetype(7));
        QCOMPARE(r.at(0).caption, QStringLiteral("Manage classes"));
        QCOMPARE(r.at(0).buttons, Buttons::OkCancel);
        QCOMPARE(r.at(3).text, QStringLiteral("Done"));
        QCOMPARE(r.at(3).caption, QStringLiteral("Examora")); // no caption of its own
        QCOMPARE(r.at(4).defaultAnswer, Answer::No);
        QCOMPARE(r.at(5).kind, ScriptedPrompts::Kind::Folder);
        QCOMPARE(script->pendingAnswers(), qsizetype(0));
    }

    void scopedScriptRestoresTheDialogs()
    {
        Service *before = &service();
        {
            ScopedScript script;
            QVERIFY(&service() != before);
        }
        QCOMPARE(&service(), before);
        QVERIFY(dynamic_cast<DialogService *>(&service()));
    }
};

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"
