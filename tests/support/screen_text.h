// Screen pages as text, so tests compare a whole screen with an expected multi-line string,
// and the start-up steps that unit tests of the screen run before each case.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Runs the runtime's start-up steps of the screen (and the strings it needs) on the calling
// thread, without a window: a fresh 80 x 25 text screen, no pending error.
void screen_test_startup();

// Every row of an image, read through the screen-character function (text cells directly,
// pixel pages through their glyphs); trailing blanks of each row are dropped. Character
// 0 reads as a blank.
std::vector<std::string> screen_lines(int32_t index);
// Rows first..last (1-based, inclusive) joined with "\n"; last = 0 means the last row.
std::string screen_text(int32_t index, int32_t first = 1, int32_t last = 0);
// The destination image's rows as above.
std::string dest_text(int32_t first = 1, int32_t last = 0);
// Builds a BasicString temporary from text and prints it (newline 1 ends the line), the way
// the translated program does for one PRINT item: fit check, then the item.
void print_item(const std::string &text, int newline = 0);
void print_line(const std::string &text);  // PRINT text (fit, item, end of line)
