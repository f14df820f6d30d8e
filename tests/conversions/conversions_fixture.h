// Fixture for the number-conversion tests: each test is a statement of a translated
// program; its temporaries are freed at the end and the pending error is cleared.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/values/values.h"

class ConversionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { strings_startup(); }
  void SetUp() override {
    clear_error();
    mark = bstr_temp_mark();
  }
  void TearDown() override {
    bstr_free_temporaries(mark, 0);
    clear_error();
  }
  static void clear_error() {
    pending_error.store(0);
    rt_control.event_pending.store(0);
  }
  static uint32_t error() { return pending_error.load(); }
  // The text of a result string; frees nothing (the temporaries go at the end).
  static std::string text(const BasicString *s) {
    return std::string(reinterpret_cast<const char *>(s->data), static_cast<size_t>(s->length));
  }
  // A literal over program text (the bytes are not copied).
  static BasicString *literal(const char *t) { return bstr_from_cstr(t); }
  // The same over a caller's string, which must outlive the statement.
  static BasicString *literal(const std::string &t) {
    return bstr_from_text(t.data(), static_cast<int32_t>(t.size()));
  }
  uint32_t mark = 0;
};
