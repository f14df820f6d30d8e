// The main-loop thread paces the emulated machine: a vertical retrace about every 16 ms,
// the BIOS tick count, a composed frame every second iteration and, on the others, the
// lock-key synchronisation. It alone ends the process, after the program and timer
// threads have stopped. Also here: parking the program thread, the close-request query
// and the window layer's hook.
#include <atomic>

#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/print/print.h"

namespace {
std::atomic<void (*)(int, int, int)> hook_observer{nullptr};
}

void runtime_exit_path() {
  rt_control.stop_all = 1;
  rt_control.event_pending = 1;  // the program thread reaches its event check and parks
  while (rt_control.threads_done.load() != 3) platform_sleep_ms(16);
  if (printer_page_pending()) printer_flush_page();
  files_close_all();
  platform_exit(0);
}

void mainloop_thread_main() {
  RuntimeControl &c = rt_control;
  int phase = 0;
  for (;;) {
    // 1: someone (the device table) needs this thread out of the way.
    if (c.mainloop_suspend.load() == 1) {
      c.mainloop_suspend = 2;
      while (c.mainloop_suspend.load() == 2) platform_sleep_ms(1);
    }
    // 2: the close button or Break, and the program does not poll for them.
    if (c.exit_request.load() != 0 && c.exit_polled.load() == 0) runtime_exit_path();
    bios_tick_update();  // 3
    bool compose = false;
    if (int32_t hold = c.display_hold.load(); hold != 0) {  // 4: SHELL holds the display
      if (hold == -1) {
        platform_sleep_ms(64);
        continue;
      }
      // Only a request still standing becomes the hold: a release written meanwhile (a
      // child process that ended at once) must not be overwritten, or the display would
      // stay held for good.
      if (!c.display_hold.compare_exchange_strong(hold, -1)) continue;
      compose = true;  // one last frame
    }
    if (!compose) {
      platform_sleep_ms(15);  // 5: the emulated vertical retrace
      c.retrace_latch = 1;
      c.in_retrace = 1;
      platform_sleep_ms(1);
      if (c.exit_now.load()) {  // 6
        c.mainloop_suspend = 2;  // nobody may wait for this thread any more
        runtime_exit_path();
      }
      // 7: a printer page whose last LPRINT lies far enough back.
      if (printer_page_pending()) printer_flush_page();
      phase ^= 1;  // 8
      compose = phase == 1;
    }
    if (compose) {  // 9
      if (c.autodisplay.load() != 0) frame_compose();
      c.frame_counter.fetch_add(1);
    }
    c.in_retrace = 0;  // 10
    if (c.display_hold.load() != 0 || phase == 1) continue;
    lock_key_sync();  // 11
  }
}

void program_thread_park() {
  rt_control.program_ended = 1;
  rt_control.threads_done.fetch_or(1);
  for (;;) platform_sleep_ms(16);
}

int32_t rt_exit_query() {
  rt_control.exit_polled = 1;
  return rt_control.exit_request.exchange(0);
}

void window_hook_set_observer(void (*observer)(int kind, int a, int b)) {
  hook_observer.store(observer);
}

int window_hook(int kind, int a, int b) {
  if (auto observer = hook_observer.load()) observer(kind, a, b);
  switch (kind) {
    case 1:  // the close button: the window stays; the main loop or the program decides
      rt_control.exit_request.fetch_or(1);
      return 0;
    case 2:
      if (a != KEY_PAUSE && a != KEY_BREAK) return -1;
      if (b > 0)
        key_press(a);
      else
        key_release(a);
      return 0;
    case 3:
      mouse_raw_motion(a, b);
      return 0;
    case 4:
      on_frame_ready();
      return 0;
  }
  return -1;
}
