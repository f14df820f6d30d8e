// Fixture for the runtime-string tests. Each test is a routine of a translated program: it
// saves the temporary-list mark on entry and frees its permanents at the end; TearDown
// checks that the storage is sound and that the test left no heap string behind.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/frame/frame.h"
#include "runtime/values/string_storage.h"
#include "runtime/values/values.h"

class StringTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { strings_startup(); }

  void SetUp() override {
    mark = bstr_temp_mark();
    heap_live_before = live(string_heap.list);
    low_live_before = live(low_pool.list);
  }

  void TearDown() override {
    bstr_free_temporaries(mark, 0);
    for (BasicString *s : permanents) bstr_free(s);
    expect_sound();
    EXPECT_EQ(live(string_heap.list), heap_live_before) << "heap strings left behind";
    EXPECT_EQ(live(low_pool.list), low_live_before) << "low strings left behind";
  }

  static int live(const StringList &list) {
    int n = 0;
    for (int32_t i = 0; i < list.count; i++) n += list.entries[i] != FREED_ENTRY;
    return n;
  }

  static void expect_sound() {
    char why[256] = "";
    EXPECT_TRUE(string_storage_check(why, sizeof why)) << why;
  }

  static std::string text_of(const BasicString *s) {
    return s->length == 0 ? std::string() : std::string(reinterpret_cast<const char *>(s->data), size_t(s->length));
  }

  // A permanent heap variable holding text, freed at the end of the test.
  BasicString *variable(const std::string &text) {
    BasicString *s = bstr_new(0, 0);
    bstr_set(s, literal(text));
    permanents.push_back(s);
    return s;
  }

  // A permanent low-memory variable holding text.
  BasicString *low_variable(const std::string &text) {
    BasicString *s = bstr_new_low(0, 0);
    bstr_set(s, literal(text));
    permanents.push_back(s);
    return s;
  }

  // A literal: a read-only temporary over text that lives as long as the test.
  BasicString *literal(const std::string &text) {
    texts.push_back(std::make_unique<std::string>(text));
    return bstr_from_text(texts.back()->data(), int32_t(texts.back()->size()));
  }

  // A modifiable heap temporary holding text (the result of an earlier operation).
  static BasicString *temporary(const std::string &text) {
    BasicString *s = bstr_new(uint32_t(text.size()), 1);
    if (!text.empty()) std::memcpy(s->data, text.data(), text.size());
    return s;
  }

  // The 4-byte descriptor of a low-memory string: {length, segment offset}.
  static std::pair<uint32_t, uint32_t> low_descriptor_of(const BasicString *s) {
    const uint8_t *d = real_memory + LOW_SEGMENT_OFFSET + s->low_descriptor_offset;
    return {uint32_t(d[0]) | uint32_t(d[1]) << 8, uint32_t(d[2]) | uint32_t(d[3]) << 8};
  }

  static uint32_t segment_offset(const BasicString *s) {
    return uint32_t(s->data - (real_memory + LOW_SEGMENT_OFFSET));
  }

  uint32_t mark = 1;
  int heap_live_before = 0;
  int low_live_before = 0;
  std::vector<BasicString *> permanents;
  std::vector<std::unique_ptr<std::string>> texts;
};
