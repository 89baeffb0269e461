// The requests a program makes about its own window's state, as each window system
// takes them. An X11 window manager follows them whenever they come. A Wayland
// compositor minimises a window only once it is on the screen (a request before its
// first frame is dropped), and only the compositor takes a window out of the minimised
// state: the program cannot, and a desktop without a taskbar or a tray offers no way
// back. A window that is hidden and shown again is new to the compositor, and shown.
// UI thread only.
#pragma once

class QWidget;

namespace platform {

// True where the program cannot restore its own minimised window (Wayland).
bool MinimiseIsOneWay();
// True where the program may put its windows where it likes (X11); under Wayland only
// the compositor moves windows.
bool ProgramPlacesWindows();

// Asks for `window` to be minimised. Under X11 the window manager is asked (as its own
// minimise button does) and the window counts as minimised once the window manager
// has minimised it: a window manager without minimised windows (a tiling one) leaves a
// window that is shown, and counts as shown. Under Wayland the compositor may ignore it
// as well; the window then stays on the screen.
void Minimise(QWidget& window);

// Starts `window` minimised; called from its show event, before it is mapped. An X11
// window manager then maps it minimised at once; under Wayland it is minimised as soon
// as its first frame is drawn.
void StartMinimised(QWidget& window);

// Brings `window` back on the screen and to the front from wherever it is: hidden,
// minimised or shown. Under Wayland it is hidden and shown again.
void BringBack(QWidget& window);

}  // namespace platform
