// Shared fixture of the in-process keyboard tests: a fresh keyboard (nothing held, empty
// queues, no ON KEY), working strings, no pending error, and helpers that drain the
// consumers the way a program reads them.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/values/values.h"

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    strings_startup();
    pending_error = 0;
    rt_control.paused = 0;
    rt_control.exit_now = 0;
    rt_control.exit_request = 0;
    rt_control.exit_polled = 0;
    rt_control.event_pending = 0;
    keyboard_reset();
    keyboard_startup();
    rt_set_event_routine(nullptr);
  }
  void TearDown() override {
    keyboard_reset();
    rt_set_event_routine(nullptr);
    rt_control.paused = 0;
    rt_control.exit_now = 0;
    rt_control.exit_request = 0;
    rt_control.exit_polled = 0;
    pending_error = 0;
  }

  static void tap(KeyCode k) {
    key_press_event(k);
    key_release_event(k);
  }
  // Everything INKEY$ has, one string per keystroke (bytes as characters).
  static std::vector<std::string> inkey_all() {
    std::vector<std::string> out;
    for (;;) {
      const uint32_t mark = bstr_temp_mark();
      BasicString *s = rt_inkey();
      std::string text(reinterpret_cast<const char *>(s->data), size_t(s->length));
      bstr_free_temporaries(mark, 0);
      if (text.empty()) return out;
      out.push_back(text);
    }
  }
  // Everything the key-hit queue has.
  static std::vector<int32_t> keyhit_all() {
    std::vector<int32_t> out;
    while (int32_t k = rt_keyhit()) out.push_back(k);
    return out;
  }
  // Every byte port 60h has queued (stops when the port repeats its last byte).
  static std::vector<int32_t> port60_all() {
    std::vector<int32_t> out;
    for (int i = 0; i < 300; ++i) {
      const int32_t before = out.empty() ? -1 : out.back();
      const int32_t b = scancode_read();
      if (b == before) break;
      out.push_back(b);
    }
    return out;
  }
  static std::string bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes) s.push_back(char(c));
    return s;
  }
};
