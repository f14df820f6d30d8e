// Measures the real game from outside (run by scripts/measure_game.sh, not a test): the
// time from the end of start-up's wait for the next calendar second to the first frame
// of the intro, the CPU use per wall second of every thread while the game waits at the
// prompt, the time from a key press to the frame that shows the letter (20 keys), and
// the peak memory. Key presses are real X key events (XTest, loaded at run time).
//   usage: game_measure <hallway> <idle seconds> <picture.ppm>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/game/game_driver.h"

namespace {

Display *display = nullptr;
int (*fake_key)(Display *, unsigned int, Bool, unsigned long) = nullptr;

double wall_s() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// True when the 8x16 cell at (row, col) (1-based) of the window has a lit pixel.
bool cell_lit(Window window, int row, int col) {
  XImage *image = XGetImage(display, window, (col - 1) * 8, (row - 1) * 16, 8, 16, AllPlanes,
                            ZPixmap);
  if (!image) return false;
  bool lit = false;
  for (int y = 0; y < 16 && !lit; ++y)
    for (int x = 0; x < 8 && !lit; ++x) lit = (XGetPixel(image, x, y) & 0xFFFFFF) > 0x202020;
  XDestroyImage(image);
  return lit;
}

void press(const char *key_name) {
  KeyCode code = XKeysymToKeycode(display, XStringToKeysym(key_name));
  fake_key(display, code, True, 0);
  fake_key(display, code, False, 0);
  XFlush(display);
}

// utime + stime in clock ticks of every thread, by thread id, with the thread's name.
struct ThreadTicks {
  std::string name;
  long ticks;
};
std::map<int, ThreadTicks> thread_ticks(pid_t pid) {
  std::map<int, ThreadTicks> out;
  std::string dir = "/proc/" + std::to_string(pid) + "/task";
  DIR *d = opendir(dir.c_str());
  if (!d) return out;
  while (dirent *e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream stat(dir + "/" + e->d_name + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t close = line.rfind(')');
    size_t open = line.find('(');
    if (close == std::string::npos || open == std::string::npos) continue;
    std::string name = line.substr(open + 1, close - open - 1);
    // Fields after the name: state is field 3, utime 14, stime 15.
    std::vector<std::string> fields;
    size_t p = close + 2;
    while (p < line.size()) {
      size_t q = line.find(' ', p);
      if (q == std::string::npos) q = line.size();
      fields.push_back(line.substr(p, q - p));
      p = q + 1;
    }
    if (fields.size() < 13) continue;
    out[atoi(e->d_name)] = {name, atol(fields[11].c_str()) + atol(fields[12].c_str())};
  }
  closedir(d);
  return out;
}

long status_kb(pid_t pid, const char *field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return atol(line.c_str() + strlen(field) + 1);
  return -1;
}

bool write_ppm(const ScreenCapture &s, const char *path) {
  FILE *f = fopen(path, "wb");
  if (!f) return false;
  fprintf(f, "P6\n%d %d\n255\n", s.width, s.height);
  fwrite(s.rgb.data(), 1, s.rgb.size(), f);
  fclose(f);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: game_measure <hallway> <idle seconds> <picture.ppm>\n");
    return 2;
  }
  const std::string exe = argv[1];
  const double idle_seconds = atof(argv[2]);
  display = XOpenDisplay(nullptr);
  // A region read while the window is still being created may fail; that is no error here.
  XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
  void *xtst = dlopen("libXtst.so.6", RTLD_NOW);
  if (xtst)
    fake_key = reinterpret_cast<int (*)(Display *, unsigned int, Bool, unsigned long)>(
        dlsym(xtst, "XTestFakeKeyEvent"));
  if (!display || !fake_key) {
    fprintf(stderr, "needs an X display and libXtst.so.6\n");
    return 2;
  }

  // Start a tenth of a second after a calendar second, so that start-up's wait for the
  // next calendar second ends at a known moment: the next whole second.
  double now = wall_s();
  double launch_at = std::floor(now) + 1.1;
  usleep(useconds_t((launch_at - now) * 1e6));
  GameRun run;
  const double launched = wall_s();
  ProcessOptions options;
  if (!child_start(&run.child, exe, options)) return 1;
  const double wait_ends = std::floor(launched) + 1.0;
  run.window = x_find_window_of_pid(run.child.pid, 15000);
  if (!run.window) return 1;
  double mapped = wall_s(), intro = 0;
  // The intro's first line stands on row 3 ("You are ..."; column 2 lies wholly on the
  // screen even when the window starts at -1, -1).
  for (int i = 0; i < 100000 && intro == 0; ++i) {
    if (cell_lit(run.window, 3, 2)) intro = wall_s();
    else usleep(500);
  }
  printf("start-up: window found %.1f ms, intro frame %.1f ms after the calendar-second wait "
         "ended (launched %.0f ms before it)\n",
         (mapped - wait_ends) * 1000, (intro - wait_ends) * 1000, (wait_ends - launched) * 1000);

  // Keys go to the focused window; without a window manager focus follows the pointer.
  x_wait_mapped(run.window, 10000);
  XWarpPointer(display, None, run.window, 0, 0, 0, 0, 20, 20);
  XSetInputFocus(display, run.window, RevertToParent, CurrentTime);
  XSync(display, False);
  usleep(100000);

  // Leave the intro; wait for the prompt of room 1 (row 22).
  ScreenCapture s;
  press("space");
  if (!run.wait_for([](const ScreenCapture &c) { return c.rows[21] == ">"; }, 10000, &s)) {
    fprintf(stderr, "no prompt\n%s", screen_dump(s).c_str());
    return 1;
  }
  sleep(2);

  // CPU per wall second of every thread while the game waits at the prompt.
  const long hz = sysconf(_SC_CLK_TCK);
  auto t0 = thread_ticks(run.child.pid);
  double w0 = wall_s();
  usleep(useconds_t(idle_seconds * 1e6));
  auto t1 = thread_ticks(run.child.pid);
  double w1 = wall_s();
  double runtime_share = 0, other_share = 0;
  printf("CPU at the prompt over %.1f s, percent of one core per thread:\n", w1 - w0);
  for (auto &[tid, t] : t1) {
    long before = t0.count(tid) ? t0[tid].ticks : 0;
    double share = 100.0 * double(t.ticks - before) / double(hz) / (w1 - w0);
    bool ours = tid == run.child.pid || t.name.rfind("rt-", 0) == 0;
    const char *what = tid == run.child.pid ? "window thread"
                       : ours               ? "runtime"
                                            : "renderer/driver";
    printf("  %-16s %-16s %6.2f %%\n", t.name.c_str(), what, share);
    (ours ? runtime_share : other_share) += share;
  }
  printf("  runtime threads together %.2f %%, renderer and driver threads %.2f %%\n",
         runtime_share, other_share);

  // Key to frame: 20 letters, each appearing in the next column of the prompt row.
  std::vector<double> latency;
  const char *letters = "abcdefghijklmnopqrst";
  for (int i = 0; i < 20; ++i) {
    char name[2] = {letters[i], 0};
    const double start = wall_s();
    press(name);
    double shown = 0;
    // Poll with short pauses: a busy loop of image reads kept the X server and one of the
    // two cores busy, and so slowed down the very drawing it waits for.
    while (wall_s() - start < 2) {
      if (cell_lit(run.window, 22, 3 + i)) {
        shown = wall_s();
        break;
      }
      usleep(250);
    }
    if (shown == 0) {
      fprintf(stderr, "key %d never appeared\n", i);
      return 1;
    }
    latency.push_back((shown - start) * 1000);
    usleep(150000 + (i * 37 % 50) * 1000);  // spread the presses over the pass phase
  }
  std::vector<double> sorted = latency;
  std::sort(sorted.begin(), sorted.end());
  printf("key to frame over %zu keys: median %.1f ms, worst %.1f ms, best %.1f ms\n",
         sorted.size(), (sorted[9] + sorted[10]) / 2, sorted.back(), sorted.front());

  // A picture for the README: room 2 with a command being typed.
  for (int i = 0; i < 20; ++i) press("BackSpace");
  press("e");
  press("Return");
  run.wait_for([](const ScreenCapture &c) { return c.rows[21] == ">" && c.rows[19].rfind("Standing", 0) == 0; },
               10000, &s);
  for (const char *k : {"n", "o", "r", "t", "h"}) press(k);
  run.wait_for([](const ScreenCapture &c) { return c.rows[21] == "> NORTH"; }, 10000, &s);
  write_ppm(s, argv[3]);

  printf("peak memory (VmHWM): %.1f MB; now (VmRSS): %.1f MB\n",
         status_kb(run.child.pid, "VmHWM:") / 1024.0, status_kb(run.child.pid, "VmRSS:") / 1024.0);
  child_kill(&run.child);
  return 0;
}
