// ON KEY: matching presses against the slots, swallowing the bound key's release, the
// dispatch to the program's event routine, KEY(n) ON/OFF/STOP, user keys, soft keys and
// KEY LIST.
#include <vector>

#include "runtime/screen/screen.h"
#include "tests/keyboard/keyboard_fixture.h"
#include "tests/support/screen_text.h"

namespace {

std::vector<int32_t> handled;  // handler numbers, in call order
void record_routine(int32_t handler, int32_t argument) { handled.push_back(handler); }

class OnKeyTest : public KeyboardTest {
 protected:
  void SetUp() override {
    KeyboardTest::SetUp();
    handled.clear();
    rt_set_event_routine(record_routine);
  }
  static BasicString *text(const std::string &s) {
    return bstr_from_text(s.data(), int32_t(s.size()));
  }
  static void bind(int32_t slot, int32_t handler) {
    rt_on_key(slot, handler, 0);
    rt_key_switch(slot, 1);
  }
};

TEST_F(OnKeyTest, BoundKeyReachesNeitherInkeyNorKeyHitReleaseIncluded) {
  bind(1, 101);  // F1
  const int32_t before = scancode_read();
  tap(0x3B00);
  EXPECT_TRUE(inkey_all().empty());
  EXPECT_TRUE(keyhit_all().empty());
  EXPECT_EQ(scancode_read(), before);  // nor port 60h
  EXPECT_EQ(rt_keydown(0x3B00), 0);     // the key-down list still follows it
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{101}));
  // Unbound keys around it are untouched.
  tap(0x3C00);
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{0x3C00, -0x3C00}));
}

TEST_F(OnKeyTest, HeldBoundKeyFiresPerRepeatAndItsOneReleaseEndsTheSwallowing) {
  bind(1, 101);
  for (int i = 0; i < 5; ++i) key_press_event(0x3B00);  // auto-repeat
  key_release_event(0x3B00);
  key_event_dispatch();
  EXPECT_EQ(handled.size(), 5u);
  EXPECT_TRUE(keyhit_all().empty());
  // Unbound again, the key's next press and release reach the program.
  rt_key_switch(1, 2);
  tap(0x3B00);
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{0x3B00, -0x3B00}));
}

TEST_F(OnKeyTest, ArrowSlotsMatchTheirKeypadAlternatives) {
  bind(11, 1);  // Up, also raw 100264
  bind(14, 4);  // Down, also raw 100258
  tap(0x4800);
  tap(100264);
  tap(100258);
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{1, 1, 4}));
  EXPECT_TRUE(keyhit_all().empty());
}

TEST_F(OnKeyTest, StopKeepsOneEventOnDeliversItOffDiscards) {
  bind(2, 22);
  rt_key_switch(2, 3);  // STOP
  tap(0x3C00);
  tap(0x3C00);
  key_event_dispatch();
  EXPECT_TRUE(handled.empty());
  rt_control.event_pending = 0;
  rt_key_switch(2, 1);  // ON: the one kept event is delivered
  EXPECT_EQ(rt_control.event_pending.load(), 1);
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{22}));
  // Events while on accumulate.
  handled.clear();
  tap(0x3C00);
  tap(0x3C00);
  tap(0x3C00);
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{22, 22, 22}));
  // OFF: the key is no longer bound and reaches the program again.
  handled.clear();
  rt_key_switch(2, 2);
  tap(0x3C00);
  key_event_dispatch();
  EXPECT_TRUE(handled.empty());
  EXPECT_EQ(keyhit_all(), (std::vector<int32_t>{0x3C00, -0x3C00}));
  // Slot 0 switches every slot.
  rt_on_key(3, 33, 0);
  rt_key_switch(0, 1);
  tap(0x3D00);
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{33}));
}

TEST_F(OnKeyTest, DispatchDoesNotReenterARunningKeyHandler) {
  static int depth = 0, deepest = 0, calls = 0;
  depth = deepest = calls = 0;
  rt_set_event_routine([](int32_t, int32_t) {
    ++depth;
    deepest = std::max(deepest, depth);
    if (++calls == 1) {
      tap(0x3B00);  // another event arrives while the handler runs
      key_event_dispatch();
    }
    --depth;
  });
  bind(1, 5);
  tap(0x3B00);
  key_event_dispatch();
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(calls, 2);  // the second event ran after the first handler returned
}

TEST_F(OnKeyTest, UserKeysMatchScanCodeAndModifiers) {
  rt_key_define(15, text(std::string("\x04\x1E", 2)));  // Ctrl+A
  bind(15, 15);
  rt_key_define(16, text(std::string("\x80\x48", 2)));  // the extended Up key
  bind(16, 16);
  rt_key_define(17, text(std::string("\x03\x1E", 2)));  // Shift+A
  bind(17, 17);

  tap('a');  // no Ctrl: not slot 15
  key_press_event(KEY_LEFT_CTRL);
  tap('a');
  key_release_event(KEY_LEFT_CTRL);
  key_press_event(KEY_RIGHT_SHIFT);
  tap('A');
  key_release_event(KEY_RIGHT_SHIFT);
  tap(0x4800);
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{15, 16, 17}));
  EXPECT_EQ(inkey_all(), (std::vector<std::string>{"a"}));

  // An empty definition forgets the user key.
  handled.clear();
  rt_key_define(16, text(""));
  tap(0x4800);
  key_event_dispatch();
  EXPECT_TRUE(handled.empty());
}

TEST_F(OnKeyTest, SoftKeyTypesItsTextAndSwallowsItself) {
  rt_key_define(1, text("RUN\r"));
  tap(0x3B00);
  EXPECT_EQ(inkey_all(), (std::vector<std::string>{"R", "U", "N", "\r"}));
  EXPECT_EQ(keyhit_all(),
            (std::vector<int32_t>{'R', -'R', 'U', -'U', 'N', -'N', 13, -13}));
  rt_key_define(1, text(""));
  tap(0x3B00);
  EXPECT_EQ(inkey_all(), (std::vector<std::string>{bytes({0, 59})}));
  // An ON KEY on the same key wins over its soft-key text.
  rt_key_define(30, text("x"));
  bind(30, 30);
  tap(0x8500);
  key_event_dispatch();
  EXPECT_EQ(handled, (std::vector<int32_t>{30}));
  EXPECT_TRUE(inkey_all().empty());
}

TEST_F(OnKeyTest, StatementsRejectSlotsAndTextsOutOfRange) {
  struct Case {
    const char *name;
    void (*run)();
  };
  const Case cases[] = {
      {"ON KEY(0)", [] { rt_on_key(0, 1, 0); }},
      {"ON KEY(32)", [] { rt_on_key(32, 1, 0); }},
      {"KEY(32) ON", [] { rt_key_switch(32, 1); }},
      {"KEY(-1) ON", [] { rt_key_switch(-1, 1); }},
      {"KEY 11", [] { rt_key_define(11, text("x")); }},
      {"KEY 0", [] { rt_key_define(0, text("x")); }},
      {"KEY 1, 16 characters", [] { rt_key_define(1, text("0123456789abcdef")); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    pending_error = 0;
    c.run();
    EXPECT_EQ(pending_error.load(), uint32_t(ERR_ILLEGAL_FUNCTION_CALL));
  }
  pending_error = 0;
  rt_key_define(1, text("0123456789abcde"));  // 15 characters are fine
  EXPECT_EQ(pending_error.load(), 0u);
  // While an error is pending the statements change nothing.
  rt_error(ERR_OVERFLOW);
  rt_on_key(1, 9, 0);
  rt_key_switch(1, 1);
  pending_error = 0;
  tap(0x3B00);
  EXPECT_EQ(inkey_all().size(), 15u);  // F1 still types its soft key
}

TEST_F(OnKeyTest, KeyListPrintsTheTwelveFunctionKeys) {
  screen_test_startup();
  rt_key_define(1, text("LIST"));
  rt_key_define(2, text("A\tB\x1c"));
  rt_key_define(31, text("END"));
  rt_key_list();
  EXPECT_EQ(dest_text(1, 13),
            "F1  LIST\nF2  A B\nF3\nF4\nF5\nF6\nF7\nF8\nF9\nF10\nF11\nF12 END\n");
  EXPECT_EQ(rt_csrlin(), 13);
  // The function-key line reads the same labels.
  ASSERT_NE(soft_key_text, nullptr);
  BasicString *label = soft_key_text(31);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(label->data), size_t(label->length)), "END");
  EXPECT_EQ(soft_key_text(3), nullptr);
}

}  // namespace
