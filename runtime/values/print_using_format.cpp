// The PRINT USING formatter: one value at a time through a format string. It writes the
// literal text in front of the value's field, the field, and the literal text after it up
// to the next field, and tells where the next value's field begins. Numbers are rounded
// half away from zero on their exact decimal digits.
#include <cstring>

#include "runtime/values/conversions_internal.h"

namespace {

struct NumberField {
  int32_t end;          // position after the field
  bool leading_plus;
  bool trailing_plus;
  bool trailing_minus;
  bool star_fill;       // ** : fill with '*'
  bool dollar;          // $$ or **$ : '$' in front of the number
  bool commas;
  bool point;
  int32_t before;       // digit positions before the point
  int32_t after;        // digit positions after it
  int32_t exponent;     // exponent digits: 0, 2 or 3
};

// Scans a numeric field at p; false when the characters there do not make one.
bool scan_number_field(const uint8_t *f, int32_t length, int32_t p, NumberField *field) {
  *field = NumberField{};
  int32_t q = p;
  auto at = [&](int32_t i) -> int { return i < length ? f[i] : -1; };
  if (at(q) == '+') {
    field->leading_plus = true;
    ++q;
  }
  if (at(q) == '*' && at(q + 1) == '*') {
    field->star_fill = true;
    field->before = 2;
    q += 2;
    if (at(q) == '$') {
      field->dollar = true;
      ++q;
    }
  } else if (at(q) == '$' && at(q + 1) == '$') {
    field->dollar = true;
    field->before = 1;
    q += 2;
  }
  for (;;) {
    if (at(q) == '#') {
      ++field->before;
      ++q;
    } else if (at(q) == ',' && field->before > 0) {
      field->commas = true;
      ++field->before;
      ++q;
    } else {
      break;
    }
  }
  if (at(q) == '.') {
    int32_t r = q + 1;
    while (at(r) == '#') ++r;
    if (field->before > 0 || r > q + 1) {
      field->point = true;
      field->after = r - q - 1;
      q = r;
    }
  }
  if (field->before + field->after == 0) return false;
  int32_t carets = 0;
  while (carets < 5 && at(q + carets) == '^') ++carets;
  if (carets >= 4) {
    field->exponent = carets - 2;
    q += carets;
  }
  if (!field->leading_plus) {
    if (at(q) == '+') {
      field->trailing_plus = true;
      ++q;
    } else if (at(q) == '-') {
      field->trailing_minus = true;
      ++q;
    }
  }
  field->end = q;
  return true;
}

enum StringFieldKind { STRING_FIELD_NONE, STRING_FIELD_ALL, STRING_FIELD_FIRST, STRING_FIELD_WIDTH };

// Scans a string field at p: &, !, or a backslash, blanks and a backslash.
StringFieldKind scan_string_field(const uint8_t *f, int32_t length, int32_t p, int32_t *end,
                                  int32_t *width) {
  if (f[p] == '&') {
    *end = p + 1;
    return STRING_FIELD_ALL;
  }
  if (f[p] == '!') {
    *end = p + 1;
    return STRING_FIELD_FIRST;
  }
  if (f[p] == '\\') {
    int32_t q = p + 1;
    while (q < length && f[q] == ' ') ++q;
    if (q < length && f[q] == '\\') {
      *end = q + 1;
      *width = q - p + 1;
      return STRING_FIELD_WIDTH;
    }
  }
  return STRING_FIELD_NONE;
}

void append_repeated(std::string *out, char c, int32_t n) {
  if (n > 0) out->append(static_cast<size_t>(n), c);
}

// The number's working digits; rounding replaces them with a private copy.
struct Digits {
  const uint8_t *digits;
  int32_t count;
  int32_t power;
  uint8_t digit(int32_t i) const { return i >= 0 && i < count ? digits[i] : '0'; }
};

// Adds one unit at digit k - 1 after dropping digits k and later (k may be 0).
void round_up_at(Digits *d, int32_t k, uint8_t *storage) {
  std::memcpy(storage, d->digits, static_cast<size_t>(k));
  d->power += d->count - k;
  d->count = k;
  int32_t i = k - 1;
  while (i >= 0 && storage[i] == '9') storage[i--] = '0';
  if (i >= 0) {
    ++storage[i];
  } else {
    std::memmove(storage + 1, storage, static_cast<size_t>(k));
    storage[0] = '1';
    ++d->count;
  }
  d->digits = storage;
}

void format_number(const NumberField &field, const UsingNumber &number, std::string *out) {
  Digits d{number.digits, number.count, number.power};
  uint8_t rounded_storage[USING_MAX_DIGITS + 2];
  bool rounded = false;
  const bool negative = number.negative != 0;
  const bool sign_flag = field.leading_plus || field.trailing_plus || field.trailing_minus;
  const size_t mark = out->size();

  for (;;) {
    int32_t L = field.before;
    int32_t R = field.after;
    bool point = field.point;
    bool overflow = false;
    const int32_t t = d.count == 0 ? 0 : d.count + d.power;  // <0: zeros after the point
    int64_t next_digit;                                      // first digit not printed

    if (field.exponent == 0) {
      if (negative && !sign_flag) --L;
      int32_t width = L;
      int32_t fit = field.commas ? L - L / 4 : L;
      const int32_t whole = t > 0 ? t : 0;
      if (whole > fit) {
        overflow = true;
        width = field.commas ? whole + (whole - 1) / 3 : whole;
      }
      const int32_t whole_chars = whole + (field.commas && whole > 0 ? (whole - 1) / 3 : 0);
      int32_t fill = width - whole_chars;
      if (fill < 0) fill = 0;
      const bool zero_before_point = whole == 0 && fill >= 1;
      if (zero_before_point) --fill;

      if (overflow) out->push_back('%');
      if (field.leading_plus) out->push_back(negative ? '-' : '+');
      append_repeated(out, field.star_fill ? '*' : ' ', fill);
      if (negative && !sign_flag) out->push_back('-');
      if (field.dollar) out->push_back('$');
      if (zero_before_point) out->push_back('0');
      for (int32_t i = 0; i < whole; ++i) {
        if (field.commas && i > 0 && (whole - i) % 3 == 0) out->push_back(',');
        out->push_back(static_cast<char>(d.digit(i)));
      }
      if (point) {
        out->push_back('.');
        int32_t zeros = t < 0 ? (-t < R ? -t : R) : 0;
        append_repeated(out, '0', zeros);
        int32_t from = whole;
        for (int32_t i = zeros; i < R; ++i) out->push_back(static_cast<char>(d.digit(from++)));
      }
      next_digit = int64_t{t} + R;
    } else {
      int32_t X = field.exponent;
      if (!sign_flag) {
        --L;
        if (L == -1) {
          --R;
          L = 0;
          if (R == 0) {
            point = false;
            L = 1;
          }
        }
      }
      const int32_t shown_exponent = d.count == 0 ? 0 : (d.count + d.power - 1) - (L - 1);
      const int32_t exponent_magnitude = shown_exponent < 0 ? -shown_exponent : shown_exponent;
      char exponent_text[16];
      int32_t exponent_length = 0;
      {
        char reversed[16];
        int32_t m = exponent_magnitude;
        do {
          reversed[exponent_length++] = static_cast<char>('0' + m % 10);
          m /= 10;
        } while (m != 0);
        for (int32_t i = 0; i < exponent_length; ++i)
          exponent_text[i] = reversed[exponent_length - 1 - i];
      }
      if (exponent_length > X) {
        overflow = true;
        X = exponent_length;
      }
      if (overflow) out->push_back('%');
      if (field.leading_plus) out->push_back(negative ? '-' : '+');
      if (field.dollar) out->push_back('$');
      if (!sign_flag) out->push_back(negative ? '-' : L >= 1 ? ' ' : '0');
      for (int32_t i = 0; i < L; ++i) out->push_back(static_cast<char>(d.digit(i)));
      if (point) {
        out->push_back('.');
        for (int32_t i = 0; i < R; ++i) out->push_back(static_cast<char>(d.digit(L + i)));
      }
      next_digit = int64_t{L} + R;
      out->push_back(static_cast<char>(number.exponent_letter));
      out->push_back(shown_exponent < 0 ? '-' : '+');
      append_repeated(out, '0', X - exponent_length);
      out->append(exponent_text, static_cast<size_t>(exponent_length));
    }

    if (!rounded && next_digit >= 0 && next_digit < d.count && d.digits[next_digit] >= '5') {
      round_up_at(&d, static_cast<int32_t>(next_digit), rounded_storage);
      rounded = true;
      out->resize(mark);
      continue;
    }
    if (field.trailing_plus) out->push_back(negative ? '-' : '+');
    if (field.trailing_minus) out->push_back(negative ? '-' : ' ');
    return;
  }
}

void format_string(StringFieldKind kind, int32_t width, const uint8_t *text, int32_t length,
                   std::string *out) {
  switch (kind) {
    case STRING_FIELD_ALL:
      out->append(reinterpret_cast<const char *>(text), static_cast<size_t>(length));
      break;
    case STRING_FIELD_FIRST:
      out->push_back(length > 0 ? static_cast<char>(text[0]) : ' ');
      break;
    case STRING_FIELD_WIDTH: {
      int32_t shown = length < width ? length : width;
      out->append(reinterpret_cast<const char *>(text), static_cast<size_t>(shown));
      append_repeated(out, ' ', width - shown);
      break;
    }
    case STRING_FIELD_NONE:
      break;
  }
}

}  // namespace

UsingResult using_format(const uint8_t *format, int32_t format_length, int32_t start,
                         const UsingNumber *number, const uint8_t *text, int32_t text_length,
                         std::string *out) {
  if (format_length < 0 || start < 0 || start > format_length)
    return {0, ERR_ILLEGAL_FUNCTION_CALL};
  const bool has_value = number != nullptr || text != nullptr;
  bool used = false;
  bool from_start = start == 0;  // this call has scanned the format from its beginning
  int32_t p = start;
  for (;;) {
    if (p >= format_length) {
      if (used || !has_value) return {0, 0};
      if (from_start) return {0, ERR_ILLEGAL_FUNCTION_CALL};  // no field at all
      p = 0;
      from_start = true;
      continue;
    }
    NumberField field;
    if (scan_number_field(format, format_length, p, &field)) {
      if (used || !has_value) return {p, 0};
      if (number == nullptr) return {0, ERR_TYPE_MISMATCH};
      format_number(field, *number, out);
      used = true;
      p = field.end;
      continue;
    }
    int32_t end = 0, width = 0;
    StringFieldKind kind = scan_string_field(format, format_length, p, &end, &width);
    if (kind != STRING_FIELD_NONE) {
      if (used || !has_value) return {p, 0};
      if (number != nullptr) return {0, ERR_TYPE_MISMATCH};
      format_string(kind, width, text, text_length, out);
      used = true;
      p = end;
      continue;
    }
    if (format[p] == '_' && p + 1 < format_length) ++p;  // the next character is literal
    out->push_back(static_cast<char>(format[p]));
    ++p;
  }
}
