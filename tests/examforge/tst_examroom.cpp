#include "catalogue.h"
#include "examroomdialog.h"
#include "profile.h"
#include "prompt.h"
#include "testsupport.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// P1 has no open-flag key, P2 is open, P3's flag reads as 1 from "1abc", P4's is a word.
const QByteArray Catalogue = "[ClassName]\r\nClassNameCount=3\r\n1=A\r\n2=B\r\n3=C\r\n"
                             "[TestName]\r\nTestNameCount=4\r\n1=P1\r\n2=P2\r\n3=P3\r\n4=P4\r\n"
                             "P2=1\r\nP3=1abc\r\nP4=yes\r\n"
                             "[P2]\r\nA=0\r\nC=1\r\n";

QListWidget *list(const QWidget &w, const char *name)
{
    auto *l = w.findChild<QListWidget *>(QString::fromUtf8(name));
    if (!l)
        qFatal("no list %s", name);
    return l;
}

QPushButton *button(const QWidget &w, const char *name)
{
    auto *b = w.findChild<QPushButton *>(QString::fromUtf8(name));
    if (!b)
        qFatal("no button %s", name);
    return b;
}

QStringList entries(const QListWidget *l)
{
    QStringList texts;
    for (int i = 0; i < l->count(); ++i)
        texts.append(l->item(i)->text());
    return texts;
}

QPoint centreOf(QListWidget *l, int row)
{
    return l->visualItemRect(l->item(row)).center();
}

void press(QListWidget *l, int row)
{
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, centreOf(l, row));
}

void doubleClick(QListWidget *l, int row)
{
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, centreOf(l, row));
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, centreOf(l, row));
}

QString stored(const QString &section, const QString &key)
{
    return profile::readValue(catalogue::path(), section, key, QStringLiteral("<none>"));
}

} // namespace

class TestExamRoom : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void loadShowsFlagsAndDefaults()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        QCOMPARE(w.objectName(), QStringLiteral("考场管理"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Manage test"));
        w.show();
        QCOMPARE(entries(list(w, "List11")), QStringList({QStringLiteral("P1"), QStringLiteral("P2"), QStringLiteral("P3"), QStringLiteral("P4")}));
        QCOMPARE(entries(list(w, "List1")), QStringList({QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("No")}));
        QCOMPARE(entries(list(w, "List22")), QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        // No paper is chosen yet: the Yes/No column of the classes is empty.
        QCOMPARE(w.selectedPaper(), -1);
        QCOMPARE(entries(list(w, "List2")), QStringList({QString(), QString(), QString()}));

        list(w, "List11")->setCurrentRow(1);
        QCOMPARE(list(w, "List1")->currentRow(), 1);
        QCOMPARE(entries(list(w, "List2")), QStringList({QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("Yes")}));
        list(w, "List11")->setCurrentRow(0);
        QCOMPARE(entries(list(w, "List2")), QStringList({QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("Yes")}));
    }

    void clicksAndKeysToggle()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        QListWidget *papers = list(w, "List11");
        QListWidget *flags = list(w, "List1");
        QListWidget *classes = list(w, "List22");
        QListWidget *allowed = list(w, "List2");

        // A double click on a name toggles its flag; twice gives the flag back.
        doubleClick(papers, 0);
        QCOMPARE(flags->item(0)->text(), QStringLiteral("Yes"));
        QCOMPARE(w.selectedPaper(), 0);
        doubleClick(papers, 0);
        QCOMPARE(flags->item(0)->text(), QStringLiteral("No"));

        // A press on the Yes/No column chooses that paper and toggles its flag.
        press(flags, 1);
        QCOMPARE(w.selectedPaper(), 1);
        QCOMPARE(papers->currentRow(), 1);
        QCOMPARE(w.paperFlags().at(1), QStringLiteral("No"));
        QCOMPARE(entries(allowed), QStringList({QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("Yes")}));

        // Permissions of the chosen paper: press on Yes/No, double click on the class name.
        press(allowed, 0);
        QCOMPARE(allowed->item(0)->text(), QStringLiteral("Yes"));
        QCOMPARE(classes->currentRow(), 0);
        doubleClick(classes, 2);
        QCOMPARE(allowed->item(2)->text(), QStringLiteral("No"));
        QCOMPARE(allowed->currentRow(), 2);
        QCOMPARE(w.permissionRow(2), QStringList({QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("No")}));

        // The space bar toggles what has the keyboard focus.
        papers->setCurrentRow(3);
        QTest::keyClick(papers, Qt::Key_Space);
        QCOMPARE(w.paperFlags().at(3), QStringLiteral("Yes"));
        classes->setCurrentRow(1);
        QTest::keyClick(classes, Qt::Key_Space);
        QCOMPARE(w.permissionRow(4).at(1), QStringLiteral("No"));

        // The permissions of each paper are kept apart.
        papers->setCurrentRow(1);
        QCOMPARE(entries(allowed), QStringList({QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("No")}));
    }

    void withoutAPaperOnlyTheUnsavedRowChanges()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        QListWidget *allowed = list(w, "List2");
        press(allowed, 0); // an empty entry is left alone
        QCOMPARE(allowed->item(0)->text(), QString());
        doubleClick(list(w, "List22"), 0);
        QCOMPARE(allowed->item(0)->text(), QStringLiteral("Yes"));
        button(w, "全部选定取消")->click();
        QCOMPARE(entries(allowed), QStringList({QStringLiteral("No"), QStringLiteral("No"), QStringLiteral("No")}));
        button(w, "Command1")->click();
        QVERIFY(!w.isVisible());
        // Nothing of the "no paper" row reaches the file; the pairs keep their stored values.
        QCOMPARE(stored(QStringLiteral("P1"), QStringLiteral("A")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("P2"), QStringLiteral("A")), QStringLiteral("0"));
    }

    void okWritesEveryFlagAndEveryPair()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        list(w, "List11")->setCurrentRow(1);
        button(w, "全部选定")->click();
        QCOMPARE(entries(list(w, "List2")), QStringList({QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("Yes")}));
        list(w, "List11")->setCurrentRow(2);
        button(w, "全部选定取消")->click();
        button(w, "Command1")->click();
        QVERIFY(!w.isVisible());

        const QStringList flags = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0")};
        for (int j = 0; j < 4; ++j) {
            const QString paper = QStringLiteral("P%1").arg(j + 1);
            QCOMPARE(stored(QStringLiteral("TestName"), paper), flags.at(j));
            for (const QString &c : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
                const QString expected = j == 2 ? QStringLiteral("0") : QStringLiteral("1");
                QCOMPARE(stored(paper, c), expected);
            }
        }
    }

    void cancelAndTheFrameWriteNothing()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        doubleClick(list(w, "List11"), 0);
        button(w, "全部选定取消")->click();
        button(w, "Command2")->click();
        QVERIFY(!w.isVisible());
        w.show(); // reloaded from the file
        QCOMPARE(list(w, "List1")->item(0)->text(), QStringLiteral("No"));
        doubleClick(list(w, "List11"), 0);
        w.close();
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), Catalogue);
    }

    void pairsScrollTogetherRowByRow()
    {
        TestDataRoot root;
        QByteArray file = "[ClassName]\r\nClassNameCount=60\r\n";
        for (int i = 1; i <= 60; ++i)
            file += QByteArray::number(i) + (i % 2 ? "=班级" : "=Class") + QByteArray::number(i) + "\r\n";
        file += "[TestName]\r\nTestNameCount=60\r\n";
        for (int j = 1; j <= 60; ++j)
            file += QByteArray::number(j) + (j % 2 ? "=试卷" : "=Test") + QByteArray::number(j) + "\r\n";
        root.write(QStringLiteral("sys/sys.cho"), file);
        ExamRoomDialog w;
        w.show();
        list(w, "List11")->setCurrentRow(0);
        for (const auto &[names, values] : {std::pair{"List11", "List1"}, std::pair{"List22", "List2"}}) {
            QListWidget *n = list(w, names);
            QListWidget *v = list(w, values);
            QVERIFY(v->verticalScrollBar()->maximum() > 0);
            v->verticalScrollBar()->setValue(20);
            QCOMPARE(n->verticalScrollBar()->value(), 20);
            n->verticalScrollBar()->setValue(35);
            QCOMPARE(v->verticalScrollBar()->value(), 35);
            for (int row = 35; row < 40; ++row)
                QCOMPARE(n->visualItemRect(n->item(row)).top(), v->visualItemRect(v->item(row)).top());
        }
    }
};

QTEST_MAIN(TestExamRoom)
#include "tst_examroom.moc"
