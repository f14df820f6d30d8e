// Digit forms for PRINT USING: the exact decimal digits of a value (as many as the C
// library gives for 255 places), with the power of ten of the last one. Leading zeros are
// dropped, so a zero value has no digits at all.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "runtime/values/conversions_internal.h"

namespace {

constexpr int USING_PLACES = 255;

// Drops leading zeros; a value without any other digit becomes count 0, power 0, positive.
void normalise(UsingNumber *n) {
  int32_t skip = 0;
  while (skip < n->count && n->digits[skip] == '0') ++skip;
  if (skip == n->count) {
    n->count = 0;
    n->power = 0;
    n->negative = 0;
    return;
  }
  if (skip > 0) {
    std::memmove(n->digits, n->digits + skip, static_cast<size_t>(n->count - skip));
    n->count -= skip;
  }
}

// Reads "<sign>d.ddd...E<sign>xx" as printed with "% .255E".
int32_t from_exponent_text(const char *text, int length, UsingNumber *n) {
  if (length < 4 || (text[0] != ' ' && text[0] != '-') || text[1] < '0' || text[1] > '9' ||
      text[2] != '.')
    return ERR_ILLEGAL_FUNCTION_CALL;
  n->negative = text[0] == '-';
  int pos = 1;
  int count = 0;
  while (pos < length && text[pos] >= '0' && text[pos] <= '9') n->digits[count++] = text[pos++];
  if (text[pos] != '.') return ERR_ILLEGAL_FUNCTION_CALL;
  ++pos;
  while (pos < length && text[pos] >= '0' && text[pos] <= '9' && count < USING_MAX_DIGITS)
    n->digits[count++] = text[pos++];
  if (pos >= length - 2 || text[pos] != 'E' || (text[pos + 1] != '+' && text[pos + 1] != '-'))
    return ERR_ILLEGAL_FUNCTION_CALL;
  bool exponent_negative = text[pos + 1] == '-';
  pos += 2;
  int exponent = 0;
  int exponent_digits = 0;
  while (pos < length && text[pos] >= '0' && text[pos] <= '9' && exponent_digits < 6) {
    exponent = exponent * 10 + (text[pos++] - '0');
    ++exponent_digits;
  }
  if (exponent_digits == 0 || pos != length) return ERR_ILLEGAL_FUNCTION_CALL;
  if (exponent_negative) exponent = -exponent;
  n->count = count;
  n->power = exponent - (count - 1);
  normalise(n);
  return 0;
}

// Reads "<sign>ddd.ddd" as printed with "% .255Lf".
int32_t from_fixed_text(const char *text, int length, UsingNumber *n) {
  if (length < 3 || (text[0] != ' ' && text[0] != '-')) return ERR_ILLEGAL_FUNCTION_CALL;
  n->negative = text[0] == '-';
  int pos = 1;
  int count = 0;
  while (pos < length && text[pos] >= '0' && text[pos] <= '9') {
    if (count == USING_MAX_DIGITS) return ERR_ILLEGAL_FUNCTION_CALL;
    n->digits[count++] = text[pos++];
  }
  if (count == 0 || pos >= length || text[pos] != '.') return ERR_ILLEGAL_FUNCTION_CALL;
  ++pos;
  int decimals = 0;
  while (pos < length && text[pos] >= '0' && text[pos] <= '9') {
    if (count == USING_MAX_DIGITS) return ERR_ILLEGAL_FUNCTION_CALL;
    n->digits[count++] = text[pos++];
    ++decimals;
  }
  if (pos != length || decimals == 0) return ERR_ILLEGAL_FUNCTION_CALL;
  n->count = count;
  n->power = -decimals;
  normalise(n);
  return 0;
}

// Places after the first digit that hold every digit of v's exact decimal expansion
// (capped at 255). A binary value m x 2^e with e < 0 ends at the e-th decimal place, so
// asking for that many places gives exactly the digits "% .255E" would show, without its
// trailing zeros; the formatter reads missing digits as zeros.
int exact_places(double v) {
  if (v == 0 || !std::isfinite(v)) return USING_PLACES;
  int binary_exponent;
  double fraction = std::frexp(std::fabs(v), &binary_exponent);  // v = fraction x 2^exp
  uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  int lowest_bit = binary_exponent - 53;  // exponent of the mantissa's last bit
  while (mantissa != 0 && (mantissa & 1) == 0) {
    mantissa >>= 1;
    ++lowest_bit;
  }
  // Upper bound of the decimal exponent of the first digit.
  int first = static_cast<int>(std::floor(std::log10(std::fabs(v)))) + 1;
  int places = first + (lowest_bit < 0 ? -lowest_bit : 0);
  if (places < 0) places = 0;
  return places < USING_PLACES ? places : USING_PLACES;
}

int32_t from_double(double v, uint8_t letter, UsingNumber *n) {
  char text[USING_PLACES + 16];
  int length = std::snprintf(text, sizeof text, "% #.*E", exact_places(v), v);
  n->exponent_letter = letter;
  if (length <= 0 || length >= static_cast<int>(sizeof text)) return ERR_ILLEGAL_FUNCTION_CALL;
  return from_exponent_text(text, length, n);
}

}  // namespace

int32_t using_number_single(float v, UsingNumber *n) { return from_double(v, 'E', n); }
int32_t using_number_double(double v, UsingNumber *n) { return from_double(v, 'D', n); }

int32_t using_number_float(long double v, UsingNumber *n) {
  n->exponent_letter = 'F';
  // Every digit before the point and 255 after it while that fits the digit buffer and the
  // value is at least 1; smaller and huge values take 256 significant digits instead, so
  // that exponent fields still see their leading digits.
  long double magnitude = std::fabs(v);
  char text[USING_MAX_DIGITS + 16];
  int length;
  if (v == 0 || (magnitude >= 1 && magnitude < 1e768L)) {
    length = std::snprintf(text, sizeof text, "% .*Lf", USING_PLACES, v);
    if (length <= 0 || length >= static_cast<int>(sizeof text)) return ERR_ILLEGAL_FUNCTION_CALL;
    return from_fixed_text(text, length, n);
  }
  length = std::snprintf(text, sizeof text, "% .*LE", USING_PLACES, v);
  if (length <= 0 || length >= static_cast<int>(sizeof text)) return ERR_ILLEGAL_FUNCTION_CALL;
  return from_exponent_text(text, length, n);
}

int32_t using_number_int64(int64_t v, UsingNumber *n) {
  uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  int32_t r = using_number_uint64(magnitude, n);
  n->negative = v < 0;
  return r;
}

int32_t using_number_uint64(uint64_t v, UsingNumber *n) {
  char text[24];
  int length = std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(v));
  std::memcpy(n->digits, text, static_cast<size_t>(length));
  n->count = length;
  n->power = 0;
  n->negative = 0;
  n->exponent_letter = 'E';
  normalise(n);
  return 0;
}
