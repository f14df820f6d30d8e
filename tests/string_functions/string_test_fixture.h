// Fixture for the string-function tests: each test is a routine of a translated program.
// It saves the temporary-list mark on entry, and `end_statement()` frees the statement's
// temporaries as the generated code does after every statement.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/values/string_storage.h"
#include "runtime/values/values.h"

class StringStatementTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { strings_startup(); }

  void SetUp() override {
    clear_error();
    mark = bstr_temp_mark();
  }

  void TearDown() override {
    end_statement();
    for (BasicString *s : permanents) bstr_free(s);
    char why[256] = "";
    EXPECT_TRUE(string_storage_check(why, sizeof why)) << why;
    clear_error();
  }

  static void clear_error() {
    pending_error.store(0);
    rt_control.event_pending.store(0);
  }

  void end_statement() { bstr_free_temporaries(mark, 0); }

  // A permanent string variable holding text (freed at the end of the test).
  BasicString *variable(const std::string &text) {
    BasicString *s = bstr_new(0, 0);
    bstr_set(s, bstr_from_text(text.data(), static_cast<int32_t>(text.size())));
    permanents.push_back(s);
    return s;
  }

  // A literal: a read-only temporary over program text.
  static BasicString *literal(const char *text) { return bstr_from_cstr(text); }

  // A modifiable temporary (the result of an earlier string operation).
  static BasicString *temporary(const std::string &text) {
    BasicString *s = bstr_new(static_cast<uint32_t>(text.size()), 1);
    if (!text.empty()) std::memcpy(s->data, text.data(), text.size());
    return s;
  }

  static std::string text_of(const BasicString *s) {
    return std::string(reinterpret_cast<const char *>(s->data), static_cast<size_t>(s->length));
  }

  uint32_t mark = 0;
  std::vector<BasicString *> permanents;
};
