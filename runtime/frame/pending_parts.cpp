// Start-up and the window layer call these functions of parts that are not built yet.
// Each owner deletes a definition here in the same step that adds the real one.
#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/print/print.h"
#include "runtime/values/values.h"

// ---- keyboard ---------------------------------------------------------------------------
void keyboard_startup() {}
void keyboard_seed_from_host() {}
void lock_key_sync() {}
void key_press(int32_t) {}
void key_release(int32_t) {}
void on_glut_keyboard(unsigned char, int, int) {}
void on_glut_keyboard_up(unsigned char, int, int) {}
void on_glut_special(int, int, int) {}
void on_glut_special_up(int, int, int) {}
BasicString *rt_inkey() { return bstr_new(0, 1); }
int32_t rt_keyhit() { return 0; }

// ---- time -------------------------------------------------------------------------------
void timer_startup() {}
// The exit path waits for this thread's "finished" bit, so even without timers it stays
// until shutdown begins and then reports.
void timer_thread_main() {
  while (!rt_control.stop_all.load()) platform_sleep_ms(16);
  rt_control.threads_done.fetch_or(2);
}
void bios_tick_update() {}

// ---- mouse ------------------------------------------------------------------------------
void on_glut_mouse(int, int, int, int) {}
void on_glut_motion(int, int) {}
void on_glut_passive_motion(int, int) {}
void on_glut_wheel(int, int, int, int) {}
void mouse_raw_motion(int, int) {}

// ---- files and printing -------------------------------------------------------------------
void files_close_all() {}
int printer_page_pending() { return 0; }
void printer_flush_page() {}
