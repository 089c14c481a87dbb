#include "format/input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "format/translate.h"
#include "record_fixtures.h"

namespace format {
namespace {

struct IntegerCase {
  const char* field;
  Base base;
  bool blank_zero;
  bool ok;
  std::int32_t value;
};

TEST(ReadIntegerField, Table) {
  const IntegerCase cases[] = {
      {"  42", Base::decimal, false, true, 42},
      {"-  7", Base::decimal, false, true, -7},
      {"1 2", Base::decimal, false, true, 12},
      {"1 2", Base::decimal, true, true, 102},
      {"12  ", Base::decimal, false, true, 12},
      {"12  ", Base::decimal, true, true, 1200},
      {"\t 5\t", Base::decimal, false, true, 5},  // tabs count as blanks
      {"    ", Base::decimal, false, true, 0},
      {"", Base::decimal, false, true, 0},
      {"-", Base::decimal, false, true, 0},
      {"+", Base::decimal, false, true, 0},
      {"+17", Base::decimal, false, true, 17},
      {"12.5", Base::decimal, false, false, 0},
      {"abcd", Base::decimal, false, false, 0},
      {"1-2", Base::decimal, false, false, 0},
      {"--1", Base::decimal, false, false, 0},
      {"2147483647", Base::decimal, false, true, 2147483647},
      {"-2147483648", Base::decimal, false, true, INT32_MIN},
      // Ten digits and more keep the low 32 bits.
      {"4294967297", Base::decimal, false, true, 1},
      {"1011", Base::binary, false, true, 11},
      {"102", Base::binary, false, false, 0},
      {"-1", Base::binary, false, false, 0},  // B, O, Z take no sign
      {"777", Base::octal, false, true, 511},
      {"8", Base::octal, false, false, 0},
      {"fF", Base::hex, false, true, 255},
      {"FFFFFFFF", Base::hex, false, true, -1},
      {"g", Base::hex, false, false, 0},
      {" 1 f", Base::hex, true, true, 0x10f},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(c.field);
    std::int32_t value = -99;
    EXPECT_EQ(c.ok, read_integer_field(c.field, c.base, c.blank_zero, value));
    if (c.ok) {
      EXPECT_EQ(c.value, value);
    }
  }
}

enum Flavours { both, plain_only, structure_only, neither };

struct RealCase {
  const char* field;
  std::int32_t d;
  std::int32_t k;
  bool blank_zero;
  Flavours accepted;
  float value;
};

TEST(ReadRealField, Table) {
  const RealCase cases[] = {
      {"   125", 2, 0, false, both, 1.25f},
      {"   125", 0, 0, false, both, 125.0f},
      {"  1.25", 2, 0, false, both, 1.25f},
      {"1.25E1", 2, 0, false, both, 12.5f},
      {"", 2, 0, false, both, 0.0f},
      {"      ", 2, 0, false, both, 0.0f},
      {".", 2, 0, false, both, 0.0f},
      // The implied point goes in front of the mantissa's last d characters.
      {"1234", 2, 0, false, both, 12.34f},
      {"5", 2, 0, false, both, 0.05f},
      {"-123", 2, 0, false, both, -1.23f},
      {"123E2", 1, 0, false, both, 1230.0f},
      {"12.3", 2, 0, false, both, 12.3f},
      {"1 2 5", 2, 0, true, both, 102.05f},  // BZ: 10205 with d 2
      {"1.5E3", 0, 0, false, both, 1500.0f},
      {"1.5e-3", 0, 0, false, both, 0.0015f},
      {"1.5+3", 0, 0, false, both, 1500.0f},
      {"1.5-3", 0, 0, false, both, 0.0015f},
      {"1.5D3", 0, 0, false, both, 1500.0f},
      {"1.5d+3", 0, 0, false, both, 1500.0f},
      {"-.5", 0, 0, false, both, -0.5f},
      {"1E", 0, 0, false, both, 1.0f},  // a missing exponent number is 0
      // Q ends the number.
      {"1.5Q3", 0, 0, false, both, 1.5f},
      // Only the character set, or also the structure, is checked.
      {"1.2.3", 0, 0, false, plain_only, 1.2f},
      {"1E2E3", 0, 0, false, plain_only, 100.0f},
      {"1E2.5", 0, 0, false, plain_only, 100.0f},
      {"1+-3", 0, 0, false, plain_only, 1.0f},
      {"1x", 0, 0, false, neither, 0.0f},
      {"1,5", 0, 0, false, neither, 0.0f},
      {"abc", 0, 0, false, neither, 0.0f},
      // The scale factor divides by 10^k unless the field has an exponent.
      {"125", 0, 2, false, both, 1.25f},
      {"125", 0, -2, false, both, 12500.0f},
      {"1.25E1", 0, 2, false, both, 12.5f},
      {"1.5Q3", 0, 1, false, both, 0.15f},
      // Long mantissas: exact digits up to the bound, then only the
      // exponent grows (before the point) or digits are dropped (after).
      {"123456789012345678901234567890", 0, 0, false, both, 1.2345679e29f},
      {"0.000000000000000000000000000001234567", 0, 0, false, both,
       1.234567e-30f},
      {"3.4028235E38", 0, 0, false, both, 3.4028235e38f},
      {"1E39", 0, 0, false, both, INFINITY},
      {"1E-46", 0, 0, false, both, 0.0f},
      {"1.4E-45", 0, 0, false, both, 1.4e-45f},
      {"1E-400", 0, 0, false, both, 0.0f},  // below -307: two divisions
      {"1E400", 0, 0, false, both, INFINITY},
      {"0E400", 0, 0, false, both, 0.0f},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.field);
    for (bool structure : {false, true}) {
      SCOPED_TRACE(structure ? "structure" : "characters");
      bool accepted = c.accepted == both ||
                      (c.accepted == plain_only && !structure) ||
                      (c.accepted == structure_only && structure);
      float value = -99.0f;
      EXPECT_EQ(accepted, read_real_field(c.field, c.d, c.k, c.blank_zero,
                                          structure, value));
      if (accepted) {
        EXPECT_EQ(c.value, value);
      }
    }
  }
}

TEST(ReadRealField, SignsAndSpecialValues) {
  struct Case {
    const char* field;
    bool blank_zero;
    bool is_nan;
    float value;  // when not NaN
    bool negative;
  };
  const Case cases[] = {
      {"-", false, false, 0.0f, true},  // a lone minus is negative zero
      {"  -0", false, false, 0.0f, true},
      {"inf", false, false, INFINITY, false},
      {"-inf", false, false, -INFINITY, true},
      {"+Infinity and beyond", false, false, INFINITY, false},
      {"  i n f", true, false, INFINITY, false},
      {"nan", false, true, 0.0f, false},
      {"nonsense", false, true, 0.0f, false},
      {"-NaN", false, true, 0.0f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    for (bool structure : {false, true}) {
      float value = 1.0f;
      ASSERT_TRUE(
          read_real_field(c.field, 2, 0, c.blank_zero, structure, value));
      EXPECT_EQ(c.is_nan, std::isnan(value));
      EXPECT_EQ(c.negative, std::signbit(value));
      if (!c.is_nan) {
        EXPECT_EQ(c.value, value);
      }
    }
  }
}

TEST(ReadLogicalField, Table) {
  struct Case {
    const char* field;
    bool value;
  };
  const Case cases[] = {{"T", true},    {"t", true},    {".TRUE.", true},
                        {"true", true}, {"  .t", true}, {"F", false},
                        {"x", false},   {"yes", false}, {"", false},
                        {"   ", false}, {"..t", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(c.value, read_logical_field(c.field));
  }
}

TEST(ReadCharacterField, Widths) {
  struct Case {
    const char* field;
    std::size_t w;
    std::size_t length;
    const char* item;
  };
  const Case cases[] = {
      {"abc", 3, 5, "abc  "},     // w < len: from the left, then blanks
      {"abcdefg", 7, 4, "defg"},  // w > len: the last len characters
      {"abcd", 4, 4, "abcd"},     // w = len: copied
      {"abc", 7, 4, "    "},      // the field's last 4 are past the record
      {"abcdef", 7, 4, "def "},   // record ends inside the field
      {"ab", 4, 4, "ab  "},      {"", 4, 4, "    "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    std::string item(c.length, '?');
    read_character_field(c.field, c.w, {item.data(), item.size()});
    EXPECT_EQ(c.item, item);
  }
}

// Formatted reads of one internal record.
struct ReadCase {
  const char* format;
  const char* record;
  std::vector<std::int32_t> expected;  // the integer items after the read
  const char* failure;                 // "" when the read completes
};

TEST(ReadWithFormat, IntegerItems) {
  const ReadCase cases[] = {
      {"(i4)", "1950", {1950}, ""},
      {"(i4)", "  1950", {19}, ""},  // only the first four columns
      {"(i4)", "950", {950}, ""},
      {"(i4)", "", {0}, ""},
      {"(i4)", "19,5", {19}, ""},
      {"(i4)", "abcd", {-1}, "Illegal character in numeric input"},
      {"(2i6)", "12,345", {12, 345}, ""},
      {"(3i2)", "1,2,3", {1, 2, 3}, ""},
      {"(i3,i3)", "1 2", {12, 0}, ""},
      {"(bz,i3,bn,i3)", "1 21 2", {102, 12}, ""},
      {"(bz,i4)", "12", {12}, ""},  // missing characters are no zeros
      // Positions are clamped to the record.
      {"(t30,i4)", "12345", {0}, ""},
      {"(t2,i2,tl5,i2)", "12345", {23, 12}, ""},
      {"(2x,i2,tr1,i1)", "12345", {34, 0}, ""},
      {"('abc',i2)", "xyz12", {12}, ""},  // a literal only skips
      {"(5hxxxxx,i2)", "123", {0}, ""},
      // Items filled before a failure keep their values.
      {"(2i4)", "  12abcd", {12, -1}, "Illegal character in numeric input"},
      // A second record of an internal read is end of file.
      {"(i2/i2)", "12", {12, -1}, "Attempt to read past end of file"},
      {"(i2)", "1234", {12, -1}, "Attempt to read past end of file"},
      {"(a,i2)",
       "12",
       {-1},
       "Variable type or size does not match edit descriptor"},
      {"(f4.1)",
       "12",
       {-1},
       "Variable type or size does not match edit descriptor"},
      {"(l2,q)", " t345", {1, 3}, ""},
      {"(i0)", "123456", {1234}, ""},  // width 0 reads the item's 4 bytes
      {"(g3.0)", "123", {123}, ""},
      {"(b4,o3,z2)", "0101077ff", {5, 63, 255}, ""},
      // Format failures end the statement before anything is read.
      {"(i4", "12", {-1}, "Format string has unmatched parens"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.record);
    FormatList list;
    std::string_view failure = translate_format(c.format, list);
    std::vector<std::int32_t> values(c.expected.size(), -1);
    std::vector<Item> items;
    for (std::int32_t& v : values) {
      items.push_back(integer_item(v));
    }
    if (failure.empty()) {
      io::Outcome outcome = read_with_format(nullptr, io::k_internal_unit,
                                             c.record, list, items, false);
      EXPECT_EQ(c.failure, outcome.message);
      if (outcome.message.empty()) {
        EXPECT_TRUE(outcome);
      } else {
        EXPECT_EQ("READ", outcome.statement);
        EXPECT_EQ(io::k_internal_unit, outcome.unit);
      }
    } else {
      EXPECT_EQ(c.failure, failure);
    }
    EXPECT_EQ(c.expected, values);
  }
}

TEST(ReadWithFormat, EndOfFileIsItsOwnKind) {
  FormatList list;
  ASSERT_EQ("", translate_format("(i2/i2)", list));
  std::int32_t a = -1;
  std::int32_t b = -1;
  const Item items[] = {integer_item(a), integer_item(b)};
  io::Outcome outcome =
      read_with_format(nullptr, io::k_internal_unit, "12", list, items, false);
  EXPECT_TRUE(outcome.is_end_of_file());
  testing::LineSource empty({});
  outcome = read_with_format(&empty, 18, "", list, items, false);
  EXPECT_TRUE(outcome.is_end_of_file());
  EXPECT_EQ(18, outcome.unit);
}

TEST(ReadWithFormat, CharacterItems) {
  struct Case {
    const char* format;
    const char* record;
    std::vector<std::size_t> lengths;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"(a20)", "abcdefg", {20}, {"abcdefg             "}},
      {"(a20)",
       "abcdefghijklmnopqrstuvwxyz1234",
       {20},
       {"abcdefghijklmnopqrst"}},
      {"5(a20)", "abcdefg", {20}, {"abcdefg             "}},
      // A line of 25 characters: A from column 23 on, then blanks.
      {"(2(2x,i8),t23,a)", "  12345678  87654321  xyz", {5}, {"xyz  "}},
      {"(a,a)", "abcdefgh", {3, 4}, {"abc", "defg"}},
      {"(a4)", "abcdef", {8}, {"abcd    "}},
      {"(a8)", "abcdefgh", {4}, {"efgh"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    FormatList list;
    ASSERT_EQ("", translate_format(c.format, list));
    std::vector<std::string> texts;
    for (std::size_t length : c.lengths) {
      texts.emplace_back(length, '?');
    }
    std::vector<Item> items;
    std::int32_t numbers[2] = {};
    if (std::strchr(c.format, 'i') != nullptr) {
      items.push_back(integer_item(numbers[0]));
      items.push_back(integer_item(numbers[1]));
    }
    for (std::string& text : texts) {
      items.push_back(character_item({text.data(), text.size()}));
    }
    EXPECT_TRUE(read_with_format(nullptr, io::k_internal_unit, c.record, list,
                                 items, false));
    EXPECT_EQ(c.expected, texts);
  }
}

// The decadal line: A reads columns 1-8, T9 moves to column 9, I4 reads
// 9-12, the first I6 13-18, the second only 19-20, the rest are empty.
TEST(ReadWithFormat, DecadeLine) {
  FormatList list;
  ASSERT_EQ("", translate_format("(a,t9,i4,10i6)", list));
  std::string id(8, '?');
  std::int32_t year = -1;
  std::int32_t values[10];
  std::fill(values, values + 10, -1);
  std::vector<Item> items = {character_item({id.data(), id.size()}),
                             integer_item(year)};
  for (std::int32_t& v : values) {
    items.push_back(integer_item(v));
  }
  EXPECT_TRUE(read_with_format(nullptr, io::k_internal_unit,
                               "abc12345195012345612", list, items, false));
  EXPECT_EQ("abc12345", id);
  EXPECT_EQ(1950, year);
  const std::int32_t expected[10] = {123456, 12, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(expected[i], values[i]) << i;
  }
}

TEST(ReadWithFormat, RealItems) {
  struct Case {
    const char* format;
    const char* record;
    bool check_structure;
    std::vector<float> expected;
    const char* failure;
  };
  const Case cases[] = {
      {"(f6.2)", "   125", false, {1.25f}, ""},
      {"(f6.0)", "   125", false, {125.0f}, ""},
      {"(f6.2)", "  1.25", false, {1.25f}, ""},
      {"(f7.2)", "  1.25", false, {1.25f}, ""},
      {"(f7.2)", "1.25E1", false, {12.5f}, ""},
      {"(f7.2)", "1.2.3", false, {1.2f}, ""},
      {"(f7.2)", "1.2.3", true, {-9.0f}, "Illegal character in numeric input"},
      {"(2p,f6.0,f6.0)", "   125   125", false, {1.25f, 1.25f}, ""},
      {"(2f4.1)", "1,2", false, {0.1f, 0.2f}, ""},  // implied points
      {"(e10.3,d10.3,g10.3,es10.3,en10.3,q10.3)",
       "1.5       2         3e1       4         5         6",
       false,
       {1.5f, 0.002f, 0.03f, 0.004f, 0.005f, 0.006f},
       ""},
      // A real item met by I reads the integer and converts it.
      {"(i4,b4,z2)", "  421010ff", false, {42.0f, 10.0f, 255.0f}, ""},
      {"(l2)",
       "t",
       false,
       {-9.0f},
       "Variable type or size does not match edit descriptor"},
      {"(q)",
       "t",
       false,
       {-9.0f},
       "Variable type or size does not match edit descriptor"},
      {"(a4)",
       "abcd",
       false,
       {-9.0f},
       "Variable type or size does not match edit descriptor"},
      {"(f)", "3.25", false, {3.25f}, ""},
      {"(f0.1)", "12345", false, {123.4f}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.record);
    FormatList list;
    ASSERT_EQ("", translate_format(c.format, list));
    std::vector<float> values(c.expected.size(), -9.0f);
    std::vector<Item> items;
    for (float& v : values) {
      items.push_back(real_item(v));
    }
    io::Outcome outcome = read_with_format(
        nullptr, io::k_internal_unit, c.record, list, items, c.check_structure);
    EXPECT_EQ(c.failure, outcome.message);
    EXPECT_EQ(c.expected, values);
  }
}

// Character items met by numeric descriptors take the value's bytes.
TEST(ReadWithFormat, CharacterItemSizes) {
  FormatList list;
  ASSERT_EQ("", translate_format("(i4)", list));
  std::string four(4, '?');
  const Item item = character_item({four.data(), four.size()});
  EXPECT_TRUE(read_with_format(nullptr, io::k_internal_unit, "  65", list,
                               {&item, 1}, false));
  EXPECT_EQ(std::string("A\0\0\0", 4), four);
  std::string three(3, '?');
  const Item odd = character_item({three.data(), three.size()});
  EXPECT_EQ("Variable type or size does not match edit descriptor",
            read_with_format(nullptr, io::k_internal_unit, "  65", list,
                             {&odd, 1}, false)
                .message);
  ASSERT_EQ("", translate_format("(f4.0)", list));
  EXPECT_EQ("Variable type or size does not match edit descriptor",
            read_with_format(nullptr, io::k_internal_unit, "  65", list,
                             {&odd, 1}, false)
                .message);
  EXPECT_TRUE(read_with_format(nullptr, io::k_internal_unit, "  65", list,
                               {&item, 1}, false));
  float stored = 0.0f;
  std::memcpy(&stored, four.data(), 4);
  EXPECT_EQ(65.0f, stored);
}

TEST(ReadWithFormat, RecordsFromASource) {
  FormatList list;
  ASSERT_EQ("", translate_format("(i2/i2)", list));
  testing::LineSource source({"12", "34", "56", "78"});
  std::int32_t a = 0;
  std::int32_t b = 0;
  std::int32_t c = 0;
  const Item items[] = {integer_item(a), integer_item(b), integer_item(c)};
  // The third item reverts to the start: a new record for it; the trailing
  // walk then performs the "/" and reads a fourth.
  EXPECT_TRUE(read_with_format(&source, 18, "", list, items, false));
  EXPECT_EQ(12, a);
  EXPECT_EQ(34, b);
  EXPECT_EQ(56, c);
  EXPECT_EQ(4u, source.lines_read());
}

// A format without a data descriptor reads a new record on each pass until
// the end of the file.
TEST(ReadWithFormat, NoDataDescriptor) {
  FormatList list;
  ASSERT_EQ("", translate_format("(1x)", list));
  testing::LineSource source({"a", "b", "c"});
  std::int32_t a = 7;
  const Item item = integer_item(a);
  io::Outcome outcome =
      read_with_format(&source, 18, "", list, {&item, 1}, false);
  EXPECT_TRUE(outcome.is_end_of_file());
  EXPECT_EQ(3u, source.lines_read());
  EXPECT_EQ(7, a);
}

}  // namespace
}  // namespace format
