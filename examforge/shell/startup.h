#pragma once

#include <QString>

#include <memory>

class MainWindow;

/// The start-up procedure of the authoring program.
namespace examforge {

/// The product title used when the language file names Chinese.
QString chineseTitle();

/// "Examora", or the Chinese title when languageName is exactly "Chinese".
QString applicationTitleFor(const QString &languageName);

struct StartupOptions
{
    bool showSplash = true;
};

/// Start-up after the single-copy check: language and title, splash, main window,
/// administrator login when a password is set. Returns the shown main window, or nothing
/// when the program is to end.
std::unique_ptr<MainWindow> startUp(const StartupOptions &options = {});

/// The whole program: refuses a second copy silently, starts up and runs the event loop.
int run();

} // namespace examforge
