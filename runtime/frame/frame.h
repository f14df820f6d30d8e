// The runtime frame: process start-up, the four threads and their flag handshakes,
// the window and display pipeline, keyboard, console input, time services and mouse.
#pragma once
#include <atomic>
#include <cstdint>

#include "runtime/values/values.h"

// The process-wide record of cross-thread flags. Every hand-over is a flag written by
// one side and sleep-polled by the other; there are no locks.
struct RuntimeControl {
  std::atomic<uint8_t> exit_now{0};
  std::atomic<uint8_t> stop_all{0};
  std::atomic<int32_t> event_pending{0};
  std::atomic<int32_t> program_ended{0};
  std::atomic<int32_t> threads_done{0};      // bit 0: program parked; bit 1: timer done
  std::atomic<int32_t> exit_request{0};      // bit 0: close button; bit 1: Break key
  std::atomic<int32_t> exit_polled{0};
  std::atomic<uint8_t> paused{0};
  std::atomic<int32_t> display_hold{0};      // 0 normal, 1 one more frame, -1 holding
  std::atomic<int32_t> autodisplay{1};       // 1 auto, 0 manual, -1 switch requested
  std::atomic<int32_t> display_pause{0};     // 1 requested, 2 granted
  std::atomic<int32_t> mainloop_suspend{0};  // 1 requested, 2 suspended
  std::atomic<int32_t> timer_suspend{0};     // 1 requested, 2 suspended
  std::atomic<int32_t> window_allowed{0};
  std::atomic<int32_t> window_created{0};
  std::atomic<int32_t> screen_hidden{0};
  std::atomic<int32_t> frame_counter{0};
  std::atomic<int32_t> retrace_latch{0};
  std::atomic<int32_t> in_retrace{0};
  std::atomic<int32_t> key_wake{0};
  std::atomic<int64_t> clock_start_ms{0};
  std::atomic<int64_t> day_start_ms{0};
  BasicString *command_line = nullptr;       // COMMAND$; written once at start-up
  int32_t env_count = 0;
};
extern RuntimeControl rt_control;

// The emulated real-mode memory of the PC (address 0 = byte 0), zero-filled.
constexpr uint32_t REAL_MEMORY_SIZE = 1114099;
extern uint8_t real_memory[REAL_MEMORY_SIZE];
// The program's default data segment starts this far into the emulated memory.
constexpr uint32_t LOW_SEGMENT_OFFSET = 1280;

// 64-bit milliseconds since process start: the single time source of the runtime.
int64_t clock_ms();

// Process entry: runs start-up on the calling (window) thread, starts the program thread
// running main_module, and never returns.
[[noreturn]] void runtime_main(int argc, char **argv, void (*main_module)());

[[noreturn]] void program_thread_park();
[[noreturn]] void rt_end();
int32_t rt_exit_query();
BasicString *rt_command();  // COMMAND$
// Called by the window layer on the window thread: 1 close button, 2 Pause/Break, 3 raw
// mouse motion. Returns 0 when handled, -1 otherwise.
int window_hook(int kind, int a, int b);

// The event dispatch run by the per-statement event check: ON KEY first, then ON TIMER.
void key_event_dispatch();
void timer_event_dispatch();
// The translated program's event routine (ON KEY / ON TIMER handlers by number); a program
// without handlers installs none.
void rt_set_event_routine(void (*routine)(int32_t handler, int32_t argument));
