// Creating, assigning, concatenating, freeing and comparing runtime strings.
#include "tests/strings/string_fixture.h"

namespace {

TEST_F(StringTest, StartupMakesTheSharedLowStrings) {
  ASSERT_NE(blank_string, nullptr);
  ASSERT_NE(space_string, nullptr);
  EXPECT_EQ(blank_string->length, 0);
  EXPECT_EQ(text_of(space_string), " ");
  for (BasicString *s : {blank_string, space_string}) {
    EXPECT_EQ(s->in_low_memory, 1);
    EXPECT_EQ(s->temporary, 0);
    ASSERT_NE(s->low_descriptor, nullptr);
    EXPECT_EQ(low_descriptor_of(s), std::make_pair(uint32_t(s->length), segment_offset(s)));
    EXPECT_GE(s->low_descriptor_offset, low_pool.descriptor_top);
    EXPECT_LT(s->low_descriptor_offset, LOW_DESCRIPTOR_TOP_STARTUP);
  }
  EXPECT_LE(low_pool.descriptor_top, LOW_DESCRIPTOR_TOP_STARTUP);
  EXPECT_GE(segment_offset(blank_string), uint32_t(LOW_POOL_START));
  // Freeing a shared string would pull "" out from under PRINT: it is ignored.
  bstr_free(blank_string);
  bstr_free(space_string);
  EXPECT_EQ(text_of(space_string), " ");
  expect_sound();
}

TEST_F(StringTest, TextsBecomeReadOnlyTemporariesWithoutCopying) {
  static const char hello[] = "HELLO";
  BasicString *s = bstr_from_cstr(hello);
  EXPECT_EQ(s->data, reinterpret_cast<const uint8_t *>(hello));
  EXPECT_EQ(s->length, 5);
  EXPECT_EQ(s->read_only, 1);
  EXPECT_EQ(s->temporary, 1);
  EXPECT_NE(s->temp_index, 0);

  BasicString *none = bstr_from_cstr(nullptr);
  EXPECT_EQ(none->length, 0);
  EXPECT_EQ(none->read_only, 1);
  EXPECT_EQ(none->temporary, 1);
  EXPECT_NE(none->temp_index, 0);

  BasicString *bytes = bstr_from_text("A\0B", 3);  // any byte, no terminator
  EXPECT_EQ(text_of(bytes), std::string("A\0B", 3));
  EXPECT_EQ(bstr_from_text("X", -4)->length, 0);
  EXPECT_EQ(bstr_temp_mark(), mark + 4);
}

TEST_F(StringTest, NewHeapStringCarriesSlackAndGoesOnTheLists) {
  size_t fill = string_heap.fill;
  BasicString *s = bstr_new(10, 1);
  EXPECT_EQ(s->data, string_heap.base + fill);
  EXPECT_EQ(string_heap.fill, fill + 10 + STRING_SLACK);
  EXPECT_EQ(string_heap.list.entries[s->list_index], s);
  EXPECT_EQ(temp_list.entries[s->temp_index], s);
  EXPECT_EQ(uint32_t(s->temp_index), mark);
  EXPECT_EQ(bstr_temp_mark(), mark + 1);
}

// Fixed-length targets keep their length: shorter values are padded with spaces, longer
// ones cut.
TEST_F(StringTest, FixedLengthAssignmentPadsOrCuts) {
  struct Case {
    const char *value;
    const char *stored;
  } cases[] = {
      {"HELLO", "HELLO   "}, {"ABCDEFGHIJ", "ABCDEFGH"}, {"", "        "}, {"12345678", "12345678"},
  };
  for (const Case &c : cases) {
    uint8_t buffer[10] = {'#', '#', '#', '#', '#', '#', '#', '#', '#', '#'};
    BasicString *f = bstr_new_fixed(buffer, 8, 0);
    BasicString *r = bstr_set(f, literal(c.value));
    EXPECT_EQ(r, f);
    EXPECT_EQ(f->length, 8);
    EXPECT_EQ(f->data, buffer);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), 10), std::string(c.stored) + "##") << c.value;
    // The literal was consumed.
    EXPECT_EQ(bstr_temp_mark(), mark);
    bstr_free(f);
  }
  // From a heap temporary too: consumed, bytes copied, the fixed string owns nothing new.
  uint8_t buffer[4];
  BasicString *f = bstr_new_fixed(buffer, 4, 0);
  bstr_set(f, temporary("xy"));
  EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), 4), "xy  ");
  EXPECT_EQ(bstr_temp_mark(), mark);
  bstr_free(f);
}

TEST_F(StringTest, FixedStringInTheDataSegmentGetsALowDescriptor) {
  uint8_t *address = real_memory + LOW_SEGMENT_OFFSET + 40;
  BasicString *f = bstr_new_fixed(address, 6, 0);
  ASSERT_NE(f->low_descriptor, nullptr);
  EXPECT_EQ(low_descriptor_of(f), std::make_pair(6u, 40u));
  bstr_set(f, literal("AB"));
  EXPECT_EQ(low_descriptor_of(f), std::make_pair(6u, 40u));
  EXPECT_EQ(std::string(reinterpret_cast<char *>(address), 6), "AB    ");
  bstr_free(f);

  // Temporaries and strings outside the segment get none.
  EXPECT_EQ(bstr_new_fixed(address, 6, 1)->low_descriptor, nullptr);
  uint8_t outside[6];
  BasicString *g = bstr_new_fixed(outside, 6, 0);
  EXPECT_EQ(g->low_descriptor, nullptr);
  bstr_free(g);
}

// LEFT$ of a permanent is a fresh temporary; assigning it hands its bytes to the target.
TEST_F(StringTest, AssignmentTakesOverATemporaryWithoutCopying) {
  BasicString *source = variable("HELLO WORLD");
  BasicString *target = variable("old value");
  uint64_t take_overs = string_stats.take_overs;
  BasicString *left = rt_left(source, 5);
  ASSERT_NE(left, source);
  ASSERT_EQ(left->temporary, 1);
  uint8_t *bytes = left->data;
  int32_t index = left->list_index;
  EXPECT_EQ(bstr_temp_mark(), mark + 1);
  EXPECT_EQ(bstr_set(target, left), target);
  EXPECT_EQ(target->data, bytes);
  EXPECT_EQ(target->list_index, index);
  EXPECT_EQ(string_heap.list.entries[index], target);
  EXPECT_EQ(text_of(target), "HELLO");
  EXPECT_EQ(target->temporary, 0);
  EXPECT_EQ(bstr_temp_mark(), mark);
  EXPECT_EQ(string_stats.take_overs, take_overs + 1);
  expect_sound();
}

TEST_F(StringTest, AssigningAStringToItselfKeepsIt) {
  BasicString *v = variable("SAME");
  EXPECT_EQ(bstr_set(v, v), v);
  EXPECT_EQ(text_of(v), "SAME");
  BasicString *t = temporary("TEMP");
  EXPECT_EQ(bstr_set(t, t), t);
  EXPECT_EQ(text_of(t), "TEMP");
  EXPECT_EQ(temp_list.entries[t->temp_index], t);
  expect_sound();
}

TEST_F(StringTest, ShorterValueIsCopiedOverTheTargetsBytes) {
  BasicString *v = variable("ABCDEFGH");
  BasicString *other = variable("12");
  uint8_t *bytes = v->data;
  bstr_set(v, other);
  EXPECT_EQ(v->data, bytes);
  EXPECT_EQ(text_of(v), "12");
  EXPECT_EQ(text_of(other), "12");
}

// A variable followed by another string has only its 32 spare bytes to grow into.
TEST_F(StringTest, GrowthUsesTheSpareBytesThenRelocates) {
  BasicString *v = bstr_new(0, 0);
  permanents.push_back(v);
  BasicString *after = variable("next");
  ASSERT_EQ(after->data, v->data + STRING_SLACK);

  std::string twenty(20, 'a');
  uint8_t *bytes = v->data;
  bstr_set(v, literal(twenty));
  EXPECT_EQ(v->data, bytes) << "20 bytes fit in the spare bytes";
  EXPECT_EQ(text_of(v), twenty);

  std::string hundred(100, 'b');
  size_t fill = string_heap.fill;
  bstr_set(v, literal(hundred));
  EXPECT_EQ(v->data, string_heap.base + fill) << "100 bytes move to the fill mark";
  EXPECT_EQ(string_heap.fill, fill + 100) << "a relocated string gets no spare bytes";
  EXPECT_EQ(v->list_index, string_heap.list.count - 1);
  EXPECT_EQ(text_of(v), hundred);
  EXPECT_EQ(text_of(after), "next");
  expect_sound();
}

// The most recent heap string sits at the end of the heap and grows where it is.
TEST_F(StringTest, LastHeapStringGrowsInPlace) {
  BasicString *v = bstr_new(0, 0);
  permanents.push_back(v);
  uint8_t *bytes = v->data;
  std::string hundred(100, 'c');
  bstr_set(v, literal(hundred));
  EXPECT_EQ(v->data, bytes);
  EXPECT_EQ(string_heap.fill, size_t(v->data - string_heap.base) + 100);
  EXPECT_EQ(text_of(v), hundred);
}

// A growing string may use a gap left by freed strings behind it.
TEST_F(StringTest, GrowthFillsAGapLeftByFreedStrings) {
  BasicString *v = variable("v");
  BasicString *gap = variable(std::string(200, 'g'));
  BasicString *after = variable("after");
  bstr_free(gap);
  permanents.erase(std::find(permanents.begin(), permanents.end(), gap));
  uint8_t *bytes = v->data;
  std::string grown(150, 'v');
  bstr_set(v, literal(grown));
  EXPECT_EQ(v->data, bytes);
  EXPECT_EQ(text_of(v), grown);
  EXPECT_EQ(text_of(after), "after");
  std::string too_long(400, 'w');
  bstr_set(v, literal(too_long));
  EXPECT_NE(v->data, bytes);
  EXPECT_EQ(text_of(v), too_long);
  EXPECT_EQ(text_of(after), "after");
}

TEST_F(StringTest, ConcatenationConsumesTemporariesAndKeepsPermanents) {
  BasicString *a = variable("HAL");
  BasicString *r = bstr_add(a, temporary("LWAY"));
  EXPECT_EQ(text_of(r), "HALLWAY");
  EXPECT_EQ(r->temporary, 1);
  EXPECT_EQ(text_of(a), "HAL");
  // The operand temporary is gone; only the result is listed.
  EXPECT_EQ(bstr_temp_mark(), mark + 2);
  EXPECT_EQ(temp_list.entries[mark], FREED_ENTRY);
  EXPECT_EQ(temp_list.entries[mark + 1], r);

  // An empty operand returns the other one itself, permanent or not.
  EXPECT_EQ(bstr_add(a, literal("")), a);
  EXPECT_EQ(a->temporary, 0);
  EXPECT_EQ(bstr_add(blank_string, a), a);
  BasicString *t = temporary("T");
  EXPECT_EQ(bstr_add(bstr_from_cstr(nullptr), t), t);

  // The same permanent on both sides.
  EXPECT_EQ(text_of(bstr_add(a, a)), "HALHAL");
  // Operands in the low pool and read-only text.
  EXPECT_EQ(text_of(bstr_add(space_string, literal("X"))), " X");
}

TEST_F(StringTest, FreeingTheLastHeapStringPullsTheFillMarkBack) {
  BasicString *first = variable("12345");
  BasicString *second = variable("abc");
  size_t first_end = size_t(first->data - string_heap.base) + 5;
  bstr_free(second);
  permanents.pop_back();
  EXPECT_EQ(string_heap.fill, first_end + STRING_SLACK);

  // Freed strings in the middle do not move it; freeing the last walks back over them.
  BasicString *middle = variable("middle");
  BasicString *last = variable("last");
  bstr_free(middle);
  size_t fill = string_heap.fill;
  EXPECT_EQ(fill, size_t(last->data - string_heap.base) + 4 + STRING_SLACK);
  bstr_free(last);
  permanents.resize(1);
  EXPECT_EQ(string_heap.fill, first_end + STRING_SLACK);
}

TEST_F(StringTest, FreeingEveryHeapStringEmptiesTheHeap) {
  // Runs with no heap strings of other tests alive.
  ASSERT_EQ(live(string_heap.list), 0);
  BasicString *a = bstr_new(7, 0);
  BasicString *b = bstr_new(9, 1);
  bstr_free(a);
  EXPECT_NE(string_heap.fill, 0u);
  bstr_free(b);
  EXPECT_EQ(string_heap.fill, 0u);
  EXPECT_EQ(string_heap.list.count, 0);
}

TEST_F(StringTest, FreeTemporariesReturnsToTheMarkAndPassesTheValue) {
  BasicString *keep = temporary("outer");
  uint32_t inner = bstr_temp_mark();
  for (int i = 0; i < 5; i++) temporary("inner");
  literal("lit");
  bstr_free(temporary("freed early"));  // holes are fine
  EXPECT_EQ(bstr_free_temporaries(inner, -1), -1);
  EXPECT_EQ(bstr_temp_mark(), inner);
  EXPECT_EQ(temp_list.entries[keep->temp_index], keep);
  EXPECT_EQ(bstr_free_temporaries(inner, 12345), 12345);
  EXPECT_EQ(bstr_free_temporaries(mark, 0), 0);
  EXPECT_EQ(bstr_temp_mark(), mark);
}

TEST_F(StringTest, FreeTemporariesStopsAtTheMarkEvenBelowAFreedEntry) {
  temporary("a");
  BasicString *b = temporary("b");
  uint32_t inner = bstr_temp_mark();
  temporary("c");
  bstr_free(b);  // the entry just below the inner mark is now a hole
  bstr_free_temporaries(inner, 0);
  EXPECT_EQ(bstr_temp_mark(), inner);
}

TEST_F(StringTest, MakeTemporaryListsAPermanent) {
  BasicString *result = bstr_new(3, 0);
  std::memcpy(result->data, "FUN", 3);
  EXPECT_EQ(bstr_make_temporary(result), result);
  EXPECT_EQ(result->temporary, 1);
  EXPECT_EQ(temp_list.entries[result->temp_index], result);
  EXPECT_EQ(bstr_make_temporary(result), result);  // already listed: unchanged
  EXPECT_EQ(bstr_temp_mark(), mark + 1);
  // The caller consumes it like any temporary.
  BasicString *v = variable("");
  bstr_set(v, result);
  EXPECT_EQ(text_of(v), "FUN");
  EXPECT_EQ(bstr_temp_mark(), mark);
}

TEST_F(StringTest, FreedDescriptorsAreReusedZeroFilled) {
  BasicString *s = bstr_new_fixed(reinterpret_cast<uint8_t *>(this), 4, 1);
  bstr_free(s);
  BasicString *t = bstr_new(2, 0);
  EXPECT_EQ(t, s);
  EXPECT_EQ(t->fixed_length, 0);
  EXPECT_EQ(t->temporary, 0);
  EXPECT_EQ(t->temp_index, 0);
  EXPECT_EQ(t->field_binding, nullptr);
  bstr_free(t);
}

struct Comparison {
  std::string a, b;
  int32_t equal, not_equal, less, greater, less_equal, greater_equal;
};

TEST_F(StringTest, ComparisonsOrderBytesUnsignedAndShorterFirst) {
  const Comparison cases[] = {
      {"AB", "ABC", 0, -1, -1, 0, -1, 0},
      {"ABC", "AB", 0, -1, 0, -1, 0, -1},
      {"", "", -1, 0, 0, 0, -1, -1},
      {"", "A", 0, -1, -1, 0, -1, 0},
      {"\xC8", "A", 0, -1, 0, -1, 0, -1},  // CHR$(200) > "A"
      {"ABD", "ABC", 0, -1, 0, -1, 0, -1},
      {"B", "AAAA", 0, -1, 0, -1, 0, -1},
      {"SAME", "SAME", -1, 0, 0, 0, -1, -1},
      {std::string("A\0B", 3), std::string("A\0C", 3), 0, -1, -1, 0, -1, 0},
  };
  for (const Comparison &c : cases) {
    BasicString *a = variable(c.a);
    BasicString *b = temporary(c.b);
    uint32_t count = bstr_temp_mark();
    EXPECT_EQ(bstr_equal(a, b), c.equal) << c.a << " vs " << c.b;
    EXPECT_EQ(bstr_not_equal(a, b), c.not_equal) << c.a << " vs " << c.b;
    EXPECT_EQ(bstr_less(a, b), c.less) << c.a << " vs " << c.b;
    EXPECT_EQ(bstr_greater(a, b), c.greater) << c.a << " vs " << c.b;
    EXPECT_EQ(bstr_less_equal(a, b), c.less_equal) << c.a << " vs " << c.b;
    EXPECT_EQ(bstr_greater_equal(a, b), c.greater_equal) << c.a << " vs " << c.b;
    // Comparisons never consume.
    EXPECT_EQ(bstr_temp_mark(), count);
    EXPECT_EQ(text_of(b), c.b);
  }
}

}  // namespace
