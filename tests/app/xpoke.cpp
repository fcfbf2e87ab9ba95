// xpoke WINDOW close | xpoke WINDOW burst N
// A small X client for the end-to-end tests: asks a window to close the way a window manager does
// (a WM_DELETE_WINDOW message), or queues N presses of 'a' followed by Escape on it in one flush.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// Each press and release gets its own timestamp: SDL folds a release and a press that share one
// into a key repeat, and would drop the burst's presses.
void send_key(Display* dpy, Window win, KeySym sym, Time* clock) {
  XKeyEvent key = {};
  key.display = dpy;
  key.window = win;
  key.root = DefaultRootWindow(dpy);
  key.same_screen = True;
  key.keycode = XKeysymToKeycode(dpy, sym);
  key.type = KeyPress;
  key.time = *clock += 10;
  XSendEvent(dpy, win, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
  key.type = KeyRelease;
  key.time = *clock += 10;
  XSendEvent(dpy, win, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&key));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: xpoke WINDOW close | xpoke WINDOW burst N\n");
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "xpoke: cannot open the X display\n");
    return 1;
  }
  const Window win = std::strtoul(argv[1], nullptr, 0);
  if (std::strcmp(argv[2], "close") == 0) {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = win;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, win, False, NoEventMask, &ev);
  } else if (std::strcmp(argv[2], "burst") == 0 && argc == 4) {
    const long n = std::strtol(argv[3], nullptr, 10);
    Time clock = 1000;
    for (long i = 0; i < n; ++i) send_key(dpy, win, XK_a, &clock);
    send_key(dpy, win, XK_Escape, &clock);
  } else {
    std::fprintf(stderr, "xpoke: unknown command %s\n", argv[2]);
    return 2;
  }
  XSync(dpy, False);
  XCloseDisplay(dpy);
  return 0;
}
