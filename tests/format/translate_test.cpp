#include "format/translate.h"

#include <gtest/gtest.h>

#include <string>

#include "format/messages.h"

namespace format {
namespace {

const char* kind_name(DataKind kind) {
  switch (kind) {
    case DataKind::integer:
      return "I";
    case DataKind::binary:
      return "B";
    case DataKind::octal:
      return "O";
    case DataKind::hex:
      return "Z";
    case DataKind::fixed:
      return "F";
    case DataKind::exponent:
      return "E";
    case DataKind::scientific:
      return "ES";
    case DataKind::engineering:
      return "EN";
    case DataKind::double_real:
      return "D";
    case DataKind::general:
      return "G";
    case DataKind::character:
      return "A";
    case DataKind::logical:
      return "L";
    case DataKind::count:
      return "Q";
    case DataKind::quad:
      return "Q";
  }
  return "?";
}

// The list written back as a format, items joined by commas; the format's
// own parentheses and its end are left out.
std::string describe(const FormatList& list) {
  std::string out;
  for (const FormatItem& item : list.items) {
    std::string text;
    std::string repeat = item.repeat > 1 ? std::to_string(item.repeat) : "";
    std::string n = std::to_string(item.width);
    switch (item.op) {
      case Op::data:
        text = repeat + kind_name(item.kind);
        if (item.has_width) {
          text += n;
        }
        if (item.has_digits) {
          text += "." + std::to_string(item.digits);
        }
        if (item.exponent != 2) {
          text += "E" + std::to_string(item.exponent);
        }
        break;
      case Op::skip:
        text = n + "X";
        break;
      case Op::tab:
        text = "T" + n;
        break;
      case Op::tab_left:
        text = "TL" + n;
        break;
      case Op::tab_right:
        text = "TR" + n;
        break;
      case Op::record_end:
        text = repeat + "/";
        break;
      case Op::literal:
        text = "'" + std::string(list.literal_text(item)) + "'";
        break;
      case Op::scale:
        text = n + "P";
        break;
      case Op::sign_plain:
        text = "S";
        break;
      case Op::sign_plus:
        text = "SP";
        break;
      case Op::blank_null:
        text = "BN";
        break;
      case Op::blank_zero:
        text = "BZ";
        break;
      case Op::list_stop:
        text = ":";
        break;
      case Op::keep_open:
        text = "$";
        break;
      case Op::group_open:
        text = repeat + "(";
        break;
      case Op::group_close:
        text = ")";
        break;
      case Op::end:
        continue;
    }
    out += out.empty() || out.back() == '(' || text == ")" ? "" : ",";
    out += text;
  }
  return out;
}

struct TranslateCase {
  const char* text;
  const char* list;     // the translation, when it succeeds
  const char* failure;  // the message, when it fails
};

const TranslateCase k_cases[] = {
    // Label digits in front of the format are no repeat count.
    {"5(a20)", "A20", ""},
    {"10(a1)", "A1", ""},
    {"40(' year  ',1000(1x,a8))", "' year  ',1000(1X,A8)", ""},
    {"50(1x,i4,1000(2x,f7.4))", "1X,I4,1000(2X,F7.4)", ""},
    {" 5(a20)", "", "Format string missing opening ("},
    {"  (i4)", "I4", ""},
    {"", "", "Format string missing opening ("},
    {"i4", "", "Format string missing opening ("},
    // Whatever follows the format's own closing parenthesis is ignored.
    {"(i4) and more ((", "I4", ""},
    {"((i4)", "", "Format string has unmatched parens"},
    {"(", "", "Format string has unmatched parens"},
    {"(i4", "", "Format string has unmatched parens"},
    {"(i4,3", "", "Format string has unmatched parens"},
    {"('abc)", "", "Format string has unmatched quotes"},
    {"(5habc)", "", "Hollerith count exceeds remaining format string"},
    {"(3habc)", "'abc'", ""},
    {"(4h a,))", "' a,)'", ""},  // H takes blanks, commas, anything
    {"(h*)", "'*'", ""},
    // Repeat counts.
    {"(0i4)", "", "Illegal repeat count"},
    {"(40000i4)", "", "Illegal repeat count"},
    {"(32767i4)", "32767I4", ""},
    {"(-3i4)", "", "Illegal repeat count"},
    {"(+3i4)", "3I4", ""},
    {"(i4,3)", "", "Illegal repeat count"},
    {"(3bn)", "", "Illegal repeat count"},
    {"(2bz)", "", "Illegal repeat count"},
    {"(2t5)", "", "Non-repeatable format descriptor"},
    {"(3'ab')", "", "Non-repeatable format descriptor"},
    {"(2:)", "", "Non-repeatable format descriptor"},
    {"(2$)", "", "Non-repeatable format descriptor"},
    {"(2\\)", "", "Non-repeatable format descriptor"},
    {"(2q)", "", "Non-repeatable format descriptor"},
    {"(2sp)", "", "Non-repeatable format descriptor"},
    {"(2tl3)", "", "Non-repeatable format descriptor"},
    // Blanks are insignificant outside literals, even inside numbers.
    {"(i4 3)", "I43", ""},
    {"(1 0f7 . 2)", "10F7.2", ""},
    {"( 2 ( 2 x , i 8 ) , t 2 3 , a )", "2(2X,I8),T23,A", ""},
    {"(\ti4)", "", "Error in format string"},  // a tab is no blank here
    {"(10F7.2)", "10F7.2", ""},
    {"(10f7.2)", "10F7.2", ""},
    // Commas.
    {"(i4f7.2)", "I4,F7.2", ""},
    {"(i4,)", "I4", ""},
    {"(i4,,f7.2)", "", "Error in format string"},
    {"(,i4)", "", "Error in format string"},
    {"(2(,i4))", "", "Error in format string"},
    {"()", "", ""},
    // The formats of the program.
    {"(a,t9,i4,10i6)", "A,T9,I4,10I6", ""},
    {"(2(2x,i8),t23,a)", "2(2X,I8),T23,A", ""},
    {"(/t10,'title of data:  ',a/)", "/,T10,'title of data:  ',A,/", ""},
    {"(13x,' enter last year =',$)", "13X,' enter last year =',$", ""},
    {"(3/)", "3/", ""},
    // Literals.
    {"('it''s')", "'it's'", ""},
    {"(\"say \"\"hi\"\"\")", "'say \"hi\"'", ""},
    {"(\"it's\")", "'it's'", ""},
    {"('')", "''", ""},
    // Integer descriptors.
    {"(i)", "I", ""},
    {"(i4.2,i0,i4.0)", "I4.2,I0,I4.0", ""},
    {"(i-4)", "", "Error in format string"},
    {"(i4.)", "", "Error in format string"},
    {"(i4.-1)", "", "Error in format string"},
    {"(b8.3,o6,z4,b,o,z)", "B8.3,O6,Z4,B,O,Z", ""},
    {"(bn,bz,b3)", "BN,BZ,B3", ""},
    // Real descriptors.
    {"(f7)", "", "Error in format string"},
    {"(f)", "F", ""},
    {"(f0.3)", "F0.3", ""},
    {"(e10.3,e10.3e3,e10.3d4)", "E10.3,E10.3E3,E10.3E4", ""},
    {"(e0,e0.5,e)", "E,E,E", ""},  // E0 takes every default
    {"(e10)", "", "Error in format string"},
    {"(e10.3e)", "", "Error in format string"},
    {"(es12.4,en12.4e3)", "ES12.4,EN12.4E3", ""},
    {"(d10.3,d10.3e4,d)", "D10.3,D10.3E4,D", ""},
    {"(d0.3)", "", "Error in format string"},
    {"(g10.3,g0,g)", "G10.3,G,G", ""},
    {"(q8.2,2q8.2,q0.1)", "Q8.2,2Q8.2,Q0.1", ""},
    {"(q8)", "", "Error in format string"},
    {"(q)", "Q", ""},
    // Character and logical.
    {"(a,a0,a8)", "A,A,A8", ""},
    {"(a-1)", "", "Error in format string"},
    {"(l,l3)", "L,L3", ""},
    {"(l0)", "", "Error in format string"},
    // Positions, modes.
    {"(x,3x,t1,t0,tl3,tr2)", "1X,3X,T1,T0,TL3,TR2", ""},
    {"(t)", "", "Error in format string"},
    {"(tl)", "", "Error in format string"},
    {"(t-1)", "", "Error in format string"},
    {"(-2p,f7.2,p,0p,2pf7.2)", "-2P,F7.2,1P,0P,2P,F7.2", ""},
    {"(s,sp,ss,s)", "S,SP,S,S", ""},
    {"(sx)", "", "Error in format string"},
    {"(:,$,\\)", ":,$,$", ""},
    {"(k)", "", "Error in format string"},
    {"(r)", "", "Error in format string"},
    {"(v)", "", "Error in format string"},
    {"(3)", "", "Illegal repeat count"},
    {"(2(3(i4)))", "2(3(I4))", ""},
    // Limits of the data model.
    {"(i127,f127.127)", "I127,F127.127", ""},
    {"(i128)", "", "Error in format string"},
    {"(f7.128)", "", "Error in format string"},
    {"(e10.3e128)", "", "Error in format string"},
    {"(a65535,l65535,t65535)", "A65535,L65535,T65535", ""},
    {"(a65536)", "", "Error in format string"},
    {"(l65536)", "", "Error in format string"},
    {"(t65536)", "", "Error in format string"},
    {"(i99999999999999999999)", "", "Error in format string"},
};

TEST(TranslateFormat, Table) {
  for (const TranslateCase& c : k_cases) {
    SCOPED_TRACE(c.text);
    FormatList list;
    std::string_view failure = translate_format(c.text, list);
    EXPECT_EQ(c.failure, failure);
    if (failure.empty()) {
      EXPECT_EQ(c.list, describe(list));
      ASSERT_FALSE(list.items.empty());
      EXPECT_EQ(Op::end, list.items.back().op);
    }
  }
}

TEST(TranslateFormat, LiteralLengthLimit) {
  FormatList list;
  std::string text = "('" + std::string(65535, 'x') + "')";
  EXPECT_EQ("", translate_format(text, list));
  text = "('" + std::string(65536, 'x') + "')";
  EXPECT_EQ("Error in format string", translate_format(text, list));
}

// Nesting is limited only by the walk, never by the translation, and a deep
// text must not exhaust the stack.
TEST(TranslateFormat, DeepNesting) {
  FormatList list;
  std::string text = std::string(100000, '(') + "i4" + std::string(100000, ')');
  EXPECT_EQ("", translate_format(text, list));
  EXPECT_EQ(2 * 99999 + 2, static_cast<int>(list.items.size()));
}

TEST(TranslateFormat, GroupsKnowTheirPartners) {
  FormatList list;
  ASSERT_EQ("", translate_format("(i4,2(x,3(a)),i2)", list));
  // i4 2( x 3( a ) ) i2 end
  EXPECT_EQ(Op::group_open, list.items[1].op);
  EXPECT_EQ(6, list.items[1].extra);
  EXPECT_EQ(1, list.items[6].extra);
  EXPECT_EQ(5, list.items[3].extra);
  EXPECT_EQ(3, list.items[5].extra);
}

}  // namespace
}  // namespace format
