#include "workwindows.h"

#include "mainwindow.h"
#include "papermanagementdialog.h"

namespace examforge {

void registerWorkWindows(MainWindow &window)
{
    // Each work window is added here as it becomes available; a command without one stays
    // disabled.
    window.setCommandWindow(MainWindow::Papers, [](QWidget *p) { return new PaperManagementDialog(p); });
}

} // namespace examforge
