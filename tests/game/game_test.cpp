// Hallway Breakout played from outside: real key events into the real window, every screen
// read back through the 8x16 glyphs and compared row by row.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/game/game_expect.h"

namespace {

constexpr int SCREEN_MS = 10000;

class Game : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_display_available()) GTEST_SKIP() << "no X display: set DISPLAY to run window tests";
    ASSERT_TRUE(run.start()) << run.child.err;
  }
  void TearDown() override {
    child_poll(&run.child);
    EXPECT_EQ(run.child.err.find("Sanitizer"), std::string::npos) << run.child.err;
    EXPECT_EQ(run.child.err.find("runtime error:"), std::string::npos) << run.child.err;
  }

  // Waits for the intro, dismisses it and waits for room 1.
  void leave_intro() {
    ScreenCapture s;
    ASSERT_TRUE(run.wait_for([](const ScreenCapture &c) { return is_page(c, INTRO_LINES); },
                             SCREEN_MS, &s))
        << screen_dump(s);
    ASSERT_TRUE(run.keys({"space"}));
    expect_turn(1);
  }
  void expect_turn(int room, const std::string &typed = "") {
    ScreenCapture s;
    ASSERT_TRUE(run.wait_for([&](const ScreenCapture &c) { return is_turn_screen(c, room, typed); },
                             SCREEN_MS, &s))
        << "expected room " << room << " with \"" << typed << "\" typed\n" << screen_dump(s);
    room_now = room;
  }
  void expect_page(const std::vector<std::string> &lines) {
    ScreenCapture s;
    ASSERT_TRUE(run.wait_for([&](const ScreenCapture &c) { return is_page(c, lines); },
                             SCREEN_MS, &s))
        << screen_dump(s);
  }
  // Types a command, sees it on the prompt line, presses Enter.
  void enter(const std::string &command) {
    ASSERT_TRUE(run.type(command, false));
    std::string shown;
    for (char c : command) shown += char(c >= 'a' && c <= 'z' ? c - 32 : c);
    ASSERT_NO_FATAL_FAILURE(expect_turn(room_now, shown));
    ASSERT_TRUE(run.keys({"Return"}));
  }
  // A command that leads to room `to` (the same room for a command without effect).
  void go(const std::string &command, int to) {
    SCOPED_TRACE("command \"" + command + "\" in room " + std::to_string(room_now));
    ASSERT_NO_FATAL_FAILURE(enter(command));
    ASSERT_NO_FATAL_FAILURE(expect_turn(to));
  }
  // A command that shows a screen which one key (pressed after it is drawn) leaves.
  void message(const std::string &command, const std::vector<std::string> &lines) {
    SCOPED_TRACE("command \"" + command + "\" in room " + std::to_string(room_now));
    ASSERT_NO_FATAL_FAILURE(enter(command));
    ASSERT_NO_FATAL_FAILURE(expect_page(lines));
    // The screen shows before its discard loop has surely run on a busy machine: a key
    // pressed in between is thrown away, so the key is pressed again while the screen
    // stays.
    ScreenCapture s;
    for (int attempt = 0; attempt < 5; ++attempt) {
      usleep(200000);
      ASSERT_TRUE(run.keys({"space"}));
      if (run.wait_for([&](const ScreenCapture &c) { return is_turn_screen(c, room_now); }, 2000,
                       &s))
        return;
      ASSERT_TRUE(is_page(s, lines)) << screen_dump(s);
    }
    FAIL() << "the screen stayed after five keys\n" << screen_dump(s);
  }
  // An ending: its lines in the colour given, END's prompt on row 30, exit code 0 after a key.
  void expect_ending(const std::vector<std::string> &lines, uint32_t colour) {
    std::vector<std::string> rows = lines;
    rows.resize(29);
    rows.push_back(END_PROMPT);
    ScreenCapture s;
    ASSERT_TRUE(run.wait_for([&](const ScreenCapture &c) { return c.rows == rows; }, SCREEN_MS, &s))
        << screen_dump(s);
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(s.colour[i], colour) << "row " << i + 1;
    EXPECT_EQ(s.colour[29], colour) << "END prints its prompt in the current colours";
    usleep(300000);
    EXPECT_TRUE(run.running()) << "the program ended before a key was pressed";
    ASSERT_TRUE(run.keys({"space"}));
    EXPECT_EQ(run.wait_exit(10000), 0);
  }

  GameRun run;
  int room_now = 1;
};

TEST_F(Game, IntroThenEveryRoomAlongEveryMoveWithBlockedMovesAndUnknownCommands) {
  ScreenCapture s;
  ASSERT_TRUE(run.wait_for([](const ScreenCapture &c) { return is_page(c, INTRO_LINES); },
                           SCREEN_MS, &s))
      << screen_dump(s);
  EXPECT_EQ(s.colour[2], LIGHT_GREY);
  usleep(300000);
  ASSERT_TRUE(run.capture(&s));
  EXPECT_TRUE(is_page(s, INTRO_LINES)) << "the intro waits for a key\n" << screen_dump(s);
  ASSERT_TRUE(run.keys({"space"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1));

  // Room 1: only east leads anywhere; unknown commands, the help screen's TAKE, DRINK and
  // UNLOCK, people who are not here and an empty line redraw the same room.
  for (const char *blocked : {"N", "SOUTH", "GO WEST", "TAKE", "DRINK", "UNLOCK", "TALK TO BUCK",
                              "USE PEN", "LOOK", ""})
    ASSERT_NO_FATAL_FAILURE(go(blocked, 1));
  ASSERT_NO_FATAL_FAILURE(go("GO EAST", 2));
  ASSERT_NO_FATAL_FAILURE(go("S", 2));
  ASSERT_NO_FATAL_FAILURE(go("GO  NORTH", 2));  // two spaces: no command
  ASSERT_NO_FATAL_FAILURE(go(" n ", 3));        // trimmed and upper-cased: north

  // The ring from room 2 back to room 2: 3 4 5 7 8 9 10 11 12 2 (from room 3 on).
  const struct { const char *command; int to; } ring[] = {
      {"north", 4}, {"N", 5}, {"E", 7}, {"EAST", 8}, {"S", 9}, {"GO SOUTH", 10},
      {"SOUTH", 11}, {"W", 12}, {"WEST", 2}};
  for (const auto &step : ring) ASSERT_NO_FATAL_FAILURE(go(step.command, step.to));
  // Every move walked back the other way round: 12 11 10 9 8 7 5 4 3 2.
  const struct { const char *command; int to; } back[] = {
      {"E", 12}, {"E", 11}, {"N", 10}, {"N", 9}, {"N", 8}, {"W", 7}, {"W", 5},
      {"S", 4}, {"S", 3}, {"S", 2}};
  for (const auto &step : back) ASSERT_NO_FATAL_FAILURE(go(step.command, step.to));
  // Both dead ends.
  ASSERT_NO_FATAL_FAILURE(go("W", 1));
  ASSERT_NO_FATAL_FAILURE(go("E", 2));
  for (const char *step : {"N", "N", "N"}) ASSERT_NO_FATAL_FAILURE(go(step, room_now + 1));
  ASSERT_NO_FATAL_FAILURE(go("W", 6));
  for (const char *blocked : {"N", "S", "W", "USE HOT COFFEE"})
    ASSERT_NO_FATAL_FAILURE(go(blocked, 6));  // the locked way out has no other exit
  ASSERT_NO_FATAL_FAILURE(go("E", 5));
}

TEST_F(Game, HelpInventoryEveryMessageScreenAndThePenEnding) {
  ASSERT_NO_FATAL_FAILURE(leave_intro());

  // HELP: the first key after "PRESS ANY KEY..." ends SLEEP and is thrown away, the second
  // one leaves the screen.
  ASSERT_NO_FATAL_FAILURE(enter("HELP"));
  ASSERT_NO_FATAL_FAILURE(expect_page(HELP_LINES));
  usleep(300000);  // SLEEP has begun
  ASSERT_TRUE(run.keys({"space"}));
  usleep(500000);
  ScreenCapture s;
  ASSERT_TRUE(run.capture(&s));
  EXPECT_TRUE(is_page(s, HELP_LINES)) << "one key left the help screen\n" << screen_dump(s);
  ASSERT_TRUE(run.keys({"space"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1));
  ASSERT_NO_FATAL_FAILURE(enter("H"));
  ASSERT_NO_FATAL_FAILURE(expect_page(HELP_LINES));
  usleep(300000);
  ASSERT_TRUE(run.keys({"space", "space"}, 300));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1));

  for (const char *inventory : {"INVENTORY", "INV", "ITEMS", "I"})
    ASSERT_NO_FATAL_FAILURE(message(inventory, INVENTORY_LINES));
  // The items can be examined anywhere.
  ASSERT_NO_FATAL_FAILURE(message("EXAMINE PEN", {"A standard blue ball point pen."}));
  ASSERT_NO_FATAL_FAILURE(message(
      "EXAMINE HOT COFFEE",
      {"A freshly brewed cup of coffee, the aroma brings a tear to your eye."}));

  // Mr. Walter in room 5.
  ASSERT_NO_FATAL_FAILURE(go("E", 2));
  for (int room : {3, 4, 5}) ASSERT_NO_FATAL_FAILURE(go("N", room));
  ASSERT_NO_FATAL_FAILURE(message("TALK TO TEACHER", {"Hey, punk, shouldn't you be in class?"}));
  ASSERT_NO_FATAL_FAILURE(go("TALK TO BUCK", 5));
  ASSERT_NO_FATAL_FAILURE(go("EXAMINE BUCK", 5));
  ASSERT_NO_FATAL_FAILURE(go("USE PEN", 5));

  // Buck in room 10.
  ASSERT_NO_FATAL_FAILURE(go("E", 7));
  ASSERT_NO_FATAL_FAILURE(go("E", 8));
  ASSERT_NO_FATAL_FAILURE(go("S", 9));
  ASSERT_NO_FATAL_FAILURE(go("TALK TO BUCK", 9));
  ASSERT_NO_FATAL_FAILURE(go("S", 10));
  ASSERT_NO_FATAL_FAILURE(message("TALK TO BUCK", {"What do you want, punk?"}));
  ASSERT_NO_FATAL_FAILURE(message(
      "EXAMINE BUCK",
      {"He's an average height punk, wearing a jean vest without the arms,",
       "and a torn pair of pants. He seems as if he hasn't bathed in weeks."}));
  ASSERT_NO_FATAL_FAILURE(go("TALK TO TEACHER", 10));
  ASSERT_NO_FATAL_FAILURE(go("USE HOT COFFEE", 10));

  // USE PEN: green story text, and the keys still pending from the command end its key
  // wait at once, so END's prompt follows without another key.
  ASSERT_NO_FATAL_FAILURE(enter("USE PEN"));
  ASSERT_NO_FATAL_FAILURE(expect_ending(PEN_ENDING, GREEN));
}

TEST_F(Game, CoffeeEnding) {
  ASSERT_NO_FATAL_FAILURE(leave_intro());
  ASSERT_NO_FATAL_FAILURE(go("E", 2));
  for (int room : {3, 4, 5}) ASSERT_NO_FATAL_FAILURE(go("N", room));
  ASSERT_NO_FATAL_FAILURE(enter("USE HOT COFFEE"));
  ASSERT_NO_FATAL_FAILURE(expect_ending(COFFEE_ENDING, GREEN));
}

TEST_F(Game, TypingAtThePromptWhileTheClockCountsDownThenQuit) {
  ASSERT_NO_FATAL_FAILURE(leave_intro());
  ScreenCapture s;
  ASSERT_TRUE(run.capture(&s));
  double first = 0;
  ASSERT_TRUE(clock_reading(s, &first)) << screen_dump(s);
  EXPECT_LE(first, 600.0);
  EXPECT_GT(first, 590.0);

  // Letters are upper-cased, digits and "?" refused, Backspace takes the last one back.
  ASSERT_TRUE(run.keys({"h", "e", "1", "question", "l", "x", "BackSpace", "p"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1, "HELP"));
  ASSERT_TRUE(run.capture(&s));
  double second = 0;
  ASSERT_TRUE(clock_reading(s, &second)) << screen_dump(s);
  usleep(1500000);
  ASSERT_TRUE(run.capture(&s));
  double third = 0;
  ASSERT_TRUE(clock_reading(s, &third)) << screen_dump(s);
  EXPECT_LT(second, first);
  EXPECT_NEAR(second - third, 1.5, 0.4) << "the clock counts down while the line waits";
  EXPECT_TRUE(is_turn_screen(s, 1, "HELP")) << screen_dump(s);

  // Spaces stay where they are typed; Backspace on an empty line does nothing.
  ASSERT_TRUE(run.keys({"space", "a", "space", "space", "b"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1, "HELP A  B"));
  std::vector<std::string> erase(11, "BackSpace");
  ASSERT_TRUE(run.keys(erase));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1, ""));
  ASSERT_TRUE(run.keys({"n"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1, "N"));
  ASSERT_TRUE(run.keys({"BackSpace"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(1, ""));

  // QUIT: END's prompt below the last turn screen, exit code 0 after one key.
  ASSERT_TRUE(run.type("quit"));
  std::vector<std::string> rows;
  ASSERT_TRUE(run.wait_for([&](const ScreenCapture &c) { return c.rows[29] == END_PROMPT; },
                           SCREEN_MS, &s))
      << screen_dump(s);
  EXPECT_EQ(s.rows[5], std::string(30, ' ') + "Hallway Breakout");
  usleep(300000);
  EXPECT_TRUE(run.running());
  ASSERT_TRUE(run.keys({"Return"}));
  EXPECT_EQ(run.wait_exit(10000), 0);
}

TEST_F(Game, EndQuitExitAndQAllEndTheGame) {
  // Q on this run; END and EXIT on runs of their own.
  ASSERT_NO_FATAL_FAILURE(leave_intro());
  ASSERT_NO_FATAL_FAILURE(enter("Q"));
  ScreenCapture s;
  ASSERT_TRUE(run.wait_for([&](const ScreenCapture &c) { return c.rows[29] == END_PROMPT; },
                           SCREEN_MS, &s))
      << screen_dump(s);
  ASSERT_TRUE(run.keys({"space"}));
  EXPECT_EQ(run.wait_exit(10000), 0);
  for (const char *word : {"END", "EXIT"}) {
    GameRun other;
    ASSERT_TRUE(other.start());
    ASSERT_TRUE(other.wait_for([](const ScreenCapture &c) { return is_page(c, INTRO_LINES); },
                               SCREEN_MS, &s));
    ASSERT_TRUE(other.keys({"space"}));
    ASSERT_TRUE(other.wait_for([](const ScreenCapture &c) { return is_turn_screen(c, 1); },
                               SCREEN_MS, &s));
    ASSERT_TRUE(other.type(word));
    ASSERT_TRUE(other.wait_for([&](const ScreenCapture &c) { return c.rows[29] == END_PROMPT; },
                               SCREEN_MS, &s))
        << word << "\n" << screen_dump(s);
    ASSERT_TRUE(other.keys({"space"}));
    EXPECT_EQ(other.wait_exit(10000), 0) << word;
  }
}

TEST_F(Game, TheCloseButtonEndsTheGameMidTurn) {
  ASSERT_NO_FATAL_FAILURE(leave_intro());
  ASSERT_NO_FATAL_FAILURE(go("E", 2));
  ASSERT_TRUE(run.keys({"n"}));
  ASSERT_NO_FATAL_FAILURE(expect_turn(2, "N"));
  ASSERT_TRUE(run.close_window());
  EXPECT_EQ(run.wait_exit(10000), 0);
}

}  // namespace
