#include "reformat/datar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "reader_fixture.h"

namespace reformat {
namespace {

std::string pad80(std::string line) {
  line.resize(80, ' ');
  return line;
}

// Columns 1-2 `lead`, 3-10 the count, 13-20 the first year, 23-30 the
// data format.
std::string header(const char* lead, int count, int first_year,
                   const char* data_format) {
  char text[64];
  std::snprintf(text, sizeof text, "%-2.2s%8d  %8d  %s", lead, count,
                first_year, data_format);
  return text;
}

// `count` values 1, 2, 3, ... as "f8.0" fields, `per_line` to a line.
std::string f8_values(int count, int per_line) {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    char field[16];
    std::snprintf(field, sizeof field, "%8d", i);
    text += field;
    if (i % per_line == 0 || i == count) {
      text += '\n';
    }
  }
  return text;
}

std::vector<double> one_to(int count) {
  std::vector<double> values;
  for (int i = 1; i <= count; ++i) {
    values.push_back(i);
  }
  return values;
}

std::string compact_echo(const std::string& title) {
  return "\r\n         title of data:  " + pad80(title) + "\r\n\r\n";
}

struct CompactCase {
  const char* name;
  std::string file;
  std::string id;
  int first_year;
  int count;  // -999: no header found
  std::vector<double> values;
  std::string title;    // as echoed
  std::string console;  // LF shown; CR LF in the console text
};

const std::string k_opening = with_hash("TREE0001 compact series");

const std::vector<CompactCase>& compact_cases() {
  static const std::vector<CompactCase> cases = {
      {"a header beginning n keeps the opening line as title",
       lines({k_opening, header("n", 25, 1700, "(10f8.0)")}) +
           f8_values(25, 10),
       "TREE0001", 1700, 25, one_to(25), k_opening, ""},
      {"any other header becomes the title",
       lines({k_opening, header("HD", 25, 1700, "(10f8.0)")}) +
           f8_values(25, 10),
       "HD      ", 1700, 25, one_to(25), header("HD", 25, 1700, "(10f8.0)"),
       ""},
      {"a line between opening and header becomes the title",
       lines({k_opening, "SECOND title line", "n  not a header",
              header("n", 3, -20, "(10f8.0)")}) +
           f8_values(3, 10),
       "SECOND t", -20, 3, one_to(3), "SECOND title line", ""},
      {"a blank line between becomes the title",
       lines({k_opening, "", header("n", 2, 1700, "(10f8.0)")}) +
           f8_values(2, 10),
       "        ", 1700, 2, one_to(2), "", ""},
      {"a header without ( is skipped",
       lines({k_opening, header("n", 9, 1600, "10f8.0)"),
              header("n", 2, 1700, "(10f8.0)")}) +
           f8_values(2, 10),
       "TREE0001", 1700, 2, one_to(2), k_opening, ""},
      {"letters in the count or the year make a non-header",
       lines({k_opening, "n     2x5      1700  (10f8.0)",
              "n       25     17o0  (10f8.0)",
              header("n", 2, 1800, "(10f8.0)")}) +
           f8_values(2, 10),
       "TREE0001", 1800, 2, one_to(2), k_opening, ""},
      {"fewer values than the count",
       lines({k_opening, header("n", 25, 1700, "(10f8.0)")}) +
           f8_values(15, 10),
       "TREE0001", 1700, 25, one_to(15), k_opening,
       ">> sbr datar:  unexpected end reading data\n"},
      {"a letter inside a value field",
       lines({k_opening, header("n", 3, 1700, "(10f8.0)"),
              "       1       x       3"}),
       "TREE0001",
       1700,
       3,
       {1.0},
       k_opening,
       ">> sbr datar:  error reading data\n"},
      {"a broken data format is a read error",
       lines({k_opening, header("n", 3, 1700, "(10k8.0)"), "1 2 3"}),
       "TREE0001",
       1700,
       3,
       {},
       k_opening,
       ">> sbr datar:  error reading data\n"},
      {"no header before the end of the file",
       lines({k_opening, "just text", "more text"}),
       "more tex",
       0,
       -999,
       {},
       "more text",
       ""},
      {"eight fields of ten with three decimals",
       lines({k_opening, header("n", 3, 1700, "(8f10.3)"),
              "     1.250    -2.500    12.125"}),
       "TREE0001",
       1700,
       3,
       {1.25, -2.5, 12.125},
       k_opening,
       ""},
      {"an implied decimal point",
       lines({k_opening, header("n", 2, 1700, "(8f10.3)"),
              "      1250     -2500"}),
       "TREE0001",
       1700,
       2,
       {1.25, -2.5},
       k_opening,
       ""},
      {"exponent fields",
       lines({k_opening, header("n", 6, 1700, "(5e14.6)"),
              "  1.000000E+00  2.500000E-01 -3.000000E+02  4.000000E+01"
              "  5.000000E+00",
              "  6.000000E-03"}),
       "TREE0001",
       1700,
       6,
       {1.0, 0.25, -300.0, 40.0, 5.0, 0.006},
       k_opening,
       ""},
      {"integer fields read into reals",
       lines({k_opening, header("n", 3, 1700, "(10i6)"), "   125  -250     7"}),
       "TREE0001",
       1700,
       3,
       {125.0, -250.0, 7.0},
       k_opening,
       ""},
  };
  return cases;
}

class CompactRead : public ReaderTest {};

TEST_F(CompactRead, Cases) {
  for (const CompactCase& c : compact_cases()) {
    SCOPED_TRACE(c.name);
    console_.str("");
    const std::vector<Series> got = read_all(c.file, 1);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(c.id, got[0].id);
    EXPECT_EQ(c.count, got[0].count);
    if (c.count != -999) {
      EXPECT_EQ(c.first_year, got[0].first_year);
    }
    // Values a failed read did not reach are not checked.
    ASSERT_LE(c.values.size(), got[0].values.size());
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      EXPECT_NEAR(c.values[i], got[0].values[i],
                  3e-7 * std::max(1.0, std::fabs(c.values[i])))
          << "value " << i + 1;
    }
    EXPECT_EQ(compact_echo(c.title), echo_);
    std::string console;
    for (char ch : c.console) {
      console += ch == '\n' ? "\r\n" : std::string(1, ch);
    }
    EXPECT_EQ(console, console_.str());
    EXPECT_EQ(0, status_);
  }
}

TEST_F(CompactRead, NextCallGoesOnAfterTheValues) {
  const std::vector<Series> got =
      read_all(lines({"a title line for the file", k_opening,
                      header("n", 12, 1700, "(10f8.0)")}) +
               f8_values(12, 10) + lines({data_line("NEXT", 1990, {5, 999})}));
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(12, got[0].count);
  EXPECT_EQ(1, got[0].series_no);
  EXPECT_EQ("NEXT    ", got[1].id);
  EXPECT_EQ(2, got[1].series_no);
}

TEST_F(CompactRead, EndOfFileAfterFewerValuesEndsTheFile) {
  const std::vector<Series> got = read_all(
      lines({k_opening, header("n", 30, 1700, "(10f8.0)")}) + f8_values(5, 10));
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(30, got[0].count);
  EXPECT_EQ(k_no_series, got[1].count);
}

TEST_F(CompactRead, CountAboveTheBufferReadsAndDropsTheRest) {
  const std::vector<Series> got = read_all(
      lines({k_opening, header("n", 6000, 1000, "(10f8.0)")}) +
      f8_values(6000, 10) + lines({data_line("NEXT", 1990, {5, 999})}));
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(6000, got[0].count);
  EXPECT_FLOAT_EQ(5000.0f, got[0].values[4999]);
  EXPECT_EQ("NEXT    ", got[1].id);
  EXPECT_EQ("", console_.str());
}

TEST_F(CompactRead, HashAfterValuesIsNoTrigger) {
  const std::vector<Series> got =
      read_all(lines({data_line("A", 1995, {1, 2, 3, 4, 5}),
                      with_hash(data_line("A", 2000, {6, 999}))}));
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(6, got[0].count);
  EXPECT_EQ("", echo_);
}

}  // namespace
}  // namespace reformat
