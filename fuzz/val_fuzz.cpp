// Fuzz target: VAL over arbitrary bytes. VAL never crashes, never changes its argument,
// raises only Overflow (with result 0), and reads back the text STR$ writes for the
// value it found.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/values/values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool started = (strings_startup(), true);
  (void)started;
  if (size > 4096) return 0;
  pending_error.store(0);
  uint32_t mark = bstr_temp_mark();
  BasicString *s = bstr_from_text(data, static_cast<int32_t>(size));
  long double v = rt_val(s);
  uint32_t error = pending_error.load();
  if (error != 0 && (error != ERR_OVERFLOW || v != 0)) abort();
  if (s->length != static_cast<int32_t>(size) || (size && std::memcmp(s->data, data, size)))
    abort();

  // STR$ of the value as a DOUBLE, read back, lands within the digits STR$ shows.
  if (error == 0) {
    double d = static_cast<double>(v);
    if (std::isfinite(d) && (d == 0 || std::fabs(d) >= 1e-300)) {
      BasicString *text = rt_str_double(d);
      double back = static_cast<double>(rt_val(text));
      if (pending_error.load() != 0) abort();
      double tolerance = std::fabs(d) * 6e-15;  // fifteen digits when the sixteenth is 9
      if (!(std::fabs(back - d) <= tolerance)) abort();
    }
  }
  bstr_free_temporaries(mark, 0);
  if (bstr_temp_mark() != mark) abort();
  pending_error.store(0);
  rt_control.event_pending.store(0);
  return 0;
}
