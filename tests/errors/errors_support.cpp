#include "tests/errors/errors_support.h"

std::vector<ShownBox> shown_boxes;
int scripted_answer = MESSAGE_BOX_ANSWER_YES;

int scripted_box(const char *text, const char *title, int buttons, bool system_modal) {
  shown_boxes.push_back({text, title, buttons, system_modal});
  return scripted_answer;
}

namespace {

void clear_error_state() {
  pending_error.store(0);
  repeat_statement = 0;
  repeat_request = 0;
  error_line = 0;
  err_value = 0;
  erl_value = 0;
  current_erl = 0;
  handler_set = 0;
  in_handler = 0;
  error_jump = 0;
  rt_control.event_pending.store(0);
  rt_control.paused.store(0);
  rt_control.exit_now.store(0);
}

}  // namespace

void ErrorStateTest::SetUp() {
  shown_boxes.clear();
  scripted_answer = MESSAGE_BOX_ANSWER_YES;
  clear_error_state();
  platform_set_message_box_handler(scripted_box);
}

void ErrorStateTest::TearDown() {
  platform_set_message_box_handler(nullptr);
  clear_error_state();
}
