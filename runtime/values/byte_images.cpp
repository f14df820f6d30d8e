// Numbers as raw little-endian byte images inside strings (MKI$, CVI and their relatives,
// for every numeric type including bit fields and the 80-bit extended type).
#include <cstring>

#include "runtime/values/string_function_helpers.h"

static_assert(sizeof(long double) >= 10, "the extended type needs the 80-bit x87 format");

namespace {

constexpr int32_t EXTENDED_IMAGE_SIZE = 32;  // the extended type's storage size
constexpr int32_t EXTENDED_VALUE_BYTES = 10;  // x87 80-bit value: 64-bit mantissa, sign, exponent

// The host is little-endian (x86), so a value's memory bytes are its image.
BasicString *make_image(const void *value, int32_t size) {
  if (error_is_pending()) return empty_temporary();
  BasicString *r = bstr_new(static_cast<uint32_t>(size), 1);
  std::memcpy(r->data, value, static_cast<size_t>(size));
  return r;
}

// Copies the first size bytes of s into out; false (error 5) when s is shorter.
bool read_image(BasicString *s, void *out, int32_t size) {
  if (error_is_pending()) return false;
  if (s->length < size) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return false;
  }
  std::memcpy(out, s->data, static_cast<size_t>(size));
  return true;
}

bool valid_bit_count(int32_t bits) { return bits >= 1 && bits <= 63; }
uint64_t low_bits_mask(int32_t bits) { return (uint64_t{1} << bits) - 1; }

// The raw bits of a bit field image, masked to its width; false after an error.
bool read_bits(BasicString *s, int32_t bits, uint64_t *out) {
  *out = 0;
  if (error_is_pending()) return false;
  if (!valid_bit_count(bits)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return false;
  }
  uint64_t v = 0;
  if (!read_image(s, &v, (bits + 7) / 8)) return false;
  *out = v & low_bits_mask(bits);
  return true;
}

}  // namespace

BasicString *rt_mk_byte(uint8_t v) { return make_image(&v, 1); }
BasicString *rt_mk_integer(uint16_t v) { return make_image(&v, 2); }
BasicString *rt_mk_long(uint32_t v) { return make_image(&v, 4); }
BasicString *rt_mk_integer64(uint64_t v) { return make_image(&v, 8); }
BasicString *rt_mk_single(float v) { return make_image(&v, 4); }
BasicString *rt_mk_double(double v) { return make_image(&v, 8); }

BasicString *rt_mk_float(long double v) {
  uint8_t image[EXTENDED_IMAGE_SIZE] = {};
  std::memcpy(image, &v, EXTENDED_VALUE_BYTES);  // the padding bytes of v stay out
  return make_image(image, EXTENDED_IMAGE_SIZE);
}

BasicString *rt_mk_bit(uint64_t v, int32_t bits) {
  if (error_is_pending()) return empty_temporary();
  if (!valid_bit_count(bits)) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return empty_temporary();
  }
  v &= low_bits_mask(bits);
  return make_image(&v, (bits + 7) / 8);
}

uint8_t rt_cv_byte(BasicString *s) {
  uint8_t v = 0;
  return read_image(s, &v, 1) ? v : 0;
}

uint16_t rt_cv_integer(BasicString *s) {
  uint16_t v = 0;
  return read_image(s, &v, 2) ? v : 0;
}

uint32_t rt_cv_long(BasicString *s) {
  uint32_t v = 0;
  return read_image(s, &v, 4) ? v : 0;
}

uint64_t rt_cv_integer64(BasicString *s) {
  uint64_t v = 0;
  return read_image(s, &v, 8) ? v : 0;
}

float rt_cv_single(BasicString *s) {
  float v = 0;
  return read_image(s, &v, 4) ? v : 0.0f;
}

double rt_cv_double(BasicString *s) {
  double v = 0;
  return read_image(s, &v, 8) ? v : 0.0;
}

long double rt_cv_float(BasicString *s) {
  uint8_t image[EXTENDED_IMAGE_SIZE];
  if (!read_image(s, image, EXTENDED_IMAGE_SIZE)) return 0.0L;
  long double v = 0.0L;  // zero first: only 10 of its bytes carry the value
  std::memcpy(&v, image, EXTENDED_VALUE_BYTES);
  return v;
}

uint64_t rt_cv_ubit(BasicString *s, int32_t bits) {
  uint64_t v;
  return read_bits(s, bits, &v) ? v : 0;
}

int64_t rt_cv_bit(BasicString *s, int32_t bits) {
  uint64_t v;
  if (!read_bits(s, bits, &v)) return 0;
  const uint64_t sign = uint64_t{1} << (bits - 1);
  if (v & sign) v |= ~low_bits_mask(bits);  // copy bit (bits - 1) into every higher bit
  return static_cast<int64_t>(v);
}
