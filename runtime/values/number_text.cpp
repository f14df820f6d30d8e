// STR$: the text of a number as BASIC prints it. Integers get "% i"-style text; SINGLE and
// DOUBLE values show at most 7 and 16 significant digits, in fixed notation while that is
// short enough and in scientific notation (E or D) otherwise.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "runtime/values/conversions_internal.h"

namespace {

BasicString *integer_text(const char *format, long long v) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  char text[32];
  int n = std::snprintf(text, sizeof text, format, v);
  return conversion_temporary(text, n);
}

BasicString *unsigned_text(unsigned long long v) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  char text[32];
  int n = std::snprintf(text, sizeof text, " %llu", v);
  return conversion_temporary(text, n);
}

// Infinities and NaNs have no digits to count; they keep the C library's text.
int32_t non_finite_text(double v, char *out) {
  int n = std::snprintf(out, STR_TEXT_MAX, "% E", v);
  return n < STR_TEXT_MAX ? n : STR_TEXT_MAX - 1;
}

// Brings a "% .NE" text to a three-digit exponent: "E+05" becomes "E+005".
void widen_exponent(char *text, int exponent_pos) {
  if (std::strlen(text + exponent_pos + 2) == 2) {
    text[exponent_pos + 4] = text[exponent_pos + 3];
    text[exponent_pos + 3] = text[exponent_pos + 2];
    text[exponent_pos + 2] = '0';
    text[exponent_pos + 5] = 0;
  }
}

// Shared tail of SINGLE and DOUBLE: text holds the sign, first digit, point, the other
// significant digits (positions 3..last_digit), letter, exponent sign and three exponent
// digits. precision is the number of significant digits shown at most.
int32_t finish_float_text(double v, const char *text, int precision, int fixed_limit,
                          int min_gap, char letter, char *out) {
  const int last_digit = precision + 1;
  int count = precision;
  for (int pos = last_digit; pos >= 1; --pos) {
    if (text[pos] == '.') continue;
    if (text[pos] != '0') break;
    --count;
  }
  if (count == 0) {
    out[0] = ' ';
    out[1] = '0';
    return 2;
  }
  const int ep = last_digit + 1;  // exponent letter
  int e = (text[ep + 2] - '0') * 100 + (text[ep + 3] - '0') * 10 + (text[ep + 4] - '0');
  if (text[ep + 1] == '-') e = -e;

  if (e <= fixed_limit && e - count >= min_gap) {
    int decimals = count - e - 1;
    if (decimals < 0) decimals = 0;
    char fixed[64];
    int n = std::snprintf(fixed, sizeof fixed, "% .*f", decimals, v);
    if (n >= static_cast<int>(sizeof fixed)) n = sizeof fixed - 1;
    if (n > 1 && fixed[1] == '0') {  // |v| < 1: ".5", not "0.5"
      out[0] = fixed[0];
      std::memcpy(out + 1, fixed + 2, static_cast<size_t>(n - 2));
      return n - 1;
    }
    std::memcpy(out, fixed, static_cast<size_t>(n));
    return n;
  }

  int n = 0;
  out[n++] = text[0];
  out[n++] = text[1];
  if (count > 1) {
    out[n++] = '.';
    std::memcpy(out + n, text + 3, static_cast<size_t>(count - 1));
    n += count - 1;
  }
  out[n++] = letter;
  out[n++] = e < 0 ? '-' : '+';
  int magnitude = e < 0 ? -e : e;
  if (magnitude >= 100) out[n++] = static_cast<char>('0' + magnitude / 100);
  out[n++] = static_cast<char>('0' + magnitude / 10 % 10);
  out[n++] = static_cast<char>('0' + magnitude % 10);
  return n;
}

}  // namespace

int32_t str_single_text(float v, char *out) {
  double x = v;
  if (x != x || x - x != 0) return non_finite_text(x, out);
  char text[32];
  std::snprintf(text, sizeof text, "% .6E", x);
  widen_exponent(text, 9);
  return finish_float_text(x, text, 7, 6, -8, 'E', out);
}

int32_t str_double_text(double x, char *out) {
  if (x != x || x - x != 0) return non_finite_text(x, out);
  char text[40];
  std::snprintf(text, sizeof text, "% .15E", x);
  widen_exponent(text, 18);
  if (text[17] == '9') {
    // A sixteenth digit of 9 is noise of the binary value: show fifteen digits instead.
    char shorter[40];
    std::snprintf(shorter, sizeof shorter, "% .14E", x);
    widen_exponent(shorter, 17);
    std::memcpy(text, shorter, 17);
    text[17] = '0';
    std::memcpy(text + 18, shorter + 17, 6);  // letter, sign, three digits, terminator
  }
  return finish_float_text(x, text, 16, 15, -17, 'D', out);
}

BasicString *rt_str_byte(int8_t v) { return integer_text("% lli", v); }
BasicString *rt_str_integer(int16_t v) { return integer_text("% lli", v); }
BasicString *rt_str_long(int32_t v) { return integer_text("% lli", v); }
BasicString *rt_str_int64(int64_t v) { return integer_text("% lli", static_cast<long long>(v)); }
BasicString *rt_str_ubyte(uint8_t v) { return unsigned_text(v); }
BasicString *rt_str_uinteger(uint16_t v) { return unsigned_text(v); }
BasicString *rt_str_ulong(uint32_t v) { return unsigned_text(v); }
BasicString *rt_str_uint64(uint64_t v) { return unsigned_text(static_cast<unsigned long long>(v)); }

BasicString *rt_str_single(float v) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  char text[STR_TEXT_MAX];
  return conversion_temporary(text, str_single_text(v, text));
}

BasicString *rt_str_double(double v) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  char text[STR_TEXT_MAX];
  return conversion_temporary(text, str_double_text(v, text));
}

BasicString *rt_str_float(long double v) { return rt_str_double(static_cast<double>(v)); }
