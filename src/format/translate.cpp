#include "format/translate.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "format/messages.h"

namespace format {
namespace {

constexpr std::int64_t k_max_repeat = 32767;
constexpr std::int64_t k_max_small = 127;    // w, d, m, e of numeric fields
constexpr std::int64_t k_max_large = 65535;  // A and L widths, T counts
// Numbers are held saturated here, far beyond any limit that is checked.
constexpr std::int64_t k_saturation = std::int64_t{1} << 40;

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The failure of one translation, carried out of the nested parse steps.
struct Failure {
  std::string_view message;
};

class Translator {
 public:
  Translator(std::string_view text, FormatList& list)
      : text_(text), list_(list) {}

  // format := [label digits] blanks "(" list ")"
  void translate() {
    while (at_text() && is_digit(text_[pos_])) {
      ++pos_;
    }
    skip_blanks();
    if (!at_text() || text_[pos_] != '(') {
      throw Failure{k_missing_opening};
    }
    ++pos_;
    while (!translate_item()) {
    }
  }

 private:
  bool at_text() const { return pos_ < text_.size(); }
  void skip_blanks() {
    while (at_text() && text_[pos_] == ' ') {
      ++pos_;
    }
  }
  // The next character after blanks, upper case; '\0' at the end of text
  // (a NUL inside the text is no item and fails like any other character).
  char peek() {
    skip_blanks();
    if (!at_text()) {
      return '\0';
    }
    return upper(text_[pos_]);
  }
  char peek_or_fail() {
    char c = peek();
    if (!at_text()) {
      throw Failure{k_unmatched_parens};
    }
    return c;
  }

  // number := [sign] digit {blank | digit}
  // Returns false when no number starts here.
  bool parse_number(std::int64_t& value) {
    skip_blanks();
    std::size_t start = pos_;
    bool negative = false;
    if (at_text() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      negative = text_[pos_] == '-';
      ++pos_;
      skip_blanks();
    }
    if (!at_text() || !is_digit(text_[pos_])) {
      if (pos_ != start) {
        throw Failure{k_format_error};  // a sign without digits
      }
      return false;
    }
    value = 0;
    while (at_text() && (is_digit(text_[pos_]) || text_[pos_] == ' ')) {
      if (text_[pos_] != ' ') {
        value = std::min(k_saturation, value * 10 + (text_[pos_] - '0'));
      }
      ++pos_;
    }
    if (negative) {
      value = -value;
    }
    return true;
  }

  // A width or digits value: present, not negative, at most limit.
  std::int32_t required_number(std::int64_t low, std::int64_t limit) {
    std::int64_t value = 0;
    if (!parse_number(value) || value < low || value > limit) {
      throw Failure{k_format_error};
    }
    return static_cast<std::int32_t>(value);
  }
  // An optional width: false when none is written.
  bool optional_number(std::int64_t low, std::int64_t limit,
                       std::int32_t& out) {
    std::int64_t value = 0;
    if (!parse_number(value)) {
      return false;
    }
    if (value < low || value > limit) {
      throw Failure{k_format_error};
    }
    out = static_cast<std::int32_t>(value);
    return true;
  }
  bool take(char wanted) {
    if (peek() == wanted && at_text()) {
      ++pos_;
      return true;
    }
    return false;
  }

  void add(const FormatItem& item) { list_.items.push_back(item); }

  // item := [number] selector own-numbers [","]
  // Returns true once the format's own closing parenthesis is met.
  bool translate_item() {
    char c = peek_or_fail();
    std::int64_t number = 0;
    bool has_number = parse_number(number);
    c = peek_or_fail();
    if (has_number && c != 'P' && (number < 1 || number > k_max_repeat)) {
      throw Failure{k_illegal_repeat};
    }
    auto repeat = static_cast<std::int32_t>(has_number ? number : 1);
    ++pos_;
    switch (c) {
      case ')':
        if (has_number) {
          throw Failure{k_illegal_repeat};
        }
        if (close_group()) {
          return true;
        }
        break;
      case '(':
        open_group(repeat);
        return false;  // a comma right after "(" is refused
      case 'P':
        add_scale(has_number ? number : 1);
        break;
      case 'X':
        add(FormatItem{.op = Op::skip, .width = repeat});
        break;
      case 'H':
        add_hollerith(repeat);
        break;
      case '/':
        add(FormatItem{.op = Op::record_end, .repeat = repeat});
        break;
      case '\'':
      case '"':
        refuse_repeat(has_number);
        add_quoted(text_[pos_ - 1]);
        break;
      case '$':
      case '\\':
        refuse_repeat(has_number);
        add(FormatItem{.op = Op::keep_open});
        break;
      case ':':
        refuse_repeat(has_number);
        add(FormatItem{.op = Op::list_stop});
        break;
      case 'T':
        refuse_repeat(has_number);
        add_tab();
        break;
      case 'S':
        refuse_repeat(has_number);
        add_sign_mode();
        break;
      default:
        add_descriptor(c, has_number, repeat);
        break;
    }
    take(',');
    return false;
  }

  void refuse_repeat(bool has_number) {
    if (has_number) {
      throw Failure{k_non_repeatable};
    }
  }

  void open_group(std::int32_t repeat) {
    open_groups_.push_back(list_.items.size());
    add(FormatItem{.op = Op::group_open, .repeat = repeat});
  }
  // Returns true when the parenthesis is the format's own.
  bool close_group() {
    if (open_groups_.empty()) {
      add(FormatItem{.op = Op::end});
      return true;
    }
    std::size_t open = open_groups_.back();
    open_groups_.pop_back();
    list_.items[open].extra = static_cast<std::int32_t>(list_.items.size());
    add(FormatItem{.op = Op::group_close,
                   .extra = static_cast<std::int32_t>(open)});
    return false;
  }

  void add_scale(std::int64_t k) {
    k = std::clamp<std::int64_t>(k, INT32_MIN, INT32_MAX);
    add(FormatItem{.op = Op::scale, .width = static_cast<std::int32_t>(k)});
  }

  void add_literal(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(k_max_large)) {
      throw Failure{k_format_error};
    }
    add(FormatItem{.op = Op::literal,
                   .width = static_cast<std::int32_t>(list_.literals.size()),
                   .extra = static_cast<std::int32_t>(text.size())});
    list_.literals.append(text);
  }

  // hollerith := count "H" characters   (count characters, blanks included)
  void add_hollerith(std::int32_t count) {
    auto length = static_cast<std::size_t>(count);
    if (length > text_.size() - pos_) {
      throw Failure{k_hollerith_too_long};
    }
    add_literal(text_.substr(pos_, length));
    pos_ += length;
  }

  // quoted := quote {character | quote quote} quote
  void add_quoted(char quote) {
    std::string text;
    for (;;) {
      if (!at_text()) {
        throw Failure{k_unmatched_quotes};
      }
      char c = text_[pos_++];
      if (c == quote) {
        if (!at_text() || text_[pos_] != quote) {
          break;
        }
        ++pos_;
      }
      text.push_back(c);
    }
    add_literal(text);
  }

  // tab := "T" n | "TL" n | "TR" n
  void add_tab() {
    Op op = Op::tab;
    char c = peek();
    if (c == 'L' || c == 'R') {
      op = c == 'L' ? Op::tab_left : Op::tab_right;
      ++pos_;
    }
    add(FormatItem{.op = op, .width = required_number(0, k_max_large)});
  }

  // sign := "S" | "SS" | "SP"   (a lone S must be followed by "," or ")")
  void add_sign_mode() {
    char c = peek_or_fail();
    if (c == 'S' || c == 'P') {
      ++pos_;
      add(FormatItem{.op = c == 'S' ? Op::sign_plain : Op::sign_plus});
      return;
    }
    if (c != ',' && c != ')') {
      throw Failure{k_format_error};
    }
    add(FormatItem{.op = Op::sign_plain});
  }

  void add_descriptor(char c, bool has_number, std::int32_t repeat) {
    FormatItem item{.op = Op::data, .repeat = repeat};
    switch (c) {
      case 'B':
        if (peek() == 'N' || peek() == 'Z') {
          if (has_number) {
            throw Failure{k_illegal_repeat};
          }
          item.op = peek() == 'N' ? Op::blank_null : Op::blank_zero;
          ++pos_;
          add(item);
          return;
        }
        item.kind = DataKind::binary;
        parse_integer_numbers(item);
        break;
      case 'I':
        item.kind = DataKind::integer;
        parse_integer_numbers(item);
        break;
      case 'O':
        item.kind = DataKind::octal;
        parse_integer_numbers(item);
        break;
      case 'Z':
        item.kind = DataKind::hex;
        parse_integer_numbers(item);
        break;
      case 'F':
        item.kind = DataKind::fixed;
        parse_real_numbers(item, false, false);
        break;
      case 'D':
        item.kind = DataKind::double_real;
        parse_real_numbers(item, false, true);
        if (item.has_width && item.width == 0) {
          throw Failure{k_format_error};
        }
        break;
      case 'E':
        item.kind = DataKind::exponent;
        if (peek() == 'S' || peek() == 'N') {
          item.kind =
              peek() == 'S' ? DataKind::scientific : DataKind::engineering;
          ++pos_;
        }
        parse_real_numbers(item, true, true);
        break;
      case 'G':
        item.kind = DataKind::general;
        parse_real_numbers(item, true, true);
        break;
      case 'Q':
        parse_quad(item, has_number);
        break;
      case 'A':
        item.kind = DataKind::character;
        item.has_width = optional_number(0, k_max_large, item.width);
        item.has_width = item.has_width && item.width > 0;
        break;
      case 'L':
        item.kind = DataKind::logical;
        item.has_width = optional_number(1, k_max_large, item.width);
        break;
      default:
        throw Failure{k_format_error};
    }
    add(item);
  }

  // integer-numbers := [w ["." m]]
  void parse_integer_numbers(FormatItem& item) {
    item.digits = 1;
    item.has_width = optional_number(0, k_max_small, item.width);
    if (item.has_width && take('.')) {
      item.has_digits = true;
      item.digits = required_number(0, k_max_small);
    }
  }

  // real-numbers := [w "." d [("E" | "D") e]]
  // zero_means_default: E, ES, EN and G take every default for w 0, and
  // then need no ".d". The exponent letter D is allowed for E and G only.
  void parse_real_numbers(FormatItem& item, bool zero_means_default,
                          bool has_exponent) {
    if (!optional_number(0, k_max_small, item.width)) {
      return;
    }
    item.has_width = true;
    if (take('.')) {
      item.has_digits = true;
      item.digits = required_number(0, k_max_small);
    } else if (!(zero_means_default && item.width == 0)) {
      throw Failure{k_format_error};
    }
    bool d_letter_allowed =
        item.kind == DataKind::exponent || item.kind == DataKind::general;
    if (has_exponent && item.has_digits &&
        (peek() == 'E' || (d_letter_allowed && peek() == 'D'))) {
      ++pos_;
      item.exponent = required_number(0, k_max_small);
    }
    if (zero_means_default && item.width == 0) {
      item =
          FormatItem{.op = Op::data, .kind = item.kind, .repeat = item.repeat};
    }
  }

  // quad := "Q" | "Q" w "." d   (Q alone counts what is left of the record)
  void parse_quad(FormatItem& item, bool has_number) {
    item.kind = DataKind::quad;
    if (!optional_number(0, k_max_small, item.width)) {
      refuse_repeat(has_number);
      item.kind = DataKind::count;
      return;
    }
    item.has_width = true;
    if (!take('.')) {
      throw Failure{k_format_error};
    }
    item.has_digits = true;
    item.digits = required_number(0, k_max_small);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  FormatList& list_;
  std::vector<std::size_t> open_groups_;
};

}  // namespace

std::string_view translate_format(std::string_view text, FormatList& list) {
  list.items.clear();
  list.literals.clear();
  try {
    Translator(text, list).translate();
  } catch (const Failure& failure) {
    list.items.clear();
    list.literals.clear();
    return failure.message;
  } catch (const std::bad_alloc&) {
    list.items.clear();
    list.literals.clear();
    return k_buffer_allocation;
  }
  return {};
}

}  // namespace format
