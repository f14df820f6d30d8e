// PRINT USING entry points of the generated code: each builds the digit form of its value,
// runs the formatter and appends the text to the caller's output string.
#include "runtime/values/conversions_internal.h"

namespace {

// Appends bytes to the permanent output string through the ordinary string operations.
void append_to_output(BasicString *output, const std::string &text) {
  if (text.empty()) return;
  BasicString *piece = bstr_from_text(text.data(), static_cast<int32_t>(text.size()));
  bstr_set(output, bstr_add(output, piece));
}

int32_t run_formatter(BasicString *format, int32_t start, BasicString *output,
                      const UsingNumber *number, const uint8_t *text, int32_t text_length) {
  static std::string scratch;  // the program thread is the only user
  scratch.clear();
  UsingResult r = using_format(format->data, format->length, start, number, text, text_length,
                               &scratch);
  append_to_output(output, scratch);
  if (r.error != 0) {
    rt_error(r.error);
    return 0;
  }
  return r.next;
}

int32_t run_number(BasicString *format, int32_t start, BasicString *output, int32_t built,
                   const UsingNumber &number) {
  if (built != 0) {
    rt_error(built);
    return 0;
  }
  return run_formatter(format, start, output, &number, nullptr, 0);
}

UsingNumber scratch_number;  // digit form of the value being printed (program thread)

}  // namespace

int32_t rt_print_using(BasicString *format, int32_t start, BasicString *output,
                       BasicString *value) {
  if (conversion_error_pending()) return 0;
  static const uint8_t no_bytes[1] = {0};
  if (value == nullptr) return run_formatter(format, start, output, nullptr, nullptr, 0);
  const uint8_t *bytes = value->data != nullptr ? value->data : no_bytes;
  return run_formatter(format, start, output, nullptr, bytes, value->length);
}

int32_t rt_print_using_single(BasicString *format, float v, int32_t start, BasicString *output) {
  if (conversion_error_pending()) return 0;
  return run_number(format, start, output, using_number_single(v, &scratch_number), scratch_number);
}

int32_t rt_print_using_double(BasicString *format, double v, int32_t start, BasicString *output) {
  if (conversion_error_pending()) return 0;
  return run_number(format, start, output, using_number_double(v, &scratch_number), scratch_number);
}

int32_t rt_print_using_float(BasicString *format, long double v, int32_t start,
                             BasicString *output) {
  if (conversion_error_pending()) return 0;
  return run_number(format, start, output, using_number_float(v, &scratch_number), scratch_number);
}

int32_t rt_print_using_int64(BasicString *format, int64_t v, int32_t start, BasicString *output) {
  if (conversion_error_pending()) return 0;
  return run_number(format, start, output, using_number_int64(v, &scratch_number), scratch_number);
}

int32_t rt_print_using_uint64(BasicString *format, uint64_t v, int32_t start,
                              BasicString *output) {
  if (conversion_error_pending()) return 0;
  return run_number(format, start, output, using_number_uint64(v, &scratch_number), scratch_number);
}
