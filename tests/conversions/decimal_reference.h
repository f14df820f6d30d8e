// An independent decimal model for checking number texts: the exact decimal digits of a
// binary floating value computed with schoolbook arithmetic on digit arrays, rounding to
// a number of significant digits, and the STR$ layout built from those digits.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ExactDecimal {
  std::string digits;  // no leading zeros; empty for zero
  int exponent = 0;    // power of ten of the first digit
  bool negative = false;
};

// Exact decimal expansion of a finite double: mantissa x 2^e, with 2^-k written as
// 5^k / 10^k.
inline ExactDecimal exact_decimal(double v) {
  ExactDecimal r;
  r.negative = std::signbit(v);
  if (v == 0) return r;
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int e;
  if (biased == 0) {
    e = -1074;
  } else {
    mantissa |= uint64_t{1} << 52;
    e = biased - 1075;
  }
  // Little-endian decimal digits of the mantissa.
  std::vector<int> n;
  for (uint64_t m = mantissa; m != 0; m /= 10) n.push_back(static_cast<int>(m % 10));
  auto multiply = [&](int factor) {
    int carry = 0;
    for (int &d : n) {
      int x = d * factor + carry;
      d = x % 10;
      carry = x / 10;
    }
    while (carry) {
      n.push_back(carry % 10);
      carry /= 10;
    }
  };
  int decimal_shift = 0;  // value = n x 10^decimal_shift
  if (e >= 0) {
    for (int i = 0; i < e; ++i) multiply(2);
  } else {
    for (int i = 0; i < -e; ++i) multiply(5);
    decimal_shift = e;
  }
  while (!n.empty() && n.back() == 0) n.pop_back();
  for (auto it = n.rbegin(); it != n.rend(); ++it) r.digits.push_back(static_cast<char>('0' + *it));
  r.exponent = static_cast<int>(n.size()) - 1 + decimal_shift;
  while (r.digits.back() == '0') r.digits.pop_back();  // the value is not zero here
  return r;
}

// Rounds to `places` significant digits, ties to even (exact ties only), keeping
// exactly `places` digits (trailing zeros included).
inline ExactDecimal round_significant(const ExactDecimal &x, int places) {
  ExactDecimal r = x;
  if (x.digits.empty()) return r;
  std::string d = x.digits;
  if (static_cast<int>(d.size()) <= places) {
    d.append(places - d.size(), '0');
    r.digits = d;
    return r;
  }
  std::string kept = d.substr(0, places);
  char first_dropped = d[places];
  bool rest_zero = d.find_first_not_of('0', places + 1) == std::string::npos;
  bool up = first_dropped > '5' || (first_dropped == '5' && (!rest_zero || (kept.back() - '0') % 2 == 1));
  if (up) {
    int i = places - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept.insert(kept.begin(), '1');
      kept.pop_back();
      ++r.exponent;
    }
  }
  r.digits = kept;
  return r;
}

// The STR$ layout of significant digits (count of them, trailing zeros removed) with
// exponent e: fixed while e <= fixed_limit and e - count >= min_gap, else scientific.
inline std::string str_layout(bool negative, std::string digits, int e, int fixed_limit,
                              int min_gap, char letter) {
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return " 0";
  int count = static_cast<int>(digits.size());
  std::string out(1, negative ? '-' : ' ');
  if (e <= fixed_limit && e - count >= min_gap) {
    if (e >= 0) {
      std::string whole = digits.substr(0, std::min(count, e + 1));
      whole.append(e + 1 - whole.size(), '0');
      out += whole;
      if (count > e + 1) out += "." + digits.substr(e + 1);
    } else {
      out += "." + std::string(-e - 1, '0') + digits;
    }
    return out;
  }
  out += digits.substr(0, 1);
  if (count > 1) out += "." + digits.substr(1);
  out.push_back(letter);
  out.push_back(e < 0 ? '-' : '+');
  int m = std::abs(e);
  std::string exponent = std::to_string(m);
  if (exponent.size() < 2) exponent = "0" + exponent;
  return out + exponent;
}

inline std::string reference_str_single(float f) {
  ExactDecimal x = round_significant(exact_decimal(f), 7);
  return str_layout(x.negative, x.digits, x.exponent, 6, -8, 'E');
}

inline std::string reference_str_double(double v) {
  ExactDecimal exact = exact_decimal(v);
  ExactDecimal x = round_significant(exact, 16);
  if (!x.digits.empty() && x.digits[15] == '9') x = round_significant(exact, 15);
  return str_layout(x.negative, x.digits, x.exponent, 15, -17, 'D');
}
