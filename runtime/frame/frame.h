// The runtime frame: process start-up, the four threads and their flag handshakes,
// the window and display pipeline, keyboard, console input, time services and mouse.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

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
// Window thread, on the composer's wake-up (window hook 4): presents a new frame at once.
void on_frame_ready();
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
// For SHELL: the current full-screen mode (0 windowed, 1 stretched, 2 square pixels) and
// a request to the presenter (0 leave, 1 or 2 enter), served at its next pass.
int32_t display_fullscreen_mode();
void display_fullscreen_request(int32_t request);
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

// ---- keyboard ---------------------------------------------------------------------------
// A key code: 1-255 a code page 437 character as typed, scan x 256 an extended key,
// 100000 and up modifier, lock and special keys, 200011-200013 internal states. Releases
// are the negated code in the key-hit queue. The window thread (and the main-loop thread
// for the lock keys) produces key events; the program thread consumes them.
using KeyCode = int32_t;
constexpr KeyCode KEY_PAUSE = 100019;
constexpr KeyCode KEY_NUM_LOCK = 100300;     // down while Num Lock is on
constexpr KeyCode KEY_CAPS_LOCK = 100301;    // down while Caps Lock is on
constexpr KeyCode KEY_SCROLL_LOCK = 100302;  // the Scroll Lock key itself
constexpr KeyCode KEY_RIGHT_SHIFT = 100303, KEY_LEFT_SHIFT = 100304;
constexpr KeyCode KEY_RIGHT_CTRL = 100305, KEY_LEFT_CTRL = 100306;
constexpr KeyCode KEY_RIGHT_ALT = 100307, KEY_LEFT_ALT = 100308;
constexpr KeyCode KEY_SYSREQ_MARK = 100317;
constexpr KeyCode KEY_BREAK = 100318;
constexpr KeyCode KEY_STATE_SCROLL = 200011;  // Scroll Lock on (a state, never queued)
constexpr KeyCode KEY_STATE_INSERT = 200012;  // Insert mode on
constexpr KeyCode KEY_ZERO = 200013;          // stands for key code 0
constexpr KeyCode KEY_INSERT = 0x5200, KEY_DELETE = 0x5300;

// The keyboard table: records 0-255 by character, 256 + code / 256 for extended keys, 512-527
// the numeric keypad. Fields: own key, scan, BIOS code plain / Shift / Ctrl / Alt, then the
// keypad's Num Lock variants. A BIOS code of 256 or more is (0, code / 256); 0 = none.
constexpr int KEY_TABLE_RECORDS = 528;
enum KeyField { KF_KEY = 0, KF_SCAN, KF_PLAIN, KF_SHIFT, KF_CTRL, KF_ALT,
                KF_NUM, KF_NUM_SHIFT, KF_NUM_CTRL, KF_NUM_ALT };
struct KeyTable {
  int32_t record[KEY_TABLE_RECORDS][10];
};
extern const KeyTable key_table;

// Code page 437 -> Unicode, one entry per character (changed by rt_codepage_set).
extern std::atomic<uint16_t> code_page_map[256];
// The character whose entry equals the code point (first match), 0 when none does.
int32_t codepage_char_from_unicode(uint32_t code_point);
void rt_codepage_set(int32_t code_point, int32_t index);
int32_t rt_codepage_get(int32_t index);

void keyboard_startup();         // ON KEY presets, the key line's label source, port 60h
void keyboard_seed_from_host();  // host locks and held modifiers, empty buffers
// Forgets every key held, queued or swallowed and every ON KEY, user key and soft-key
// setting: the state start-up begins from (tests start each case from it).
void keyboard_reset();
void lock_key_sync();            // main-loop thread: follow the host's lock lights
// Alt+Enter, on the window thread: asks the presenter to enter full screen, or to leave
// it; returns at once (the display pipeline carries it out).
void display_fullscreen_toggle();
void key_press(int32_t code);    // a press from outside the keyboard callbacks
void key_release(int32_t code);
void key_press_event(KeyCode k);
void key_release_event(KeyCode k);
// The window layer's keys: character c (already AND FFh) or freeglut special key, with
// the freeglut modifier bits held at the time.
void glut_key_ascii(int c, int press, int modifiers);
void glut_key_special(int key, int press);
void on_glut_keyboard(unsigned char key, int x, int y);
void on_glut_keyboard_up(unsigned char key, int x, int y);
void on_glut_special(int key, int x, int y);
void on_glut_special_up(int key, int x, int y);

int32_t key_is_down(KeyCode k);
void bios_shift_flags_update();
BasicString *rt_inkey();         // INKEY$
int32_t rt_keyhit();             // next key-hit event, 0 when none
int32_t rt_keydown(int32_t code);
int32_t scancode_read();         // INP(&H60)

// ON KEY, KEY(n), KEY n, KEY LIST.
void rt_on_key(int32_t slot, int32_t handler, int64_t argument);
void rt_key_switch(int32_t slot, int32_t action);  // slot 0 = all; 1 ON, 2 OFF, 3 STOP
void rt_key_define(int32_t key, BasicString *text);
void rt_key_list();

// ---- time services ----------------------------------------------------------------------
// Time of day in milliseconds from the start-up base, wrapping at midnight.
uint32_t day_ms();
void bios_tick_update();         // main-loop thread: the BIOS tick count at 46Ch
double rt_timer(double accuracy, int32_t passed);
BasicString *rt_date();
BasicString *rt_time();
void rt_sleep(int32_t seconds, int32_t passed);
void rt_delay(double seconds);
void rt_limit(double rate);
// The limiter's schedule: the clock value of its last slot (0 = restart).
extern double limit_last;
// Test seam: the sleep used by SLEEP, the delay statement and the limiter (a test with a
// fake clock advances it here); nullptr restores the host's. The shipped program never
// installs one.
void time_set_sleep_function(void (*sleep_ms)(int ms));

// ON TIMER slots; slot 0 is the classic ON TIMER(n) timer.
struct TimerSlot {
  std::atomic<uint8_t> in_use{0};
  std::atomic<int32_t> handler{0};
  std::atomic<int64_t> handler_arg{0};
  std::atomic<uint8_t> state{0};    // 0 off, 1 on, 2 stopped
  std::atomic<uint8_t> pending{0};  // 0 none, 1 waiting, 2 handler running
  std::atomic<double> interval{0};  // seconds
  std::atomic<double> last{0};      // clock seconds of the last event; 0 = not started
};
extern TimerSlot *timer_table;
extern std::atomic<int32_t> timer_count;
void timer_startup();
void timer_thread_main();
int32_t rt_free_timer();
void rt_on_timer(int32_t slot, double interval, int32_t handler, int64_t argument);
void rt_timer_switch(int32_t slot, int32_t action, int32_t slot_passed);  // 1 ON 2 OFF 3 STOP 4 FREE

// ---- start-up, threads and shutdown -----------------------------------------------------
// The program's main routine, as handed to runtime_main; the error trap path re-enters it.
extern void (*program_main_module)();
// 1 once start-up has started the main-loop thread: from then on a screen-mode change
// waits for the composer's acknowledgement (display_pause).
extern std::atomic<int32_t> mainloop_running;
// Thread entries started by runtime_main.
void program_thread_main();
void mainloop_thread_main();
// The window thread's last start-up steps: create the window, install the window layer's
// hook, register the callbacks and run the window system's event loop.
[[noreturn]] void window_create_and_run(int argc, char **argv);
// The exit path of the main-loop thread: stop the other threads, flush the printer page,
// close files and connections, end the process with code 0.
[[noreturn]] void runtime_exit_path();
// The working directory for an executable path: the path up to its last '/' or '\'
// (separator removed) or up to and including a ':' met first from the end; the whole path
// when it has neither.
std::string executable_folder(const std::string &path);
// COMMAND$ text: argv[1] .. argv[argc-1] joined with single blanks.
std::string join_command_line(int argc, char **argv);
// Test seam: called with every window_hook call before it is handled (nullptr: none).
void window_hook_set_observer(void (*observer)(int kind, int a, int b));

// ---- mouse ------------------------------------------------------------------------------
void on_glut_mouse(int button, int state, int x, int y);
void on_glut_motion(int x, int y);
void on_glut_passive_motion(int x, int y);
void on_glut_wheel(int wheel, int direction, int x, int y);
void mouse_raw_motion(int dx, int dy);  // window layer: raw relative motion
