// The pools under load: heap compaction and growth, list maintenance, the temporary list
// and descriptor blocks growing, the low pool with its 4-byte descriptors, and the
// critical errors of exhausted pools.
#include <algorithm>
#include <cstdio>

#include "runtime/errors/errors.h"
#include "runtime/platform/platform.h"
#include "tests/strings/string_fixture.h"

namespace {

TEST_F(StringTest, CompactionMovesOnlyStringsBehindGapsOverThirtyTwoBytes) {
  ASSERT_EQ(live(string_heap.list), 0);
  // a (5 bytes + 32 spare) | b (10 + 32, freed) | c (3 + 32) | d (4 + 32)
  BasicString *a = bstr_new(5, 0);
  BasicString *b = bstr_new(10, 0);
  BasicString *c = bstr_new(3, 0);
  BasicString *d = bstr_new(4, 0);
  std::memcpy(a->data, "aaaaa", 5);
  std::memcpy(c->data, "ccc", 3);
  std::memcpy(d->data, "dddd", 4);
  bstr_free(b);
  uint8_t *a_bytes = a->data;
  heap_compact(0);
  EXPECT_EQ(a->data, a_bytes) << "the first string's gap is 0";
  EXPECT_EQ(c->data, a->data + 5) << "c was 74 bytes behind a's end";
  EXPECT_EQ(d->data, c->data + 3) << "d was 32 + 74 bytes behind c's new end";
  EXPECT_EQ(string_heap.fill, size_t(d->data + 4 - string_heap.base));
  EXPECT_EQ(text_of(a), "aaaaa");
  EXPECT_EQ(text_of(c), "ccc");
  EXPECT_EQ(text_of(d), "dddd");

  // A gap of exactly 32 bytes stays.
  BasicString *e = bstr_new(2, 0);
  BasicString *f = bstr_new(2, 0);
  std::memcpy(f->data, "ff", 2);
  uint8_t *e_bytes = e->data;
  uint8_t *f_bytes = f->data;
  heap_compact(0);
  EXPECT_EQ(e->data, e_bytes);
  EXPECT_EQ(f->data, f_bytes);
  EXPECT_EQ(text_of(f), "ff");
  for (BasicString *s : {a, c, d, e, f}) bstr_free(s);
  EXPECT_EQ(string_heap.fill, 0u);
}

TEST_F(StringTest, NewStringThatDoesNotFitCompactsTheHeap) {
  size_t size = string_heap.size;
  // Fill most of the heap with a string, free it behind a survivor: the bytes come back
  // only through compaction.
  BasicString *big = bstr_new(uint32_t(size / 2), 0);
  BasicString *keep = variable("survivor");
  bstr_free(big);
  uint64_t compactions = string_stats.heap_compactions;
  BasicString *s = bstr_new(uint32_t(size / 2), 1);
  EXPECT_EQ(string_stats.heap_compactions, compactions + 1);
  EXPECT_EQ(string_heap.size, size) << "half the heap was free: no growth";
  EXPECT_EQ(keep->data, string_heap.base) << "the survivor moved down to the base";
  EXPECT_EQ(text_of(keep), "survivor");
  EXPECT_EQ(s->data, keep->data + keep->length);
  expect_sound();
}

TEST_F(StringTest, HeapGrowsGeometricallyAndRebasesItsStrings) {
  size_t size = string_heap.size;
  BasicString *keep = variable("kept across the move");
  uint64_t growths = string_stats.heap_growths;
  uint32_t length = uint32_t(size);  // cannot fit
  BasicString *s = bstr_new(length, 0);
  permanents.push_back(s);
  EXPECT_EQ(string_stats.heap_growths, growths + 1);
  size_t need = size_t(length) + STRING_SLACK;
  EXPECT_EQ(string_heap.size, size * 2 + need);
  EXPECT_GE(keep->data, string_heap.base);
  EXPECT_LT(keep->data, string_heap.base + string_heap.size);
  EXPECT_EQ(text_of(keep), "kept across the move");
  std::memset(s->data, 'z', length);  // the new string's bytes lie inside the heap
  EXPECT_LE(s->data + length, string_heap.base + string_heap.size);
  expect_sound();
}

TEST_F(StringTest, RelocationCompactsWhenTheHeapIsFull) {
  BasicString *v = variable("v");
  BasicString *blocker = bstr_new(uint32_t(string_heap.size - string_heap.fill - 64), 0);
  permanents.push_back(blocker);
  uint64_t compactions = string_stats.heap_compactions;
  std::string value(1000, 'r');
  bstr_set(v, literal(value));
  EXPECT_GT(string_stats.heap_compactions, compactions);
  EXPECT_EQ(text_of(v), value);
  expect_sound();
}

TEST_F(StringTest, HeapListMaintenanceDropsFreedEntriesAndDoubles) {
  ASSERT_EQ(string_heap.list.count, 0);
  int32_t capacity = string_heap.list.capacity;
  std::vector<BasicString *> strings;
  // Fill the list to its last slot, then free two strings of every three.
  for (int32_t i = 0; i <= capacity; i++) {
    BasicString *s = bstr_new(1, 0);
    s->data[0] = uint8_t(i);
    strings.push_back(s);
  }
  std::vector<BasicString *> survivors;
  for (int32_t i = 0; i <= capacity; i++) {
    if (i % 3 == 0) survivors.push_back(strings[size_t(i)]);
    else bstr_free(strings[size_t(i)]);
  }
  ASSERT_EQ(string_heap.list.count, capacity + 1) << "the last string is alive";
  uint64_t runs = string_stats.list_maintenances;
  BasicString *extra = bstr_new(0, 0);
  EXPECT_EQ(string_stats.list_maintenances, runs + 1);
  EXPECT_EQ(string_heap.list.capacity, capacity) << "less than half the list was in use: no doubling";
  EXPECT_EQ(string_heap.list.count, int32_t(survivors.size()) + 1);
  for (size_t k = 0; k < survivors.size(); k++) {
    BasicString *s = survivors[k];
    ASSERT_EQ(s->list_index, int32_t(k)) << "survivors keep their order";
    ASSERT_EQ(string_heap.list.entries[k], s);
    ASSERT_EQ(s->data[0], uint8_t(k * 3));
  }
  EXPECT_EQ(extra->list_index, int32_t(survivors.size()));
  expect_sound();

  // Now fill it with live strings: maintenance finds no room and doubles the capacity.
  std::vector<BasicString *> more;
  while (string_heap.list.count <= string_heap.list.capacity) more.push_back(bstr_new(0, 0));
  more.push_back(bstr_new(0, 0));
  EXPECT_EQ(string_heap.list.capacity, capacity * 2);
  EXPECT_EQ(string_heap.list.count, capacity + 2);
  expect_sound();
  for (BasicString *s : survivors) bstr_free(s);
  for (BasicString *s : more) bstr_free(s);
  bstr_free(extra);
}

TEST_F(StringTest, TemporaryListAndDescriptorPoolGrowUnderLoad) {
  uint32_t capacity = temp_list.capacity;
  uint32_t blocks = descriptor_pool.block_count;
  uint32_t free_capacity = descriptor_pool.free_capacity;
  // More temporaries than the list holds, than the free stack and the current block can
  // supply, and than the free stack can take back without growing.
  uint32_t n = capacity + 1;
  n = std::max(n, descriptor_pool.free_count + (DESCRIPTOR_BLOCK_COUNT - descriptor_pool.block_used) + 1);
  n = std::max(n, free_capacity + 1);
  std::vector<BasicString *> temps;
  for (uint32_t i = 0; i < n; i++) temps.push_back(bstr_from_cstr("x"));
  EXPECT_GT(temp_list.capacity, capacity);
  EXPECT_GT(descriptor_pool.block_count, blocks);
  for (size_t i = 0; i < temps.size(); i++) ASSERT_EQ(temp_list.entries[temps[i]->temp_index], temps[i]);
  expect_sound();
  bstr_free_temporaries(mark, 0);
  EXPECT_GE(descriptor_pool.free_count, n);
  EXPECT_GT(descriptor_pool.free_capacity, free_capacity);
  EXPECT_EQ(bstr_temp_mark(), mark);
}

// ---- the low pool ----------------------------------------------------------------------

TEST_F(StringTest, LowDescriptorFollowsEveryAssignment) {
  BasicString *v = bstr_new_low(0, 0);
  permanents.push_back(v);
  ASSERT_NE(v->low_descriptor, nullptr);
  auto expect_descriptor = [&](const char *what) {
    EXPECT_EQ(low_descriptor_of(v), std::make_pair(uint32_t(v->length), segment_offset(v))) << what;
  };
  expect_descriptor("new");
  bstr_set(v, literal("grow at the end"));
  expect_descriptor("grown in place");
  BasicString *next = low_variable("blocks");
  bstr_set(v, literal("now longer than before, relocated"));
  expect_descriptor("relocated");
  bstr_set(v, literal("short"));
  expect_descriptor("shortened");
  BasicString *temp = bstr_new_low(3, 1);
  std::memcpy(temp->data, "low", 3);
  uint8_t *temp_bytes = temp->data;
  bstr_set(v, temp);
  EXPECT_EQ(v->data, temp_bytes);
  EXPECT_EQ(text_of(v), "low");
  expect_descriptor("taken over from a low temporary");
  bstr_set(v, temporary("from the heap"));
  EXPECT_EQ(v->in_low_memory, 1);
  expect_descriptor("copied from a heap temporary");
  low_compact(0);
  expect_descriptor("after compaction");
  EXPECT_EQ(text_of(v), "from the heap");
  EXPECT_EQ(text_of(next), "blocks");
  expect_sound();
}

TEST_F(StringTest, LowCompactionReclaimsFreedBytes) {
  int32_t fill = low_pool.fill;
  BasicString *keep = low_variable("keep");
  for (int i = 0; i < 100; i++) bstr_free(bstr_new_low(100, 1));
  EXPECT_GE(low_pool.fill, fill + 10000) << "freed low bytes stay until compaction";
  uint64_t compactions = string_stats.low_compactions;
  // A string too large for the rest of the pool forces compaction.
  uint32_t length = uint32_t(low_pool.descriptor_top - low_pool.fill + 1);
  BasicString *s = bstr_new_low(length, 1);
  EXPECT_EQ(string_stats.low_compactions, compactions + 1);
  EXPECT_EQ(text_of(keep), "keep");
  EXPECT_EQ(low_descriptor_of(keep), std::make_pair(4u, segment_offset(keep)));
  bstr_free(s);
  expect_sound();
}

TEST_F(StringTest, MakingAndFreeingLowStringsDoesNotWearThePoolDown) {
  int32_t top = low_pool.descriptor_top;
  // Each permanent low string needs a 4-byte descriptor; released ones are reused.
  for (int i = 0; i < 40000; i++) {
    BasicString *s = bstr_new_low(8, 0);
    uint8_t dummy[2];
    BasicString *f = bstr_new_fixed(real_memory + LOW_SEGMENT_OFFSET + 100, 2, 0);
    BasicString *g = bstr_new_fixed(dummy, 2, 0);
    bstr_free(s);
    bstr_free(f);
    bstr_free(g);
  }
  EXPECT_GE(low_pool.descriptor_top, top - 8);
  expect_sound();
}

TEST_F(StringTest, TakingOverAPermanentMadeTemporaryReleasesItsLowDescriptor) {
  BasicString *v = low_variable("target");
  BasicString *p = bstr_new_low(3, 0);
  std::memcpy(p->data, "fun", 3);
  int32_t slot = p->low_descriptor_offset;
  bstr_make_temporary(p);  // a FUNCTION result built in a permanent local
  bstr_set(v, p);
  EXPECT_EQ(text_of(v), "fun");
  EXPECT_EQ(low_descriptor_of(v), std::make_pair(3u, segment_offset(v)));
  const uint8_t *old = real_memory + LOW_SEGMENT_OFFSET + slot;
  EXPECT_EQ(old[0] | old[1] | old[2] | old[3], 0) << "the released descriptor is cleared";
  // The slot is handed out again.
  BasicString *next = bstr_new_low(1, 0);
  EXPECT_EQ(next->low_descriptor_offset, slot);
  bstr_free(next);
}

TEST_F(StringTest, HeapTargetWithLowTemporaryCopiesInsteadOfTakingOver) {
  BasicString *v = variable("heap");
  BasicString *low = bstr_new_low(5, 1);
  std::memcpy(low->data, "lowly", 5);
  uint64_t take_overs = string_stats.take_overs;
  bstr_set(v, low);
  EXPECT_EQ(string_stats.take_overs, take_overs);
  EXPECT_EQ(v->in_low_memory, 0);
  EXPECT_EQ(text_of(v), "lowly");
  EXPECT_EQ(bstr_temp_mark(), mark) << "the low temporary was consumed";
}

// ---- critical errors -------------------------------------------------------------------

int report_box(const char *text, const char *title, int, bool) {
  std::fprintf(stderr, "[%s] %s\n", title, text);
  return MESSAGE_BOX_ANSWER_OK;
}

using StringDeathTest = StringTest;

TEST_F(StringDeathTest, LowPoolTooSmallAfterCompactionIsCriticalError13) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform_set_message_box_handler(report_box);
        bstr_new_low(uint32_t(low_pool.descriptor_top - low_pool.fill - 100), 0);
        bstr_new_low(200, 0);
      },
      ::testing::ExitedWithCode(0), "\\[Critical Error #13\\] Out of memory");
  EXPECT_EXIT(
      {
        platform_set_message_box_handler(report_box);
        bstr_new_low(70000, 1);
      },
      ::testing::ExitedWithCode(0), "\\[Critical Error #13\\] Out of memory");
}

TEST_F(StringDeathTest, FixedDescriptorOverlappingStringBytesIsCriticalError15) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform_set_message_box_handler(report_box);
        // Leave less than 4 bytes between the string bytes and the descriptor top.
        bstr_new_low(uint32_t(low_pool.descriptor_top - low_pool.fill - 6), 0);
        bstr_new_fixed(real_memory + LOW_SEGMENT_OFFSET + 8, 4, 0);
      },
      ::testing::ExitedWithCode(0), "\\[Critical Error #15\\] Out of memory");
}

}  // namespace
