#include "examdeskstartup.h"
#include "filelock.h"
#include "paperprefetch.h"

#include <QApplication>

namespace {
constexpr int ExitRemovalMs = 15000;
constexpr int ExitCopyMs = 3000;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Examdesk"));
    QApplication::setApplicationVersion(QStringLiteral("5.0"));
    const int code = examdesk::run();
    // The windows are closed and the single-copy lock is free. A lock or temporary file the
    // share refused to remove (the network away at that moment) is tried a while longer, so
    // that it does not stay on the share for the next writer to take over.
    filelock::finishRemovals(ExitRemovalMs);
    // A question copy still under way must not run on while the process ends around it.
    PaperPrefetch::finishAll(ExitCopyMs);
    return code;
}
