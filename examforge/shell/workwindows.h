#pragma once

class MainWindow;

namespace examforge {

/// Tells the main window which work window each of its commands opens.
void registerWorkWindows(MainWindow &window);

} // namespace examforge
