#pragma once

#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace screens {

struct Entry
{
    QString name;                           ///< file name of the picture, without ".png"
    std::function<QWidget *()> make;        ///< makes the window, not yet shown
    std::function<void(QWidget *)> prepare; ///< optional: brings the shown window into the state to take
};

/// Every window that can be taken.
const QList<Entry> &entries();

} // namespace screens
