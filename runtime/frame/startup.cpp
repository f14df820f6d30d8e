// Process start-up on the window thread: every runtime table is prepared in a fixed order
// before the program thread starts, because the program's first statement may touch any
// of them. Then the three worker threads start and the window thread becomes the window
// system's event loop (window.cpp).
#include <cstdio>
#include <cstring>

#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"
#include "runtime/values/values.h"

RuntimeControl rt_control;
uint8_t real_memory[REAL_MEMORY_SIZE];
void (*program_main_module)() = nullptr;
std::atomic<int32_t> mainloop_running{0};

int64_t clock_ms() {
  // The elapsed clock counts in milliseconds already: ticks x 1000 / 1000 ticks a second.
  return platform_elapsed_ms() * 1000 / 1000;
}

std::string executable_folder(const std::string &path) {
  for (size_t i = path.size(); i-- > 0;) {
    char c = path[i];
    if (c == '\\' || c == '/') return path.substr(0, i);
    if (c == ':') return path.substr(0, i + 1);
  }
  return path;
}

std::string join_command_line(int argc, char **argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    if (argv[i]) line += argv[i];
  }
  return line;
}

namespace {

void set_working_directory() {
  std::string path = platform_executable_path();
  if (path.size() > 65536) path.resize(65536);
  std::string folder = executable_folder(path);
  // An executable in the root folder cuts down to nothing: the root is its folder.
  if (folder.empty() && !path.empty() && path[0] == '/') folder = "/";
  if (!folder.empty()) platform_chdir(folder);
}

void build_command_line(int argc, char **argv) {
  std::string line = join_command_line(argc, argv);
  BasicString *s = bstr_new(uint32_t(line.size()), 0);
  if (s && !line.empty()) memcpy(s->data, line.data(), line.size());
  rt_control.command_line = s;
}

// Aligns the time base with the start of a calendar second, so that TIMER advances in
// step with the calendar clock. A calendar clock that does not move (a frozen test clock)
// gives up after a little more than a second instead of hanging start-up.
void set_time_base() {
  int64_t now = platform_calendar_seconds();
  if (now != -1) {
    int64_t first = now;
    for (int tries = 0; tries < 1100 && now == first; ++tries) {
      platform_sleep_ms(1);
      now = platform_calendar_seconds();
    }
  }
  rt_control.clock_start_ms = clock_ms();
  LocalTime local;
  if (now != -1 && platform_local_time(now, &local))
    rt_control.day_start_ms = (int64_t(local.hour) * 3600 + local.minute * 60 + local.second) * 1000;
  else
    rt_control.day_start_ms = 0;
}

// The timer and main-loop threads carry their names, so that their CPU use can be told
// apart from the window thread's and the renderer's.
void timer_thread_named() {
  platform_thread_set_name("rt-timer");
  timer_thread_main();
}

void mainloop_thread_named() {
  platform_thread_set_name("rt-mainloop");
  mainloop_thread_main();
}

[[noreturn]] void fail_start(const char *what) {
  fprintf(stderr, "The program could not start: %s.\n", what);
  platform_exit(1);
}

}  // namespace

void program_thread_main() {
  platform_thread_set_name("rt-program");
  program_main_module();
  // The main routine ends with an implicit END; a routine that returns anyway ends here.
  rt_end();
}

void runtime_main(int argc, char **argv, void (*main_module)()) {
  program_main_module = main_module;
  // Without a usable display there is no window to run in: say so before anything starts.
  std::string display_name;
  DisplayCheck display = platform_display_check(&display_name);
  if (display != DISPLAY_OK) {
    const char *program = (argc > 0 && argv[0]) ? argv[0] : "the program";
    const char *advice =
        "run it on a desktop, or start a virtual display (Xvfb :1 &) and set DISPLAY=:1";
    if (display == DISPLAY_NOT_SET)
      fprintf(stderr, "%s: no X display is set, so the window cannot open; %s.\n", program,
              advice);
    else if (display == DISPLAY_UNREACHABLE)
      fprintf(stderr, "%s: cannot open the X display \"%s\", so the window cannot open; %s.\n",
              program, display_name.c_str(), advice);
    else
      fprintf(stderr,
              "%s: the X display \"%s\" offers no OpenGL (GLX), so the window cannot open; %s.\n",
              program, display_name.c_str(), advice);
    platform_exit(1);
  }

  display_startup();                      // 1: the frame ring is empty
  keyboard_startup();                     // 2: ON KEY presets
  timer_startup();                        //    ON TIMER slot 0
  set_working_directory();                // 3
  rt_control.env_count = platform_environment_count();  // 4
  screen_startup();                       // 5: font metrics, image table
  memset(real_memory, 0, sizeof real_memory);           // 6: emulated real-mode memory
  variable_storage_startup();             //    procedure-local block
  strings_startup();                      //    low pool, "" and " "
  build_command_line(argc, argv);         // 7
  set_time_base();                        // 8
  keyboard_seed_from_host();              // 9
  screen_load_builtin_data();             // 10: palettes and fonts
  screen_enter_start_mode();              // 11: SCREEN 0, text_autogrow

  // 12: the program thread, the timer thread, then the main-loop thread.
  if (!platform_thread_start(program_thread_main)) fail_start("no thread for the program");
  if (!platform_thread_start(timer_thread_named)) fail_start("no thread for the timer");
  mainloop_running = 1;
  if (!platform_thread_start(mainloop_thread_named)) fail_start("no thread for the main loop");

  // 13: a hidden start waits here until the program shows the window.
  if (!rt_control.screen_hidden) rt_control.window_allowed = 1;
  while (!rt_control.window_allowed) platform_sleep_ms(100);

  window_create_and_run(argc, argv);      // 14, 15
}
