// The PRINT USING formatter as a pure function: every example of the field elements, the
// rounding of exact digits, overflow, reuse of the format, literals and the errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/errors/errors.h"
#include "runtime/values/values.h"

namespace {

enum class Type { Single, Double, Float, Int64, UInt64 };

struct Value {
  Type type;
  long double number;
};
Value S(long double v) { return {Type::Single, v}; }
Value D(long double v) { return {Type::Double, v}; }
Value F(long double v) { return {Type::Float, v}; }
Value I(long double v) { return {Type::Int64, v}; }

UsingNumber digit_form(const Value &v) {
  UsingNumber n;
  int32_t r = 0;
  switch (v.type) {
    case Type::Single: r = using_number_single(static_cast<float>(v.number), &n); break;
    case Type::Double: r = using_number_double(static_cast<double>(v.number), &n); break;
    case Type::Float: r = using_number_float(v.number, &n); break;
    case Type::Int64: r = using_number_int64(static_cast<int64_t>(v.number), &n); break;
    case Type::UInt64: r = using_number_uint64(static_cast<uint64_t>(v.number), &n); break;
  }
  EXPECT_EQ(r, 0);
  return n;
}

// Feeds the values one after another as the PRINT USING statement does.
struct Fed {
  std::string text;
  std::vector<int32_t> positions;
  int32_t error = 0;
};

Fed run_numbers(const std::string &format, const std::vector<Value> &values) {
  Fed run;
  int32_t p = 0;
  for (const Value &v : values) {
    UsingNumber n = digit_form(v);
    UsingResult r = using_format(reinterpret_cast<const uint8_t *>(format.data()),
                                 static_cast<int32_t>(format.size()), p, &n, nullptr, 0, &run.text);
    run.positions.push_back(r.next);
    if (r.error != 0) {
      run.error = r.error;
      break;
    }
    p = r.next;
  }
  return run;
}

std::string one(const std::string &format, const Value &v) {
  Fed r = run_numbers(format, {v});
  EXPECT_EQ(r.error, 0) << format;
  return r.text;
}

std::string with_text(const std::string &format, const std::string &value, int32_t *error = nullptr,
                      int32_t *next = nullptr) {
  std::string out;
  static const uint8_t empty[1] = {0};
  const uint8_t *bytes = value.empty() ? empty : reinterpret_cast<const uint8_t *>(value.data());
  UsingResult r = using_format(reinterpret_cast<const uint8_t *>(format.data()),
                               static_cast<int32_t>(format.size()), 0, nullptr, bytes,
                               static_cast<int32_t>(value.size()), &out);
  if (error) *error = r.error;
  if (next) *next = r.next;
  return out;
}

struct Row {
  const char *format;
  Value value;
  const char *text;
};

TEST(PrintUsingFormat, ExampleTable) {
  const Row rows[] = {
      {"##.##", S(3.14159L), " 3.14"},
      {"##.##", S(-3.14159L), "-3.14"},
      {"##.##", S(0.5L), " 0.50"},
      {"##.##", S(99.996L), "%100.00"},
      {"###,###", S(1234567), "%1,234,567"},
      {"###,###", S(123), "    123"},
      {"###,###.##", S(1234.5L), "  1,234.50"},
      {"**$##.##", S(5.5L), "***$5.50"},
      {"$$##.##", S(5.5L), "  $5.50"},
      {"+##", S(5), "+ 5"},
      {"##-", S(-5), " 5-"},
      {"##.##^^^^", S(1234.5L), " 1.23E+03"},
      {"##.##^^^^", D(1234.5L), " 1.23D+03"},
      {"#.##^^^^", S(1.5L), "0.15E+01"},
      {"#.##^^^^", S(-1.5L), "-.15E+01"},
  };
  for (const Row &r : rows) EXPECT_EQ(one(r.format, r.value), r.text) << r.format;
}

TEST(PrintUsingFormat, EdgeCases) {
  const Row rows[] = {
      {"##", S(-15), "%-15"},
      {"##", S(-5), "-5"},
      {".##", S(0), ".00"},
      {"##.##", S(0), " 0.00"},
      {"#.##", D(0.125L), "0.13"},      // half away from zero on the exact digits
      {"#.##", S(0.115L), "0.12"},      // the SINGLE is slightly above 0.115
      {"##.##", S(0.005L), " 0.00"},    // the SINGLE is slightly below 0.005
      {"##.##", D(0.005L), " 0.01"},    // the DOUBLE is slightly above
      {"#.##", D(-0.125L), "-.13"},
      {"##.##", S(-0.5L), "-0.50"},
      {".##", S(-0.5L), "%-.50"},
      {".##", S(5.5L), "%5.50"},
      {"###", S(999.5L), "%1000"},
      {"**##", S(12), "**12"},
      {"**##.##", S(0.5L), "***0.50"},
      {"$$##.##", S(-5.5L), " -$5.50"},
      {"###,###", I(-1234), " -1,234"},
      {"#,###,###", I(1234567), "1,234,567"},
      {"##.##+", S(-1.5L), " 1.50-"},
      {"##.##+", S(1.5L), " 1.50+"},
      {"##.##-", S(1.5L), " 1.50 "},
      {"+##.##", S(-1.5L), "- 1.50"},
      {"+##.##", S(1.5L), "+ 1.50"},
      {"##.", S(12.6L), "13."},
      {"#####", I(-1234), "-1234"},
      {"#", {Type::UInt64, 18446744073709551615.0L}, "%18446744073709551615"},
      {"##.##", F(2.625L), " 2.63"},
      {"##.##^^^^", F(1234.5L), " 1.23F+03"},
      {"#.##^^^^", S(9.999L), "0.10E+02"},        // the carry moves the exponent
      {"#.##^^^^", D(1e100L), "%0.10D+101"},       // exponent wider than its field
      {"##.##^^^^^", S(1234.5L), " 1.23E+003"},
      {"+#.##^^^^", S(1.5L), "+1.50E+00"},
      {"#.##^^^^", S(0), "0.00E+00"},
      {".##^^^^", S(1.5L), "0.2E+01"},             // the sign takes a decimal
      {".#^^^^", S(1.5L), " 2E+00"},               // ... and then the point
      {"###.##", D(1e-300L), "  0.00"},
      {"##.##^^^^", F(1e-3000L), "% 1.00F-3000"},
      {"##.##^^^^^", F(1e-300L), " 1.00F-300"},
      {"#.#", S(9.96L), "%10.0"},
      {"##.##", D(-0.0L), " 0.00"},
  };
  for (const Row &r : rows) EXPECT_EQ(one(r.format, r.value), r.text) << r.format;
}

TEST(PrintUsingFormat, CountdownFormat) {
  const std::string clock = " ###:##.###";
  Fed r = run_numbers(clock, {S(2), S(5.25L)});
  EXPECT_EQ(r.error, 0);
  ASSERT_EQ(r.positions.size(), 2u);
  EXPECT_EQ(r.positions[0], 5);  // the seconds field begins at position 5
  EXPECT_EQ(r.positions[1], 0);
  EXPECT_EQ(r.text, "   2: 5.250");
  EXPECT_EQ(r.text.size(), 11u);

  Fed first = run_numbers(clock, {S(2)});
  EXPECT_EQ(first.text, "   2:");  // leading space, three characters, the colon

  Fed big = run_numbers(clock, {S(1000), S(5.25L)});
  EXPECT_EQ(big.text, " %1000: 5.250");
  Fed zero = run_numbers(clock, {S(0), S(0)});
  EXPECT_EQ(zero.text, "   0: 0.000");
  Fed late = run_numbers(clock, {S(9), S(99.9996L)});
  EXPECT_EQ(late.text, "   9:%100.000");
}

TEST(PrintUsingFormat, FormatIsReusedForMoreValues) {
  Fed r = run_numbers("A# B#", {S(1), S(2), S(3)});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(r.text, "A1 B2A3 B");
  EXPECT_EQ(r.positions, (std::vector<int32_t>{4, 0, 4}));
}

TEST(PrintUsingFormat, FormatWithoutFieldRaisesErrorFive) {
  Fed r = run_numbers("abc", {S(1)});
  EXPECT_EQ(r.error, ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(r.text, "abc");  // the literal text once
  r = run_numbers("", {S(1)});
  EXPECT_EQ(r.error, ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(r.text, "");
}

TEST(PrintUsingFormat, LiteralsAndUnderscore) {
  EXPECT_EQ(one("_##", S(5)), "#5");
  EXPECT_EQ(one("#_", S(5)), "5_");
  EXPECT_EQ(one("__#", S(5)), "_5");
  EXPECT_EQ(one("Total: $##.## _!", S(3.5L)), "Total: $ 3.50 !");
  EXPECT_EQ(one("* #", S(5)), "* 5");        // a single * or $ is literal
  EXPECT_EQ(one("+. #", S(5)), "+. 5");      // + and . that start no field
  EXPECT_EQ(one("##^^^ x", S(5)), " 5^^^ x");  // three carets are no exponent
}

TEST(PrintUsingFormat, StringFields) {
  EXPECT_EQ(with_text("!", "Hello"), "H");
  EXPECT_EQ(with_text("[!]", ""), "[ ]");
  EXPECT_EQ(with_text("\\  \\", "AB"), "AB  ");
  EXPECT_EQ(with_text("\\  \\", "ABCDEF"), "ABCD");
  EXPECT_EQ(with_text("\\\\", "XYZ"), "XY");
  EXPECT_EQ(with_text("<&>", "whole text"), "<whole text>");
  EXPECT_EQ(with_text("\\x&", "AB"), "\\xAB");  // a lone backslash is literal
  int32_t next = -1;
  EXPECT_EQ(with_text("& and &", "one", nullptr, &next), "one and ");
  EXPECT_EQ(next, 6);
}

TEST(PrintUsingFormat, TypeMismatchBothWays) {
  int32_t error = 0, next = -1;
  EXPECT_EQ(with_text("ab ##", "x", &error, &next), "ab ");
  EXPECT_EQ(error, ERR_TYPE_MISMATCH);
  EXPECT_EQ(next, 0);
  Fed r = run_numbers("ab &", {S(1)});
  EXPECT_EQ(r.error, ERR_TYPE_MISMATCH);
  EXPECT_EQ(r.text, "ab ");
}

TEST(PrintUsingFormat, BadStartPositionIsRefused) {
  UsingNumber n = digit_form(S(1));
  std::string out;
  const uint8_t f[] = {'#'};
  EXPECT_EQ(using_format(f, 1, -1, &n, nullptr, 0, &out).error, ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(using_format(f, 1, 2, &n, nullptr, 0, &out).error, ERR_ILLEGAL_FUNCTION_CALL);
  // Starting at the very end wraps to the start of the format.
  UsingResult r = using_format(f, 1, 1, &n, nullptr, 0, &out);
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(out, "1");
}

TEST(PrintUsingDigits, FormsOfEachType) {
  UsingNumber n;
  ASSERT_EQ(using_number_single(0.5f, &n), 0);
  EXPECT_EQ(n.digits[0], '5');
  EXPECT_EQ(n.count + n.power, 0);
  EXPECT_EQ(n.exponent_letter, 'E');
  ASSERT_EQ(using_number_double(-0.1, &n), 0);
  EXPECT_EQ(n.negative, 1);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(n.digits), 20), "10000000000000000555");
  EXPECT_EQ(n.count + n.power, 0);
  EXPECT_EQ(n.exponent_letter, 'D');
  ASSERT_EQ(using_number_int64(INT64_MIN, &n), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(n.digits), n.count), "9223372036854775808");
  EXPECT_EQ(n.negative, 1);
  ASSERT_EQ(using_number_float(0x1p13000L, &n), 0);  // 3914 integer digits: 256 kept
  EXPECT_EQ(n.count, 256);
  EXPECT_EQ(n.count + n.power, 3914);
  ASSERT_EQ(using_number_float(0.5L, &n), 0);  // below 1: significant digits, no leading 0
  EXPECT_EQ(n.digits[0], '5');
  EXPECT_EQ(n.count + n.power, 0);
  ASSERT_EQ(using_number_float(12.5L, &n), 0);  // the fixed text: 2 + 255 digits
  EXPECT_EQ(n.count, 257);
  EXPECT_EQ(n.power, -255);
  EXPECT_EQ(n.exponent_letter, 'F');
  EXPECT_EQ(using_number_single(__builtin_inff(), &n), ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(using_number_double(__builtin_nan(""), &n), ERR_ILLEGAL_FUNCTION_CALL);
  EXPECT_EQ(using_number_float(-__builtin_infl(), &n), ERR_ILLEGAL_FUNCTION_CALL);
}

// The digits of SINGLE and DOUBLE forms are those of the C library's "% .255E" text (the
// form may stop early where only zeros follow).
TEST(PrintUsingDigits, DigitsAreThoseOfTheFullExpansion) {
  std::mt19937_64 rng(77);
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, 8);
    if (!std::isfinite(v) || v == 0) continue;
    if (i % 3 == 0) v = static_cast<float>(std::ldexp(v, -std::ilogb(v) + static_cast<int>(rng() % 200) - 100));
    if (!std::isfinite(v)) continue;
    UsingNumber n;
    ASSERT_EQ(using_number_double(v, &n), 0) << v;
    char full[300];
    std::snprintf(full, sizeof full, "% .255E", v);
    std::string digits = std::string(1, full[1]) + std::string(full + 3, 255);
    int exponent = std::atoi(full + 259);
    if (v == 0) {
      EXPECT_EQ(n.count, 0);
      continue;
    }
    ASSERT_LE(n.count, 256) << v;
    std::string mine(reinterpret_cast<char *>(n.digits), static_cast<size_t>(n.count));
    mine.append(256 - mine.size(), '0');
    EXPECT_EQ(mine, digits) << full;
    EXPECT_EQ(n.count + n.power, exponent + 1) << full;
    EXPECT_EQ(n.negative, v < 0);
  }
}

}  // namespace
