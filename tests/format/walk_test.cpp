#include "format/walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/translate.h"

namespace format {
namespace {

// Logs what the walk asks the record side to do, one word per action.
class LoggingSide : public WalkSide {
 public:
  void move(Op op, std::int32_t n) override {
    const char* name = op == Op::skip       ? "X"
                       : op == Op::tab      ? "T"
                       : op == Op::tab_left ? "TL"
                                            : "TR";
    add(name + std::to_string(n));
  }
  bool literal(std::string_view text) override {
    add("'" + std::string(text) + "'");
    return true;
  }
  bool end_record() override {
    add("/");
    return ++records_ <= records_allowed;
  }
  bool pass_without_data() override {
    add("pass");
    return is_input;
  }
  void fail(std::string_view message) override {
    add("fail:" + std::string(message));
  }
  void add(const std::string& word) {
    log += log.empty() ? "" : " ";
    log += word;
  }

  std::string log;
  bool is_input = false;
  int records_allowed = 1000000;

 private:
  int records_ = 0;
};

struct ItemShape {
  ItemKind kind;
  std::size_t length;
};

std::string descriptor_name(const Descriptor& d) {
  switch (d.kind) {
    case DataKind::integer:
      return "I" + std::to_string(d.w) +
             (d.d != 1 ? "." + std::to_string(d.d) : "");
    case DataKind::character:
      return "A" + std::to_string(d.w);
    case DataKind::logical:
      return "L" + std::to_string(d.w);
    case DataKind::fixed:
      return "F" + std::to_string(d.w) + "." + std::to_string(d.d);
    case DataKind::exponent:
      return "E" + std::to_string(d.w) + "." + std::to_string(d.d) + "E" +
             std::to_string(d.e);
    default:
      return "?";
  }
}

// Walks the items, logging each descriptor; "|" marks the trailing walk.
std::string walk(const char* text, const std::vector<ItemShape>& items,
                 LoggingSide& side) {
  FormatList list;
  EXPECT_EQ("", translate_format(text, list));
  Walk walker(list, side);
  for (const ItemShape& item : items) {
    Descriptor d;
    if (!walker.next_data_descriptor(item.kind, item.length, d)) {
      return side.log;
    }
    side.add(descriptor_name(d));
  }
  side.add("|");
  walker.finish_statement();
  return side.log;
}

std::vector<ItemShape> repeated(ItemShape shape, int count,
                                std::vector<ItemShape> front = {}) {
  for (int i = 0; i < count; ++i) {
    front.push_back(shape);
  }
  return front;
}

std::vector<ItemShape> with(std::vector<ItemShape> items, ItemShape last) {
  items.push_back(last);
  return items;
}

std::string repeated_words(const std::string& words, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    out += (out.empty() ? "" : " ") + words;
  }
  return out;
}

const ItemShape k_int{ItemKind::integer, 4};
const ItemShape k_real{ItemKind::real, 4};
const ItemShape k_id{ItemKind::character, 8};
const ItemShape k_text{ItemKind::character, 80};

struct WalkCase {
  const char* format;
  std::vector<ItemShape> items;
  std::string log;
};

TEST(Walk, Table) {
  const WalkCase cases[] = {
      {"(2(2x,i8),t23,a)", {k_int, k_int, k_id}, "X2 I8 X2 I8 T23 A8 |"},
      {"(a,t9,i4,10i6)", repeated(k_int, 11, {k_id}),
       "A8 T9 I4 " + repeated_words("I6", 10) + " |"},
      // No group: a 13th item ends the record and is edited by the A.
      {"(a,t9,i4,10i6)", with(repeated(k_int, 11, {k_id}), k_id),
       "A8 T9 I4 " + repeated_words("I6", 10) + " / A8 | T9"},
      // The trailing walk performs the group's next 2X and stops at F7.4.
      {"(1x,i4,1000(2x,f7.4))",
       {k_int, k_real, k_real, k_real},
       "X1 I4 X2 F7.4 X2 F7.4 X2 F7.4 | X2"},
      // Reversion to the group: the 1X and I4 in front are not repeated.
      {"50(1x,i4,3(2x,f7.4))", repeated(k_real, 5, {k_int}),
       "X1 I4 X2 F7.4 X2 F7.4 X2 F7.4 / X2 F7.4 X2 F7.4 | X2"},
      // Reversion goes to the rightmost first-level group, with its count.
      {"(i1,2(i2),3(i3,2(i4)))", repeated(k_int, 14),
       "I1 I2 I2 I3 I4 I4 I3 I4 I4 I3 I4 I4 / I3 I4 |"},
      {"(/t10,'title of data:  ',a/)",
       {k_text},
       "/ T10 'title of data:  ' A80 | /"},
      {"(13x,' enter last year =',$)", {}, "| X13 ' enter last year ='"},
      // A statement without items stops at the first data descriptor.
      {"('a',i4,'b')", {}, "| 'a'"},
      // The trailing walk stops at ":" and at a data descriptor that still
      // has repeats to serve.
      {"(i4,:,' tail')", {k_int}, "I4 |"},
      {"(i4,' tail')", {k_int}, "I4 | ' tail'"},
      {"(3i4,'x')", {k_int, k_int}, "I4 I4 |"},
      // ":" does nothing while items remain.
      {"(i4,:,'x',i2)", {k_int, k_int}, "I4 'x' I2 |"},
      // The trailing walk never passes the end of the format.
      {"(i4,2('x'))", {k_int}, "I4 | 'x' 'x'"},
      {"(3/)", {}, "| / / /"},
      // Defaults for descriptors without a width depend on the item.
      {"(i,f,a,l,e0,g,g,g)",
       {k_int,
        k_real,
        {ItemKind::character, 5},
        {ItemKind::logical, 4},
        k_real,
        {ItemKind::character, 3},
        k_int,
        k_real},
       "I12 F15.6 A5 L2 E15.6E2 A3 I12 ? |"},
      {"(i4.0,i0)", {k_int, k_int}, "I4.0 I0 |"},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.format);
    LoggingSide side;
    EXPECT_EQ(c.log, walk(c.format, c.items, side));
  }
}

TEST(Walk, ReversionOfTheColumnRowFormat) {
  LoggingSide side;
  std::string log =
      walk("50(1x,i4,1000(2x,f7.4))", repeated(k_real, 1002, {k_int}), side);
  std::string expected =
      "X1 I4 " + repeated_words("X2 F7.4", 1000) + " / X2 F7.4 X2 F7.4 | X2";
  EXPECT_EQ(expected, log);
}

std::string nested(int depth) {
  return "(" + std::string(static_cast<std::size_t>(depth), '(') + "i4" +
         std::string(static_cast<std::size_t>(depth), ')') + ")";
}

TEST(Walk, TwentyGroupsOpenAtOnce) {
  LoggingSide side;
  EXPECT_EQ("I4 |", walk(nested(20).c_str(), {k_int}, side));
  LoggingSide deeper;
  // The 21st group fails only when the walk enters it.
  EXPECT_EQ("fail:Format group table overflow",
            walk(nested(21).c_str(), {k_int}, deeper));
  LoggingSide no_items;
  EXPECT_EQ("| fail:Format group table overflow",
            walk(nested(21).c_str(), {}, no_items));
}

// Scale factor, sign mode, blank mode and keep-open survive reversion.
TEST(Walk, ReversionKeepsModes) {
  FormatList list;
  ASSERT_EQ("", translate_format("(sp,2p,bz,$,i4)", list));
  LoggingSide side;
  Walk walker(list, side);
  Descriptor d;
  ASSERT_TRUE(walker.next_data_descriptor(ItemKind::integer, 4, d));
  ASSERT_TRUE(walker.next_data_descriptor(ItemKind::integer, 4, d));
  EXPECT_EQ("/", side.log);
  EXPECT_TRUE(walker.sign_plus());
  EXPECT_EQ(2, walker.scale_factor());
  EXPECT_TRUE(walker.blank_zero());
  EXPECT_TRUE(walker.keep_open());
}

TEST(Walk, ModesStartCleared) {
  FormatList list;
  ASSERT_EQ("", translate_format("(i4,sp,bz,ss,bn,$)", list));
  LoggingSide side;
  Walk walker(list, side, /*blank_zero=*/true);
  EXPECT_TRUE(walker.blank_zero());
  EXPECT_FALSE(walker.sign_plus());
  EXPECT_EQ(0, walker.scale_factor());
  EXPECT_FALSE(walker.keep_open());
  Descriptor d;
  ASSERT_TRUE(walker.next_data_descriptor(ItemKind::integer, 4, d));
  ASSERT_TRUE(walker.finish_statement());
  EXPECT_FALSE(walker.blank_zero());
  EXPECT_FALSE(walker.sign_plus());
  EXPECT_TRUE(walker.keep_open());
}

// Output: a whole pass without a data descriptor while items remain ends the
// statement (the output side fails it with "Error in format string").
TEST(Walk, OutputPassWithoutData) {
  LoggingSide side;
  EXPECT_EQ("I4 X1 X1 / X1 X1 pass", walk("(i4,2(1x))", {k_int, k_int}, side));
  LoggingSide none;
  EXPECT_EQ("'a' pass", walk("('a')", {k_int}, none));
}

// Input: each pass reads a new record until the end of the file.
TEST(Walk, InputPassWithoutData) {
  LoggingSide side;
  side.is_input = true;
  side.records_allowed = 2;
  EXPECT_EQ("X1 pass / X1 pass / X1 pass /", walk("(1x)", {k_int}, side));
}

// Loops far longer than any run could wait for end the statement.
TEST(Walk, StepLimit) {
  WalkLimits saved = walk_limits();
  walk_limits().max_steps = 1000;
  LoggingSide side;
  std::string log = walk("(32767(32767(tr1)),i4)", {k_int}, side);
  walk_limits() = saved;
  EXPECT_TRUE(log.ends_with("TR1 fail:Error in format string")) << log;
}

}  // namespace
}  // namespace format
