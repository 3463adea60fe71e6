#include "PaneWindows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <string>

#include "Player.h"

PaneWindows::PaneWindows(bool keyboard) {
  display_ = XOpenDisplay(nullptr);
  if (!display_) return;
  const int screen = DefaultScreen(display_);
  Atom wm_delete = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  delete_atom_ = wm_delete;
  auto make = [&](int x, int w, int h, const char* title) {
    Window win = XCreateSimpleWindow(display_, RootWindow(display_, screen), x, 0, w, h, 0, 0,
                                     BlackPixel(display_, screen));
    XStoreName(display_, win, title);
    if (keyboard) XSelectInput(display_, win, KeyPressMask);
    XSetWMProtocols(display_, win, &wm_delete, 1);
    XMapWindow(display_, win);
    return static_cast<uint64_t>(win);
  };
  front_ = make(0, 720, 405, "front");
  rear_ = make(740, 360, 202, "rear");
  XSync(display_, False);
}

PaneWindows::~PaneWindows() {
  if (!display_) return;
  XDestroyWindow(display_, front_);
  XDestroyWindow(display_, rear_);
  XCloseDisplay(display_);
}

unsigned long PaneWindows::poll_key(bool* closed) {
  while (XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == ClientMessage && static_cast<unsigned long>(event.xclient.data.l[0]) == delete_atom_) {
      *closed = true;
      return 0;
    }
    if (event.type == KeyPress) return XLookupKeysym(&event.xkey, 0);
  }
  return 0;
}

bool StartEngine(const PaneWindows& windows, PlayerNotifier& notifier) {
  if (!windows.ok()) {
    std::fprintf(stderr, "cannot open the X display\n");
    return false;
  }
  std::string error;
  if (player_startup(&error) != 0) {
    std::fprintf(stderr, "SDL Init error: %s\n", error.c_str());
    return false;
  }
  player_globals.main_window = &notifier;
  player_globals.video_hwnd = windows.front();
  player_globals.video2_hwnd = windows.rear();
  player_globals.screen_width = 1920;
  player_globals.screen_height = 1080;
  return true;
}
