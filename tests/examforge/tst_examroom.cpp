#include "catalogue.h"
#include "examroomdialog.h"
#include "profile.h"
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

template <typename T = QListWidget> T *child(const QWidget &w, const char *name)
{
    return requireChild<T>(&w, QString::fromUtf8(name));
}

void click(const QWidget &w, const char *button)
{
    child<QPushButton>(w, button)->click();
}

QString entries(const QWidget &w, const char *name)
{
    QStringList texts;
    for (int i = 0; i < child(w, name)->count(); ++i)
        texts.append(child(w, name)->item(i)->text());
    return texts.join(u',');
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
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(child(w, "List11")->hasFocus());
        QCOMPARE(entries(w, "List11"), QStringLiteral("P1,P2,P3,P4"));
        QCOMPARE(entries(w, "List1"), QStringLiteral("No,Yes,Yes,No"));
        QCOMPARE(entries(w, "List22"), QStringLiteral("A,B,C"));
        // No paper is chosen yet, not even by the keyboard focus: the class column is empty.
        QCOMPARE(w.selectedPaper(), -1);
        QCOMPARE(entries(w, "List2"), QStringLiteral(",,"));

        child(w, "List11")->setCurrentRow(1);
        QCOMPARE(child(w, "List1")->currentRow(), 1);
        QCOMPARE(entries(w, "List2"), QStringLiteral("No,Yes,Yes")); // B has no key: allowed
        child(w, "List11")->setCurrentRow(0);
        QCOMPARE(entries(w, "List2"), QStringLiteral("Yes,Yes,Yes"));
    }

    void clicksAndKeysToggle()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        QListWidget *papers = child(w, "List11");
        QListWidget *classes = child(w, "List22");

        doubleClick(papers, 0);
        QCOMPARE(entries(w, "List1"), QStringLiteral("Yes,Yes,Yes,No"));
        QCOMPARE(w.selectedPaper(), 0);
        doubleClick(papers, 0);
        QCOMPARE(entries(w, "List1"), QStringLiteral("No,Yes,Yes,No"));

        // A press on the Yes/No column chooses that paper and toggles its flag.
        press(child(w, "List1"), 1);
        QCOMPARE(papers->currentRow(), 1);
        QCOMPARE(entries(w, "List1"), QStringLiteral("No,No,Yes,No"));
        QCOMPARE(entries(w, "List2"), QStringLiteral("No,Yes,Yes"));

        // Permissions: a press on Yes/No, a double click on the class name; selection follows.
        press(child(w, "List2"), 0);
        QCOMPARE(classes->currentRow(), 0);
        doubleClick(classes, 2);
        QCOMPARE(child(w, "List2")->currentRow(), 2);
        QCOMPARE(entries(w, "List2"), QStringLiteral("Yes,Yes,No"));
        QCOMPARE(w.permissionRow(2).join(u','), QStringLiteral("Yes,Yes,No"));

        // The space bar toggles the entry that has the keyboard focus.
        papers->setCurrentRow(3);
        QTest::keyClick(papers, Qt::Key_Space);
        QCOMPARE(w.paperFlags().at(3), QStringLiteral("Yes"));
        classes->setCurrentRow(1);
        QTest::keyClick(classes, Qt::Key_Space);
        QCOMPARE(w.permissionRow(4).join(u','), QStringLiteral("Yes,No,Yes"));
    }

    void withoutAPaperNothingIsSavedAndCancelDropsAll()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        press(child(w, "List2"), 0); // an empty entry is left alone
        QCOMPARE(entries(w, "List2"), QStringLiteral(",,"));
        doubleClick(child(w, "List22"), 0);
        QCOMPARE(entries(w, "List2"), QStringLiteral("Yes,,"));
        click(w, "全部选定取消");
        QCOMPARE(entries(w, "List2"), QStringLiteral("No,No,No"));
        click(w, "Command1");
        QVERIFY(!w.isVisible());
        QCOMPARE(stored(QStringLiteral("P1"), QStringLiteral("A")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("P2"), QStringLiteral("A")), QStringLiteral("0"));

        // Cancel and the window frame drop the changes; the next opening reads the file again.
        const QByteArray saved = root.read(QStringLiteral("sys/sys.cho"));
        w.show();
        doubleClick(child(w, "List11"), 0);
        click(w, "Command2");
        w.show();
        QCOMPARE(entries(w, "List1"), QStringLiteral("No,Yes,Yes,No"));
        click(w, "全部选定");
        w.close();
        QCOMPARE(root.read(QStringLiteral("sys/sys.cho")), saved);
    }

    void okWritesEveryFlagAndEveryPair()
    {
        TestDataRoot root;
        root.write(QStringLiteral("sys/sys.cho"), Catalogue);
        ExamRoomDialog w;
        w.show();
        child(w, "List11")->setCurrentRow(1);
        click(w, "全部选定");
        QCOMPARE(entries(w, "List2"), QStringLiteral("Yes,Yes,Yes"));
        child(w, "List11")->setCurrentRow(2);
        click(w, "全部选定取消");
        click(w, "Command1");
        QVERIFY(!w.isVisible());
        const QString flags = QStringLiteral("0110");
        for (int j = 0; j < 4; ++j) {
            const QString paper = QStringLiteral("P%1").arg(j + 1);
            QCOMPARE(stored(QStringLiteral("TestName"), paper), flags.at(j));
            for (const QString &c : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
                QCOMPARE(stored(paper, c), j == 2 ? QStringLiteral("0") : QStringLiteral("1"));
        }
    }

    void pairsScrollTogetherRowByRow()
    {
        // Mixed scripts: rows of a name list and its Yes/No list must keep one height.
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
        child(w, "List11")->setCurrentRow(0);
        for (const auto &[names, values] : {std::pair{"List11", "List1"}, std::pair{"List22", "List2"}}) {
            QListWidget *n = child(w, names);
            QListWidget *v = child(w, values);
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
