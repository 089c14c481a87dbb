// Format control: one walk through a format list, shared by reads and
// writes. The walk performs every item that is not a data edit descriptor
// through a WalkSide and hands each data descriptor, with its defaults filled
// in for the item met, to the statement.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "format/items.h"
#include "format/translate.h"

namespace format {

// A data edit descriptor with every default filled in for one item.
struct Descriptor {
  DataKind kind = DataKind::integer;
  bool has_width = false;  // as written; F0.d, I0, Q0.d have width 0
  std::int32_t w = 0;
  std::int32_t d = 0;  // digits; m for I, B, O, Z
  std::int32_t e = 2;
};

// What a read or a write does with the items that the walk passes.
class WalkSide {
 public:
  virtual ~WalkSide() = default;
  // op is skip, tab, tab_left or tab_right.
  virtual void move(Op op, std::int32_t n) = 0;
  // Each of these returns false when the statement must end; the side then
  // holds the outcome.
  virtual bool literal(std::string_view text) = 0;
  virtual bool end_record() = 0;
  // A whole pass through the format met no data edit descriptor while an
  // item waits: false ends the statement.
  virtual bool pass_without_data() = 0;
  virtual void fail(std::string_view message) = 0;
};

// Safety bounds for arbitrary formats, which can nest loops far longer than
// any run can wait for. A walk that performs more items than this without
// reaching a data descriptor, or a record longer than this, fails.
struct WalkLimits {
  std::int64_t max_steps = std::int64_t{1} << 26;
  std::int64_t max_record_length = 2147483647;
};
WalkLimits& walk_limits();

class Walk {
 public:
  Walk(const FormatList& list, WalkSide& side, bool blank_zero = false)
      : list_(list),
        side_(side),
        max_steps_(walk_limits().max_steps),
        blank_zero_(blank_zero) {}

  // Walks to the descriptor for the next item. False: the statement ends.
  bool next_data_descriptor(ItemKind kind, std::size_t item_length,
                            Descriptor& out);
  // The trailing walk after the last item, up to a data descriptor, ":" or
  // the end of the format, never past it.
  bool finish_statement();

  std::int32_t scale_factor() const { return scale_; }
  bool sign_plus() const { return sign_plus_; }
  bool blank_zero() const { return blank_zero_; }
  bool keep_open() const { return keep_open_; }

 private:
  struct Group {
    std::int32_t remaining;
    std::int32_t start;
  };
  enum class Stop { data, list_stop, end, failed };

  // Performs items until a data descriptor, ":" or the end of the format.
  Stop walk_to_descriptor();
  bool perform(const FormatItem& item);
  bool open_group(const FormatItem& item);
  void close_group(const FormatItem& item);
  bool revert();
  bool count_step();

  const FormatList& list_;
  WalkSide& side_;
  std::int32_t position_ = 0;
  std::int32_t repeats_left_ = 0;  // items the current descriptor still serves
  std::array<Group, 20> groups_{};
  std::size_t depth_ = 0;
  std::int32_t reversion_ = -1;  // index of the group open, or none
  bool data_in_pass_ = false;
  std::int64_t steps_ = 0;
  std::int64_t max_steps_;
  std::int32_t scale_ = 0;
  bool sign_plus_ = false;
  bool blank_zero_;
  bool keep_open_ = false;
};

}  // namespace format
