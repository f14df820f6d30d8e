// Keyboard auto-repeat on X11: by default a held key repeats as release-press pairs; the
// XKB "detectable auto-repeat" switch makes the server send the repeated presses alone.
// The setting belongs to the connection of the window, the one current on this thread.
#include <GL/glx.h>
#include <X11/XKBlib.h>

#include "runtime/platform/platform.h"

bool platform_key_repeat_presses_only() {
  Display *display = glXGetCurrentDisplay();
  if (!display) return false;
  Bool supported = False;
  XkbSetDetectableAutoRepeat(display, True, &supported);
  return supported == True;
}
