// Host keyboard state on X11: lock toggles from the keyboard indicators, held keys from
// the server's key map. The service keeps its own display connection, opened on first
// use, so that it never touches the window's connection and may be called from any
// thread; a mutex serialises the callers on that connection.
#include "runtime/platform/platform.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <mutex>

namespace {

std::mutex key_state_mutex;
bool connection_tried = false;
Display *key_display = nullptr;
int indicator_bit[3] = {-1, -1, -1};  // Scroll, Caps, Num Lock: bit in the indicator state
KeyCode held_keycode[HOST_KEY_RIGHT_ALT + 1] = {};

// Returns the connection, opening it the first time; null when no display is available.
Display *connection() {
  if (connection_tried) return key_display;
  connection_tried = true;
  const char *name = getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  int major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
  key_display = XkbOpenDisplay(nullptr, nullptr, nullptr, &major, &minor, &reason);
  if (!key_display) return nullptr;
  const char *indicator_names[3] = {"Scroll Lock", "Caps Lock", "Num Lock"};
  for (int i = 0; i < 3; ++i) {
    Atom atom = XInternAtom(key_display, indicator_names[i], True);
    int index = -1;
    Bool state = False;
    if (atom != None &&
        XkbGetNamedIndicator(key_display, atom, &index, &state, nullptr, nullptr) && index >= 0)
      indicator_bit[i] = index;
  }
  const KeySym held_keysym[HOST_KEY_RIGHT_ALT + 1] = {
      XK_Scroll_Lock, XK_Caps_Lock, XK_Num_Lock, XK_Shift_L, XK_Shift_R,
      XK_Control_L,   XK_Control_R, XK_Alt_L,    XK_Alt_R};
  for (int k = 0; k <= HOST_KEY_RIGHT_ALT; ++k)
    held_keycode[k] = XKeysymToKeycode(key_display, held_keysym[k]);
  return key_display;
}

}  // namespace

int platform_host_key_state(HostKey key) {
  if (key < HOST_KEY_SCROLL_LOCK || key > HOST_KEY_RIGHT_ALT) return 0;
  std::lock_guard<std::mutex> guard(key_state_mutex);
  Display *display = connection();
  if (!display) return 0;
  int result = 0;
  if (key <= HOST_KEY_NUM_LOCK && indicator_bit[key] >= 0) {
    unsigned int state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success &&
        (state & (1u << indicator_bit[key])))
      result |= HOST_KEY_TOGGLED;
  }
  KeyCode code = held_keycode[key];
  if (code != 0) {
    char keys[32];
    XQueryKeymap(display, keys);
    if (keys[code >> 3] & (1 << (code & 7))) result |= HOST_KEY_HELD;
  }
  return result;
}
