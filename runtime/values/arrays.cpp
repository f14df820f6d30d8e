// One-dimensional arrays in variable storage: DIM and checked element access.
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/values/values.h"

namespace {
constexpr uint32_t STRING_ELEMENT_SIZE = 8;
// Descriptors hold pointers and elements may be any numeric type up to the 80-bit one, so
// both start on an address fit for the widest type whatever cells came before them.
constexpr uintptr_t CELL_ALIGNMENT = alignof(long double);

void *aligned_var_alloc(uint32_t n) {
  auto *cell = static_cast<uint8_t *>(rt_var_alloc(n + CELL_ALIGNMENT - 1));
  return cell + (CELL_ALIGNMENT - reinterpret_cast<uintptr_t>(cell) % CELL_ALIGNMENT) % CELL_ALIGNMENT;
}
}  // namespace

ArrayDescriptor *rt_dim(int32_t lower, int32_t upper, uint32_t element_size, int32_t is_string,
                        uint32_t flags) {
  auto *array = static_cast<ArrayDescriptor *>(aligned_var_alloc(sizeof(ArrayDescriptor)));
  const uint32_t step = is_string ? STRING_ELEMENT_SIZE : (element_size == 0 ? 1 : element_size);
  int64_t count = int64_t{upper} - lower + 1;
  if (count <= 0) {
    rt_error(ERR_SUBSCRIPT_OUT_OF_RANGE);
    count = 0;
  } else if (uint64_t(count) * step > UINT32_MAX / 2) {
    rt_error(ERR_OUT_OF_MEMORY);
    count = 0;
  }
  // A failed DIM still gets one harmless cell, so an access that happens anyway (offset 0
  // after the subscript error) reads a zero or an empty string.
  const uint32_t cells = count == 0 ? 1 : static_cast<uint32_t>(count);
  array->elements = static_cast<uint8_t *>(aligned_var_alloc(cells * step));
  if (is_string) {
    for (uint32_t i = 0; i < cells; i++) {
      BasicString *s = bstr_new(0, 0);
      std::memcpy(array->elements + uint64_t{i} * step, &s, sizeof s);
    }
  } else {
    std::memset(array->elements, 0, uint64_t{cells} * step);
  }
  array->flags = flags | (count > 0 ? uint32_t{ARRAY_DIMENSIONED} : 0u);
  array->lower_bound = lower;
  array->element_count = static_cast<uint32_t>(count);
  array->element_step = step;
  rt_guard_open();
  array->guard = current_guard;
  array->guard->guard_kind = GUARD_ARRAY;
  return array;
}

void *rt_array_element(ArrayDescriptor *array, int32_t index) {
  const uint32_t offset = static_cast<uint32_t>(index) - static_cast<uint32_t>(array->lower_bound);
  return array->elements + uint64_t{rt_check_index(offset, array->element_count)} * array->element_step;
}

BasicString *rt_string_element(ArrayDescriptor *array, int32_t index) {
  BasicString *s;
  std::memcpy(&s, rt_array_element(array, index), sizeof s);
  return s;
}
