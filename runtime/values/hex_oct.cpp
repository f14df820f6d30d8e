// HEX$ and OCT$: positive values without leading zeros, negative values in two's
// complement over the width of the argument's type (wider when the value needs it).
#include <cmath>

#include "runtime/values/conversions_internal.h"

namespace {

// Bits a negative value needs in two's complement, sign bit included.
int negative_bits(int64_t v) {
  uint64_t inverted = ~static_cast<uint64_t>(v);  // the magnitude bits below the sign
  int bits = 1;
  while (inverted != 0) {
    ++bits;
    inverted >>= 1;
  }
  return bits;
}

// Writes the low `bits` of pattern as digits of bits_per_digit bits each, exactly
// `digit_count` digits, most significant first.
BasicString *pattern_text(uint64_t pattern, int bits_per_digit, int digit_count) {
  static const char symbols[] = "0123456789ABCDEF";
  char text[64];
  const uint64_t mask = (uint64_t{1} << bits_per_digit) - 1;
  for (int i = digit_count - 1; i >= 0; --i) {
    text[i] = symbols[pattern & mask];
    pattern >>= bits_per_digit;
  }
  return conversion_temporary(text, digit_count);
}

int significant_digits(uint64_t v, int bits_per_digit) {
  int n = 0;
  while (v != 0) {
    ++n;
    v >>= bits_per_digit;
  }
  return n;
}

uint64_t low_bits(uint64_t v, int bits) { return bits >= 64 ? v : v & ((uint64_t{1} << bits) - 1); }

}  // namespace

BasicString *rt_hex(int64_t v, int32_t digits) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  if (v >= 0) {
    if (v == 0) return conversion_temporary("0", 1);
    return pattern_text(static_cast<uint64_t>(v), 4, significant_digits(static_cast<uint64_t>(v), 4));
  }
  if (digits < 1) digits = 1;
  if (digits > 16) digits = 16;
  int need = negative_bits(v);
  if (need > digits * 4) digits = need <= 16 ? 4 : need <= 32 ? 8 : 16;
  return pattern_text(low_bits(static_cast<uint64_t>(v), digits * 4), 4, digits);
}

BasicString *rt_oct(int64_t v, int32_t bits) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  if (v >= 0) {
    if (v == 0) return conversion_temporary("0", 1);
    return pattern_text(static_cast<uint64_t>(v), 3, significant_digits(static_cast<uint64_t>(v), 3));
  }
  if (bits < 1) bits = 1;
  if (bits > 64) bits = 64;
  int need = negative_bits(v);
  if (need > bits) bits = need <= 16 ? 16 : need <= 32 ? 32 : 64;
  return pattern_text(low_bits(static_cast<uint64_t>(v), bits), 3, (bits + 2) / 3);
}

namespace {

// Floating arguments: rounded to a 64-bit integer; 2^63 and beyond (and NaN) overflow.
bool float_argument(long double v, int64_t *out) {
  if (!(std::fabs(v) < 9223372036854775808.0L)) {
    rt_error(ERR_OVERFLOW);
    return false;
  }
  *out = rt_round_float(v);
  if (v > 0 && *out < 0) {  // just below 2^63, rounded up past the top
    rt_error(ERR_OVERFLOW);
    return false;
  }
  return true;
}

}  // namespace

BasicString *rt_hex_float(long double v) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  int64_t i;
  if (!float_argument(v, &i)) return bstr_new(0, 1);
  return rt_hex(i, 8);
}

BasicString *rt_oct_float(long double v) {
  if (conversion_error_pending()) return bstr_new(0, 1);
  int64_t i;
  if (!float_argument(v, &i)) return bstr_new(0, 1);
  return rt_oct(i, 32);
}
