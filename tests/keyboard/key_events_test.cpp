// One key event and its consumers: the key-down list, the key-hit queue, the BIOS
// keyboard buffer read by INKEY$, port 60h and the BIOS shift flags; the INKEY$ codes of
// the PC keyboard with Shift, Ctrl and Alt; the window layer's translation of characters.
#include <GL/freeglut.h>

#include <thread>

#include "runtime/frame/frame.h"
#include "tests/keyboard/keyboard_fixture.h"

namespace {

int routine_calls = 0;
int32_t routine_handler = 0, routine_argument = 0;
void record_routine(int32_t handler, int32_t argument) {
  ++routine_calls;
  routine_handler = handler;
  routine_argument = argument;
}

TEST_F(KeyboardTest, OnePressReachesAllFiveConsumers) {
  key_press_event('a');
  EXPECT_EQ(rt_keydown('a'), -1);                          // key-down list
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{'a'}));    // key-hit queue
  EXPECT_EQ(inkey_all(), (std::vector<std::string>{"a"}));  // BIOS buffer
  EXPECT_EQ(scancode_read(), 0x1E);                         // port 60h make code
  key_release_event('a');
  EXPECT_EQ(rt_keydown('a'), 0);
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{-'a'}));
  EXPECT_EQ(scancode_read(), 0x9E);                         // break code
  EXPECT_TRUE(inkey_all().empty());

  // The fifth consumer, the ON KEY table: the same press fires a slot bound to the key.
  rt_set_event_routine(record_routine);
  rt_key_define(15, bstr_from_text("\x00\x1E", 2));
  rt_on_key(15, 7, 99);
  rt_key_switch(15, 1);
  routine_calls = 0;
  key_press_event('a');
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  key_event_dispatch();
  EXPECT_EQ(routine_calls, 1);
  EXPECT_EQ(routine_handler, 7);
  EXPECT_EQ(routine_argument, 99);
  key_release_event('a');
}

// INKEY$ for a key with no modifier, Shift, Ctrl and Alt held. The typed character already
// carries Shift (A, not a), as the window layer reports it.
struct InkeyCase {
  const char *name;
  KeyCode modifier;  // 0 = none
  KeyCode key;
  std::vector<int> expected;  // INKEY$ bytes; empty = no keystroke
};

TEST_F(KeyboardTest, InkeyCodesOfThePcKeyboard) {
  const KeyCode S = KEY_LEFT_SHIFT, C = KEY_LEFT_CTRL, A = KEY_LEFT_ALT;
  const std::vector<InkeyCase> cases = {
      {"a", 0, 'a', {97}},
      {"Shift+a", S, 'A', {65}},
      {"Ctrl+a", C, 'a', {1}},
      {"Alt+a", A, 'a', {0, 30}},
      {"Enter", 0, 13, {13}},
      {"Shift+Enter", S, 13, {13}},
      {"Ctrl+Enter", C, 13, {10}},
      {"Alt+Enter", A, 13, {}},
      {"Backspace", 0, 8, {8}},
      {"Shift+Backspace", S, 8, {8}},
      {"Ctrl+Backspace", C, 8, {127}},
      {"Alt+Backspace", A, 8, {0, 14}},
      {"Esc", 0, 27, {27}},
      {"Shift+Esc", S, 27, {27}},
      {"Ctrl+Esc", C, 27, {27}},
      {"Alt+Esc", A, 27, {}},
      {"Tab", 0, 9, {9}},
      {"Shift+Tab", S, 9, {0, 15}},
      {"Ctrl+Tab", C, 9, {0, 148}},
      {"Alt+Tab", A, 9, {}},
      {"Up", 0, 0x4800, {0, 72}},
      {"Shift+Up", S, 0x4800, {0, 72}},
      {"Ctrl+Up", C, 0x4800, {0, 141}},
      {"Alt+Up", A, 0x4800, {0, 152}},
      {"Down", 0, 0x5000, {0, 80}},
      {"Shift+Down", S, 0x5000, {0, 80}},
      {"Ctrl+Down", C, 0x5000, {0, 145}},
      {"Alt+Down", A, 0x5000, {0, 160}},
      {"Left", 0, 0x4B00, {0, 75}},
      {"Shift+Left", S, 0x4B00, {0, 75}},
      {"Ctrl+Left", C, 0x4B00, {0, 115}},
      {"Alt+Left", A, 0x4B00, {0, 155}},
      {"Right", 0, 0x4D00, {0, 77}},
      {"Shift+Right", S, 0x4D00, {0, 77}},
      {"Ctrl+Right", C, 0x4D00, {0, 116}},
      {"Alt+Right", A, 0x4D00, {0, 157}},
      {"F1", 0, 0x3B00, {0, 59}},
      {"Shift+F1", S, 0x3B00, {0, 84}},
      {"Ctrl+F1", C, 0x3B00, {0, 94}},
      {"Alt+F1", A, 0x3B00, {0, 104}},
      {"Delete", 0, KEY_DELETE, {0, 83}},
      {"Shift+Delete", S, KEY_DELETE, {0, 83}},
      {"Ctrl+Delete", C, KEY_DELETE, {0, 147}},
      {"Alt+Delete", A, KEY_DELETE, {0, 163}},
      {"Ctrl+2", C, '2', {0, 3}},
      {"Ctrl+6", C, '6', {30}},
      {"Alt+0", A, '0', {0, 0x81}},
      {"Ctrl+[", C, '[', {27}},
      {"F12", 0, 0x8600, {0, 0x86}},
      {"Alt+F11", A, 0x8500, {0, 0x8B}},
      {"e acute (no scan code)", 0, 130, {130}},
      {"code 0", 0, 0, {0}},
  };
  for (const InkeyCase &c : cases) {
    SCOPED_TRACE(c.name);
    if (c.modifier) key_press_event(c.modifier);
    key_press_event(c.key);
    key_release_event(c.key);
    if (c.modifier) key_release_event(c.modifier);
    std::vector<std::string> expected;
    if (!c.expected.empty()) {
      std::string s;
      for (int b : c.expected) s.push_back(char(b));
      expected.push_back(s);
    }
    EXPECT_EQ(inkey_all(), expected);
    keyhit_all();
  }
}

TEST_F(KeyboardTest, KeyHitReportsTheKeyNotTheBiosCode) {
  // Presses, then releases negated; modifier keys are events of their own.
  key_press_event(KEY_LEFT_CTRL);
  key_press_event('a');
  key_release_event('a');
  key_release_event(KEY_LEFT_CTRL);
  tap(KEY_DELETE);
  tap(0x4800);
  tap(0);
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{KEY_LEFT_CTRL, 97, -97, -KEY_LEFT_CTRL,
                                                0x5300, -0x5300, 0x4800, -0x4800, KEY_ZERO,
                                                -KEY_ZERO}));
}

// The window layer: characters and special keys as freeglut reports them.
TEST_F(KeyboardTest, CtrlLetterFromTheWindowGivesChr1AndKeyHitOfTheLetter) {
  glut_key_special(GLUT_KEY_CTRL_L, 1);
  glut_key_ascii(1, 1, GLUT_ACTIVE_CTRL);  // the window reports Ctrl+A as code 1
  glut_key_ascii(1, 0, GLUT_ACTIVE_CTRL);
  glut_key_ascii(1, 1, GLUT_ACTIVE_CTRL | GLUT_ACTIVE_SHIFT);
  glut_key_ascii(1, 0, GLUT_ACTIVE_CTRL | GLUT_ACTIVE_SHIFT);
  glut_key_special(GLUT_KEY_CTRL_L, 0);
  EXPECT_EQ(inkey_all(), (std::vector<std::string>{"\x01", "\x01"}));
  EXPECT_EQ(keyhit_all(),
            (std::vector<int32_t>{KEY_LEFT_CTRL, 97, -97, 65, -65, -KEY_LEFT_CTRL}));
}

TEST_F(KeyboardTest, WindowCharactersAndSpecialKeysBecomeKeyCodes) {
  struct Case {
    int ascii;      // -1: special key below
    int special;
    int modifiers;
    int32_t code;
  };
  const Case cases[] = {
      {'x', 0, 0, 'x'},
      {127, 0, 0, KEY_DELETE},
      {10, 0, GLUT_ACTIVE_CTRL, 13},  // Ctrl+Enter reported as a line feed
      {13, 0, GLUT_ACTIVE_CTRL, 13},  // ... or as itself
      {8, 0, GLUT_ACTIVE_CTRL, 8},    // Ctrl+Backspace
      {26, 0, GLUT_ACTIVE_CTRL, 'z'},
      {-1, GLUT_KEY_F1, 0, 0x3B00},
      {-1, GLUT_KEY_F10, 0, 0x4400},
      {-1, GLUT_KEY_F11, 0, 0x8500},
      {-1, GLUT_KEY_F12, 0, 0x8600},
      {-1, GLUT_KEY_UP, 0, 0x4800},
      {-1, GLUT_KEY_PAGE_DOWN, 0, 0x5100},
      {-1, GLUT_KEY_HOME, 0, 0x4700},
      {-1, GLUT_KEY_END, 0, 0x4F00},
      {-1, GLUT_KEY_INSERT, 0, 0x5200},
      {-1, GLUT_KEY_SHIFT_R, 0, KEY_RIGHT_SHIFT},
      {-1, GLUT_KEY_ALT_L, 0, KEY_LEFT_ALT},
      {-1, GLUT_KEY_CTRL_R, 0, KEY_RIGHT_CTRL},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.code);
    if (c.ascii >= 0) {
      glut_key_ascii(c.ascii, 1, c.modifiers);
      glut_key_ascii(c.ascii, 0, c.modifiers);
    } else {
      glut_key_special(c.special, 1);
      glut_key_special(c.special, 0);
    }
    EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{c.code, -c.code}));
    inkey_all();
  }
  glut_key_special(0x200, 1);  // unknown special keys are ignored
  EXPECT_TRUE(keyhit_all().empty());
}

TEST_F(KeyboardTest, ReleaseMatchesTheKeyWhenShiftWentUpFirst) {
  glut_key_special(GLUT_KEY_SHIFT_L, 1);
  glut_key_ascii('A', 1, GLUT_ACTIVE_SHIFT);
  glut_key_special(GLUT_KEY_SHIFT_L, 0);
  glut_key_ascii('a', 0, 0);  // the window now reports the unshifted character
  EXPECT_EQ(rt_keydown('A'), 0);
  EXPECT_EQ(rt_keydown('a'), 0);
  EXPECT_EQ(keyhit_all(),
            (std::vector<int32_t>{KEY_LEFT_SHIFT, 65, -KEY_LEFT_SHIFT, -65}));
  // Digits and their shifted symbols share a key, too.
  key_press_event('!');
  glut_key_ascii('1', 0, 0);
  EXPECT_EQ(rt_keydown('!'), 0);
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{'!', -'!'}));
}

TEST_F(KeyboardTest, FullBiosBufferDropsTheSixteenthKeystrokeButKeyHitKeepsIt) {
  const std::string typed = "abcdefghijklmnop";  // 16 keys
  for (char c : typed) tap(c);
  std::vector<std::string> expected;
  for (char c : typed.substr(0, 15)) expected.push_back(std::string(1, c));
  EXPECT_EQ(inkey_all(), expected);
  std::vector<int32_t> hits;
  for (char c : typed) {
    hits.push_back(c);
    hits.push_back(-c);
  }
  EXPECT_EQ(keyhit_all(), hits);
  // Once read, the buffer takes keys again; the wrap of its offsets is invisible.
  for (char c : std::string("qrstuvwxyz")) tap(c);
  EXPECT_EQ(inkey_all().size(), 10u);
}

TEST_F(KeyboardTest, KeyHitQueueDropsItsOldestEventWhenFull) {
  // 8191 events fit; one more drops the oldest.
  for (int i = 1; i <= 4096; ++i) tap('a' + i % 26);  // 8192 events
  std::vector<int32_t> hits = keyhit_all();
  ASSERT_EQ(hits.size(), 8191u);
  EXPECT_EQ(hits.front(), -('a' + 1));  // the first press is gone, its release is first
  EXPECT_EQ(hits.back(), -('a' + 4096 % 26));
}

TEST_F(KeyboardTest, InkeyNeverLongerThanTwoCharacters) {
  for (KeyCode k : {KeyCode('a'), KeyCode(0x3B00), KeyCode(0), KeyCode(200), KeyCode(0x7700)})
    tap(k);
  for (const std::string &s : inkey_all()) EXPECT_LE(s.size(), 2u);
}

TEST_F(KeyboardTest, Port60GivesOneMakeCodeForAutoRepeat) {
  // Holding a key: the window repeats the press; every repeat is a keystroke and a key-hit
  // event, but the port shows one make code.
  for (int i = 0; i < 5; ++i) key_press_event('a');
  key_release_event('a');
  key_press_event(KEY_LEFT_SHIFT);
  key_press_event(KEY_LEFT_SHIFT);
  key_release_event(KEY_LEFT_SHIFT);
  tap(0x4800);
  EXPECT_EQ(port60_all(), (std::vector<int32_t>{0x1E, 0x9E, 0x2A, 0xAA, 0x48, 0xC8}));
  EXPECT_EQ(inkey_all().size(), 6u);
  EXPECT_EQ(keyhit_all().size(), 11u);
  // Empty: the port keeps answering with the byte read last.
  EXPECT_EQ(scancode_read(), 0xC8);
}

TEST_F(KeyboardTest, Port60StartsAt81hAndDropsItsOldestByteWhenFull) {
  EXPECT_EQ(scancode_read(), 0x81);
  for (int i = 0; i < 200; ++i) tap(i % 2 ? 'a' : 'b');  // 400 bytes
  const std::vector<int32_t> bytes = port60_all();
  EXPECT_EQ(bytes.size(), 256u);
  EXPECT_EQ(bytes.back(), 0x9E);  // the newest survive
}

TEST_F(KeyboardTest, ShiftFlagsFollowTheKeysHeld) {
  struct Case {
    KeyCode key;
    uint32_t address;
    uint8_t bit;
  };
  const Case cases[] = {
      {KEY_RIGHT_SHIFT, 0x417, 0x01}, {KEY_LEFT_SHIFT, 0x417, 0x02},
      {KEY_LEFT_CTRL, 0x417, 0x04},   {KEY_RIGHT_CTRL, 0x417, 0x04},
      {KEY_LEFT_ALT, 0x417, 0x08},    {KEY_RIGHT_ALT, 0x417, 0x08},
      {KEY_NUM_LOCK, 0x417, 0x20},    {KEY_CAPS_LOCK, 0x417, 0x40},
      {KEY_LEFT_CTRL, 0x418, 0x01},   {KEY_LEFT_ALT, 0x418, 0x02},
      {KEY_SCROLL_LOCK, 0x418, 0x10}, {KEY_INSERT, 0x418, 0x80},
      {KEY_RIGHT_CTRL, 0x496, 0x01},  {KEY_RIGHT_ALT, 0x496, 0x02},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.key);
    key_press_event(c.key);
    EXPECT_EQ(real_memory[c.address] & c.bit, c.bit);
    key_release_event(c.key);
    EXPECT_EQ(real_memory[c.address] & c.bit, 0);
    EXPECT_EQ(real_memory[0x496] & 0x10, 0x10);
  }
}

TEST_F(KeyboardTest, InsertAndScrollLockToggleTheirStates) {
  tap(KEY_INSERT);
  EXPECT_EQ(rt_keydown(KEY_STATE_INSERT), -1);
  EXPECT_EQ(real_memory[0x417] & 0x80, 0x80);
  key_press_event(KEY_INSERT);
  key_press_event(KEY_INSERT);  // auto-repeat does not toggle again
  key_release_event(KEY_INSERT);
  EXPECT_EQ(rt_keydown(KEY_STATE_INSERT), 0);
  key_press_event(KEY_LEFT_SHIFT);
  tap(KEY_INSERT);  // Shift+Insert is a keystroke, not a mode change
  key_release_event(KEY_LEFT_SHIFT);
  EXPECT_EQ(rt_keydown(KEY_STATE_INSERT), 0);

  tap(KEY_SCROLL_LOCK);
  EXPECT_EQ(rt_keydown(KEY_STATE_SCROLL), -1);
  EXPECT_EQ(real_memory[0x417] & 0x10, 0x10);
  tap(KEY_SCROLL_LOCK);
  EXPECT_EQ(rt_keydown(KEY_STATE_SCROLL), 0);
  // Modifier and lock keys reach the key-hit queue but never INKEY$.
  EXPECT_EQ(inkey_all().size(), 4u);  // Insert, Insert twice held, Shift+Insert
}

TEST_F(KeyboardTest, KeyDownRejectsCodesOfZeroOrLess) {
  EXPECT_EQ(rt_keydown(0), 0);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  pending_error = 0;
  EXPECT_EQ(rt_keydown(-5), 0);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  pending_error = 0;
  key_press_event(0);
  EXPECT_EQ(rt_keydown(KEY_ZERO), -1);  // code 0 is held as its stand-in
  // KEY-hit and key-down work while an error is pending; INKEY$ does not.
  rt_error(ERR_OVERFLOW);
  EXPECT_EQ(rt_keydown(KEY_ZERO), -1);
  EXPECT_EQ(rt_keyhit(), KEY_ZERO);
  EXPECT_TRUE(inkey_all().empty());
  pending_error = 0;
  EXPECT_EQ(inkey_all().size(), 1u);
}

TEST_F(KeyboardTest, PauseHoldsUntilTheNextKeyWhichIsDiscarded) {
  tap(KEY_PAUSE);
  EXPECT_EQ(rt_control.paused.load() & 1, 1);
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  tap('x');  // resumes; neither press nor release goes anywhere
  EXPECT_EQ(rt_control.paused.load() & 1, 0);
  tap('y');
  EXPECT_EQ(inkey_all(), (std::vector<std::string>{"y"}));
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{'y', -'y'}));
  // Ctrl + Num Lock going on pauses as well.
  key_press_event(KEY_LEFT_CTRL);
  key_press_event(KEY_NUM_LOCK);
  EXPECT_EQ(rt_control.paused.load() & 1, 1);
}

TEST_F(KeyboardTest, BreakEndsTheProgramOrRaisesThePolledRequest) {
  tap(KEY_BREAK);
  EXPECT_EQ(rt_control.exit_now.load(), 1);
  EXPECT_EQ(rt_control.exit_request.load(), 0);
  rt_control.exit_now = 0;
  rt_control.exit_polled = 1;
  key_press_event(KEY_LEFT_CTRL);
  tap(KEY_SCROLL_LOCK);  // Ctrl+Scroll Lock is Break too
  key_release_event(KEY_LEFT_CTRL);
  EXPECT_EQ(rt_control.exit_now.load(), 0);
  EXPECT_EQ(rt_control.exit_request.load(), 2);
  EXPECT_EQ(rt_keydown(KEY_STATE_SCROLL), 0);  // and does not toggle Scroll Lock
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{KEY_LEFT_CTRL, -KEY_LEFT_CTRL}));
}

TEST_F(KeyboardTest, CodePageMapReadsWritesAndChecksItsArguments) {
  EXPECT_EQ(rt_codepage_get(1), 0x263A);
  EXPECT_EQ(rt_codepage_get(65), 'A');
  EXPECT_EQ(rt_codepage_get(127), 0x2302);
  EXPECT_EQ(rt_codepage_get(0), 0x20);
  EXPECT_EQ(rt_codepage_get(255), 0x20);
  EXPECT_EQ(rt_codepage_get(0x82), 0xE9);
  EXPECT_EQ(codepage_char_from_unicode(0xE9), 0x82);
  EXPECT_EQ(codepage_char_from_unicode(0x20), 0);  // the first entry that matches
  EXPECT_EQ(codepage_char_from_unicode(0x4E2D), 0);
  rt_codepage_set(0x4E2D, 200);
  EXPECT_EQ(codepage_char_from_unicode(0x4E2D), 200);
  rt_codepage_set(0x255A, 200);  // restore
  for (auto [code_point, index] : {std::pair{65536, 1}, {-1, 1}, {65, 256}, {65, -1}}) {
    rt_codepage_set(code_point, index);
    EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
    pending_error = 0;
  }
  EXPECT_EQ(rt_codepage_get(256), 0);
  EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
}

// The window thread and the main-loop thread (lock keys) produce while the program thread
// consumes: every event read is one that was produced, in the order produced per producer.
TEST_F(KeyboardTest, TwoProducersAndTheProgramShareTheQueues) {
  constexpr int N = 20000;
  static std::atomic<bool> window_done{false};
  window_done = false;
  std::thread window([] {
    for (int i = 1; i <= N; ++i) {
      key_press_event(70000 + i);
      key_release_event(70000 + i);
    }
    window_done = true;
  });
  std::thread mainloop([] {
    for (int i = 0; i < 2000; ++i) {
      key_press_event(KEY_CAPS_LOCK);
      key_release_event(KEY_CAPS_LOCK);
    }
  });
  int64_t last_window = 0, window_events = 0, lock_events = 0;
  bool ordered = true, known = true;
  auto take = [&](int32_t k) {
    const int32_t code = k < 0 ? -k : k;
    if (code == KEY_CAPS_LOCK) {
      ++lock_events;
      return;
    }
    if (code <= 70000 || code > 70000 + N) {
      known = false;
      return;
    }
    const int64_t position = int64_t(code - 70000) * 2 + (k < 0 ? 1 : 0);
    if (position <= last_window) ordered = false;
    last_window = position;
    ++window_events;
  };
  // Read while they produce (the queue may drop its oldest events if the reader falls
  // 8191 behind; order still holds).
  while (!window_done.load())
    if (int32_t k = rt_keyhit()) take(k);
  window.join();
  mainloop.join();
  while (int32_t k = rt_keyhit()) take(k);
  EXPECT_TRUE(ordered);
  EXPECT_TRUE(known);
  EXPECT_GT(window_events, 0);
  EXPECT_EQ(scancode_read() & 0x7F, 0x3A);  // Caps Lock make or break codes went to the port
}

}  // namespace
