#include "helpwindow.h"
#include "imagecommand.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

namespace {

void moveOver(QWidget *widget)
{
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void commandsCaptionsAndTips()
    {
        MainWindow w;
        const QStringList captions = {QStringLiteral("Create Test"), QStringLiteral("Manage test"),
                                      QStringLiteral("Create Class"), QStringLiteral("View Scores"),
                                      QStringLiteral("Set Password"), QStringLiteral("Help"),
                                      QStringLiteral("Quit")};
        const QStringList tips = {QStringLiteral("Create new test or edit existing test."),
                                  QStringLiteral("Select test and class"), QStringLiteral("Add, edit or delete classes."),
                                  QStringLiteral("View and edit scores"), QStringLiteral("Set password by teacher"),
                                  QString(), QString()};
        for (int k = 1; k <= 7; ++k) {
            auto *picture = w.findChild<ImageCommand *>(QStringLiteral("Imgcmd(%1)").arg(k));
            QVERIFY(picture);
            QCOMPARE(picture->tag(), QStringLiteral("1"));
            QCOMPARE(picture->toolTip(), tips.at(k - 1));
            auto *label = w.findChild<QLabel *>(QStringLiteral("Label1(%1)").arg(k == 7 ? 0 : k));
            QVERIFY(label);
            QCOMPARE(label->text(), captions.at(k - 1));
            QCOMPARE(w.commandLabel(k), label);
        }
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("Img蓝色")));
        QVERIFY(!w.findChild<QLabel *>(QStringLiteral("Img黄色"))->isVisibleTo(&w));
    }

    void highlightFollowsTheMouse()
    {
        MainWindow w;
        w.show();
        for (int k = 1; k <= 5; ++k)
            w.setCommandWindow(MainWindow::Command(k), [](QWidget *parent) { return new QDialog(parent); });
        moveOver(w.commandPicture(3));
        QCOMPARE(w.commandPicture(3)->tag(), QStringLiteral("2"));
        QCOMPARE(w.commandPicture(3)->picture().toImage(), w.findChild<QLabel *>(QStringLiteral("Img黄色"))->pixmap().toImage());
        moveOver(w.commandPicture(5));
        QCOMPARE(w.commandPicture(5)->tag(), QStringLiteral("2"));
        QCOMPARE(w.commandPicture(3)->tag(), QStringLiteral("1"));
        QCOMPARE(w.commandPicture(3)->picture().toImage(), w.findChild<QLabel *>(QStringLiteral("Img蓝色"))->pixmap().toImage());
        w.highlight(7);
        QCOMPARE(w.commandPicture(5)->tag(), QStringLiteral("1"));
        QCOMPARE(w.commandPicture(7)->tag(), QStringLiteral("2"));
        moveOver(w.findChild<QLabel *>(QStringLiteral("Image2")));
        for (int k = 1; k <= 7; ++k)
            QCOMPARE(w.commandPicture(k)->tag(), QStringLiteral("1"));
        // The keyboard focus highlights like the mouse does.
        w.commandPicture(7)->setFocus();
        QApplication::processEvents();
        if (w.commandPicture(7)->hasFocus())
            QCOMPARE(w.commandPicture(7)->tag(), QStringLiteral("2"));
    }

    void workWindowIsCreatedOnceAndShownModally()
    {
        MainWindow w;
        QVERIFY(!w.commandPicture(MainWindow::Classes)->isEnabled());
        QVERIFY(!w.commandLabel(MainWindow::Classes)->isEnabled());
        int created = 0;
        int shown = 0;
        QDialog *dialog = nullptr;
        w.setCommandWindow(MainWindow::Classes, [&](QWidget *parent) {
            ++created;
            dialog = new QDialog(parent);
            QObject::connect(dialog, &QDialog::finished, dialog, [] {});
            return dialog;
        });
        QVERIFY(w.commandPicture(MainWindow::Classes)->isEnabled());
        w.show();
        for (int round = 0; round < 2; ++round) {
            QTimer::singleShot(0, &w, [&] {
                ++shown;
                QVERIFY(dialog->isModal() || dialog->windowModality() != Qt::NonModal);
                dialog->reject();
            });
            w.commandPicture(MainWindow::Classes)->click();
        }
        QCOMPARE(created, 1);
        QCOMPARE(shown, 2);
        // A click on the caption runs the command too.
        QTimer::singleShot(0, &w, [&] { ++shown; dialog->reject(); });
        QTest::mouseClick(w.commandLabel(MainWindow::Classes), Qt::LeftButton);
        QCOMPARE(shown, 3);
    }

    void helpOpensTheMainTopic()
    {
        TestDataRoot root;
        MainWindow w;
        w.show();
        w.commandPicture(MainWindow::Help)->click();
        auto *helpWindow = w.findChild<HelpWindow *>();
        QVERIFY(helpWindow);
        QCOMPARE(helpWindow->topic(), QStringLiteral("main"));
    }

    void quitLabelEndsTheProgram()
    {
        MainWindow w;
        w.show();
        QTimer::singleShot(0, &w, [&w] { QTest::mouseClick(w.commandLabel(MainWindow::Quit), Qt::LeftButton); });
        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
