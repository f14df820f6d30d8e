// The GOSUB return-point stack. Its first 16,384 entries are static storage; it doubles
// whenever a push fills it.
#include <cstdlib>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/values/values.h"

namespace {
uint32_t initial_entries[RETURN_STACK_INITIAL_CAPACITY];
}

ReturnStack return_stack = {initial_entries, 0, RETURN_STACK_INITIAL_CAPACITY};

void rt_return_stack_grow() {
  ReturnStack &rs = return_stack;
  if (rs.capacity > INT32_MAX / 2) {  // the doubled capacity would not fit the count
    rt_error(ERR_OUT_OF_STACK_SPACE);
    platform_exit(0);
  }
  const int32_t capacity = rs.capacity * 2;
  const size_t bytes = static_cast<size_t>(capacity) * sizeof(uint32_t);
  uint32_t *entries;
  if (rs.entries == initial_entries) {
    entries = static_cast<uint32_t *>(std::malloc(bytes));
    if (entries != nullptr) std::memcpy(entries, initial_entries, sizeof initial_entries);
  } else {
    entries = static_cast<uint32_t *>(std::realloc(rs.entries, bytes));
  }
  if (entries == nullptr) {
    rt_error(ERR_OUT_OF_STACK_SPACE);
    platform_exit(0);
  }
  rs.entries = entries;
  rs.capacity = capacity;
}

void rt_gosub(uint32_t return_point) {
  ReturnStack &rs = return_stack;
  rs.entries[rs.count] = return_point;
  rs.count++;
  if (rs.count >= rs.capacity) rt_return_stack_grow();
}

uint32_t rt_return(uint32_t highest_point) {
  ReturnStack &rs = return_stack;
  if (rs.count <= 0) {
    rt_error(ERR_RETURN_WITHOUT_GOSUB);
    return 0;
  }
  rs.count--;
  const uint32_t point = rs.entries[rs.count];
  if (point == 0 || point > highest_point) {
    rt_error(ERR_RETURN_WITHOUT_GOSUB);
    return 0;
  }
  return point;
}

void return_stack_reset() { return_stack.count = 0; }
