// The game seen from outside: process, keys and the window decoded as text.
#include "tests/game/game_driver.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "runtime/screen/screen.h"

namespace {

constexpr int COLUMNS = 80, ROWS = 30, CELL_W = 8, CELL_H = 16;

bool lit(const uint8_t *p) { return p[0] > 0x20 || p[1] > 0x20 || p[2] > 0x20; }

// The character whose 8x16 glyph has exactly these lit pixels (known[] false: either);
// printable ASCII first, so a blank cell reads as a space.
char match_glyph(const bool cell[CELL_H][CELL_W], const bool known[CELL_H][CELL_W]) {
  auto fits = [&](int code) {
    for (int r = 0; r < CELL_H; ++r)
      for (int x = 0; x < CELL_W; ++x)
        if (known[r][x] && (VGA_GLYPHS_8X16[code * 128 + r * 8 + x] != 0) != cell[r][x])
          return false;
    return true;
  };
  for (int code = 32; code < 127; ++code)
    if (fits(code)) return char(code);
  for (int code = 0; code < 256; ++code)
    if ((code < 32 || code >= 127) && fits(code)) return char(code);
  return '\x7f';
}

}  // namespace

ScreenCapture decode_screen(const std::vector<uint8_t> &rgb, int width, int height,
                            int readable_left, int readable_top) {
  ScreenCapture s;
  s.rgb = rgb;
  s.width = width;
  s.height = height;
  s.rows.assign(ROWS, std::string());
  s.colour.assign(ROWS, 0);
  if (width < COLUMNS * CELL_W || height < ROWS * CELL_H) return s;
  for (int row = 0; row < ROWS; ++row) {
    std::string text;
    for (int col = 0; col < COLUMNS; ++col) {
      bool cell[CELL_H][CELL_W], known[CELL_H][CELL_W];
      for (int r = 0; r < CELL_H; ++r)
        for (int x = 0; x < CELL_W; ++x) {
          int px = col * CELL_W + x, py = row * CELL_H + r;
          const uint8_t *p = rgb.data() + (size_t(py) * size_t(width) + size_t(px)) * 3;
          known[r][x] = px >= readable_left && py >= readable_top;
          cell[r][x] = lit(p);
          if (cell[r][x] && known[r][x] && s.colour[row] == 0)
            s.colour[row] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
      text += match_glyph(cell, known);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    s.rows[row] = text;
  }
  return s;
}

std::string screen_dump(const ScreenCapture &screen) {
  std::string out;
  char number[8];
  for (size_t i = 0; i < screen.rows.size(); ++i) {
    snprintf(number, sizeof number, "%2zu|", i + 1);
    out += number + screen.rows[i] + "\n";
  }
  return out;
}

bool clock_reading(const ScreenCapture &screen, double *seconds) {
  if (screen.rows.size() < 2) return false;
  const std::string &row = screen.rows[1];
  if (row.size() != 42 || row.find_first_not_of(' ') < 31) return false;
  // " ###:##.###": minutes right-aligned in columns 33-35 (a minus sign may lead), then
  // seconds in columns 37-42.
  std::string minutes = row.substr(31, 4), secs = row.substr(36, 6);
  if (row[35] != ':' || secs[2] != '.') return false;
  int m = 0;
  double sec = 0;
  if (sscanf(minutes.c_str(), "%d", &m) != 1 || sscanf(secs.c_str(), "%lf", &sec) != 1)
    return false;
  *seconds = m * 60.0 + (secs.find('-') != std::string::npos ? -1 : 1) * std::abs(sec);
  return true;
}

GameRun::~GameRun() { child_kill(&child); }

bool GameRun::start(const std::vector<std::string> &env) {
  ProcessOptions options;
  options.env_set = env;
  if (!child_start(&child, HALLWAY_EXE, options)) return false;
  window = x_find_window_of_pid(child.pid, 15000);
  return window != 0 && x_wait_mapped(window, 10000);
}

bool GameRun::capture(ScreenCapture *screen) {
  std::vector<uint8_t> rgb;
  int w = 0, h = 0, left = 0, top = 0;
  if (!x_capture_rgb(window, &rgb, &w, &h, &left, &top)) return false;
  *screen = decode_screen(rgb, w, h, left, top);
  return true;
}

bool GameRun::wait_for(const std::function<bool(const ScreenCapture &)> &accept,
                       int timeout_ms, ScreenCapture *last) {
  int64_t end = monotonic_us() + int64_t(timeout_ms) * 1000;
  ScreenCapture screen;
  do {
    if (capture(&screen) && accept(screen)) {
      if (last) *last = screen;
      return true;
    }
    usleep(30000);
  } while (monotonic_us() < end);
  if (last) *last = screen;
  return false;
}

bool GameRun::keys(const std::vector<std::string> &names, int delay_ms) {
  return x_send_keys(window, names, delay_ms);
}

bool GameRun::type(const std::string &text, bool enter) {
  std::vector<std::string> names;
  for (char c : text) {
    if (c == ' ')
      names.push_back("space");
    else if (c == '?')
      names.push_back("question");
    else if (c >= 'A' && c <= 'Z')
      names.push_back(std::string(1, char(c - 'A' + 'a')));
    else
      names.push_back(std::string(1, c));
  }
  if (enter) names.push_back("Return");
  return names.empty() || keys(names);
}

int GameRun::wait_exit(int timeout_ms) {
  ProcessResult result = child_wait(&child, timeout_ms);
  return result.exited ? result.exit_code : -1;
}

bool GameRun::running() { return child_running(&child); }

bool GameRun::close_window() { return x_send_delete_window(window); }
