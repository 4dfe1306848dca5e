#include "helpwindow.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>

class TestHelpWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void showsTheWindowsTopic()
    {
        TestDataRoot root;
        root.write(QStringLiteral("help/classes.html"), "<html><body><h1>Managing classes</h1></body></html>");
        QDialog window;
        help::setTopic(&window, QStringLiteral("classes"));
        auto *edit = new QLineEdit(&window);
        HelpWindow *helpWindow = help::showFor(edit);
        QCOMPARE(helpWindow->topic(), QStringLiteral("classes"));
        QVERIFY(helpWindow->pageFound());
        QVERIFY(helpWindow->findChild<QTextBrowser *>()->toPlainText().contains(QStringLiteral("Managing classes")));
        // Asking again reuses the window.
        QCOMPARE(help::showFor(&window), helpWindow);
    }

    void missingPageIsReportedInTheWindow()
    {
        TestDataRoot root;
        QWidget window;
        help::setTopic(&window, QStringLiteral("nowhere"));
        HelpWindow *helpWindow = help::showFor(&window);
        QVERIFY(!helpWindow->pageFound());
        auto *status = helpWindow->findChild<QLabel *>(QStringLiteral("HelpStatus"));
        QVERIFY(status->isVisibleTo(helpWindow));
        QVERIFY(status->text().contains(QStringLiteral("nowhere.html")));
    }

    // Like every other window: Escape closes it, and it opens wholly on the screen (room for
    // a title bar included), even over a window that sits in a corner.
    void escapeClosesAndTheWindowOpensOnTheScreen()
    {
        TestDataRoot root;
        QDialog owner;
        owner.resize(300, 200);
        const QRect available = owner.screen()->availableGeometry();
        owner.move(available.right() - 100, available.bottom() - 80);
        owner.show();
        QPointer<HelpWindow> helpWindow = help::showFor(&owner);
        QVERIFY(QTest::qWaitForWindowExposed(helpWindow));
        QVERIFY(available.contains(helpWindow->frameGeometry()));
        QVERIFY(available.contains(helpWindow->geometry().adjusted(0, -30, 0, 0)));
        QVERIFY(helpWindow->width() >= 400 && helpWindow->height() >= 300);

        helpWindow->findChild<QTextBrowser *>()->setFocus();
        QTest::keyClick(helpWindow->findChild<QTextBrowser *>(), Qt::Key_Escape);
        QTRY_VERIFY(!helpWindow); // closed, and deleted on close
        QVERIFY(owner.isVisible());
    }

    void f1OpensTheActiveWindowsTopic()
    {
        TestDataRoot root;
        root.write(QStringLiteral("help/papers.html"), "<p>Papers</p>");
        help::installF1Handler();
        QWidget window;
        help::setTopic(&window, QStringLiteral("papers"));
        auto *edit = new QLineEdit(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        window.show();
        QApplication::setActiveWindow(&window);
        edit->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(edit, Qt::Key_F1);
        auto *helpWindow = window.findChild<HelpWindow *>();
        QVERIFY(helpWindow);
        QCOMPARE(helpWindow->topic(), QStringLiteral("papers"));
        QVERIFY(helpWindow->isVisible());
    }
};

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
