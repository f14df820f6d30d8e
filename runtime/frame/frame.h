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

// ---- display pipeline -----------------------------------------------------------------
// The composer (frame_compose) turns the display image into 32-bit frames of a 64-slot
// ring; the presenter (on_glut_display, window thread) draws the newest frame with OpenGL.
// The composer writes slots and the ring indices; the presenter only sets the displayed and
// shown flags and reads the newest slot, which is never freed while among the four newest.
constexpr int FRAME_RING_SLOTS = 64;
struct FrameSlot {
  std::atomic<uint32_t *> pixels{nullptr};  // width x height 0xAARRGGBB, rows from the top
  std::atomic<int32_t> width{0}, height{0}, byte_size{0};
  std::atomic<uint8_t> displayed{0};  // a newer frame was presented: may be freed or reused
  std::atomic<uint8_t> shown{0};      // drawn on the window at least once
};
struct FrameRing {
  FrameSlot slot[FRAME_RING_SLOTS + 1];  // slots 1..64; slot 0 is never used
  std::atomic<int32_t> ring_oldest{0};    // 0 = no frame yet
  std::atomic<int32_t> ring_newest{0};
};
extern FrameRing frame_ring;
// 1 when the newest frame holds the previous composition of the same page; SCREEN and
// other page replacements clear it so the next frame is drawn whole.
extern std::atomic<int32_t> prev_frame_valid;
// Set at the end of every composer call; display_wait_frame waits on it.
extern std::atomic<int32_t> frame_done;

void display_startup();       // clears the ring, builds the SCREEN 10 blink table
void frame_compose();         // main-loop thread, or the program thread in manual mode
void on_glut_display();
void on_glut_timer(int value);
void on_glut_reshape(int width, int height);
// Registers every window callback on the current window (creation and game-mode switches).
void display_register_callbacks();

void rt_autodisplay();
void rt_display_now();
void display_wait_frame();
void rt_title(BasicString *text);
void rt_resize_mode(int32_t on_off, int32_t scaling);  // on_off: 1 ON, 2 OFF, else unchanged
int32_t rt_resize_query();
int32_t rt_resize_width();
int32_t rt_resize_height();
void rt_fullscreen(int32_t mode, int32_t flags);  // mode 0 none, 1 off, 2 stretch, 3 square
int32_t rt_fullscreen_query();
void rt_screen_show();
void rt_screen_hide();
int32_t retrace_status();     // INP(&H3DA): 8 during or after a vertical retrace, else 0
// The title the window is created with ("Untitled" unless rt_title set one).
const char *window_title_text();

// Mouse mapping recorded by every presentation (window thread): window coordinate + offset,
// times scale, gives the frame coordinate, limited to max.
struct MouseMapping {
  int32_t offset_x = 0, offset_y = 0;
  float scale_x = 1.0f, scale_y = 1.0f;
  int32_t max_x = 639, max_y = 399;
};
extern MouseMapping mouse_mapping;
