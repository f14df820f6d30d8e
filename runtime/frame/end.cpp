// END and COMMAND$. END closes the files, shows "Press any key to continue" on the bottom
// row of the visible page, waits for a key pressed after the prompt appeared, and hands
// the process to the main-loop thread, which ends it.
#include <cstring>

#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

namespace {

// One INKEY$: true when it returned a key. Its temporary is freed at once.
bool inkey_has_key() {
  uint32_t mark = bstr_temp_mark();
  BasicString *key = rt_inkey();
  bool has_key = key && key->length > 0;
  bstr_free_temporaries(mark, 0);
  return has_key;
}

// "Press any key to continue" alone on the bottom row of the visible page.
void show_prompt() {
  dest_index = display_index;  // the visible page becomes the destination
  image_pointers_refresh();
  if (!dest_image) return;
  int32_t bottom = image_rows(dest_image);
  if (bottom < 1) return;
  uint32_t mark = bstr_temp_mark();
  rt_view_print(bottom, bottom, 1);
  rt_print(blank_string, 1);
  rt_print(bstr_from_cstr("Press any key to continue"), 0);
  bstr_free_temporaries(mark, 0);
}

}  // namespace

void rt_end() {
  RuntimeControl &c = rt_control;
  c.program_ended = 1;
  files_close_all();
  c.exit_polled = 0;  // from now on the close button ends the process at once
  if (!c.screen_hidden.load()) {
    show_prompt();
    // Keys typed before the prompt appeared do not count.
    while (inkey_has_key()) platform_sleep_ms(0);
    c.autodisplay = 1;  // the prompt shows even after manual presentation was chosen
    // Polling in 9 ms steps keeps the wait nearly free while a key still ends it at once
    // to the eye.
    for (;;) {
      platform_sleep_ms(9);
      if (c.stop_all.load()) program_thread_park();
      if (inkey_has_key()) break;
    }
  }
  c.exit_now = 1;
  program_thread_park();
}

BasicString *rt_command() {
  BasicString *line = rt_control.command_line;
  int32_t length = line ? line->length : 0;
  BasicString *copy = bstr_new(uint32_t(length), 1);
  if (copy && length > 0) memcpy(copy->data, line->data, size_t(length));
  return copy;
}
