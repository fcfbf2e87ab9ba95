// xpoke WINDOW close | xpoke WINDOW burst N | xpoke WINDOW cover
// A small X client for the end-to-end tests: asks a window to close the way a window manager does
// (a WM_DELETE_WINDOW message), queues N presses of 'a' followed by Escape on it in one flush, or
// covers it with another window for half a second and uncovers it again.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

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
    std::fprintf(stderr, "usage: xpoke WINDOW close | xpoke WINDOW burst N | xpoke WINDOW cover\n");
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
  } else if (std::strcmp(argv[2], "cover") == 0) {
    XWindowAttributes target;
    if (!XGetWindowAttributes(dpy, win, &target)) {
      std::fprintf(stderr, "xpoke: no window %s\n", argv[1]);
      return 1;
    }
    Window root_child;
    int x = 0, y = 0;
    XTranslateCoordinates(dpy, win, DefaultRootWindow(dpy), 0, 0, &x, &y, &root_child);
    XSetWindowAttributes attrs = {};
    attrs.override_redirect = True;
    attrs.background_pixel = WhitePixel(dpy, DefaultScreen(dpy));
    const Window cover = XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, target.width,
                                       target.height, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect | CWBackPixel, &attrs);
    XMapRaised(dpy, cover);
    XSync(dpy, False);
    usleep(500 * 1000);
    XDestroyWindow(dpy, cover);
  } else {
    std::fprintf(stderr, "xpoke: unknown command %s\n", argv[2]);
    return 2;
  }
  XSync(dpy, False);
  XCloseDisplay(dpy);
  return 0;
}
