// LEFT$, RIGHT$, MID$, and the statements that write into a string: LSET, RSET and MID$.
#include <cstring>

#include "runtime/files/files.h"
#include "runtime/values/string_function_helpers.h"

namespace {

// The bytes [offset, offset + n) of s as the result: s itself when that is all of it, s
// shortened in place when allowed, else a new temporary (consuming s).
BasicString *slice(BasicString *s, int32_t offset, int32_t n) {
  if (offset == 0 && n == s->length) return s;
  if (modifiable_in_place(s)) {
    s->data += offset;
    s->length = n;
    return s;
  }
  BasicString *r = temporary_copy(s, offset, n);
  consume_argument(s);
  return r;
}

// A statement may only write into bytes that some variable owns.
bool writable_target(const BasicString *target) {
  return !target->read_only && target != blank_string && target->length > 0;
}

void write_back_field(BasicString *target) {
  if (target->field_binding != nullptr) field_binding_write_back(target);
}

}  // namespace

BasicString *rt_left(BasicString *s, int32_t n) {
  if (error_is_pending()) return empty_temporary();
  if (n > s->length) n = s->length;
  if (n < 0) n = 0;
  return slice(s, 0, n);
}

BasicString *rt_right(BasicString *s, int32_t n) {
  if (error_is_pending()) return empty_temporary();
  if (n > s->length) n = s->length;
  if (n < 0) n = 0;
  return slice(s, s->length - n, n);
}

BasicString *rt_mid(BasicString *s, int32_t start, int32_t n, int32_t n_passed) {
  if (error_is_pending()) return empty_temporary();
  const int64_t len = s->length;
  int64_t first = start;
  int64_t count;
  if (n_passed & 1) {
    count = n;
    if (first <= 0) {
      count += first - 1;  // a start before the string eats into the count
      first = 1;
    }
    if (count <= 0 || first > len) {
      first = 1;
      count = 0;
    } else if (first + count > len) {
      count = len - first + 1;
    }
  } else {
    if (first <= 0) first = 1;
    count = len - first + 1;
    if (count <= 0) {
      first = 1;
      count = 0;
    }
  }
  return slice(s, static_cast<int32_t>(first - 1), static_cast<int32_t>(count));
}

void rt_lset(BasicString *target, BasicString *source) {
  if (error_is_pending() || !writable_target(target)) return;
  const int32_t n = source->length < target->length ? source->length : target->length;
  if (n > 0) std::memmove(target->data, source->data, static_cast<size_t>(n));
  if (n < target->length) std::memset(target->data + n, ' ', static_cast<size_t>(target->length - n));
  write_back_field(target);
}

void rt_rset(BasicString *target, BasicString *source) {
  if (error_is_pending() || !writable_target(target)) return;
  if (source->length < target->length) {
    const int32_t pad = target->length - source->length;
    // Move first: the source may be the target itself or lie inside it.
    if (source->length > 0)
      std::memmove(target->data + pad, source->data, static_cast<size_t>(source->length));
    std::memset(target->data, ' ', static_cast<size_t>(pad));
  } else {
    std::memmove(target->data, source->data, static_cast<size_t>(target->length));
  }
  write_back_field(target);
}

void rt_mid_set(BasicString *target, int32_t start, int32_t n, BasicString *source,
                int32_t n_passed) {
  if (error_is_pending() || !writable_target(target)) return;
  const int64_t target_len = target->length;
  const int64_t source_len = source->length;
  int64_t first = start;
  int64_t count = (n_passed & 1) ? n : source_len;
  int64_t skip = 0;
  if (first <= 0) {
    skip = 1 - first;
    count += first - 1;
    first = 1;
  }
  if (count <= 0 || first > target_len) return;
  if (first + count - 1 > target_len) count = target_len - first + 1;
  if (skip >= source_len) return;
  if (source_len - skip < count) count = source_len - skip;
  uint8_t *to = target->data + (first - 1);
  const uint8_t *from = source->data + skip;
  if (to != from) std::memmove(to, from, static_cast<size_t>(count));
  write_back_field(target);
}
