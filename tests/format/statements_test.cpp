#include "format/statements.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "io/settings.h"

namespace format {
namespace {

io::Settings lf_settings() {
  io::Settings settings;
  settings.line_end = io::LineEnd::lf;
  return settings;
}

// A prompt kept open with "$": the answer is typed on its line, and the next
// write starts a new record.
TEST(Statements, ConsoleDialogue) {
  std::istringstream in("site1.dat\n");
  std::ostringstream out;
  std::ostringstream err;
  io::Runtime runtime(lf_settings(), in, out, err);
  ASSERT_TRUE(write_formatted(runtime, io::k_console_unit,
                              "(13x,' enter input file name =',$)", {}));
  std::string name(20, '?');
  const Item item = character_item({name.data(), name.size()});
  ASSERT_TRUE(read_formatted(runtime, io::k_console_unit, "(a20)", {&item, 1},
                             Settings{}));
  EXPECT_EQ("site1.dat           ", name);
  const Value blank[] = {text_value(" ")};
  ASSERT_TRUE(write_list_directed(runtime, io::k_console_unit, blank));
  EXPECT_EQ(std::string(13, ' ') + " enter input file name =  \n", out.str());
}

TEST(Statements, ConsoleAnswers) {
  std::istringstream in("\n.true.\n 1950\n");
  std::ostringstream out;
  std::ostringstream err;
  io::Runtime runtime(lf_settings(), in, out, err);
  std::int32_t answer = 0;
  const Item logical = logical_item(answer);
  ASSERT_TRUE(read_list_directed(runtime, io::k_console_unit, {&logical, 1},
                                 Settings{}));
  EXPECT_EQ(1, answer);
  std::int32_t year = 0;
  const Item integer = integer_item(year);
  ASSERT_TRUE(read_formatted(runtime, io::k_console_unit, "(i5)", {&integer, 1},
                             Settings{}));
  EXPECT_EQ(1950, year);
  io::Outcome outcome = read_formatted(runtime, io::k_console_unit, "(i5)",
                                       {&integer, 1}, Settings{});
  EXPECT_TRUE(outcome.is_end_of_file());
  EXPECT_EQ(io::k_console_unit, outcome.unit);
  EXPECT_EQ("READ", outcome.statement);
}

TEST(Statements, InternalReads) {
  struct Case {
    const char* format;
    const char* record;
    bool check_structure;
    const char* failure;
    float value;
  };
  const Case cases[] = {
      {"(f7.2)", "  1.25", false, "", 1.25f},
      {"(f7.2)", "1.2.3", false, "", 1.2f},
      {"(f7.2)", "1.2.3", true, "Illegal character in numeric input", -1.0f},
      {" 5(f7.2)", "1.25", false, "Format string missing opening (", -1.0f},
      {"(f7.2/f7.2)", "1.25", false, "Attempt to read past end of file", 1.25f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    float value = -1.0f;
    const Item item = real_item(value);
    // Twice: the second statement takes the translation kept from the first.
    for (int round = 0; round < 2; ++round) {
      value = -1.0f;
      io::Outcome outcome = read_formatted(c.record, c.format, {&item, 1},
                                           Settings{c.check_structure});
      EXPECT_EQ(c.failure, outcome.message);
      EXPECT_EQ(c.value, value);
      if (!outcome) {
        EXPECT_EQ("READ", outcome.statement);
        EXPECT_EQ(io::k_internal_unit, outcome.unit);
      }
    }
  }
}

// Many different texts: the kept translations start afresh now and then, and
// every statement still gets its own.
TEST(Statements, ManyFormatTexts) {
  for (int width = 1; width <= 127; ++width) {
    for (int repeat = 1; repeat <= 4; ++repeat) {
      std::string format =
          "(" + std::to_string(repeat) + "i" + std::to_string(width) + ")";
      SCOPED_TRACE(format);
      std::int32_t value = -1;
      const Item item = integer_item(value);
      ASSERT_TRUE(read_formatted("7", format, {&item, 1}, Settings{}));
      ASSERT_EQ(7, value);
    }
  }
}

class FileUnits : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("format_statements_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string path(const char* name) const {
    return (directory_ / name).string();
  }
  static std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  std::filesystem::path directory_;
};

TEST_F(FileUnits, ReadDecadeLines) {
  {
    std::ofstream file(path("site1.dat"), std::ios::binary);
    file << "abc12345195012345612\r\nxyz\r\n";
  }
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  io::Runtime runtime(io::Settings{}, in, out, err);
  ASSERT_TRUE(runtime.open_unit(18, path("site1.dat"), "OLD", "READ"));
  std::string id(8, '?');
  std::int32_t year = 0;
  std::int32_t first = 0;
  const Item items[] = {character_item({id.data(), id.size()}),
                        integer_item(year), integer_item(first)};
  ASSERT_TRUE(read_formatted(runtime, 18, "(a,t9,i4,10i6)", items, Settings{}));
  EXPECT_EQ("abc12345", id);
  EXPECT_EQ(1950, year);
  EXPECT_EQ(123456, first);
  io::Outcome outcome =
      read_formatted(runtime, 18, "(a,t9,i4,10i6)", items, Settings{});
  EXPECT_EQ("xyz     ", id);  // the items before the failure keep theirs
  EXPECT_EQ(0, year);
  outcome = read_formatted(runtime, 18, "(a,t9,i4,10i6)", items, Settings{});
  EXPECT_TRUE(outcome.is_end_of_file());
  EXPECT_EQ(18, outcome.unit);
}

TEST_F(FileUnits, WriteColumnRows) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  {
    io::Runtime runtime(io::Settings{}, in, out, err);
    ASSERT_TRUE(runtime.open_unit(19, path("site1_col")));
    const Value row[] = {integer_value(1950), real_value(1.23f),
                         real_value(-999.9f)};
    ASSERT_TRUE(write_formatted(runtime, 19, "50(1x,i4,1000(2x,f7.4))", row));
    ASSERT_TRUE(write_formatted(runtime, 19, "50(1x,i4,1000(2x,f7.4))", row));
    io::Outcome outcome = write_formatted(runtime, 19, "(i4", row);
    EXPECT_EQ("Format string has unmatched parens", outcome.message);
    EXPECT_EQ("WRITE", outcome.statement);
    EXPECT_EQ(19, outcome.unit);
    ASSERT_TRUE(runtime.close_unit(19));
  }
  EXPECT_EQ(
      " 1950   1.2300  *******\r\n"
      " 1950   1.2300  *******\r\n",
      contents(path("site1_col")));
}

}  // namespace
}  // namespace format
