// What the game's screens must show, row by row, for the end-to-end tests.
#pragma once
#include <string>
#include <vector>

#include "tests/game/game_driver.h"

constexpr uint32_t LIGHT_GREY = 0xAAAAAA, GREEN = 0x00AA00;

// Screen rows 3 to 30 of the turn screen of room n (1 to 12) with `typed` after the prompt.
std::vector<std::string> turn_rows(int room, const std::string &typed = "");
// A screen whose first rows are `lines` (1-based from row 1) and whose other rows are empty.
std::vector<std::string> page_rows(const std::vector<std::string> &lines);
// The row holding the prompt on room n's turn screen (1-based).
int prompt_row(int room);

// True when rows 3..30 are the turn screen of room n and row 2 holds the countdown.
bool is_turn_screen(const ScreenCapture &s, int room, const std::string &typed = "");
// True when the screen is exactly `lines` from row 1 and empty below.
bool is_page(const ScreenCapture &s, const std::vector<std::string> &lines);

extern const std::vector<std::string> INTRO_LINES, HELP_LINES, INVENTORY_LINES,
    COFFEE_ENDING, PEN_ENDING, TIMEOUT_ENDING;
extern const char *const END_PROMPT;
