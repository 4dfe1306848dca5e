#pragma once

/// Brings the program's windows to the front, as when a second start of the program asks for
/// it: every visible top-level window is restored when minimised and raised, and the one that
/// takes input (a modal dialog when one is open, else the active or last raised window) is
/// activated. A window manager may still refuse to move the focus; the windows are raised.
namespace windowfront {

void bringToFront();

} // namespace windowfront
