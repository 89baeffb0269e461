// Keeps Qt's idea of where the program's windows are in step with the X server.
//
// Qt learns where a window is from configure notifications. A window that the program
// places before it is mapped gets a real notification for that placement, and Qt asks
// the server where the window is only when it comes to that notification; when the
// window manager is just reparenting the window into its frame, the answer is the
// frame's place before the window manager moved it. The window manager then sends
// nothing more, as the window ended up where the program asked, and Qt keeps a place
// the window never had: popups open beside that place and a drag starts off by it.
//
// Once installed, every time one of the program's managed windows is mapped, the X
// server is asked where it is, and Qt is told when it thinks otherwise, as a window
// manager's own notification would. On other window systems nothing is installed.
// UI thread only.
#pragma once

namespace platform {

// Installs the watch on the application (once; later calls do nothing).
void InstallWindowPositionSync();

}  // namespace platform
