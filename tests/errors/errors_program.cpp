// A small translated-program stand-in for the subprocess error tests. The first argument
// picks what its main routine does; "direct-..." modes run on the process's first thread
// without the runtime's start-up (no window), the others run under runtime_main.
//
//   critical N      raise error N (expected critical: box, exit 0)
//   pending-critical  raise 5, then 11 while 5 is pending
//   memory N        raise error N and run the event check for line 12 (300-313: box, exit 0)
//   divide          divide an integer by zero
//   dialog          raise error 9 and run the event check for line 57; prints "before"
//                   and, when the dialog is answered Yes, "after"
//   untrapped       ON ERROR active but no handler in the routine: exit 99 on re-entry
//   trapped         ON ERROR with a handler: prints "handler ERR=<n>"
//   ticks           prints "tick <n>" from one statement every 20 ms for a minute
//   precision       prints the x87 control word after the main routine's prologue
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

namespace {

std::string mode;
int32_t mode_argument = 0;
bool direct = false;

// An integer division exactly as the processor does it, so that neither the compiler nor
// a sanitizer gets between the program and the fault.
int32_t divide(int32_t a, int32_t b) {
  int32_t quotient;
  __asm__ volatile("cltd\n\tidivl %2" : "=a"(quotient) : "a"(a), "r"(b) : "edx", "cc");
  return quotient;
}

void say(const char *text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

// The program's normal end without END's key prompt.
[[noreturn]] void finish() {
  if (direct) platform_exit(0);
  rt_control.exit_now.store(1);
  program_thread_park();
}

void main_routine() {
  bool has_handler = mode == "trapped";
  if (rt_main_prologue(has_handler ? 1 : 0)) {
    std::printf("handler ERR=%d\n", rt_err());
    std::fflush(stdout);
    handler_set = 0;
    finish();
  }
  if (mode == "critical") {
    rt_error(mode_argument);
    say("not reached");
  } else if (mode == "pending-critical") {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    rt_error(ERR_DIVISION_BY_ZERO);
    say("not reached");
  } else if (mode == "memory") {
    rt_error(mode_argument);
    if (rt_control.event_pending.load()) rt_event_check(12);
    say("not reached");
  } else if (mode == "divide") {
    volatile int32_t zero = 0;
    std::printf("%d\n", divide(100, zero));
    say("not reached");
  } else if (mode == "dialog") {
    say("before");
    rt_error(ERR_SUBSCRIPT_OUT_OF_RANGE);
    if (rt_control.event_pending.load()) rt_event_check(57);
    say("after");
  } else if (mode == "untrapped" || mode == "trapped") {
    handler_set = 1;
    rt_error(ERR_BAD_FILE_MODE);
    if (rt_control.event_pending.load()) rt_event_check(10);
    say("not reached");
  } else if (mode == "ticks") {
    // A statement every 20 ms, each followed by the event check when one is requested.
    for (int i = 1; i <= 3000; ++i) {
      std::printf("tick %d\n", i);
      std::fflush(stdout);
      platform_sleep_ms(20);
      if (rt_control.event_pending.load()) rt_event_check(100 + i);
    }
  } else if (mode == "precision") {
    std::printf("cw=%04x\n", unsigned(platform_x87_control_word()));
    std::fflush(stdout);
  }
  finish();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s [direct-]mode [number]\n", argv[0]);
    return 2;
  }
  mode = argv[1];
  if (mode.rfind("direct-", 0) == 0) {
    direct = true;
    mode = mode.substr(7);
  }
  if (argc > 2) mode_argument = int32_t(std::atoi(argv[2]));
  if (direct) {
    program_main_module = main_routine;
    main_routine();
    return 0;
  }
  runtime_main(argc, argv, main_routine);
}
