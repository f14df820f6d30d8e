// Fixed fields (#...#.#...#) against an independent rendering: the exact decimal digits of
// each DOUBLE, rounded half away from zero at the last decimal, laid out right-aligned with
// the sign in front and "%" when the integer part does not fit.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "runtime/values/values.h"
#include "tests/conversions/decimal_reference.h"

namespace {

// |v| x 10^places rounded half away from zero, as a decimal string without leading zeros
// ("" for zero).
std::string scaled_rounded(double v, int places) {
  ExactDecimal x = exact_decimal(v);
  if (x.digits.empty()) return "";
  int keep = x.exponent + places + 1;  // digits at or above the 10^-places position
  if (keep < 0) return "";
  std::string n = x.digits.substr(0, std::min<size_t>(keep, x.digits.size()));
  n.append(keep - n.size(), '0');
  bool up = keep < static_cast<int>(x.digits.size()) && x.digits[keep] >= '5';
  if (up) {
    int i = static_cast<int>(n.size()) - 1;
    while (i >= 0 && n[i] == '9') n[i--] = '0';
    if (i >= 0) ++n[i];
    else n.insert(n.begin(), '1');
  }
  size_t first = n.find_first_not_of('0');
  return first == std::string::npos ? "" : n.substr(first);
}

std::string reference_field(double v, int before, int after) {
  bool negative = std::signbit(v) && v != 0;
  std::string n = scaled_rounded(v, after);
  if (static_cast<int>(n.size()) < after) n.insert(0, after - n.size(), '0');
  std::string whole = n.substr(0, n.size() - after);
  std::string fraction = n.substr(n.size() - after);
  int room = before - (negative ? 1 : 0);
  std::string out;
  if (static_cast<int>(whole.size()) > room) {
    out = "%" + std::string(negative ? "-" : "") + whole;
  } else {
    int fill = room - static_cast<int>(whole.size());
    bool zero = whole.empty() && fill >= 1;
    if (zero) --fill;
    out = std::string(fill, ' ') + (negative ? "-" : "") + (zero ? "0" : "") + whole;
  }
  if (after > 0) out += "." + fraction;
  return out;
}

TEST(PrintUsingRandom, FixedFieldsMatchExactRounding) {
  std::mt19937_64 rng(99);
  for (int i = 0; i < 3000; ++i) {
    int before = 1 + static_cast<int>(rng() % 7);
    int after = static_cast<int>(rng() % 5);
    double v = std::ldexp(static_cast<double>(rng() >> 11), -53) *
               std::pow(10.0, static_cast<int>(rng() % 12) - 5);
    if (i % 4 == 0) v = std::round(v * 1000) / 1000 + 0.0005;  // near halfway points
    if (rng() & 1) v = -v;
    std::string format = std::string(before, '#') + (after ? "." + std::string(after, '#') : "");
    UsingNumber n;
    ASSERT_EQ(using_number_double(v, &n), 0);
    std::string out;
    UsingResult r = using_format(reinterpret_cast<const uint8_t *>(format.data()),
                                 static_cast<int32_t>(format.size()), 0, &n, nullptr, 0, &out);
    ASSERT_EQ(r.error, 0);
    ASSERT_EQ(out, reference_field(v, before, after)) << format << " with " << v;
  }
}

}  // namespace
