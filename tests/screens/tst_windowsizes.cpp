// Every window of both programs opens wholly on a 1024x768 screen, title bar included, and
// can be made no larger than that without its layout overflowing.
#include "paths.h"
#include "prompt.h"
#include "screenregistry.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

namespace {

// A 1024x768 screen less the borders, a title bar and a panel of the desktop.
constexpr QSize Budget(1024 - 16, 768 - 68);

void copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(file));
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
}

bool fits(const QSize &s)
{
    return s.width() <= Budget.width() && s.height() <= Budget.height();
}

QString text(const QSize &s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

} // namespace

class TestWindowSizes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { closeAllWindows(); }

    void everyWindowFitsA1024x768Screen_data()
    {
        QTest::addColumn<int>("index");
        const QList<screens::Entry> &all = screens::entries();
        for (int i = 0; i < all.size(); ++i)
            QTest::newRow(qPrintable(all.at(i).name)) << i;
    }

    void everyWindowFitsA1024x768Screen()
    {
        QFETCH(int, index);
        TestDataRoot root;
        copyTree(QStringLiteral(DEMO_TREE), root.path());
        prompt::ScopedScript script;
        const screens::Entry &entry = screens::entries().at(index);
        std::unique_ptr<QWidget> window(entry.make());
        QVERIFY(window);
        window->show(); // some close at once on this data (the login without a password): sizes still count
        if (entry.prepare)
            entry.prepare(window.get());
        QVERIFY2(fits(window->size()), qPrintable(QStringLiteral("opens at %1").arg(text(window->size()))));
        QVERIFY2(fits(window->minimumSize()), qPrintable(QStringLiteral("minimum %1").arg(text(window->minimumSize()))));
        QVERIFY2(fits(window->minimumSizeHint()),
                 qPrintable(QStringLiteral("layout needs %1").arg(text(window->minimumSizeHint()))));
        // Its buttons stay inside the window at the largest size such a screen allows.
        window->resize(window->size().boundedTo(Budget));
        for (const QWidget *child : window->findChildren<QWidget *>()) {
            if (child->isVisible() && child->inherits("QAbstractButton") && child->window() == window.get()) {
                const QRect r(child->mapTo(window.get(), QPoint()), child->size());
                QVERIFY2(window->rect().contains(r), qPrintable(child->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestWindowSizes)
#include "tst_windowsizes.moc"
