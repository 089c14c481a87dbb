#include "format/list_input.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "format/input.h"
#include "format/messages.h"

namespace format {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_value(char c) { return c == ',' || c == '/' || is_blank(c); }
bool is_quote(char c) { return c == '\'' || c == '"'; }

class ListReader {
 public:
  ListReader(RecordSource& source, int unit, bool check_structure)
      : source_(source), unit_(unit), check_structure_(check_structure) {}

  io::Outcome read(std::span<const Item> items) {
    if (!next_record()) {
      return std::move(outcome_);
    }
    for (const Item& item : items) {
      Next next = next_value(item);
      if (next == Next::failed) {
        return std::move(outcome_);
      }
      if (next == Next::slash) {
        break;  // this item and every later one keep their values
      }
      if (next == Next::value && !store(item)) {
        return io::Outcome::failure(k_illegal_character, "READ", unit_);
      }
    }
    // The rest of the record is dropped.
    return io::Outcome::completed();
  }

 private:
  enum class Next { value, null, slash, failed };

  bool next_record() {
    outcome_ = source_.read_record(record_);
    position_ = 0;
    return static_cast<bool>(outcome_);
  }
  bool at_end() const { return position_ >= record_.size(); }
  void skip_blanks() {
    while (!at_end() && is_blank(record_[position_])) {
      ++position_;
    }
  }
  // Blanks, then at most one comma: the separator after a value.
  void skip_separator() {
    skip_blanks();
    if (!at_end() && record_[position_] == ',') {
      ++position_;
    }
  }

  // value := [r "*"] [text | quoted]
  Next next_value(const Item& item) {
    if (repeats_left_ > 0) {
      --repeats_left_;
      return repeat_is_null_ ? Next::null : Next::value;
    }
    // Blanks and whole empty records before a value do not count.
    for (;;) {
      skip_blanks();
      if (!at_end()) {
        break;
      }
      if (!next_record()) {
        return Next::failed;
      }
    }
    char c = record_[position_];
    if (c == ',') {
      ++position_;
      return Next::null;
    }
    if (c == '/') {
      return Next::slash;
    }
    std::int64_t count = take_repeat_count();
    if (count > 0 && (at_end() || ends_value(record_[position_]))) {
      skip_separator();
      repeats_left_ = count - 1;
      repeat_is_null_ = true;
      return Next::null;
    }
    if (!take_text(item)) {
      return Next::failed;
    }
    skip_separator();
    if (count > 0) {
      repeats_left_ = count - 1;
      repeat_is_null_ = false;
    }
    return Next::value;
  }

  // The r of r*: digits followed by "*". Returns 0 (position unchanged) when
  // the value has none.
  std::int64_t take_repeat_count() {
    std::size_t i = position_;
    std::int64_t count = 0;
    while (i < record_.size() && record_[i] >= '0' && record_[i] <= '9') {
      count =
          std::min<std::int64_t>(count * 10 + (record_[i] - '0'), INT32_MAX);
      ++i;
    }
    if (i == position_ || i >= record_.size() || record_[i] != '*' ||
        count == 0) {
      return 0;
    }
    position_ = i + 1;
    return count;
  }

  bool take_text(const Item& item) {
    value_.clear();
    if (item.kind == ItemKind::character && !at_end() &&
        is_quote(record_[position_])) {
      return take_quoted();
    }
    while (!at_end() && !ends_value(record_[position_])) {
      value_.push_back(record_[position_++]);
    }
    return true;
  }

  // quoted := quote {character | quote quote} quote, across records.
  bool take_quoted() {
    char quote = record_[position_++];
    for (;;) {
      if (at_end()) {
        if (!next_record()) {
          return false;
        }
        continue;
      }
      char c = record_[position_++];
      if (c == quote) {
        if (at_end() || record_[position_] != quote) {
          break;
        }
        ++position_;
      }
      value_.push_back(c);
    }
    if (value_.empty()) {
      value_.push_back(' ');
    }
    return true;
  }

  bool store(const Item& item) {
    switch (item.kind) {
      case ItemKind::logical: {
        std::int32_t truth = read_logical_field(value_) ? 1 : 0;
        std::memcpy(item.address, &truth, sizeof truth);
        return true;
      }
      case ItemKind::integer: {
        std::int32_t number = 0;
        if (!read_integer_field(value_, Base::decimal, false, number)) {
          return false;
        }
        std::memcpy(item.address, &number, sizeof number);
        return true;
      }
      case ItemKind::real: {
        float number = 0.0f;
        if (!read_real_field(value_, 0, 0, false, check_structure_, number)) {
          return false;
        }
        std::memcpy(item.address, &number, sizeof number);
        return true;
      }
      case ItemKind::character: {
        auto* text = static_cast<char*>(item.address);
        std::size_t n = std::min(item.length, value_.size());
        std::memcpy(text, value_.data(), n);
        std::memset(text + n, ' ', item.length - n);
        return true;
      }
    }
    return false;
  }

  RecordSource& source_;
  int unit_;
  bool check_structure_;
  std::string record_;
  std::size_t position_ = 0;
  std::string value_;
  std::int64_t repeats_left_ = 0;
  bool repeat_is_null_ = false;
  io::Outcome outcome_;
};

}  // namespace

io::Outcome read_list(RecordSource& source, int unit,
                      std::span<const Item> items, bool check_structure) {
  return ListReader(source, unit, check_structure).read(items);
}

}  // namespace format
