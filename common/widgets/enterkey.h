#pragma once

class QKeyEvent;
class QWidget;

namespace enterkey {

/// For windows where Enter must never trigger a default action unasked: Enter presses the
/// focused button, if any, and does nothing else. Returns true when the key was Enter (and is
/// then accepted), false for any other key.
bool pressFocusedButton(QWidget *window, QKeyEvent *event);

} // namespace enterkey
