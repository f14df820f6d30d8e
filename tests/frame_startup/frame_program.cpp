// A small program on the runtime for the start-up and shutdown tests. Its first argument
// picks what the main module does; everything it reports goes to stdout, one line each.
//   run      runs until shutdown parks it (prints "parking" first)
//   poll     polls the close request with rt_exit_query; prints "exit_request N" for each
//            non-zero answer and ends after the second one
//   hook     reports every window_hook call as "hook KIND A B", then runs
//   hookpoll as hook, but polls the close request once first, so closes do not end it
//   hookframes as hookpoll, and changes the screen's first cell every 50 ms (new frames)
//   end      executes END at once
//   lateend  prints "waiting", runs 1.5 s, prints "end" and executes END
//   timebase prints the time base ("timebase DAY_START_MS") and, at the next change of the
//            calendar second, how far the runtime clock lies past a whole second since
//            the base ("offset MS"), then ends
//   mainloop drives the main loop's handshakes and prints what it saw:
//            "suspend GRANTED FRAMES_WHILE_SUSPENDED FRAMES_AFTER", "hold STATE FRAMES_WHILE_HELD
//            FRAMES_AFTER", "cadence PASSES MS", "retrace LATCHED", then ends
//   (none) / command ...   prints COMMAND$ and the working directory, then ends
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

namespace {

std::string mode = "command";

void say(const std::string &line) {
  printf("%s\n", line.c_str());
  fflush(stdout);
}

// What the generated code does after every statement, reduced to shutdown: the program
// thread parks as soon as the main loop has begun to stop.
void statement_end() {
  if (rt_control.event_pending.load()) {
    rt_control.event_pending = 0;
    if (rt_control.stop_all.load()) {
      say("parking");
      program_thread_park();
    }
  }
}

void wait_for_window() {
  while (!rt_control.window_created.load()) {
    platform_sleep_ms(5);
    statement_end();
  }
  say("ready");
}

// Ends the program the way END does after its key wait.
[[noreturn]] void finish() {
  rt_control.exit_now = 1;
  program_thread_park();
}

void observe_hook(int kind, int a, int b) {
  say("hook " + std::to_string(kind) + " " + std::to_string(a) + " " + std::to_string(b));
}

void main_module() {
  if (mode == "end") rt_end();
  if (mode == "lateend") {
    wait_for_window();
    say("waiting");
    int64_t until = clock_ms() + 1500;
    while (clock_ms() < until) {
      platform_sleep_ms(5);
      statement_end();
    }
    say("end");
    rt_end();
  }
  if (mode == "timebase") {
    say("timebase " + std::to_string(rt_control.day_start_ms.load()));
    int64_t second = platform_calendar_seconds();
    while (platform_calendar_seconds() == second) platform_sleep_ms(1);
    int64_t since = clock_ms() - rt_control.clock_start_ms.load();
    say("offset " + std::to_string(since % 1000));
    wait_for_window();
    finish();
  }
  if (mode == "mainloop") {
    wait_for_window();
    RuntimeControl &c = rt_control;
    // Suspend: the main loop answers 2 and stays out until released.
    c.mainloop_suspend = 1;
    int waited = 0;
    while (c.mainloop_suspend.load() != 2 && waited++ < 2000) platform_sleep_ms(1);
    int granted = c.mainloop_suspend.load();
    int32_t before = c.frame_counter.load();
    platform_sleep_ms(300);
    int32_t during = c.frame_counter.load() - before;
    c.mainloop_suspend = 0;
    platform_sleep_ms(300);
    int32_t after = c.frame_counter.load() - before - during;
    say("suspend " + std::to_string(granted) + " " + std::to_string(during) + " " +
        std::to_string(after));
    // Hold: one more frame, then nothing until released.
    c.display_hold = 1;
    waited = 0;
    while (c.display_hold.load() != -1 && waited++ < 2000) platform_sleep_ms(1);
    platform_sleep_ms(50);
    int state = c.display_hold.load();
    before = c.frame_counter.load();
    platform_sleep_ms(300);
    during = c.frame_counter.load() - before;
    c.display_hold = 0;
    platform_sleep_ms(300);
    after = c.frame_counter.load() - before - during;
    say("hold " + std::to_string(state) + " " + std::to_string(during) + " " +
        std::to_string(after));
    // Composition passes in one second (about 31 at one every 32 ms).
    before = c.frame_counter.load();
    int64_t start_ms = clock_ms();
    platform_sleep_ms(1000);
    say("cadence " + std::to_string(c.frame_counter.load() - before) + " " +
        std::to_string(clock_ms() - start_ms));
    // The vertical retrace latch is set again after the program clears it.
    c.retrace_latch = 0;
    platform_sleep_ms(100);
    say("retrace " + std::to_string(c.retrace_latch.load()));
    finish();
  }
  if (mode == "poll") {
    rt_exit_query();  // from now on the close button only raises the request
    wait_for_window();
    int seen = 0;
    for (;;) {
      int32_t request = rt_exit_query();
      if (request != 0) {
        say("exit_request " + std::to_string(request));
        if (++seen == 2) finish();
      }
      platform_sleep_ms(5);
      statement_end();
    }
  }
  if (mode == "run" || mode == "hook" || mode == "hookpoll") {
    if (mode == "hookpoll") rt_exit_query();
    wait_for_window();
    for (;;) {
      platform_sleep_ms(5);
      statement_end();
    }
  }
  if (mode == "hookframes") {
    rt_exit_query();
    wait_for_window();
    for (int i = 0;; ++i) {
      uint32_t mark = bstr_temp_mark();
      rt_locate(1, 1, 0, 0, 0, 3);
      rt_print(bstr_from_cstr(i % 2 ? "A" : "B"), 0);
      bstr_free_temporaries(mark, 0);
      for (int k = 0; k < 10; ++k) {
        platform_sleep_ms(5);
        statement_end();
      }
    }
  }
  BasicString *command = rt_command();
  std::string text;
  if (command && command->length > 0)
    text.assign(reinterpret_cast<char *>(command->data), size_t(command->length));
  say("COMMAND[" + text + "]");
  char cwd[4096];
  say(std::string("cwd[") + (getcwd(cwd, sizeof cwd) ? cwd : "?") + "]");
  wait_for_window();
  finish();
}

}  // namespace

// Under ThreadSanitizer: the software OpenGL driver's worker threads synchronise in ways
// the sanitizer cannot see, and it reports races inside the driver alone (a driver mutex
// destroyed while its own worker thread last used it). Only the driver is excused; the
// runtime stays fully checked.
extern "C" const char *__tsan_default_suppressions() {
  return "called_from_lib:swrast_dri.so\n";
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "command") != 0) mode = argv[1];
  if (mode == "hook" || mode == "hookpoll" || mode == "hookframes")
    window_hook_set_observer(observe_hook);
  runtime_main(argc, argv, main_module);
}
