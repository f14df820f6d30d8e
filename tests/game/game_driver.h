// Drives the real hallway executable from outside: starts it (optionally under an
// accelerated fake clock), types real key events into its window with xdotool, and reads
// the window back as 30 rows of 80 characters, decoded with the built-in 8x16 glyphs.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/support.h"

// One window capture: the text of the 80 x 30 cells (trailing blanks of each row dropped;
// a cell that matches no glyph reads as '\x7f') and the colour of the first lit pixel of
// every row (0 for a row without text).
struct ScreenCapture {
  std::vector<std::string> rows;  // rows[0] is screen row 1
  std::vector<uint32_t> colour;   // 0xRRGGBB
  std::vector<uint8_t> rgb;       // the raw 640 x 480 picture
  int width = 0, height = 0;
};

// Decodes a 640 x 480 picture; pixels left of readable_left or above readable_top could not
// be read and match anything.
ScreenCapture decode_screen(const std::vector<uint8_t> &rgb, int width, int height,
                            int readable_left, int readable_top);
// The whole screen as numbered lines, for failure messages.
std::string screen_dump(const ScreenCapture &screen);

// The countdown of row 2, columns 32-42 (" ###:##.###"), as seconds left; false when the
// row does not hold a clock.
bool clock_reading(const ScreenCapture &screen, double *seconds);

class GameRun {
 public:
  ~GameRun();
  // Starts the game; env entries ("NAME=value") are added to its environment.
  bool start(const std::vector<std::string> &env = {});
  // The window as text now; false when it could not be read.
  bool capture(ScreenCapture *screen);
  // Polls captures until accept(screen) holds; the last capture is kept in *last.
  bool wait_for(const std::function<bool(const ScreenCapture &)> &accept, int timeout_ms,
                ScreenCapture *last);
  // Real key presses (xdotool key names: "a", "space", "BackSpace", "Return").
  bool keys(const std::vector<std::string> &names, int delay_ms = 30);
  // Types text (letters, digits, spaces, '?') as key presses, then Return when enter is set.
  bool type(const std::string &text, bool enter = true);
  // Waits for the process to end; its exit code (-1 when it did not end by itself).
  int wait_exit(int timeout_ms);
  bool running();
  bool close_window();
  Child child;
  unsigned long window = 0;
};
