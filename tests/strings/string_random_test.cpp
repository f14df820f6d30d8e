// A long random mix of string operations against a shadow model, with the whole storage
// checked after every operation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>

#include "runtime/values/string_storage.h"
#include "tests/support/string_model.h"

namespace {

constexpr uint32_t SEED = 20261211;
constexpr int OPERATIONS = 300000;
constexpr int EPOCH = 4000;   // the program ends its outer routine and frees everything

TEST(StringRandomTest, MixedOperationsKeepEveryInvariant) {
  std::printf("string random test: seed %u, %d operations\n", SEED, OPERATIONS);
  std::mt19937 random(SEED);
  StringModel model([&random](uint32_t bound) { return bound == 0 ? 0 : uint32_t(random() % bound); });
  StringStats before = string_stats;
  std::map<std::string, int> ran;
  std::string why;
  for (int i = 1; i <= OPERATIONS; i++) {
    const char *op = model.step();
    ran[op]++;
    bool deep = i % 1000 == 0;
    if (deep || std::strcmp(op, "skip") != 0)
      ASSERT_TRUE(model.check(&why, deep)) << "after operation " << i << " (" << op << "): " << why;
    if (i % EPOCH == 0) {
      model.clear();
      ASSERT_TRUE(model.check(&why)) << "after clearing at " << i << ": " << why;
      EXPECT_EQ(string_heap.fill, 0u) << "no heap string left";
      EXPECT_EQ(bstr_temp_mark(), 1u);
    }
  }
  for (const auto &[name, count] : ran) std::printf("  %-22s %d\n", name.c_str(), count);
  std::printf("  heap compactions %llu, growths %llu, low compactions %llu, take-overs %llu, "
              "grown in place %llu, relocations %llu\n",
              (unsigned long long)(string_stats.heap_compactions - before.heap_compactions),
              (unsigned long long)(string_stats.heap_growths - before.heap_growths),
              (unsigned long long)(string_stats.low_compactions - before.low_compactions),
              (unsigned long long)(string_stats.take_overs - before.take_overs),
              (unsigned long long)(string_stats.grown_in_place - before.grown_in_place),
              (unsigned long long)(string_stats.relocations - before.relocations));
  // Every path the test is meant to reach was reached.
  EXPECT_GT(string_stats.heap_compactions, before.heap_compactions);
  EXPECT_GT(string_stats.low_compactions, before.low_compactions);
  EXPECT_GT(string_stats.take_overs, before.take_overs);
  EXPECT_GT(string_stats.grown_in_place, before.grown_in_place);
  EXPECT_GT(string_stats.relocations, before.relocations);
  for (const char *name : {"new", "new temp", "new big", "new_low", "new_low temp", "new_fixed",
                           "new_fixed in segment", "from_text", "set", "add", "add and set", "free",
                           "free_temporaries", "mark", "make_temporary", "trim in place", "compare"})
    EXPECT_GT(ran[name], 0) << name;
  model.clear();
}

}  // namespace
