// UCASE$, LCASE$, LTRIM$, RTRIM$, SPACE$, STRING$, CHR$, ASC, LEN and INSTR.
#include <cstring>

#include "runtime/values/string_function_helpers.h"

namespace {

// Re-cases bytes first..last (inclusive) to the other case by adding delta.
BasicString *change_case(BasicString *s, uint8_t first, uint8_t last, int delta) {
  if (error_is_pending()) return empty_temporary();
  if (s->length == 0) return s;
  uint8_t *p = s->data;
  int32_t n = s->length;
  if (modifiable_in_place(s)) {
    for (int32_t i = 0; i < n; i++)
      if (p[i] >= first && p[i] <= last) p[i] = static_cast<uint8_t>(p[i] + delta);
    return s;
  }
  // Leave variables and literals alone unless something has to change.
  int32_t i = 0;
  while (i < n && !(p[i] >= first && p[i] <= last)) i++;
  if (i == n) return s;
  BasicString *r = temporary_copy(s, 0, n);
  for (; i < n; i++)
    if (r->data[i] >= first && r->data[i] <= last) r->data[i] = static_cast<uint8_t>(r->data[i] + delta);
  consume_argument(s);
  return r;
}

// Every byte value once, so CHR$ can hand out a read-only one-byte view without copying.
struct ByteTable {
  uint8_t bytes[256];
  constexpr ByteTable() : bytes() {
    for (int i = 0; i < 256; i++) bytes[i] = static_cast<uint8_t>(i);
  }
};
constexpr ByteTable all_bytes;

BasicString *filled_temporary(int32_t n, uint8_t byte) {
  if (n < 0) n = 0;
  BasicString *r = bstr_new(static_cast<uint32_t>(n), 1);
  if (n > 0) std::memset(r->data, byte, static_cast<size_t>(n));
  return r;
}

}  // namespace

BasicString *rt_ucase(BasicString *s) { return change_case(s, 'a', 'z', 'A' - 'a'); }
BasicString *rt_lcase(BasicString *s) { return change_case(s, 'A', 'Z', 'a' - 'A'); }

BasicString *rt_ltrim(BasicString *s) {
  if (error_is_pending()) return empty_temporary();
  if (s->length == 0 || s->data[0] != ' ') return s;
  if (modifiable_in_place(s)) {
    while (s->length > 0 && s->data[0] == ' ') {
      s->data++;
      s->length--;
    }
    return s;
  }
  int32_t skip = 0;
  while (skip < s->length && s->data[skip] == ' ') skip++;
  BasicString *r = temporary_copy(s, skip, s->length - skip);
  consume_argument(s);
  return r;
}

BasicString *rt_rtrim(BasicString *s) {
  if (error_is_pending()) return empty_temporary();
  if (s->length == 0 || s->data[s->length - 1] != ' ') return s;
  if (modifiable_in_place(s)) {
    while (s->length > 0 && s->data[s->length - 1] == ' ') s->length--;
    return s;
  }
  int32_t keep = s->length;
  while (keep > 0 && s->data[keep - 1] == ' ') keep--;
  BasicString *r = temporary_copy(s, 0, keep);
  consume_argument(s);
  return r;
}

BasicString *rt_space(int32_t n) {
  if (error_is_pending()) return empty_temporary();
  return filled_temporary(n, ' ');
}

BasicString *rt_string_fill(int32_t n, int32_t code) {
  if (error_is_pending()) return empty_temporary();
  return filled_temporary(n, static_cast<uint8_t>(code & 255));
}

BasicString *rt_chr(int32_t code) {
  if (error_is_pending()) return empty_temporary();
  if (code < 0 || code > 255) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return empty_temporary();
  }
  return bstr_from_text(&all_bytes.bytes[code], 1);
}

int32_t rt_asc(BasicString *s) {
  if (error_is_pending()) return 0;
  if (s->length == 0) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  return s->data[0];
}

int32_t rt_asc_at(BasicString *s, int32_t pos) {
  if (error_is_pending()) return 0;
  if (pos < 1 || pos > s->length) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  return s->data[pos - 1];
}

int32_t rt_len(BasicString *s) {
  if (error_is_pending()) return 0;
  return s->length;
}

int32_t rt_instr(int32_t start, BasicString *s, BasicString *find, int32_t start_passed) {
  if (error_is_pending()) return 0;
  if (!(start_passed & 1)) start = 1;
  const int32_t len = s->length;
  const int32_t find_len = find->length;
  if (len == 0) return 0;
  if (start <= 0) {
    start = 1;
    if (find_len == 0) return 0;
  }
  if (start > len) return 0;
  if (find_len == 0) return start;
  if (static_cast<int64_t>(start) + find_len - 1 > len) return 0;
  const uint8_t *base = s->data;
  const uint8_t *end = base + len;
  const uint8_t *p = base + (start - 1);
  const uint8_t first = find->data[0];
  for (;;) {
    // Only places where the whole of find still fits are worth looking at.
    const uint8_t *last_place = end - find_len;
    if (p > last_place) return 0;
    p = static_cast<const uint8_t *>(std::memchr(p, first, static_cast<size_t>(last_place - p + 1)));
    if (p == nullptr) return 0;
    if (std::memcmp(p, find->data, static_cast<size_t>(find_len)) == 0)
      return static_cast<int32_t>(p - base) + 1;
    p++;
  }
}
