#include "windowfront.h"

#include <QApplication>
#include <QWidget>

namespace windowfront {

void bringToFront()
{
    QWidget *target = QApplication::activeModalWidget();
    if (!target)
        target = QApplication::activeWindow();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
            continue;
        if (w->isMinimized())
            w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        if (w != target)
            w->raise();
        if (!target)
            target = w;
    }
    if (!target)
        return;
    // The modal window last, so that it stays above the window it belongs to.
    target->raise();
    target->activateWindow();
}

} // namespace windowfront
