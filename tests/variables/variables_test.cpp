// Variable storage, the GOSUB return-point stack, the subscript check, guard records and
// the routine bracket.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/platform/platform.h"
#include "runtime/values/string_storage.h"
#include "runtime/values/values.h"

namespace {

// Opened during static start-up, before any test: the very first guard of the process.
const uint64_t first_guard_id = rt_guard_open();

void clear_error() {
  pending_error.store(0);
  rt_control.event_pending.store(0);
}

int report_message_box(const char *text, const char *title, int buttons, bool system_modal) {
  std::cerr << "box [" << title << "] " << text << std::endl;
  return 1;
}

class Variables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    strings_startup();
    variable_storage_startup();
  }
  void SetUp() override {
    clear_error();
    return_stack_reset();
  }
  void TearDown() override {
    return_stack_reset();
    clear_error();
  }
};

// ---- variable storage -----------------------------------------------------------------------

TEST_F(Variables, CellsComeFromTheBlockInOrder) {
  VariableStorage &vs = variable_storage;
  ASSERT_NE(vs.block_start, nullptr);
  uint8_t *a = static_cast<uint8_t *>(rt_var_alloc(8));
  uint8_t *b = static_cast<uint8_t *>(rt_var_alloc(4));
  EXPECT_EQ(b, a + 8);
  EXPECT_EQ(vs.next_free, b + 4);
  std::memset(a, 0x5A, 12);  // the cells are usable memory
  rt_var_release(a);
  EXPECT_EQ(vs.next_free, a);
  // A mark outside the current block sends the position back to the block start.
  int outside = 0;
  rt_var_release(&outside);
  EXPECT_EQ(vs.next_free, vs.block_start);
  rt_var_release(vs.block_end);
  EXPECT_EQ(vs.next_free, vs.block_end) << "the block end itself is inside";
  rt_var_release(vs.block_start);
}

TEST_F(Variables, AllocatingExactlyTheRestTakesANewBlock) {
  VariableStorage &vs = variable_storage;
  const uint32_t old_size = vs.block_size;
  uint8_t *old_start = vs.block_start;
  const uint32_t rest = static_cast<uint32_t>(vs.block_end - vs.next_free);
  // One byte less than the rest still fits.
  uint8_t *fits = static_cast<uint8_t *>(rt_var_alloc(rest - 1));
  EXPECT_EQ(vs.block_start, old_start);
  EXPECT_EQ(vs.next_free, fits + rest - 1);
  rt_var_release(fits);
  uint8_t *cell = static_cast<uint8_t *>(rt_var_alloc(rest));
  EXPECT_NE(vs.block_start, old_start);
  EXPECT_EQ(cell, vs.block_start);
  EXPECT_EQ(vs.block_size, old_size * 2 + rest);
  EXPECT_EQ(vs.block_end, vs.block_start + vs.block_size);
  EXPECT_EQ(vs.next_free, cell + rest);
  std::memset(cell, 0, rest);
  // The old block is abandoned: a mark inside it now means the new block's start.
  rt_var_release(old_start + 16);
  EXPECT_EQ(vs.next_free, vs.block_start);
}

TEST_F(Variables, BlockThatCannotBeObtainedIsCriticalErrorFiveHundredFour) {
  // Twice the block size plus four gigabytes does not fit a 32-bit block size.
  EXPECT_EXIT(
      {
        platform_set_message_box_handler(report_message_box);
        rt_var_alloc(UINT32_MAX);
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "box \\[Critical Error #4\\] Out of memory");
}

// ---- the subscript check --------------------------------------------------------------------

TEST_F(Variables, SubscriptCheckWithLowerBoundOneAndTwelveElements) {
  struct Case {
    int32_t index;
    uint32_t offset;
    uint32_t error;
  };
  const Case cases[] = {{1, 0, 0}, {12, 11, 0}, {6, 5, 0}, {0, 0, 9}, {13, 0, 9}, {-1, 0, 9}, {INT32_MIN, 0, 9}};
  const int32_t lower = 1;
  for (const Case &c : cases) {
    const uint32_t offset = static_cast<uint32_t>(c.index) - static_cast<uint32_t>(lower);
    EXPECT_EQ(rt_check_index(offset, 12), c.offset) << "index " << c.index;
    EXPECT_EQ(pending_error.load(), c.error) << "index " << c.index;
    if (c.error) {
      EXPECT_EQ(rt_control.event_pending.load(), 1) << "the event check reports it";
    }
    clear_error();
  }
  EXPECT_EQ(rt_check_index(0, 0), 0u);
  EXPECT_EQ(pending_error.load(), 9u) << "an empty array has no element 0";
}

// ---- GOSUB and RETURN -----------------------------------------------------------------------

TEST_F(Variables, ReturnPopsInReverseOrder) {
  rt_gosub(3);
  rt_gosub(14);
  rt_gosub(1);
  EXPECT_EQ(return_stack.count, 3);
  EXPECT_EQ(rt_return(14), 1u);
  EXPECT_EQ(rt_return(14), 14u);
  EXPECT_EQ(rt_return(14), 3u);
  EXPECT_EQ(return_stack.count, 0);
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(Variables, ReturnWithoutGosubIsErrorThree) {
  struct Case {
    int pushed;  // -1: nothing pushed
    uint32_t result;
  };
  const Case cases[] = {{-1, 0}, {15, 0}, {0, 0}, {14, 14}};
  for (const Case &c : cases) {
    if (c.pushed >= 0) rt_gosub(static_cast<uint32_t>(c.pushed));
    EXPECT_EQ(rt_return(14), c.result) << "popping " << c.pushed;
    EXPECT_EQ(pending_error.load(), c.result ? 0u : 3u) << "popping " << c.pushed;
    EXPECT_EQ(return_stack.count, 0);
    clear_error();
  }
}

TEST_F(Variables, DeepGosubGrowsTheStackAndKeepsEveryPoint) {
  const int32_t initial = return_stack.capacity;
  ASSERT_GE(initial, RETURN_STACK_INITIAL_CAPACITY);
  const int32_t depth = 3 * initial + 5;
  for (int32_t i = 0; i < depth; i++) {
    rt_gosub(static_cast<uint32_t>(i % 14 + 1));
    if (i + 1 == initial) {
      EXPECT_EQ(return_stack.capacity, 2 * initial) << "the push that fills it doubles it";
    }
    if (i + 1 == initial - 1) {
      EXPECT_EQ(return_stack.capacity, initial);
    }
  }
  EXPECT_EQ(return_stack.count, depth);
  EXPECT_EQ(return_stack.capacity, 4 * initial);
  for (int32_t i = depth - 1; i >= 0; i--) ASSERT_EQ(rt_return(14), static_cast<uint32_t>(i % 14 + 1)) << i;
  EXPECT_EQ(pending_error.load(), 0u);
  EXPECT_EQ(rt_return(14), 0u);
  EXPECT_EQ(pending_error.load(), 3u);
}

TEST_F(Variables, TheSixteenThousandThreeHundredEightyFourthGosubGrowsToDouble) {
  // Run in a freshly started copy of this program, where the stack has its initial capacity.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        for (int32_t i = 0; i < RETURN_STACK_INITIAL_CAPACITY; i++) rt_gosub(1);
        std::exit(return_stack.capacity == 2 * RETURN_STACK_INITIAL_CAPACITY && pending_error.load() == 0 ? 7 : 8);
      },
      ::testing::ExitedWithCode(7), "");
}

TEST_F(Variables, StackThatCannotDoubleAnyMoreIsCriticalErrorTwoFiftySix) {
  // A capacity of 2^30 cannot double within a signed 32-bit count; the stack is never touched.
  EXPECT_EXIT(
      {
        platform_set_message_box_handler(report_message_box);
        return_stack.capacity = 1 << 30;
        rt_return_stack_grow();
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "box \\[Critical Error\\] Out of stack space");
}

// ---- guard records --------------------------------------------------------------------------

TEST_F(Variables, GuardIdsStartAboveTheFreedMarkAndCountUp) {
  EXPECT_EQ(first_guard_id, 1073741824u);
  const uint64_t a = rt_guard_open();
  GuardRecord *ra = current_guard;
  const uint64_t b = rt_guard_open();
  GuardRecord *rb = current_guard;
  EXPECT_EQ(b, a + 1);
  EXPECT_NE(ra, rb);
  EXPECT_EQ(ra->guard_id, a);
  EXPECT_EQ(rb->guard_id, b);
  rt_guard_close(rb);
  rt_guard_close(ra);
  EXPECT_EQ(ra->guard_id, 0u);
  // Closed records are reused, last closed first, with a new id.
  const uint64_t c = rt_guard_open();
  EXPECT_EQ(current_guard, ra);
  EXPECT_EQ(c, b + 1);
  EXPECT_EQ(current_guard->guard_kind, 0);
  rt_guard_close(current_guard);
}

TEST_F(Variables, ClosingAnOwnedMemoryGuardFreesItsMemoryOnce) {
  rt_guard_open();
  GuardRecord *r = current_guard;
  r->guard_kind = GUARD_OWNED_MEMORY;
  r->guard_memory = std::malloc(64);
  rt_guard_close(r);
  EXPECT_EQ(r->guard_memory, nullptr);
  // A second close does nothing (no double free, no second free-stack entry).
  rt_guard_close(r);
  rt_guard_open();
  GuardRecord *first = current_guard;
  rt_guard_open();
  GuardRecord *second = current_guard;
  EXPECT_NE(first, second);
  EXPECT_EQ(first->guard_kind, 0) << "a reused record starts without a kind";
  EXPECT_EQ(first->guard_memory, nullptr);
  rt_guard_close(first);
  rt_guard_close(second);
}

TEST_F(Variables, ManyGuardsSpanSeveralBlocks) {
  std::vector<GuardRecord *> records;
  uint64_t last = 0;
  for (int i = 0; i < 25000; i++) {
    const uint64_t id = rt_guard_open();
    if (last) {
      ASSERT_EQ(id, last + 1);
    }
    last = id;
    current_guard->guard_kind = GUARD_ARRAY;
    records.push_back(current_guard);
  }
  for (GuardRecord *r : records) rt_guard_close(r);
  for (GuardRecord *r : records) ASSERT_EQ(r->guard_id, 0u);
}

// ---- arrays ---------------------------------------------------------------------------------

TEST_F(Variables, StringArrayOfTwelveRooms) {
  const uint32_t mark = bstr_temp_mark();
  ArrayDescriptor *exits = rt_dim(1, 12, 0, 1, 0);
  EXPECT_EQ(exits->element_count, 12u);
  EXPECT_EQ(exits->lower_bound, 1);
  EXPECT_EQ(exits->element_step, 8u);
  EXPECT_EQ(exits->flags & ARRAY_DIMENSIONED, uint32_t{ARRAY_DIMENSIONED});
  EXPECT_EQ(exits->guard->guard_kind, GUARD_ARRAY);
  EXPECT_NE(exits->guard->guard_id, 0u);
  for (int32_t i = 1; i <= 12; i++) {
    BasicString *e = rt_string_element(exits, i);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->length, 0);
    EXPECT_FALSE(e->temporary);
    bstr_set(e, bstr_from_cstr(i == 12 ? "NORTH OR SOUTH" : "WEST"));
    bstr_free_temporaries(mark, 0);
  }
  EXPECT_NE(rt_string_element(exits, 1), rt_string_element(exits, 2));
  BasicString *last = rt_string_element(exits, 12);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(last->data), last->length), "NORTH OR SOUTH");
  EXPECT_EQ(pending_error.load(), 0u);
  // Index 13 (and 0) raise error 9 and give the first element.
  EXPECT_EQ(rt_string_element(exits, 13), rt_string_element(exits, 1));
  EXPECT_EQ(pending_error.load(), 9u);
  clear_error();
  EXPECT_EQ(rt_array_element(exits, 0), exits->elements);
  EXPECT_EQ(pending_error.load(), 9u);
  EXPECT_EQ(bstr_temp_mark(), mark);
}

TEST_F(Variables, NumericArrayStartsAtZero) {
  ArrayDescriptor *a = rt_dim(-2, 2, sizeof(double), 0, ARRAY_STATIC);
  EXPECT_EQ(a->element_count, 5u);
  EXPECT_EQ(a->flags, uint32_t{ARRAY_STATIC | ARRAY_DIMENSIONED});
  for (int32_t i = -2; i <= 2; i++) EXPECT_EQ(*static_cast<double *>(rt_array_element(a, i)), 0.0);
  *static_cast<double *>(rt_array_element(a, 2)) = 4.5;
  EXPECT_EQ(static_cast<double *>(rt_array_element(a, -2))[4], 4.5);
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(Variables, DimAlignsItsDescriptorAndElementsAfterAnOddCell) {
  for (uint32_t odd : {1u, 3u, 7u}) {
    rt_var_alloc(odd);  // a byte-sized cell leaves the storage at an odd address
    ArrayDescriptor *a = rt_dim(1, 3, sizeof(long double), 0, 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % alignof(ArrayDescriptor), 0u) << odd;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a->elements) % alignof(long double), 0u) << odd;
    *static_cast<long double *>(rt_array_element(a, 3)) = 2.5L;
    EXPECT_EQ(*static_cast<long double *>(rt_array_element(a, 3)), 2.5L);
  }
  EXPECT_EQ(pending_error.load(), 0u);
}

TEST_F(Variables, DimWithBoundsInTheWrongOrderIsErrorNine) {
  ArrayDescriptor *a = rt_dim(5, 4, 0, 1, 0);
  EXPECT_EQ(pending_error.load(), 9u);
  EXPECT_EQ(a->element_count, 0u);
  EXPECT_EQ(a->flags & ARRAY_DIMENSIONED, 0u);
  // An access that happens anyway reads a harmless empty string.
  BasicString *e = rt_string_element(a, 5);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->length, 0);
}

// ---- the routine bracket --------------------------------------------------------------------

TEST_F(Variables, RoutineBracketRestoresWhatItSaved) {
  const uint32_t mark = bstr_temp_mark();
  uint8_t *position = variable_storage.next_free;
  const int32_t top = low_pool.descriptor_top;

  RoutineFrame outer;
  rt_routine_enter(&outer);
  EXPECT_EQ(outer.temp_mark, mark);
  EXPECT_EQ(outer.var_mark, position);
  EXPECT_EQ(outer.guard, current_guard);
  EXPECT_EQ(outer.guard->guard_kind, GUARD_ROUTINE);
  const uint64_t outer_id = outer.guard->guard_id;

  // The routine's locals: numeric cells, a heap string and a low-memory string.
  double *local = static_cast<double *>(rt_var_alloc(sizeof(double)));
  *local = 0;
  BasicString *name = bstr_new(0, 0);
  BasicString *low = bstr_new_low(3, 0);
  EXPECT_LT(low_pool.descriptor_top, top);

  RoutineFrame inner;  // a second call in a row gets the next id
  rt_routine_enter(&inner);
  EXPECT_EQ(inner.guard->guard_id, outer_id + 1);
  rt_routine_exit(&inner);
  EXPECT_EQ(inner.guard->guard_id, 0u);

  bstr_free(low);
  bstr_free(name);
  rt_routine_exit(&outer);
  EXPECT_EQ(outer.guard->guard_id, 0u);
  EXPECT_EQ(variable_storage.next_free, position);
  EXPECT_EQ(low_pool.descriptor_top, top);

  // Low strings made after the call get sound descriptors at the restored top.
  BasicString *after = bstr_new_low(2, 0);
  BasicString *other = bstr_new_low(2, 0);
  EXPECT_NE(after->low_descriptor, other->low_descriptor);
  char why[256] = "";
  EXPECT_TRUE(string_storage_check(why, sizeof why)) << why;
  bstr_free(other);
  bstr_free(after);
}

}  // namespace
