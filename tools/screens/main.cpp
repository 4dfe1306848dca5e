// Takes pictures of the programs' windows, as a person sees them at their default size.
//
// screens --data <data root> --out <folder> [window ...]
//
// Run it under xvfb-run (or any X server) so that fonts and styles are the real ones. With
// no window named, every known window is taken. The data root is used as the programs'
// folder, so the windows show its data.
#include "screenregistry.h"

#include "paths.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("screens"));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("data"), QStringLiteral("Data root the windows read."), QStringLiteral("folder")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("Folder for the pictures."), QStringLiteral("folder")});
    parser.addOption({QStringLiteral("list"), QStringLiteral("List the known windows.")});
    parser.addPositionalArgument(QStringLiteral("window"), QStringLiteral("Windows to take."), QStringLiteral("[window...]"));
    parser.process(app);

    const QList<screens::Entry> &all = screens::entries();
    if (parser.isSet(QStringLiteral("list"))) {
        for (const screens::Entry &e : all)
            std::printf("%s\n", qPrintable(e.name));
        return 0;
    }
    if (parser.isSet(QStringLiteral("data")))
        paths::setProgramFolderForTesting(QDir(parser.value(QStringLiteral("data"))).absolutePath());
    const QString out = parser.value(QStringLiteral("out")).isEmpty() ? QStringLiteral(".") : parser.value(QStringLiteral("out"));
    QDir().mkpath(out);

    const QStringList wanted = parser.positionalArguments();
    int failures = 0;
    for (const screens::Entry &e : all) {
        if (!wanted.isEmpty() && !wanted.contains(e.name))
            continue;
        QWidget *window = e.make();
        if (!window) {
            std::fprintf(stderr, "%s: could not be made\n", qPrintable(e.name));
            ++failures;
            continue;
        }
        window->show();
        // Let the window load, lay out and paint.
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QTimer t;
            t.setSingleShot(true);
            QEventLoop loop;
            QObject::connect(&t, &QTimer::timeout, &loop, &QEventLoop::quit);
            t.start(10);
            loop.exec();
        }
        if (e.prepare)
            e.prepare(window);
        QApplication::processEvents();
        const QString file = QDir(out).filePath(e.name + QStringLiteral(".png"));
        if (!window->grab().save(file)) {
            std::fprintf(stderr, "%s: could not save %s\n", qPrintable(e.name), qPrintable(file));
            ++failures;
        } else {
            std::printf("%s -> %s (%dx%d)\n", qPrintable(e.name), qPrintable(file), window->width(), window->height());
        }
        window->hide();
        delete window;
    }
    return failures == 0 ? 0 : 1;
}
