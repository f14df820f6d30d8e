// A small program on the runtime for the start-up and shutdown tests. Its first argument
// picks what the main module does; everything it reports goes to stdout, one line each.
//   run      runs until shutdown parks it (prints "parking" first)
//   poll     polls the close request with rt_exit_query; prints "exit_request N" for each
//            non-zero answer and ends after the second one
//   hook     reports every window_hook call as "hook KIND A B", then runs
//   hookpoll as hook, but polls the close request once first, so closes do not end it
//   end      executes END at once
//   lateend  prints "waiting", runs 1.5 s, prints "end" and executes END
//   timebase prints the time base ("timebase DAY_START_MS") and, at the next change of the
//            calendar second, how far the runtime clock lies past a whole second since
//            the base ("offset MS"), then ends
//   (none) / command ...   prints COMMAND$ and the working directory, then ends
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

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

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "command") != 0) mode = argv[1];
  if (mode == "hook" || mode == "hookpoll") window_hook_set_observer(observe_hook);
  runtime_main(argc, argv, main_module);
}
