#include "reformat/trrw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "reader_fixture.h"

namespace reformat {
namespace {

struct Expected {
  std::string id;
  int first_year;
  std::vector<double> values;
};

struct ReadCase {
  const char* name;
  std::string file;
  std::vector<Expected> series;  // then a call that finds no series
};

const std::vector<ReadCase>& read_cases() {
  static const std::vector<ReadCase> cases = {
      {"hundredths closed by 999",
       lines({data_line("ABCD0001", 1985,
                        {120, 130, 140, 150, 160, 7, 8, 9, 10, 11}),
              data_line("ABCD0001", 1990, {100, 999})}),
       {{"ABCD0001", 1985, {1.20, 1.30, 1.40, 1.50, 1.60, 1.00}}}},
      {"thousandths closed by -9999",
       lines({data_line("ABCD0001", 1985, {120, 130, 140, 150, 160}),
              data_line("ABCD0001", 1990, {100, -9999})}),
       {{"ABCD0001", 1985, {0.120, 0.130, 0.140, 0.150, 0.160, 0.100}}}},
      {"end marker in the first field gives no values",
       lines({data_line("EMPTY", 1985, {999}),
              data_line("NEXT", 1990, {5, 999})}),
       {{"EMPTY   ", 1985, {}}, {"NEXT    ", 1990, {0.05}}}},
      {"first year -5 fills years -5 to -1 on its line",
       lines({data_line("NEG", -5, {1, 2, 3, 4, 5, 66}),
              data_line("NEG", 0, {6, 999})}),
       {{"NEG     ", -5, {0.01, 0.02, 0.03, 0.04, 0.05, 0.06}}}},
      {"first year -10 takes ten values",
       lines({data_line("NEG", -10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
              data_line("NEG", 0, {11, 999})}),
       {{"NEG     ",
         -10,
         {0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.10, 0.11}}}},
      {"first year 1980 takes ten values",
       lines({data_line("A", 1980, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
              data_line("A", 1990, {999})}),
       {{"A       ",
         1980,
         {0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.10}}}},
      {"first year 1989 takes one value",
       lines(
           {data_line("A", 1989, {1, 55, 66}), data_line("A", 1990, {2, 999})}),
       {{"A       ", 1989, {0.01, 0.02}}}},
      {"continuation year and identifier are not checked",
       lines({data_line("A", 1995, {1, 2, 3, 4, 5}),
              data_line("B", 1234, {6, 999})}),
       {{"A       ", 1995, {0.01, 0.02, 0.03, 0.04, 0.05, 0.06}}}},
      {"an unclosed series runs into the next one",
       lines({data_line("A", 1995, {1, 2, 3, 4, 5}),
              data_line("B", 1990, {6, 7, 8, 9, 10, 11, 12, 13, 14, 15}),
              data_line("B", 2000, {16, 999}),
              data_line("C", 1990, {17, 999})}),
       {{"A       ",
         1995,
         {0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.10, 0.11,
          0.12, 0.13, 0.14, 0.15, 0.16}},
        {"C       ", 1990, {0.17}}}},
      // Blank lines carry nothing, wherever they stand.
      {"blank lines before, between, inside and after series",
       "\n   \n" + lines({data_line("A", 1995, {1, 2, 3, 4, 5}), "",
                          data_line("A", 2000, {6, 999}), "", "        ",
                          data_line("B", 1990, {7, 999}), ""}),
       {{"A       ", 1995, {0.01, 0.02, 0.03, 0.04, 0.05, 0.06}},
        {"B       ", 1990, {0.07}}}},
      {"# in column 80 after values is an ordinary data line",
       lines({data_line("A", 1995, {1, 2, 3, 4, 5}),
              with_hash(data_line("A", 2000, {6, 999}))}),
       {{"A       ", 1995, {0.01, 0.02, 0.03, 0.04, 0.05, 0.06}}}},
      {"a letter in an unused field makes a text line",
       lines({data_line("A", 1995, {1, 2, 3, 4, 5}) + "    x1",
              data_line("A", 1995, {1, 999})}),
       {{"A       ", 1995, {0.01}}}},
      {"a sign that is not first in its field makes a text line",
       lines({data_line("A", 1990, {1, 2, 3, 4, 5, 6, 7, 8, 9}) + "  1-2 ",
              data_line("A", 1990, {3, -9999})}),
       {{"A       ", 1990, {0.003}}}},
      {"a decimal point makes a text line",
       lines({"A       1990   1.5   999", data_line("A", 1990, {3, 999})}),
       {{"A       ", 1990, {0.03}}}},
      {"blanks inside a field are ignored, a lone sign is zero",
       lines({"A       1990  1 2   - 7     +   999"}),
       {{"A       ", 1990, {0.12, -0.07, 0.0}}}},
      {"a tab in a field counts as a blank",
       lines({"A       1990   \t12   999"}),
       {{"A       ", 1990, {0.12}}}},
      {"two signs make a text line",
       lines({"A       1990   +-1   999", data_line("A", 1990, {4, 999})}),
       {{"A       ", 1990, {0.04}}}},
      {"empty file", "", {}},
      {"a last line without a line end is still read",
       lines({data_line("A", 1995, {1, 2, 3, 4, 5})}) +
           data_line("A", 2000, {6, 999}),
       {{"A       ", 1995, {0.01, 0.02, 0.03, 0.04, 0.05, 0.06}}}},
      {"end of file inside a series gives it up",
       lines({data_line("A", 1990, {1, 999}), data_line("B", 1995, {1, 2})}),
       {{"A       ", 1990, {0.01}}}},
      {"CR LF line ends read like LF",
       data_line("A", 1990, {1, 999}) + "\r\n" +
           data_line("B", 1990, {2, 999}) + "\r\n",
       {{"A       ", 1990, {0.01}}, {"B       ", 1990, {0.02}}}},
  };
  return cases;
}

class TrrwRead : public ReaderTest {};

TEST_F(TrrwRead, SeriesTable) {
  for (const ReadCase& c : read_cases()) {
    SCOPED_TRACE(c.name);
    const std::vector<Series> got = read_all(c.file);
    ASSERT_EQ(c.series.size() + 1, got.size());
    for (std::size_t s = 0; s < c.series.size(); ++s) {
      SCOPED_TRACE("series " + std::to_string(s + 1));
      const Expected& want = c.series[s];
      EXPECT_EQ(want.id, got[s].id);
      EXPECT_EQ(want.first_year, got[s].first_year);
      EXPECT_EQ(static_cast<int>(s) + 1, got[s].series_no);
      ASSERT_EQ(want.values.size(), static_cast<std::size_t>(got[s].count));
      for (std::size_t i = 0; i < want.values.size(); ++i) {
        EXPECT_NEAR(want.values[i], got[s].values[i],
                    3e-7 * std::max(1.0, std::fabs(want.values[i])))
            << "value " << i + 1;
      }
    }
    EXPECT_EQ(k_no_series, got.back().count);
    EXPECT_EQ(k_no_series, got.back().series_no);
    EXPECT_EQ(0, status_);
  }
}

TEST_F(TrrwRead, HundredthsAreSinglePrecisionProducts) {
  // 0.01f times 7 and 0.1f times that, each rounded to single precision.
  const std::vector<Series> got = read_all(lines(
      {data_line("A", 1990, {7, 999}), data_line("B", 1990, {7, -9999})}));
  ASSERT_EQ(3u, got.size());
  const float hundredth = 0.01f;
  const float tenth = 0.1f;
  const volatile float seven = 7.0f;
  EXPECT_EQ(seven * hundredth, got[0].values[0]);
  EXPECT_EQ((seven * hundredth) * tenth, got[1].values[0]);
}

TEST_F(TrrwRead, SeriesCounterStartsAgainAfterTheEnd) {
  put(dir_ / "in.dat", lines({data_line("A", 1990, {1, 999})}));
  std::istringstream console_in;
  const Flavor flavor = colreformat_flavor();
  io::Runtime runtime(flavor.io, console_in, console_, errors_);
  ReaderContext context(runtime, flavor.format);
  ASSERT_TRUE(runtime.open_unit(19, (dir_ / "in.dat").string(), "OLD", "READ"));
  SeriesBuffer buffer;
  const int expected_series_no[] = {1, -999, 1, -999};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    if (i == 2) {
      ASSERT_TRUE(runtime.rewind_unit(19));
    }
    trrw(context, buffer.id, buffer.first_year, buffer.count, buffer.values,
         buffer.series_no, 19, 0, "mr");
    EXPECT_EQ(expected_series_no[i], buffer.series_no);
  }
  EXPECT_TRUE(runtime.close_all_units());
}

TEST_F(TrrwRead, TextLinesAreEchoedToFileAndConsole) {
  const std::string title = "Site 12, yearly data";
  const std::string inner = "  a remark";
  const std::vector<Series> got =
      read_all(lines({title, data_line("A", 1995, {1, 2, 3, 4, 5}), inner,
                      data_line("A", 2000, {6, 999})}));
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(6, got[0].count);
  const std::string padded_title = title + std::string(80 - title.size(), ' ');
  const std::string padded_inner = inner + std::string(80 - inner.size(), ' ');
  EXPECT_EQ("\r\n         title of data: " + padded_title + "\r\n\r\n" +
                "\r\n         title of data: " + padded_inner + "\r\n\r\n",
            echo_);
  EXPECT_EQ("\r\ntitle of data:\r\n" + padded_title + "\r\n" +
                "\r\ntitle of data:\r\n" + padded_inner + "\r\n",
            console_.str());
  EXPECT_EQ("", errors_.str());
}

TEST_F(TrrwRead, EchoLineEndsFollowTheFlavour) {
  // Letters in columns 9-72 make a text line.
  const std::string text = "a remark on the site";
  read_all(lines({text, data_line("A", 1990, {1, 999})}), 20, mac_flavor());
  const std::string padded = text + std::string(80 - text.size(), ' ');
  EXPECT_EQ("\n         title of data: " + padded + "\n\n", echo_);
  EXPECT_EQ("\ntitle of data:\n" + padded + "\n", console_.str());
}

std::string text_lines(int how_many) {
  std::string text;
  for (int i = 1; i <= how_many; ++i) {
    text += "this is remark " + std::to_string(i) + "\n";
  }
  return text;
}

TEST_F(TrrwRead, TwentyFiveTextLinesPerCallAreAccepted) {
  const std::string series = lines({data_line("A", 1990, {1, 999})});
  const std::vector<Series> got =
      read_all(text_lines(25) + series + text_lines(25) + series);
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(1, got[1].count);
  EXPECT_EQ(0, status_);
  EXPECT_EQ("", errors_.str());
}

TEST_F(TrrwRead, TwentySixthTextLineStopsTheRun) {
  const std::vector<Series> got =
      read_all(text_lines(26) + lines({data_line("A", 1990, {1, 999})}));
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(1, status_);
  EXPECT_EQ("sbr trrw:  over 25 text lines\n", errors_.str());
  // The 26th line is not echoed.
  EXPECT_EQ(std::string::npos, console_.str().find("remark 26"));
  EXPECT_NE(std::string::npos, console_.str().find("remark 25"));
}

TEST_F(TrrwRead, BlankLinesDoNotCountAsTextLines) {
  std::string file = text_lines(25);
  for (int i = 0; i < 30; ++i) {
    file += "\n";
  }
  const std::vector<Series> got =
      read_all(file + lines({data_line("A", 1990, {1, 999})}));
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(0, status_);
}

TEST_F(TrrwRead, ValuesPastTheBufferAreCountedNotStored) {
  // 5003 values: 501 lines of ten, then the end marker.
  std::string file;
  for (int line = 0; line < 501; ++line) {
    file += lines(
        {data_line("LONG", 1000 + 10 * line, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1})});
  }
  file += lines({data_line("LONG", 6010, {2, 2, 2, 999})});
  file += lines({data_line("NEXT", 1990, {3, 999})});
  const std::vector<Series> got = read_all(file);
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(5013, got[0].count);
  EXPECT_FLOAT_EQ(0.01f, got[0].values[4999]);
  EXPECT_EQ("NEXT    ", got[1].id);
}

struct WriteCase {
  const char* name;
  int first_year;
  std::vector<float> values;
  std::string file;  // LF shown; written with CR LF
};

const std::vector<WriteCase>& write_cases() {
  static const std::vector<WriteCase> cases = {
      {"15 values from 1985 end on a line of their own",
       1985,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
       "SITE   11985  1000  2000  3000  4000  5000\n"
       "SITE   11990  6000  7000  8000  9000 10000 11000 12000 13000 14000 "
       "15000\n"
       "SITE   12000 -9999\n"},
      {"14 values from 1985 end after the last value",
       1985,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
       "SITE   11985  1000  2000  3000  4000  5000\n"
       "SITE   11990  6000  7000  8000  9000 10000 11000 12000 13000 14000 "
       "-9999\n"},
      {"halves round away from zero",
       1999,
       {0.0625f, -0.0625f, 0.3125f, -0.3125f, 0.0005f},
       "SITE   11999    63\n"
       "SITE   12000   -63   313  -313     1 -9999\n"},
      {"missing values do not fit their fields",
       -3,
       {-999.9f, 123.456f},
       "SITE   1  -3******123456 -9999\n"},
      {"no values write nothing", 1985, {}, ""},
  };
  return cases;
}

class TrrwWrite : public ReaderTest {};

TEST_F(TrrwWrite, Lines) {
  for (const WriteCase& c : write_cases()) {
    SCOPED_TRACE(c.name);
    std::istringstream console_in;
    const Flavor flavor = colreformat_flavor();
    {
      io::Runtime runtime(flavor.io, console_in, console_, errors_);
      ReaderContext context(runtime, flavor.format);
      fs::remove(dir_ / "out");
      ASSERT_TRUE(runtime.open_unit(21, (dir_ / "out").string(), "UNKNOWN"));
      SeriesId id{'S', 'I', 'T', 'E', ' ', ' ', ' ', '1'};
      std::int32_t first_year = c.first_year;
      std::int32_t count = static_cast<std::int32_t>(c.values.size());
      std::vector<float> values = c.values;
      std::int32_t series_no = 77;
      trrw(context, id, first_year, count, values, series_no, 21, 18, "mw");
      EXPECT_EQ(77, series_no);
      ASSERT_TRUE(runtime.close_all_units());
    }
    std::string expected;
    for (char ch : c.file) {
      expected += ch == '\n' ? "\r\n" : std::string(1, ch);
    }
    EXPECT_EQ(expected, slurp(dir_ / "out"));
  }
}

}  // namespace
}  // namespace reformat
