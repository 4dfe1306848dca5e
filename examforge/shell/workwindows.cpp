#include "workwindows.h"

#include "mainwindow.h"

namespace examforge {

void registerWorkWindows(MainWindow &window)
{
    // Each work window is added here as it becomes available; a command without one stays
    // disabled.
    Q_UNUSED(window);
}

} // namespace examforge
