// The operating-system layer: the few services the runtime needs from the host, each
// a small function with exactly the behaviour the runtime relies on. One implementation
// file per host (platform_posix.cpp here); nothing outside this folder calls the host.
#pragma once
#include <cstdint>
#include <string>

// ---- threads, sleeping, clocks -------------------------------------------------------
// Starts a detached thread running fn(). Returns false when the host refuses.
bool platform_thread_start(void (*fn)());
// Names the calling thread for the host's tools (ps, top, /proc/<pid>/task/*/comm); names
// longer than 15 bytes are cut. Does nothing on a host without thread names.
void platform_thread_set_name(const char *name);
// Sleeps ms milliseconds; 0 only yields the processor.
void platform_sleep_ms(int ms);
// Milliseconds elapsed since process start on a monotonic wall clock (never CPU time).
int64_t platform_elapsed_ms();
// Calendar time in whole seconds; -1 when unavailable.
int64_t platform_calendar_seconds();

struct LocalTime {
  int year, month, day;          // month 1..12, day 1..31
  int hour, minute, second;
  int weekday;                   // 0 = Sunday
};
// Local broken-down time for calendar seconds t; false when unavailable.
bool platform_local_time(int64_t t, LocalTime *out);

// Test seam: replaces the elapsed clock and the calendar clock (nullptr restores the
// host's). The shipped program never installs one.
void platform_set_clock_source(int64_t (*elapsed_ms)(), int64_t (*calendar_seconds)());

// ---- process --------------------------------------------------------------------------
// Full path of the running executable ("" when it cannot be found).
std::string platform_executable_path();
// Changes the working directory; false on failure.
bool platform_chdir(const std::string &path);
// Number of entries in the process environment.
int platform_environment_count();
// Ends the process at once with the given exit code.
[[noreturn]] void platform_exit(int code);

// ---- message boxes ----------------------------------------------------------------------
enum MessageBoxButtons : int { MESSAGE_BOX_OK = 0, MESSAGE_BOX_YES_NO = 4 };
enum MessageBoxAnswer : int { MESSAGE_BOX_ANSWER_OK = 1, MESSAGE_BOX_ANSWER_YES = 6,
                              MESSAGE_BOX_ANSWER_NO = 7 };
// Shows a modal box with the title and the text (lines separated by '\n') on its own
// connection to the display and waits, on the calling thread, for the answer: a click on a
// button, Y or N (Yes/No box), Enter (the focused button), Esc or the window's close button
// (No, or OK for an OK box). system_modal keeps the box above other windows. Without a
// display the title and text go to standard error and the answer is No (OK for an OK box).
int platform_message_box(const char *text, const char *title, int buttons, bool system_modal);
// Test seam: every message box goes to handler instead, which returns the answer (nullptr
// restores the real box). The shipped program never installs one.
using MessageBoxHandler = int (*)(const char *text, const char *title, int buttons,
                                  bool system_modal);
void platform_set_message_box_handler(MessageBoxHandler handler);
// While a real box is open, cancel() is asked every 16 ms; when it returns true the box
// closes and answers as its Esc key would (No, or OK). Lets a process that is shutting down
// take an open box away instead of waiting for a person.
void platform_set_message_box_cancel(bool (*cancel)());

// ---- floating point ---------------------------------------------------------------------
// Sets the calling thread's x87 unit to 64-bit mantissa precision, round to nearest, every
// x87 exception masked.
void platform_set_extended_precision();
// The calling thread's x87 control word (0 on hosts without one).
uint16_t platform_x87_control_word();
// Installs handler for the floating-point exception signal (an integer division by zero
// on x86). The handler runs on the faulting thread outside signal context, with the signal
// number, and must not return: the faulting instruction cannot be resumed (the process
// ends with exit code 0 if it does). Returns false when the host refuses.
bool platform_install_float_signal(void (*handler)(int signal_number));

// ---- display and window layer (X11) ----------------------------------------------------
// Whether the window system can be used: DISPLAY_OK, DISPLAY_NOT_SET (no display is
// configured), DISPLAY_UNREACHABLE (it cannot be opened) or DISPLAY_NO_OPENGL (it has no
// OpenGL). *name receives the display name the process would use ("" when none is set).
enum DisplayCheck { DISPLAY_OK, DISPLAY_NOT_SET, DISPLAY_UNREACHABLE, DISPLAY_NO_OPENGL };
DisplayCheck platform_display_check(std::string *name);

// The window layer's extension, installed on the window thread right after the window
// exists (its OpenGL context current). From then on, on the window thread:
//   - the close button calls hook(1, 0, 0) and no longer destroys the window;
//   - the Pause key calls hook(2, 100019, 1 press / 0 release); with Ctrl held (Break)
//     hook(2, 100318, 1 / 0);
//   - raw relative mouse motion calls hook(3, dx, dy);
//   - platform_window_wake (below) calls hook(4, 0, 0).
// Returns false when the extension could not be installed (for example, no window).
bool platform_window_layer_install(int (*hook)(int kind, int a, int b));
// Wakes the window thread from any one other thread at a time (the composer): hook(4, 0, 0)
// is then called on the window thread. One message without a round trip; does nothing
// before the extension is installed or when the window system cannot be reached.
void platform_window_wake();

// ---- host keyboard ---------------------------------------------------------------------
enum HostKey {
  HOST_KEY_SCROLL_LOCK,
  HOST_KEY_CAPS_LOCK,
  HOST_KEY_NUM_LOCK,
  HOST_KEY_LEFT_SHIFT,
  HOST_KEY_RIGHT_SHIFT,
  HOST_KEY_LEFT_CTRL,
  HOST_KEY_RIGHT_CTRL,
  HOST_KEY_LEFT_ALT,
  HOST_KEY_RIGHT_ALT,
};
constexpr int HOST_KEY_TOGGLED = 1;  // the lock is on (Caps, Num, Scroll Lock)
constexpr int HOST_KEY_HELD = 2;     // the key is held down now
// State of a host key: HOST_KEY_TOGGLED and/or HOST_KEY_HELD; 0 when no display is
// available. Safe to call from any thread (it keeps its own display connection).
int platform_host_key_state(HostKey key);

// ---- keyboard auto-repeat ---------------------------------------------------------------
// Makes the window system report a held key as repeated presses with no release before
// each repeat (the one release comes when the key is let go). Call on the window thread
// with the window's OpenGL context current; false when the host cannot.
bool platform_key_repeat_presses_only();
