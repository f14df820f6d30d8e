// Case conversion, trimming, slicing, searching and the character-code functions, each
// checked against the three kinds of argument the generated code passes: a permanent
// variable, a read-only literal and a modifiable temporary.
#include <climits>
#include <deque>
#include <vector>

#include "tests/string_functions/string_test_fixture.h"

namespace {

enum class Kind { Variable, Literal, Temporary };
const Kind ALL_KINDS[] = {Kind::Variable, Kind::Literal, Kind::Temporary};
const char *kind_name(Kind k) {
  return k == Kind::Variable ? "variable" : k == Kind::Literal ? "literal" : "temporary";
}

class StringFunctions : public StringStatementTest {
 protected:
  BasicString *argument(Kind kind, const std::string &text) {
    switch (kind) {
      case Kind::Variable: return variable(text);
      case Kind::Literal: {
        // Program text lives as long as the program: keep the bytes for the whole test.
        const std::string &kept = program_text.emplace_back(text);
        return bstr_from_text(kept.data(), static_cast<int32_t>(kept.size()));
      }
      case Kind::Temporary: return temporary(text);
    }
    return nullptr;
  }
  std::deque<std::string> program_text;
};

// ---- INSTR ---------------------------------------------------------------------------------

struct InstrCase {
  int32_t start;
  int32_t start_passed;
  std::string s, find;
  int32_t expected;
};

TEST_F(StringFunctions, InstrStartAndEmptyCombinations) {
  const std::string north = "NORTH";
  const InstrCase cases[] = {
      {0, 0, north, "TH", 4},       {0, 0, north, "", 1},         {0, 0, "", "", 0},
      {0, 0, "", "N", 0},           {0, 1, north, "", 0},         {0, 1, north, "R", 3},
      {-7, 1, north, "R", 3},       {-7, 1, north, "", 0},        {6, 1, north, "", 0},
      {5, 1, north, "", 5},         {1, 1, north, "", 1},         {4, 1, north, "TH", 4},
      {5, 1, north, "TH", 0},       {1, 1, north, "NORTHX", 0},   {1, 1, north, "NORTH", 1},
      {2, 1, north, "NORTH", 0},    {2, 1, north, "H", 5},        {1, 1, north, "X", 0},
      {0, 1, "", "", 0},            {3, 1, "", "", 0},            {1, 1, "", "A", 0},
      {INT32_MAX, 1, north, "H", 0}, {INT32_MIN, 1, north, "N", 1}, {0, 0, north, "h", 0},
      {0, 0, "ABABAC", "ABAC", 3},  {0, 0, "AAB", "AB", 2},       {3, 1, "ABAB", "AB", 3},
      {0, 0, std::string("a\0b\0c", 5), std::string("\0c", 2), 4},
      {0, 0, "HHHH", "HHH", 1},     {2, 1, "HHHH", "HHH", 2},     {3, 1, "HHHH", "HHH", 0},
  };
  for (const InstrCase &c : cases) {
    BasicString *s = temporary(c.s);
    BasicString *find = temporary(c.find);
    const uint32_t count = bstr_temp_mark();
    EXPECT_EQ(rt_instr(c.start, s, find, c.start_passed), c.expected)
        << "INSTR(" << (c.start_passed ? std::to_string(c.start) + ", " : "") << '"' << c.s
        << "\", \"" << c.find << "\")";
    // A numeric function never frees or changes its arguments.
    EXPECT_EQ(bstr_temp_mark(), count);
    EXPECT_EQ(text_of(s), c.s);
    EXPECT_EQ(text_of(find), c.find);
    EXPECT_EQ(pending_error.load(), 0u);
    end_statement();
  }
}

// ---- MID$ -----------------------------------------------------------------------------------

struct MidCase {
  int32_t start, n, n_passed;
  std::string expected;
};

TEST_F(StringFunctions, MidOfFiveBytesForEveryArgumentKind) {
  const MidCase cases[] = {
      {2, 3, 1, "BCD"},   {0, 3, 1, "AB"},    {4, 0, 0, "DE"},        {6, 0, 0, ""},
      {2, 0, 1, ""},      {1, 5, 1, "ABCDE"}, {1, 99, 1, "ABCDE"},    {-1, 4, 1, "AB"},
      {5, 1, 1, "E"},     {5, 9, 1, "E"},     {6, 1, 1, ""},          {0, 0, 0, "ABCDE"},
      {-3, 0, 0, "ABCDE"}, {3, -1, 1, ""},    {1, INT32_MAX, 1, "ABCDE"},
      {2, INT32_MAX, 1, "BCDE"}, {INT32_MIN, INT32_MAX, 1, ""}, {INT32_MAX, 1, 1, ""},
      {1, 0, 0, "ABCDE"}, {5, 0, 0, "E"},
  };
  for (Kind kind : ALL_KINDS)
    for (const MidCase &c : cases) {
      BasicString *s = argument(kind, "ABCDE");
      BasicString *r = rt_mid(s, c.start, c.n, c.n_passed);
      const std::string where = std::string(kind_name(kind)) + " MID$(s, " + std::to_string(c.start) +
                                (c.n_passed ? ", " + std::to_string(c.n) : "") + ")";
      EXPECT_EQ(text_of(r), c.expected) << where;
      if (kind == Kind::Temporary) {
        EXPECT_EQ(r, s) << where << ": a temporary is cut in place";
      }
      if (c.expected == "ABCDE") {
        EXPECT_EQ(r, s) << where << ": the whole string is its argument";
      }
      if (kind == Kind::Variable) {
        EXPECT_EQ(text_of(s), "ABCDE") << where;
        if (c.expected != "ABCDE") {
          EXPECT_TRUE(r->temporary) << where;
        }
      }
      end_statement();
    }
}

TEST_F(StringFunctions, LeftAndRightClamp) {
  struct Case {
    int32_t n;
    std::string left, right;
  };
  const Case cases[] = {{5, "ABC", "ABC"}, {3, "ABC", "ABC"}, {2, "AB", "BC"}, {1, "A", "C"},
                        {0, "", ""},       {-1, "", ""},      {INT32_MIN, "", ""}};
  for (Kind kind : ALL_KINDS)
    for (const Case &c : cases) {
      BasicString *l = rt_left(argument(kind, "ABC"), c.n);
      EXPECT_EQ(text_of(l), c.left) << kind_name(kind) << " LEFT$ " << c.n;
      BasicString *s = argument(kind, "ABC");
      BasicString *r = rt_right(s, c.n);
      EXPECT_EQ(text_of(r), c.right) << kind_name(kind) << " RIGHT$ " << c.n;
      if (c.n >= 3) {
        EXPECT_EQ(r, s) << "n at or above LEN returns the argument itself";
      }
      end_statement();
    }
}

// ---- case conversion and trimming -------------------------------------------------------------

TEST_F(StringFunctions, CaseConversionOnlyTouchesAsciiLetters) {
  const std::string mixed = std::string("Examine Buck 1\x82z@[`{", 20);
  for (Kind kind : ALL_KINDS) {
    EXPECT_EQ(text_of(rt_ucase(argument(kind, mixed))), std::string("EXAMINE BUCK 1\x82Z@[`{", 20))
        << kind_name(kind);
    EXPECT_EQ(text_of(rt_lcase(argument(kind, mixed))), std::string("examine buck 1\x82z@[`{", 20))
        << kind_name(kind);
    EXPECT_EQ(text_of(rt_ucase(argument(kind, ""))), "");
    end_statement();
  }
}

TEST_F(StringFunctions, UcaseOfAnUpperCaseVariableReturnsTheVariable) {
  BasicString *command = variable("NORTH");
  const uint32_t before = bstr_temp_mark();
  BasicString *r = rt_ucase(command);
  EXPECT_EQ(r, command);
  EXPECT_FALSE(r->temporary);
  EXPECT_EQ(bstr_temp_mark(), before);
  BasicString *lower_case = variable("north");
  EXPECT_EQ(rt_lcase(lower_case), lower_case);
  // With something to change, the variable stays as it was and a copy comes back.
  BasicString *lower = variable("north");
  BasicString *upper = rt_ucase(lower);
  EXPECT_NE(upper, lower);
  EXPECT_EQ(text_of(upper), "NORTH");
  EXPECT_EQ(text_of(lower), "north");
}

TEST_F(StringFunctions, ModifiableTemporariesChangeInPlace) {
  BasicString *t = temporary("  Go West  ");
  const uint32_t count = bstr_temp_mark();
  EXPECT_EQ(rt_ucase(t), t);
  EXPECT_EQ(rt_rtrim(t), t);
  EXPECT_EQ(rt_ltrim(t), t);
  EXPECT_EQ(rt_left(t, 7), t);
  EXPECT_EQ(rt_right(t, 4), t);
  EXPECT_EQ(text_of(t), "WEST");
  EXPECT_EQ(bstr_temp_mark(), count);
}

TEST_F(StringFunctions, CopyingFromATemporaryConsumesIt) {
  // A literal is temporary but read-only: the copy is new and the literal is freed.
  BasicString *lit = literal("abc");
  const int32_t slot = lit->temp_index;
  BasicString *r = rt_ucase(lit);
  EXPECT_EQ(text_of(r), "ABC");
  EXPECT_EQ(temp_list.entries[slot], FREED_ENTRY);
  end_statement();

  lit = literal(" x ");
  const int32_t slot2 = lit->temp_index;
  r = rt_ltrim(lit);
  EXPECT_EQ(text_of(r), "x ");
  EXPECT_EQ(temp_list.entries[slot2], FREED_ENTRY);
  end_statement();

  // Returning the argument unchanged frees nothing.
  lit = literal("ABC");
  EXPECT_EQ(rt_ucase(lit), lit);
  EXPECT_EQ(temp_list.entries[lit->temp_index], lit);
}

struct TrimCase {
  std::string in, ltrim, rtrim;
};

TEST_F(StringFunctions, TrimsRemoveOnlySpaces) {
  const TrimCase cases[] = {
      {"   ", "", ""},           {"", "", ""},          {" a b ", "a b ", " a b"},
      {"\tx ", "\tx ", "\tx"},  {"x", "x", "x"},       {"  x\t", "x\t", "  x\t"},
      {std::string(" \0 ", 3), std::string("\0 ", 2), std::string(" \0", 2)},
  };
  for (Kind kind : ALL_KINDS)
    for (const TrimCase &c : cases) {
      EXPECT_EQ(text_of(rt_ltrim(argument(kind, c.in))), c.ltrim) << kind_name(kind) << " [" << c.in << "]";
      EXPECT_EQ(text_of(rt_rtrim(argument(kind, c.in))), c.rtrim) << kind_name(kind) << " [" << c.in << "]";
      end_statement();
    }
}

// The game normalises every command with LTRIM$(RTRIM$(UCASE$(x))) on a permanent x.
TEST_F(StringFunctions, NormalisationChainMakesAtMostOneTemporary) {
  struct Case {
    std::string x, result;
    uint32_t temporaries;
  };
  const Case cases[] = {{"  north  ", "NORTH", 1}, {"  NORTH  ", "NORTH", 1}, {"use hot coffee", "USE HOT COFFEE", 1},
                        {"NORTH ", "NORTH", 1},    {"NORTH", "NORTH", 0},      {"   ", "", 1}};
  for (const Case &c : cases) {
    BasicString *x = variable(c.x);
    const uint32_t heap_strings = static_cast<uint32_t>(string_heap.list.count);
    const uint32_t before = bstr_temp_mark();
    BasicString *r = rt_ltrim(rt_rtrim(rt_ucase(x)));
    EXPECT_EQ(text_of(r), c.result) << '[' << c.x << ']';
    EXPECT_EQ(bstr_temp_mark() - before, c.temporaries) << '[' << c.x << ']';
    EXPECT_LE(static_cast<uint32_t>(string_heap.list.count) - heap_strings, c.temporaries);
    if (c.temporaries == 0) {
      EXPECT_EQ(r, x);
    }
    EXPECT_EQ(text_of(x), c.x);
    end_statement();
  }
}

// ---- character codes ----------------------------------------------------------------------

TEST_F(StringFunctions, ChrGivesOneByteOrErrorFive) {
  struct Case {
    int32_t code;
    uint32_t error;
  };
  const Case cases[] = {{0, 0}, {65, 0}, {255, 0}, {256, 5}, {-1, 5}, {INT32_MIN, 5}};
  for (const Case &c : cases) {
    BasicString *r = rt_chr(c.code);
    EXPECT_EQ(pending_error.load(), c.error) << "CHR$(" << c.code << ")";
    EXPECT_TRUE(r->temporary);
    if (c.error == 0) {
      ASSERT_EQ(r->length, 1);
      EXPECT_EQ(r->data[0], c.code);
    } else {
      EXPECT_EQ(r->length, 0);
    }
    end_statement();
    clear_error();
  }
}

TEST_F(StringFunctions, AscReadsUnsignedBytesAndRefusesBadPositions) {
  struct Case {
    std::string s;
    int32_t pos;  // 0: the one-argument form
    int32_t expected;
    uint32_t error;
  };
  const Case cases[] = {{"A", 0, 65, 0},         {"\xC8", 0, 200, 0},  {"", 0, 0, 5},
                        {"A", 2, 0, 5},          {"AB", 2, 66, 0},     {"AB", 1, 65, 0},
                        {"AB", -1, 0, 5},        {"", 1, 0, 5},        {std::string("\0", 1), 0, 0, 0}};
  for (const Case &c : cases) {
    BasicString *s = temporary(c.s);
    EXPECT_EQ(c.pos == 0 ? rt_asc(s) : rt_asc_at(s, c.pos), c.expected) << "ASC [" << c.s << "] " << c.pos;
    EXPECT_EQ(pending_error.load(), c.error) << "ASC [" << c.s << "] " << c.pos;
    EXPECT_EQ(text_of(s), c.s);
    end_statement();
    clear_error();
  }
  EXPECT_EQ(rt_len(temporary("NORTH")), 5);
}

TEST_F(StringFunctions, StringAndSpaceFill) {
  EXPECT_EQ(text_of(rt_string_fill(3, 321)), "AAA");
  EXPECT_EQ(text_of(rt_string_fill(2, -191)), "AA");
  EXPECT_EQ(text_of(rt_string_fill(-4, 65)), "");
  EXPECT_EQ(text_of(rt_string_fill(1, 0)), std::string("\0", 1));
  EXPECT_EQ(text_of(rt_space(3)), "   ");
  EXPECT_EQ(text_of(rt_space(0)), "");
  EXPECT_EQ(text_of(rt_space(-2)), "");
  EXPECT_TRUE(rt_space(1)->temporary);
  EXPECT_EQ(pending_error.load(), 0u);
}

// The copy a function makes of a variable may be the string that fills the heap: making
// it compacts the heap and moves the variable's bytes, and the copy must still be of them.
TEST_F(StringFunctions, CopiesReadTheArgumentAfterTheHeapMoved) {
  struct Case {
    const char *name;
    std::string x, expected;
    BasicString *(*function)(BasicString *);
  };
  const Case cases[] = {
      {"UCASE$", "north", "NORTH", rt_ucase},
      {"LCASE$", "NORTH", "north", rt_lcase},
      {"LTRIM$", "  north", "north", rt_ltrim},
      {"RTRIM$", "north  ", "north", rt_rtrim},
      {"LEFT$", "north", "nor", [](BasicString *s) { return rt_left(s, 3); }},
      {"RIGHT$", "north", "rth", [](BasicString *s) { return rt_right(s, 3); }},
      {"MID$", "north", "ort", [](BasicString *s) { return rt_mid(s, 2, 3, 1); }},
  };
  for (const Case &c : cases) {
    // Heap: [gap][x][big gap][filler up to the heap's end]. Compaction moves x down over
    // the first gap and the filler over x's old bytes, without growing the heap.
    BasicString *gap = bstr_new(100, 0);
    BasicString *x = variable(c.x);
    const size_t filler_length = string_heap.size / 4;
    ASSERT_LT(string_heap.fill + filler_length + 200, string_heap.size) << c.name;
    BasicString *big_gap = bstr_new(uint32_t(string_heap.size - string_heap.fill - filler_length - 64 - 10), 0);
    BasicString *filler = bstr_new(uint32_t(filler_length), 0);
    std::memset(filler->data, 'Z', filler_length);
    bstr_free(gap);
    bstr_free(big_gap);
    ASSERT_GT(string_heap.fill + 32 + c.expected.size(), string_heap.size) << c.name;
    const uint8_t *before = x->data;
    const uint64_t compactions = string_stats.heap_compactions;
    BasicString *r = c.function(x);
    EXPECT_EQ(string_stats.heap_compactions, compactions + 1) << c.name;
    EXPECT_NE(x->data, before) << c.name << ": the variable's bytes moved";
    EXPECT_EQ(text_of(r), c.expected) << c.name;
    EXPECT_EQ(text_of(x), c.x) << c.name;
    end_statement();
    bstr_free(filler);
  }
}

TEST_F(StringFunctions, PendingErrorMakesFunctionsHarmless) {
  rt_error(ERR_SUBSCRIPT_OUT_OF_RANGE);
  BasicString *x = variable("north");
  BasicString *r = rt_ucase(x);
  EXPECT_NE(r, x);
  EXPECT_EQ(r->length, 0);
  EXPECT_EQ(text_of(x), "north");
  EXPECT_EQ(rt_instr(0, x, literal("r"), 0), 0);
  EXPECT_EQ(rt_chr(300)->length, 0);
  EXPECT_EQ(pending_error.load(), 9u) << "the first error of a statement wins";
}

}  // namespace
