// The window statements' program-thread side, in-process: the resize query and its
// reshape bookkeeping, argument checks, and the requests handed to the window thread.
#include <gtest/gtest.h>

#include "runtime/errors/errors.h"
#include "runtime/frame/display_internal.h"
#include "runtime/frame/frame.h"

namespace {

class WindowStatements : public ::testing::Test {
 protected:
  void SetUp() override {
    pending_error = 0;
    window_state.resize_locked = 1;
    window_state.resize_stretch = 0;
    window_state.resize_seen = 0;
    window_state.fullscreen_request = -1;
    window_state.fullscreen_mode = 0;
    rt_control.window_created = 0;
    rt_control.window_allowed = 0;
    rt_control.screen_hidden = 0;
  }
  void TearDown() override { pending_error = 0; }
};

TEST_F(WindowStatements, ResizeQueryReportsEachReshapeOnceWhileResizingIsOn) {
  on_glut_reshape(800, 600);
  EXPECT_EQ(rt_resize_query(), 0);  // resizing off: never reported
  rt_resize_mode(1, 0);
  EXPECT_EQ(window_state.resize_locked.load(), 0);
  on_glut_reshape(900, 700);
  EXPECT_EQ(rt_resize_query(), -1);
  EXPECT_EQ(rt_resize_query(), 0);
  EXPECT_EQ(rt_resize_width(), 900);
  EXPECT_EQ(rt_resize_height(), 700);
  EXPECT_EQ(window_state.prev_window_width, 800);
  EXPECT_EQ(window_state.prev_window_height, 600);
  EXPECT_EQ(window_state.reshape_pending, 0);
  EXPECT_EQ(window_state.force_redraw, 1);
  rt_resize_mode(2, 0);
  on_glut_reshape(640, 480);
  EXPECT_EQ(rt_resize_query(), 0);
}

TEST_F(WindowStatements, ResizeModeKeepsTheSwitchForOtherValuesAndSetsScaling) {
  rt_resize_mode(1, 2);
  EXPECT_EQ(window_state.resize_locked.load(), 0);
  EXPECT_EQ(window_state.resize_stretch.load(), 2);
  rt_resize_mode(0, 1);  // switch not given: unchanged
  EXPECT_EQ(window_state.resize_locked.load(), 0);
  EXPECT_EQ(window_state.resize_stretch.load(), 1);
  rt_resize_mode(2, 0);
  EXPECT_EQ(window_state.resize_locked.load(), 1);
}

TEST_F(WindowStatements, BadArgumentsAreIllegalFunctionCalls) {
  rt_resize_mode(1, 3);
  EXPECT_EQ(pending_error.load(), 5u);
  EXPECT_EQ(window_state.resize_locked.load(), 1);  // nothing changed
  pending_error = 0;
  rt_fullscreen(4, 0);
  EXPECT_EQ(pending_error.load(), 5u);
  EXPECT_EQ(window_state.fullscreen_request.load(), -1);
  pending_error = 0;
  rt_fullscreen(-1, 0);
  EXPECT_EQ(pending_error.load(), 5u);
}

TEST_F(WindowStatements, FullScreenRequestsByMode) {
  rt_control.autodisplay = 0;  // display_wait_frame composes on this thread
  struct { int mode, flags, request, smooth; } cases[] = {
      {0, 0, 1, 0}, {2, 1, 1, 1}, {3, 0, 2, 0}, {1, 0, 0, 0}};
  for (auto &k : cases) {
    window_state.fullscreen_request = -1;
    rt_fullscreen(k.mode, k.flags);
    EXPECT_EQ(window_state.fullscreen_request.load(), k.request) << k.mode;
    EXPECT_EQ(window_state.fullscreen_smooth.load(), k.smooth) << k.mode;
  }
  window_state.fullscreen_request = -1;
  EXPECT_EQ(rt_fullscreen_query(), 0);
}

TEST_F(WindowStatements, ShowAndHideBeforeAndAfterTheWindowExists) {
  rt_screen_hide();
  EXPECT_EQ(rt_control.screen_hidden.load(), 1);
  // Kept for the window thread: start-up may be creating the window at this moment.
  EXPECT_EQ(window_state.visibility_request.load(), 2);
  rt_screen_show();
  EXPECT_EQ(rt_control.screen_hidden.load(), 0);
  EXPECT_EQ(rt_control.window_allowed.load(), 1);  // start-up may create it now
  EXPECT_EQ(window_state.visibility_request.load(), 1);
  rt_control.window_created = 1;
  rt_screen_hide();
  EXPECT_EQ(window_state.visibility_request.load(), 2);
  rt_screen_show();
  EXPECT_EQ(window_state.visibility_request.load(), 1);
  window_state.visibility_request = 0;
}

TEST_F(WindowStatements, TitleBeforeTheWindowIsUsedAtCreation) {
  EXPECT_STREQ(window_title_text(), "Untitled");
  uint8_t bytes[] = {'D', 'o', 'o', 'r'};
  BasicString text{};
  text.data = bytes;
  text.length = 4;
  rt_title(&text);
  rt_title(&text);  // a request the window thread never took is replaced, not leaked
  EXPECT_STREQ(window_title_text(), "Door");
  text.length = 0;
  rt_title(&text);
  EXPECT_STREQ(window_title_text(), "");
}

TEST_F(WindowStatements, StatementsDoNothingWhileAnErrorIsPending) {
  pending_error = 9;
  rt_resize_mode(1, 1);
  EXPECT_EQ(window_state.resize_locked.load(), 1);
  rt_screen_hide();
  EXPECT_EQ(rt_control.screen_hidden.load(), 0);
  rt_fullscreen(2, 0);
  EXPECT_EQ(window_state.fullscreen_request.load(), -1);
}

}  // namespace
