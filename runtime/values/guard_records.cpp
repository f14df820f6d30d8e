// Guard records: one per routine invocation and per array (and per memory block). A memory
// block keeps a copy of its record's id; once the record is closed (id 0) or reused (a new
// id), the copy no longer matches and the block is known to be freed.
#include <cstdlib>

#include "runtime/errors/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/values/values.h"

namespace {

constexpr uint32_t GUARD_BLOCK_COUNT = 10000;
constexpr uint32_t GUARD_FREE_STACK_INITIAL = 1000;

GuardRecord *guard_block = nullptr;  // block handing out never-used records
uint32_t guard_block_used = GUARD_BLOCK_COUNT;
GuardRecord **guard_free_stack = nullptr;
uint32_t guard_free_count = 0;
uint32_t guard_free_capacity = 0;
uint64_t guard_counter = GUARD_ID_START;

[[noreturn]] void out_of_guard_memory() {
  rt_error(ERR_CRITICAL_MEMORY_BLOCKS);
  platform_exit(0);
}

}  // namespace

GuardRecord *current_guard = nullptr;

uint64_t rt_guard_open() {
  GuardRecord *record;
  if (guard_free_count > 0) {
    record = guard_free_stack[--guard_free_count];
  } else {
    if (guard_block_used == GUARD_BLOCK_COUNT) {
      guard_block = static_cast<GuardRecord *>(std::calloc(GUARD_BLOCK_COUNT, sizeof(GuardRecord)));
      if (guard_block == nullptr) out_of_guard_memory();
      guard_block_used = 0;
    }
    record = &guard_block[guard_block_used++];
  }
  // A reused record must not carry its previous owner's kind or memory.
  record->guard_kind = 0;
  record->guard_memory = nullptr;
  record->guard_id = ++guard_counter;
  current_guard = record;
  return record->guard_id;
}

void rt_guard_close(GuardRecord *record) {
  // Closing twice would put the record on the free stack twice and hand it out twice.
  if (record == nullptr || record->guard_id == 0) return;
  record->guard_id = 0;
  if (record->guard_kind == GUARD_OWNED_MEMORY) {
    std::free(record->guard_memory);
    record->guard_memory = nullptr;
  }
  if (guard_free_count == guard_free_capacity) {
    const uint32_t capacity = guard_free_capacity == 0 ? GUARD_FREE_STACK_INITIAL : guard_free_capacity * 2;
    auto *stack = static_cast<GuardRecord **>(std::realloc(guard_free_stack, capacity * sizeof(GuardRecord *)));
    if (stack == nullptr) out_of_guard_memory();
    guard_free_stack = stack;
    guard_free_capacity = capacity;
  }
  guard_free_stack[guard_free_count++] = record;
}
