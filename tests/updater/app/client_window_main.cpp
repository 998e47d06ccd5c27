// Stands in for the classroom client's main window: a top-level X window of
// class "parvolesk" at the given place, kept until the process is ended.
//   client_window X Y WIDTH HEIGHT
// Prints "shown" once the window is mapped.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s X Y WIDTH HEIGHT\n", argv[0]);
    return 64;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "client_window: no display\n");
    return 1;
  }
  const int x = std::atoi(argv[1]);
  const int y = std::atoi(argv[2]);
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y,
                                            static_cast<unsigned>(std::atoi(argv[3])),
                                            static_cast<unsigned>(std::atoi(argv[4])), 0, 0, 0xFFFFFF);
  XClassHint hint{};
  char name[] = "parvolesk";
  hint.res_name = name;
  hint.res_class = name;
  XSetClassHint(display, window, &hint);
  XStoreName(display, window, "veska classroom");
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify) {
      std::printf("shown\n");
      std::fflush(stdout);
    }
  }
}
