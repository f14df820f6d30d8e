// Microsoft Binary Format (MBF), the floating-point format of older DOS BASIC files.
//
// Both sizes store a mantissa 0.1fff... (the leading 1 implied) times 2^(exponent - 128),
// with the exponent in the last byte (0 means the value 0) and the sign in bit 7 of the
// byte below it; the fraction bits fill the rest. Single: 23 fraction bits, the same as an
// IEEE single. Double: 55 fraction bits, three more than an IEEE double.
#include <cmath>
#include <cstring>

#include "runtime/values/string_function_helpers.h"

namespace {

constexpr int MBF_BIAS = 128;

// Splits a finite non-zero x into sign, MBF exponent and the mantissa as an integer of
// mantissa_bits bits with its top bit set.
void split(long double x, int mantissa_bits, bool *negative, int *exponent, uint64_t *mantissa) {
  *negative = std::signbit(x);
  int e = 0;
  long double m = std::frexp(std::fabs(x), &e);  // x = m * 2^e, 0.5 <= m < 1
  *exponent = e + MBF_BIAS;
  *mantissa = static_cast<uint64_t>(std::ldexp(m, mantissa_bits));  // exact: m has fewer bits
}

BasicString *image_of(uint64_t bits, int32_t size) {
  BasicString *r = bstr_new(static_cast<uint32_t>(size), 1);
  std::memcpy(r->data, &bits, static_cast<size_t>(size));  // little-endian host
  return r;
}

}  // namespace

BasicString *rt_mksmbf(float v) {
  if (error_is_pending()) return empty_temporary();
  if (!std::isfinite(v)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return empty_temporary();
  }
  if (v == 0.0f) return image_of(0, 4);
  bool negative;
  int exponent;
  uint64_t mantissa;
  split(v, 24, &negative, &exponent, &mantissa);
  // Values from 2^127 up (IEEE exponent field 254) need MBF exponent 256.
  if (exponent > 255) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return empty_temporary();
  }
  // Denormals below 2^-128 are smaller than the smallest MBF single.
  if (exponent < 1) return image_of(0, 4);
  const uint32_t bits = (static_cast<uint32_t>(exponent) << 24) | (negative ? 0x800000u : 0u) |
                        (static_cast<uint32_t>(mantissa) & 0x7FFFFFu);
  return image_of(bits, 4);
}

float rt_cvsmbf(BasicString *s) {
  if (error_is_pending()) return 0.0f;
  if (s->length < 4) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0.0f;
  }
  uint32_t bits;
  std::memcpy(&bits, s->data, 4);
  const int exponent = static_cast<int>(bits >> 24);
  if (exponent == 0) return 0.0f;
  const uint32_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
  // Exact in double; the conversion to float rounds only for the two lowest exponents,
  // whose values are IEEE denormals.
  double value = std::ldexp(static_cast<double>(mantissa), exponent - MBF_BIAS - 24);
  if (bits & 0x800000u) value = -value;
  return static_cast<float>(value);
}

BasicString *rt_mkdmbf(double v) {
  if (error_is_pending()) return empty_temporary();
  if (!std::isfinite(v)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return empty_temporary();
  }
  if (v == 0.0) return image_of(0, 8);
  bool negative;
  int exponent;
  uint64_t mantissa;
  split(v, 53, &negative, &exponent, &mantissa);
  // The MBF exponent byte reaches from 2^-128 to just below 2^127.
  if (exponent < 1 || exponent > 255) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return empty_temporary();
  }
  const uint64_t fraction = (mantissa & ((uint64_t{1} << 52) - 1)) << 3;
  const uint64_t bits = (static_cast<uint64_t>(exponent) << 56) |
                        (negative ? uint64_t{1} << 55 : 0) | fraction;
  return image_of(bits, 8);
}

double rt_cvdmbf(BasicString *s) {
  if (error_is_pending()) return 0.0;
  if (s->length < 8) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0.0;
  }
  uint64_t bits;
  std::memcpy(&bits, s->data, 8);
  const int exponent = static_cast<int>(bits >> 56);
  if (exponent == 0) return 0.0;
  const uint64_t mantissa = (bits & ((uint64_t{1} << 55) - 1)) | (uint64_t{1} << 55);
  // 56 mantissa bits are exact in the 64-bit x87 mantissa; the conversion to double rounds
  // the three extra fraction bits to nearest.
  long double value = std::ldexp(static_cast<long double>(mantissa), exponent - MBF_BIAS - 56);
  if (bits & (uint64_t{1} << 55)) value = -value;
  return static_cast<double>(value);
}
