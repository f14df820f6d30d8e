// Shared by the number conversions and PRINT USING of this folder.
#pragma once
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/values/values.h"

inline bool conversion_error_pending() {
  return pending_error.load(std::memory_order_relaxed) != 0;
}

// A new temporary heap string holding a copy of length bytes of text.
inline BasicString *conversion_temporary(const char *text, int32_t length) {
  BasicString *r = bstr_new(static_cast<uint32_t>(length), 1);
  if (length > 0) std::memcpy(r->data, text, static_cast<size_t>(length));
  return r;
}
