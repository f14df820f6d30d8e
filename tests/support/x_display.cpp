// The X display seen from outside the program under test: a separate connection of the
// test process finds the program's window, sends it what a window manager or a user would,
// and reads back its pixels.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "tests/support/support.h"

namespace {

// One connection for the test process, opened on first use.
Display *test_display() {
  static Display *display = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    const char *name = getenv("DISPLAY");
    if (name && *name) display = XOpenDisplay(nullptr);
  }
  return display;
}

// Errors for windows that vanish between the query and the use are expected here.
int ignore_x_error(Display *, XErrorEvent *) { return 0; }

struct ErrorTrap {
  int (*previous)(Display *, XErrorEvent *);
  ErrorTrap() { previous = XSetErrorHandler(ignore_x_error); }
  ~ErrorTrap() { XSetErrorHandler(previous); }
};

bool window_pid(Display *display, Window window, long *pid) {
  Atom pid_atom = XInternAtom(display, "_NET_WM_PID", True);
  if (pid_atom == None) return false;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char *data = nullptr;
  if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) != Success)
    return false;
  bool found = data && count == 1 && format == 32;
  if (found) *pid = *reinterpret_cast<long *>(data);
  if (data) XFree(data);
  return found;
}

Window search(Display *display, Window window, pid_t pid, int depth) {
  long owner;
  if (window_pid(display, window, &owner) && owner == pid) return window;
  if (depth > 3) return 0;
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i)
    found = search(display, children[i], pid, depth + 1);
  if (children) XFree(children);
  return found;
}

}  // namespace

bool x_display_available() { return test_display() != nullptr; }

unsigned long x_find_window_of_pid(pid_t pid, int timeout_ms) {
  Display *display = test_display();
  if (!display) return 0;
  ErrorTrap trap;
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  do {
    Window found = search(display, DefaultRootWindow(display), pid, 0);
    XSync(display, False);
    if (found) return found;
    usleep(20000);
  } while (monotonic_us() < end);
  return 0;
}

bool x_window_viewable(unsigned long window) {
  Display *display = test_display();
  if (!display || !window) return false;
  ErrorTrap trap;
  XWindowAttributes attributes;
  bool ok = XGetWindowAttributes(display, window, &attributes) != 0;
  XSync(display, False);
  return ok && attributes.map_state == IsViewable;
}

bool x_wait_mapped(unsigned long window, int timeout_ms) {
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  do {
    if (x_window_viewable(window)) return true;
    usleep(10000);
  } while (monotonic_us() < end);
  return false;
}

bool x_send_delete_window(unsigned long window) {
  Display *display = test_display();
  if (!display || !window) return false;
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  ErrorTrap trap;
  Status ok = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return ok != 0;
}

bool x_send_keys(unsigned long window, const std::vector<std::string> &keys, int delay_ms) {
  if (!window) return false;
  std::string id = std::to_string(window);
  // Without a window manager the focus follows the pointer: put it inside the window too.
  ProcessOptions move;
  move.args = {"mousemove", "--window", id, "20", "20"};
  move.timeout_ms = 10000;
  if (run_process("/usr/bin/xdotool", move).exit_code != 0) return false;
  ProcessOptions type;
  type.args = {"windowfocus", "--sync", id, "key", "--delay", std::to_string(delay_ms)};
  for (const std::string &k : keys) type.args.push_back(k);
  type.timeout_ms = 20000;
  return run_process("/usr/bin/xdotool", type).exit_code == 0;
}

std::string x_window_title(unsigned long window) {
  Display *display = test_display();
  if (!display || !window) return std::string();
  ErrorTrap trap;
  std::string title;
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom net_name = XInternAtom(display, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char *data = nullptr;
  if (XGetWindowProperty(display, window, net_name, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data && count > 0)
    title.assign(reinterpret_cast<char *>(data), count);
  if (data) XFree(data);
  if (title.empty()) {
    char *name = nullptr;
    if (XFetchName(display, window, &name) && name) {
      title = name;
      XFree(name);
    }
  }
  XSync(display, False);
  return title;
}

bool x_window_size(unsigned long window, int *width, int *height) {
  Display *display = test_display();
  if (!display || !window) return false;
  ErrorTrap trap;
  XWindowAttributes attributes;
  bool ok = XGetWindowAttributes(display, window, &attributes) != 0;
  XSync(display, False);
  if (!ok) return false;
  *width = attributes.width;
  *height = attributes.height;
  return true;
}

bool x_capture_rgb(unsigned long window, std::vector<uint8_t> *rgb, int *width, int *height,
                   int *readable_left, int *readable_top) {
  int w, h;
  if (!x_window_size(window, &w, &h)) return false;
  Display *display = test_display();
  ErrorTrap trap;
  // Reading a window fails for any part outside the screen (a window created without a
  // position starts at -1, -1), so only the part on the screen is read.
  int screen_x = 0, screen_y = 0;
  Window child;
  if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &screen_x,
                             &screen_y, &child))
    return false;
  int left = screen_x < 0 ? -screen_x : 0, top = screen_y < 0 ? -screen_y : 0;
  int right = w, bottom = h;
  int screen_w = DisplayWidth(display, DefaultScreen(display));
  int screen_h = DisplayHeight(display, DefaultScreen(display));
  if (screen_x + right > screen_w) right = screen_w - screen_x;
  if (screen_y + bottom > screen_h) bottom = screen_h - screen_y;
  if (right <= left || bottom <= top) return false;
  XImage *image = XGetImage(display, window, left, top, unsigned(right - left),
                            unsigned(bottom - top), AllPlanes, ZPixmap);
  XSync(display, False);
  if (!image) return false;
  rgb->assign(size_t(w) * size_t(h) * 3, 0);
  auto channel = [](unsigned long pixel, unsigned long mask) -> uint8_t {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    unsigned long value = (pixel & mask) >> shift;
    unsigned long max = mask >> shift;
    return uint8_t(value * 255 / max);
  };
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      unsigned long pixel = XGetPixel(image, x - left, y - top);
      uint8_t *out = rgb->data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
      out[0] = channel(pixel, image->red_mask);
      out[1] = channel(pixel, image->green_mask);
      out[2] = channel(pixel, image->blue_mask);
    }
  XDestroyImage(image);
  *width = w;
  *height = h;
  if (readable_left) *readable_left = left;
  if (readable_top) *readable_top = top;
  return true;
}
