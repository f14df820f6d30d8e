// The per-statement event check, the error dispatch with its dialog and trap path, the
// main routine's prologue and the floating-point signal handler.
#include "runtime/errors/errors.h"

#include "runtime/files/files.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

#include <cstdio>
#include <string>

namespace {

constexpr int PAUSE_STEP_MS = 10;
constexpr int32_t EXIT_UNHANDLED_TRAP = 99;

bool dialog_critical(uint32_t n) { return n >= 300 && n <= 313; }

// The close button while the dialog is open begins shutdown; the dialog then goes away
// with the answer No, and the program thread parks as the exit path needs.
bool shutdown_begun() { return rt_control.stop_all.load() != 0; }

// Asks the user about error n: Yes continues, anything else ends the program through the
// normal shutdown. Critical numbers only get an OK box and end the process at once.
void error_dialog(uint32_t n, bool critical) {
  char head[32];
  std::snprintf(head, sizeof head, "Line:%u\n", uint32_t(error_line));
  std::string text = head;
  text += error_message(int32_t(n));
  if (!critical) text += "\nContinue?";
  char title[48];
  std::snprintf(title, sizeof title, "%s%u", critical ? "Critical Error #" : "Unhandled Error #",
                n);
  platform_set_message_box_cancel(shutdown_begun);
  if (critical) {
    platform_message_box(text.c_str(), title, MESSAGE_BOX_OK, false);
    platform_exit(0);
  }
  int answer = platform_message_box(text.c_str(), title, MESSAGE_BOX_YES_NO, true);
  if (answer != MESSAGE_BOX_ANSWER_YES) {
    rt_control.exit_now.store(1, std::memory_order_release);
    program_thread_park();
  }
}

}  // namespace

void rt_error_dispatch() {
  uint32_t n = pending_error.load(std::memory_order_relaxed);
  if (n == 0) return;
  bool critical = dialog_critical(n);
  if (handler_set && !in_handler && !critical && program_main_module) {
    err_value = int32_t(n);
    pending_error.store(0, std::memory_order_relaxed);
    erl_value = current_erl;
    error_jump = 1;
    program_main_module();
    return;
  }
  error_dialog(n, critical);
  pending_error.store(0, std::memory_order_relaxed);
}

void rt_event_check(int32_t line) {
  rt_control.event_pending.store(0, std::memory_order_seq_cst);
  repeat_statement = 0;
  for (;;) {
    if (rt_control.stop_all.load(std::memory_order_acquire)) program_thread_park();
    if (!(rt_control.paused.load(std::memory_order_acquire) & 1)) break;
    platform_sleep_ms(PAUSE_STEP_MS);
  }
  if (pending_error.load(std::memory_order_relaxed) != 0) {
    error_line = line;
    rt_error_dispatch();
    if (repeat_request) {
      repeat_request = 0;
      repeat_statement = 1;
    }
    // Key and timer events that came due with the error were not looked at; their
    // owners raise the request only once, so ask for the check after the next statement.
    rt_control.event_pending.store(1, std::memory_order_release);
    return;
  }
  // A running error handler is not interrupted by key and timer events: they stay waiting
  // in their tables, and the check runs again after the handler's next statement.
  if (in_handler) {
    rt_control.event_pending.store(1, std::memory_order_release);
    return;
  }
  key_event_dispatch();
  timer_event_dispatch();
}

int32_t rt_main_prologue(int32_t has_error_handler) {
  static bool first_entry = true;
  if (first_entry) {
    first_entry = false;
    platform_set_extended_precision();
  }
  platform_install_float_signal(on_float_signal);
  if (!error_jump) return 0;
  error_jump = 0;
  if (!has_error_handler) {
    // The process ends here without the normal shutdown; what the program wrote to its
    // files still reaches them.
    files_close_all();
    platform_exit(EXIT_UNHANDLED_TRAP);
  }
  return 1;
}

void on_float_signal(int) { rt_error(ERR_DIVISION_BY_ZERO); }
