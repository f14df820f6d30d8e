// Fuzz target: PRINT USING with arbitrary formats and values of every kind. Input layout:
// byte 0 the value kind, bytes 1..10 the value's bytes, byte 11 the number of values
// (1 to 4, each the previous one negated or lengthened), the rest the format. Checks: only
// errors 5 and 13, positions inside the format and at a field, bounded output, and the
// runtime-string entry points producing the same bytes as the pure formatter.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors/errors.h"
#include "runtime/frame/frame.h"
#include "runtime/values/values.h"

namespace {

enum Kind { SINGLE, DOUBLE, EXTENDED, INT64, UINT64, TEXT, NONE, KIND_COUNT };

struct FuzzValue {
  Kind kind;
  float f;
  double d;
  long double x;
  int64_t i;
  uint64_t u;
  std::string text;
};

FuzzValue value_of(const uint8_t *bytes, int kind, int round) {
  FuzzValue v{};
  v.kind = static_cast<Kind>(kind % KIND_COUNT);
  std::memcpy(&v.f, bytes, 4);
  std::memcpy(&v.d, bytes, 8);
  std::memcpy(&v.x, bytes, 10);
  std::memcpy(&v.i, bytes, 8);
  std::memcpy(&v.u, bytes, 8);
  v.text.assign(reinterpret_cast<const char *>(bytes), 10 - round);
  if (round % 2 == 1) {
    v.f = -v.f;
    v.d = -v.d;
    v.x = -v.x;
    v.i = static_cast<int64_t>(0 - static_cast<uint64_t>(v.i));
  }
  return v;
}

// Pure formatter path.
UsingResult pure(const std::string &format, int32_t start, const FuzzValue &v, std::string *out) {
  const uint8_t *f = reinterpret_cast<const uint8_t *>(format.data());
  int32_t n = static_cast<int32_t>(format.size());
  UsingNumber number;
  int32_t built = 0;
  switch (v.kind) {
    case SINGLE: built = using_number_single(v.f, &number); break;
    case DOUBLE: built = using_number_double(v.d, &number); break;
    case EXTENDED: built = using_number_float(v.x, &number); break;
    case INT64: built = using_number_int64(v.i, &number); break;
    case UINT64: built = using_number_uint64(v.u, &number); break;
    case TEXT:
      return using_format(f, n, start, nullptr,
                          reinterpret_cast<const uint8_t *>(v.text.data()),
                          static_cast<int32_t>(v.text.size()), out);
    default:
      return using_format(f, n, start, nullptr, nullptr, 0, out);
  }
  if (built != 0) {
    if (built != ERR_ILLEGAL_FUNCTION_CALL) abort();
    return {0, built};
  }
  if (number.count < 0 || number.count > USING_MAX_DIGITS) abort();
  return using_format(f, n, start, &number, nullptr, 0, out);
}

// The generated code's path through runtime strings.
int32_t entry(BasicString *format, int32_t start, const FuzzValue &v, BasicString *output) {
  switch (v.kind) {
    case SINGLE: return rt_print_using_single(format, v.f, start, output);
    case DOUBLE: return rt_print_using_double(format, v.d, start, output);
    case EXTENDED: return rt_print_using_float(format, v.x, start, output);
    case INT64: return rt_print_using_int64(format, v.i, start, output);
    case UINT64: return rt_print_using_uint64(format, v.u, start, output);
    case TEXT: {
      BasicString *t = bstr_from_text(v.text.data(), static_cast<int32_t>(v.text.size()));
      return rt_print_using(format, start, output, t);
    }
    default: return rt_print_using(format, start, output, nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool started = (strings_startup(), true);
  (void)started;
  if (size < 12 || size > 2048) return 0;
  const std::string format(reinterpret_cast<const char *>(data + 12), size - 12);
  const int32_t length = static_cast<int32_t>(format.size());
  const int values = 1 + data[11] % 4;

  pending_error.store(0);
  uint32_t mark = bstr_temp_mark();
  BasicString *format_string = bstr_new(0, 0);
  bstr_set(format_string, bstr_from_text(format.data(), length));
  BasicString *output = bstr_new(0, 0);

  std::string out;
  int32_t p = 0, q = 0;
  for (int round = 0; round < values; ++round) {
    FuzzValue v = value_of(data + 1, data[0] + round * (data[11] >> 2), round);
    size_t before = out.size();
    UsingResult r = pure(format, p, v, &out);
    if (r.error != 0 && r.error != ERR_ILLEGAL_FUNCTION_CALL && r.error != ERR_TYPE_MISMATCH)
      abort();
    if (r.next < 0 || r.next >= (length > 0 ? length : 1)) abort();
    if (r.error != 0 && r.next != 0) abort();
    // Literal text at most twice round the format, plus one field of bounded width.
    if (out.size() - before > 3 * format.size() + 10000 + v.text.size()) abort();
    if (r.next > 0) {
      // The position is a field: scanning from it without a value writes nothing.
      std::string probe;
      UsingResult again = using_format(reinterpret_cast<const uint8_t *>(format.data()), length,
                                       r.next, nullptr, nullptr, 0, &probe);
      if (again.next != r.next || again.error != 0 || !probe.empty()) abort();
    }
    q = entry(format_string, q, v, output);
    if (q != r.next) abort();
    if (static_cast<uint32_t>(r.error) != pending_error.load()) abort();
    if (r.error != 0) break;
    p = r.next;
    bstr_free_temporaries(mark, 0);
  }
  if (output->length != static_cast<int32_t>(out.size()) ||
      (!out.empty() && std::memcmp(output->data, out.data(), out.size()) != 0))
    abort();
  bstr_free(output);
  bstr_free(format_string);
  bstr_free_temporaries(mark, 0);
  pending_error.store(0);
  rt_control.event_pending.store(0);
  return 0;
}
