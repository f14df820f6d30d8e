// VAL: reads a number from the front of a text. Blanks and tabs are skipped anywhere;
// "&H" and "&O" start based integers (any other letter after "&" gives 0); otherwise a decimal number with an optional
// exponent (E or D) is read until the first character that cannot continue it.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "runtime/values/conversions_internal.h"

namespace {

// Significant digits kept for the conversion; further digits only decide whether the
// kept ones are followed by something non-zero (a trailing 1 keeps the rounding right).
constexpr int VAL_DIGITS_MAX = 200;
constexpr int VAL_EXPONENT_DIGITS_MAX = 18;

struct TextCursor {
  const uint8_t *bytes;
  int32_t length;
  int32_t pos;
  // The next character that is not a blank or tab, or -1 at the end.
  int peek() {
    while (pos < length && (bytes[pos] == ' ' || bytes[pos] == '\t')) ++pos;
    return pos < length ? bytes[pos] : -1;
  }
};

int digit_value(int c, int base) {
  int d;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else return -1;
  return d < base ? d : -1;
}

// Based integer after "&": the value as a 64-bit two's-complement pattern.
long double based_value(TextCursor &t) {
  if (t.length - t.pos - 1 < 2) return 0;  // "&" and at most one more character
  ++t.pos;
  int letter = t.peek();
  int base, bits_per_digit;
  switch (letter) {
    case 'H': case 'h': base = 16; bits_per_digit = 4; break;
    case 'O': case 'o': base = 8; bits_per_digit = 3; break;
    default: return 0;
  }
  ++t.pos;
  uint64_t value = 0;
  int significant = 0;
  int first = 0;
  for (int c = t.peek(); c >= 0; c = t.peek()) {
    int d = digit_value(c, base);
    if (d < 0) break;
    ++t.pos;
    if (significant == 0 && d == 0) continue;
    if (significant == 0) first = d;
    ++significant;
    if (significant * bits_per_digit > 64 + (base == 8 ? 2 : 0)) {
      rt_error(ERR_OVERFLOW);
      return 0;
    }
    value = (value << bits_per_digit) | static_cast<uint64_t>(d);
  }
  // 22 octal digits hold 66 bits; only a leading 0 or 1 keeps the value within 64.
  if (base == 8 && significant == 22 && first >= 2) {
    rt_error(ERR_OVERFLOW);
    return 0;
  }
  return static_cast<long double>(static_cast<int64_t>(value));
}

}  // namespace

long double rt_val(BasicString *s) {
  if (conversion_error_pending() || s == nullptr || s->length <= 0) return 0;
  TextCursor t{s->data, s->length, 0};

  if (t.peek() == '&') return based_value(t);

  bool negative = false;
  int c = t.peek();
  if (c == '-' || c == '+') {
    negative = c == '-';
    ++t.pos;
  }
  char digits[VAL_DIGITS_MAX + 2];
  int count = 0;              // significant digits kept
  bool dropped_nonzero = false;
  int64_t point_shift = 0;    // power of ten of the first significant digit
  bool seen_point = false;
  bool fraction_digits = false;  // a significant digit after the point
  int64_t integer_digits = 0;    // significant digits before the point
  for (c = t.peek(); c >= 0; c = t.peek()) {
    if (c >= '0' && c <= '9') {
      ++t.pos;
      if (count == 0 && !dropped_nonzero && c == '0') {
        if (seen_point) --point_shift;
        continue;
      }
      if (seen_point) fraction_digits = true;
      else ++integer_digits;
      if (count < VAL_DIGITS_MAX) digits[count++] = static_cast<char>(c);
      else if (c != '0') dropped_nonzero = true;
      continue;
    }
    if (c == '.' && !seen_point) {
      ++t.pos;
      seen_point = true;
      continue;
    }
    break;
  }
  int64_t exponent = 0;
  c = t.peek();
  if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
    ++t.pos;
    bool exponent_negative = false;
    c = t.peek();
    if (c == '-' || c == '+') {
      exponent_negative = c == '-';
      ++t.pos;
    }
    int exponent_digits = 0;
    for (c = t.peek(); c >= '0' && c <= '9'; c = t.peek()) {
      if (exponent_digits == 0 && c == '0') {
        ++t.pos;
        continue;
      }
      if (exponent_digits == VAL_EXPONENT_DIGITS_MAX) break;
      ++t.pos;
      ++exponent_digits;
      exponent = exponent * 10 + (c - '0');
    }
    if (exponent_negative) exponent = -exponent;
  }

  if (count == 0) return 0;

  // A whole number: exact in 64 bits while it has at most 18 digits.
  if (exponent == 0 && !fraction_digits && integer_digits <= 18) {
    int64_t value = 0;
    for (int i = 0; i < count; ++i) value = value * 10 + (digits[i] - '0');
    return static_cast<long double>(negative ? -value : value);
  }

  if (dropped_nonzero) digits[count++] = '1';
  // Power of ten of the first significant digit: the digits counted before the point
  // (minus one), or the zeros skipped after it.
  int64_t n = (integer_digits > 0 ? integer_digits - 1 : point_shift - 1) + exponent;
  char text[VAL_DIGITS_MAX + 48];
  int len = 0;
  if (negative) text[len++] = '-';
  text[len++] = digits[0];
  text[len++] = '.';
  for (int i = 1; i < count; ++i) text[len++] = digits[i];
  std::snprintf(text + len, sizeof text - static_cast<size_t>(len), "E%" PRId64, n);
  return std::strtold(text, nullptr);
}
