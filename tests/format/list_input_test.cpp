#include "format/list_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_fixtures.h"

namespace format {
namespace {

// The driver's true/false answers: one logical item per read.
TEST(ReadList, LogicalAnswers) {
  struct Case {
    std::vector<std::string> lines;
    std::int32_t expected;  // the item starts as 7
    std::size_t lines_read;
  };
  const Case cases[] = {
      {{"t"}, 1, 1},
      {{"T"}, 1, 1},
      {{"true"}, 1, 1},
      {{".true."}, 1, 1},
      {{"  .T."}, 1, 1},
      {{"f"}, 0, 1},
      {{"false"}, 0, 1},
      {{"n"}, 0, 1},
      {{"no"}, 0, 1},
      {{"y"}, 0, 1},
      {{"yes"}, 0, 1},
      {{"1"}, 0, 1},
      // An empty line is no answer: the next line is read.
      {{"", "   ", "t"}, 1, 3},
      // "/" and "," leave the item unchanged.
      {{"/"}, 7, 1},
      {{","}, 7, 1},
      {{"t, rest ignored"}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.back());
    testing::LineSource source(c.lines);
    std::int32_t answer = 7;
    const Item item = logical_item(answer);
    EXPECT_TRUE(read_list(source, io::k_console_unit, {&item, 1}, false));
    EXPECT_EQ(c.expected, answer);
    EXPECT_EQ(c.lines_read, source.lines_read());
  }
}

TEST(ReadList, EndOfFile) {
  testing::LineSource empty({});
  std::int32_t answer = 7;
  const Item item = logical_item(answer);
  EXPECT_TRUE(read_list(empty, 18, {&item, 1}, false).is_end_of_file());
  testing::LineSource blank({"", ""});
  EXPECT_TRUE(read_list(blank, 18, {&item, 1}, false).is_end_of_file());
  EXPECT_EQ(7, answer);
}

TEST(ReadList, IntegerItems) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<std::int32_t> expected;  // items start as -1
    const char* failure;
  };
  const Case cases[] = {
      {{"1 2,3"}, {1, 2, 3}, ""},
      {{"1 , 2 ,3"}, {1, 2, 3}, ""},
      {{"1\t2"}, {1, 2}, ""},
      {{"1,,3"}, {1, -1, 3}, ""},
      {{",2"}, {-1, 2}, ""},
      {{"1", "", "2"}, {1, 2}, ""},  // record ends separate values
      {{"2*5"}, {5, 5}, ""},
      {{"3*5 6"}, {5, 5, 5, 6}, ""},
      {{"2*,7"}, {-1, -1, 7}, ""},
      {{"2* 7"}, {-1, -1, 7}, ""},
      {{"1/ 2"}, {1, -1}, ""},  // "/" ends the read
      {{"1 /"}, {1, -1, -1}, ""},
      {{"-12 +4"}, {-12, 4}, ""},
      {{"12.5"}, {-1}, "Illegal character in numeric input"},
      {{"1 x"}, {1, -1}, "Illegal character in numeric input"},
      {{"1"}, {1, -1}, "Attempt to read past end of file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.front());
    testing::LineSource source(c.lines);
    std::vector<std::int32_t> values(c.expected.size(), -1);
    std::vector<Item> items;
    for (std::int32_t& v : values) {
      items.push_back(integer_item(v));
    }
    io::Outcome outcome = read_list(source, 18, items, false);
    EXPECT_EQ(c.failure, outcome.message);
    EXPECT_EQ(c.expected, values);
  }
}

TEST(ReadList, RealAndCharacterItems) {
  testing::LineSource source({"1.5e2 'it''s' abc -.5 \"a b", "c\" ''"});
  float a = 0.0f;
  float b = 0.0f;
  std::string quoted(6, '?');
  std::string plain(2, '?');
  std::string across(6, '?');
  std::string empty(3, '?');
  const Item items[] = {real_item(a),
                        character_item({quoted.data(), quoted.size()}),
                        character_item({plain.data(), plain.size()}),
                        real_item(b),
                        character_item({across.data(), across.size()}),
                        character_item({empty.data(), empty.size()})};
  EXPECT_TRUE(read_list(source, 18, items, true));
  EXPECT_EQ(150.0f, a);
  EXPECT_EQ("it's  ", quoted);
  EXPECT_EQ("ab", plain);
  EXPECT_EQ(-0.5f, b);
  EXPECT_EQ("a bc  ", across);  // a quoted string may go on across records
  EXPECT_EQ("   ", empty);      // an empty quoted string is one blank
}

TEST(ReadList, RealCheckByFlavour) {
  for (bool structure : {false, true}) {
    SCOPED_TRACE(structure);
    testing::LineSource source({"1.2.3"});
    float value = 0.0f;
    const Item item = real_item(value);
    io::Outcome outcome = read_list(source, 18, {&item, 1}, structure);
    EXPECT_EQ(structure ? "Illegal character in numeric input" : "",
              outcome.message);
    EXPECT_EQ(structure ? 0.0f : 1.2f, value);
  }
}

}  // namespace
}  // namespace format
