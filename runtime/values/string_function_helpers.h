// Shared by the string functions of this folder: the in-place rule, consuming arguments
// and building new temporaries.
#pragma once
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/values/values.h"

// A temporary that owns heap bytes may be shortened, trimmed or re-cased in place.
inline bool modifiable_in_place(const BasicString *s) {
  return s->temporary && !s->fixed_length && !s->read_only && !s->in_low_memory;
}

// A function that built a new result from a temporary argument frees the argument.
inline void consume_argument(BasicString *s) {
  if (s->temporary) bstr_free(s);
}

inline bool error_is_pending() { return pending_error.load(std::memory_order_relaxed) != 0; }

inline BasicString *empty_temporary() { return bstr_new(0, 1); }

// A new temporary holding a copy of length bytes of s from offset. Making it may compact
// the heap and move s's bytes, so they are read only afterwards.
inline BasicString *temporary_copy(const BasicString *s, int32_t offset, int32_t length) {
  BasicString *r = bstr_new(static_cast<uint32_t>(length), 1);
  if (length > 0) std::memcpy(r->data, s->data + offset, static_cast<size_t>(length));
  return r;
}
