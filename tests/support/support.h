// Shared test helpers: child processes with captured output, and the X display seen from
// outside (finding a process's window, closing it like a window manager, typing keys with
// xdotool, reading its pixels). Window tests use $DISPLAY and skip when it is missing.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// ---- child processes ----------------------------------------------------------------------
struct ProcessOptions {
  std::vector<std::string> args;      // argv[1..]
  std::vector<std::string> env_set;   // "NAME=value" entries added to (or replacing) the env
  std::vector<std::string> env_unset; // names removed from the environment
  std::string working_dir;            // "" = the test's own
  int timeout_ms = 30000;             // run_process: the child is killed after this long
};

struct ProcessResult {
  bool started = false;
  bool exited = false;     // ended by itself with an exit code
  int exit_code = -1;
  int signal = 0;          // the signal that ended it, 0 when it exited
  bool timed_out = false;  // killed by the helper after the timeout
  std::string out, err;
  double elapsed_ms = 0;   // from start to end
};

// A running child whose stdout and stderr are collected while the test interacts with it.
struct Child {
  pid_t pid = -1;
  int out_fd = -1, err_fd = -1;
  std::string out, err;
  int64_t started_us = 0;
  bool finished = false;
  ProcessResult result;
};

// Starts exe with the options; false (and nothing running) when it cannot be started.
bool child_start(Child *child, const std::string &exe, const ProcessOptions &options);
// Collects whatever output is waiting, without blocking.
void child_poll(Child *child);
// Waits until stdout contains text; false on timeout or when the child ended without it.
bool child_wait_stdout(Child *child, const std::string &text, int timeout_ms);
// Waits for the child to end; after timeout_ms it is killed (SIGKILL) and timed_out set.
// Collects the rest of the output. Returns the result (also kept in child->result).
ProcessResult child_wait(Child *child, int timeout_ms);
// True while the child has not ended (reaps it when it has).
bool child_running(Child *child);
// Kills the child if it still runs and reaps it.
void child_kill(Child *child);
// Microseconds on a monotonic clock.
int64_t monotonic_us();

// Runs exe to its end (or its timeout) and returns what it did.
ProcessResult run_process(const std::string &exe, const ProcessOptions &options);

// ---- X display --------------------------------------------------------------------------------
// True when $DISPLAY names a display that can be opened.
bool x_display_available();
// The top-level window created by process pid (by _NET_WM_PID), waiting up to timeout_ms;
// 0 when none appears.
unsigned long x_find_window_of_pid(pid_t pid, int timeout_ms);
// Waits until the window is mapped and viewable.
bool x_wait_mapped(unsigned long window, int timeout_ms);
// True while the window exists and is viewable.
bool x_window_viewable(unsigned long window);
// Sends the window manager's close request: a WM_PROTOCOLS / WM_DELETE_WINDOW message.
bool x_send_delete_window(unsigned long window);
// Focuses the window (without a window manager focus follows the pointer, so the pointer
// is moved into it as well) and types the keys with xdotool ("Pause", "ctrl+Pause", "a").
bool x_send_keys(unsigned long window, const std::vector<std::string> &keys, int delay_ms = 30);
// The window's title ("" when it has none).
std::string x_window_title(unsigned long window);
// The window's client size.
bool x_window_size(unsigned long window, int *width, int *height);
// The window's pixels, 3 bytes (R, G, B) per pixel, rows from the top. Parts of the window
// outside the screen cannot be read and come back black; *readable_left and *readable_top
// (when given) receive the first column and row that were read (a window created without
// a position starts at -1, -1 when no window manager places it).
bool x_capture_rgb(unsigned long window, std::vector<uint8_t> *rgb, int *width, int *height,
                   int *readable_left = nullptr, int *readable_top = nullptr);
