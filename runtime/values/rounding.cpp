// Rounding to integers, FIX, LOG and EXP. Conversions store through the x87 unit so that
// they follow its rounding mode (round to nearest, ties to even) and give its
// integer-indefinite value when out of range, exactly like the translated arithmetic.
#include <cmath>

#include "runtime/values/conversions_internal.h"

namespace {

int32_t x87_store_int32(long double v) {
  int32_t r;
  __asm__("fistpl %0" : "=m"(r) : "t"(v) : "st");
  return r;
}

int64_t x87_store_int64(long double v) {
  int64_t r;
  __asm__("fistpll %0" : "=m"(r) : "t"(v) : "st");
  return r;
}

}  // namespace

int32_t rt_round_single(float v) { return x87_store_int32(v); }
int32_t rt_round_double(double v) { return x87_store_int32(v); }
int64_t rt_round_float(long double v) { return x87_store_int64(v); }

long double rt_fix_double(double v) { return std::trunc(static_cast<long double>(v)); }
long double rt_fix_float(long double v) { return std::trunc(v); }

long double rt_log(double v) {
  if (conversion_error_pending()) return 0;
  if (v <= 0) {
    rt_error(ERR_ILLEGAL_FUNCTION_CALL);
    return 0;
  }
  return std::log(static_cast<long double>(v));
}

long double rt_exp_single(double v) {
  if (conversion_error_pending()) return 0;
  if (v > 88.02969) {
    rt_error(ERR_OVERFLOW);
    return 0;
  }
  return std::exp(static_cast<long double>(v));
}

long double rt_exp_double(long double v) {
  if (conversion_error_pending()) return 0;
  if (v > 709.782712893L) {
    rt_error(ERR_OVERFLOW);
    return 0;
  }
  return std::exp(v);
}
