// The window layer's extension on X11, beside freeglut. freeglut destroys its window when
// the close button's WM_DELETE_WINDOW message arrives, delivers no callback for Pause and
// Break, and knows nothing of raw mouse motion. The extension takes those events off
// freeglut's own X connection while Xlib converts them from the wire, before they reach
// any event queue: a converter that returns False drops the event, so freeglut never sees
// it. Taking them off the queue before each freeglut pass instead loses some under a
// flood of events, because freeglut drains the queue by itself.
//
// Everything here runs on the window thread: Xlib calls the converters while the window
// thread reads events inside freeglut's event loop.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "runtime/platform/platform.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
// The Xlib internals header defines these as macros.
#undef min
#undef max

namespace {

constexpr int PAUSE_CODE = 100019;
constexpr int BREAK_CODE = 100318;

// Written once on the window thread at installation, read there by the converters.
int (*window_hook_fn)(int, int, int) = nullptr;
Display *hooked_display = nullptr;
Atom wm_protocols = None;
Atom wm_delete_window = None;
KeyCode pause_keycode = 0;  // the key that sends Pause (and Break with Ctrl)
KeyCode break_keycode = 0;  // a separate Break key, when the keyboard map has one
int xi_opcode = -1;

// The composer's wake-up: a private client message sent to the window over a connection of
// the composer's own (Xlib connections are not shared between threads here), so that a new
// frame is presented at once instead of at the presenter's next tick.
Atom wake_message = None;
Window wake_window = None;
char wake_display_name[256] = {0};
std::atomic<bool> wake_ready{false};  // set on the window thread once the above are written
Display *wake_display = nullptr;      // composer side: used by one thread at a time
bool wake_unreachable = false;

using WireProc = Bool (*)(Display *, XEvent *, xEvent *);
using CookieProc = Bool (*)(Display *, XGenericEventCookie *, xEvent *);
WireProc previous_client_message = nullptr;
WireProc previous_key_press = nullptr;
WireProc previous_key_release = nullptr;
CookieProc previous_xi_cookie = nullptr;

Bool on_wire_client_message(Display *display, XEvent *event, xEvent *wire) {
  if (display == hooked_display && Atom(wire->u.clientMessage.u.l.type) == wm_protocols &&
      Atom(uint32_t(wire->u.clientMessage.u.l.longs0)) == wm_delete_window) {
    window_hook_fn(1, 0, 0);
    return False;  // the window stays
  }
  if (display == hooked_display && wake_message != None &&
      Atom(wire->u.clientMessage.u.l.type) == wake_message) {
    window_hook_fn(4, 0, 0);
    return False;
  }
  return previous_client_message(display, event, wire);
}

// Pause arrives with no modifier; Break (Ctrl+Pause, or a Break key) with Control held.
bool special_key(xEvent *wire, int *code) {
  KeyCode keycode = wire->u.u.detail;
  if (keycode == 0) return false;
  bool control = (wire->u.keyButtonPointer.state & ControlMask) != 0;
  if (keycode == pause_keycode) {
    *code = control ? BREAK_CODE : PAUSE_CODE;
    return true;
  }
  if (keycode == break_keycode) {
    *code = BREAK_CODE;
    return true;
  }
  return false;
}

// The code reported for the last press of the Pause key and of the Break key: the release
// reports the same code, even when Ctrl was let go first, so that Break never stays down.
int pressed_code[2] = {0, 0};

int key_slot(xEvent *wire) { return wire->u.u.detail == pause_keycode ? 0 : 1; }

Bool on_wire_key_press(Display *display, XEvent *event, xEvent *wire) {
  int code;
  if (display == hooked_display && special_key(wire, &code)) {
    int &pressed = pressed_code[key_slot(wire)];
    // Auto-repeat may turn Pause into Break when Ctrl comes down while the key is held.
    if (pressed != 0 && pressed != code) window_hook_fn(2, pressed, 0);
    pressed = code;
    window_hook_fn(2, code, 1);
    return False;
  }
  return previous_key_press(display, event, wire);
}

Bool on_wire_key_release(Display *display, XEvent *event, xEvent *wire) {
  int code;
  if (display == hooked_display && special_key(wire, &code)) {
    int &pressed = pressed_code[key_slot(wire)];
    if (pressed != 0) code = pressed;
    pressed = 0;
    window_hook_fn(2, code, 0);
    return False;
  }
  return previous_key_release(display, event, wire);
}

// A raw XInput2 event on the wire: a 32-byte header (event type at byte 8, length of the
// valuator mask in 4-byte units at byte 22), the valuator mask, then one 8-byte fixed-point
// value (32-bit integral part, 32-bit fraction) per set bit for the accelerated values,
// followed by as many raw values.
double fixed3232(const unsigned char *p) {
  int32_t integral;
  uint32_t fraction;
  memcpy(&integral, p, 4);
  memcpy(&fraction, p + 4, 4);
  return double(integral) + double(fraction) / 4294967296.0;
}

bool raw_motion(const unsigned char *wire, int *dx, int *dy) {
  uint16_t evtype, mask_units;
  uint32_t length;
  memcpy(&length, wire + 4, 4);
  memcpy(&evtype, wire + 8, 2);
  memcpy(&mask_units, wire + 22, 2);
  if (evtype != XI_RawMotion) return false;
  size_t total = 32 + size_t(length) * 4;
  const unsigned char *mask = wire + 32;
  if (32 + size_t(mask_units) * 4 > total) return false;
  int mask_bits = mask_units * 32;
  int set = 0;
  for (int i = 0; i < mask_bits; ++i)
    if (mask[i >> 3] & (1 << (i & 7))) ++set;
  const unsigned char *raw = mask + mask_units * 4 + size_t(set) * 8;
  double value[2] = {0, 0};
  int index = 0;
  for (int i = 0; i < mask_bits && i < 2; ++i) {
    if (!(mask[i >> 3] & (1 << (i & 7)))) continue;
    if (size_t(raw + index * 8 + 8 - wire) > total) return false;
    value[i] = fixed3232(raw + index * 8);
    ++index;
  }
  *dx = int(std::lround(value[0]));
  *dy = int(std::lround(value[1]));
  return true;
}

Bool on_wire_xi_cookie(Display *display, XGenericEventCookie *cookie, xEvent *wire) {
  int dx, dy;
  if (display == hooked_display && raw_motion(reinterpret_cast<unsigned char *>(wire), &dx, &dy)) {
    if (dx != 0 || dy != 0) window_hook_fn(3, dx, dy);
    return False;
  }
  return previous_xi_cookie ? previous_xi_cookie(display, cookie, wire) : False;
}

void install_raw_motion(Display *display) {
  int event_base, error_base;
  if (!XQueryExtension(display, "XInputExtension", &xi_opcode, &event_base, &error_base)) {
    xi_opcode = -1;
    return;
  }
  int major = 2, minor = 0;
  // The query also makes the XInput library register its own converter, which the
  // runtime's converter then wraps for every other XInput event.
  if (XIQueryVersion(display, &major, &minor) != Success) {
    xi_opcode = -1;
    return;
  }
  previous_xi_cookie = XESetWireToEventCookie(display, xi_opcode, on_wire_xi_cookie);
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {0};
  XISetMask(bits, XI_RawMotion);
  XIEventMask mask;
  mask.deviceid = XIAllMasterDevices;
  mask.mask_len = sizeof bits;
  mask.mask = bits;
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
}

}  // namespace

DisplayCheck platform_display_check(std::string *name) {
  const char *configured = getenv("DISPLAY");
  if (name) *name = configured ? configured : "";
  if (!configured || !*configured) return DISPLAY_NOT_SET;
  Display *display = XOpenDisplay(nullptr);
  if (!display) return DISPLAY_UNREACHABLE;
  int error_base, event_base;
  bool opengl = glXQueryExtension(display, &error_base, &event_base);
  XCloseDisplay(display);
  return opengl ? DISPLAY_OK : DISPLAY_NO_OPENGL;
}

bool platform_window_layer_install(int (*hook)(int kind, int a, int b)) {
  Display *display = glXGetCurrentDisplay();
  if (!display || !hook) return false;
  window_hook_fn = hook;
  hooked_display = display;
  wm_protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  wm_delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  pause_keycode = XKeysymToKeycode(display, XK_Pause);
  break_keycode = XKeysymToKeycode(display, XK_Break);
  if (break_keycode == pause_keycode) break_keycode = 0;
  previous_client_message = XESetWireToEvent(display, ClientMessage, on_wire_client_message);
  previous_key_press = XESetWireToEvent(display, KeyPress, on_wire_key_press);
  previous_key_release = XESetWireToEvent(display, KeyRelease, on_wire_key_release);
  install_raw_motion(display);
  // Window managers find the process behind a window (to end a hung one) by its pid.
  Window window = glXGetCurrentDrawable();
  if (window != None) {
    long pid = long(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char *>(&pid), 1);
  }
  if (window != None) {
    wake_message = XInternAtom(display, "_BASICRT_FRAME_READY", False);
    wake_window = window;
    const char *name = DisplayString(display);
    if (name && strlen(name) < sizeof wake_display_name) {
      strcpy(wake_display_name, name);
      wake_ready.store(true, std::memory_order_release);
    }
  }
  XFlush(display);
  return true;
}

void platform_window_wake() {
  if (!wake_ready.load(std::memory_order_acquire) || wake_unreachable) return;
  if (!wake_display) {
    wake_display = XOpenDisplay(wake_display_name);
    if (!wake_display) {
      wake_unreachable = true;
      return;
    }
  }
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = wake_window;
  event.xclient.message_type = wake_message;
  event.xclient.format = 32;
  // No event mask: the message goes to the window's creator, the window thread's connection.
  XSendEvent(wake_display, wake_window, False, NoEventMask, &event);
  XFlush(wake_display);
}
