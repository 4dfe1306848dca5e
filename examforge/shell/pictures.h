#pragma once

#include <QPixmap>
#include <QSize>

/// The pictures of the authoring program's shell, drawn at run time so that they stay sharp
/// on any screen.
namespace pictures {

/// The command template: blue (normal) or yellow (highlighted).
QPixmap commandTemplate(bool highlighted, int size = 44);
/// The main window's background.
QPixmap background(const QSize &size);
/// The product emblem: a test sheet with a tick.
QPixmap emblem(int size);
/// The splash picture with the product's name and version.
QPixmap splash(const QString &title, const QString &version);

} // namespace pictures
