// Shared fixture of the in-process error tests: a scripted message box that records every
// box it is asked to show and answers as the test says, and a clean error state.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"

struct ShownBox {
  std::string text;
  std::string title;
  int buttons;
  bool system_modal;
};

// Boxes shown since the fixture started, and the answer the next boxes give.
extern std::vector<ShownBox> shown_boxes;
extern int scripted_answer;

int scripted_box(const char *text, const char *title, int buttons, bool system_modal);

class ErrorStateTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
