/* A stand-in for a desktop's system tray where none is installed: owns the tray
 * selection of screen 0 and embeds nothing, so that programs see a tray and may hide
 * their windows to it. Runs until killed. Built by rest_bench.sh. */
#include <X11/Xlib.h>
#include <stdio.h>

int main(void) {
  Display* display = XOpenDisplay(NULL);
  if (!display) return 1;
  Window root = DefaultRootWindow(display);
  Window tray = XCreateSimpleWindow(display, root, 0, 0, 24, 24, 0, 0, 0);
  Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
  XSetSelectionOwner(display, selection, tray, CurrentTime);
  if (XGetSelectionOwner(display, selection) != tray) return 1;
  /* Tell the clients that wait for a tray that there is one now (message MANAGER). */
  XClientMessageEvent manager = {0};
  manager.type = ClientMessage;
  manager.window = root;
  manager.message_type = XInternAtom(display, "MANAGER", False);
  manager.format = 32;
  manager.data.l[0] = CurrentTime;
  manager.data.l[1] = (long)selection;
  manager.data.l[2] = (long)tray;
  XSendEvent(display, root, False, StructureNotifyMask, (XEvent*)&manager);
  XFlush(display);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
