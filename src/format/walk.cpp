#include "format/walk.h"

#include <algorithm>

#include "format/messages.h"

namespace format {

WalkLimits& walk_limits() {
  static WalkLimits limits;
  return limits;
}

bool Walk::count_step() {
  if (++steps_ > max_steps_) {
    side_.fail(k_format_error);
    return false;
  }
  return true;
}

bool Walk::open_group(const FormatItem& item) {
  if (depth_ == groups_.size()) {
    side_.fail(k_group_overflow);
    return false;
  }
  groups_[depth_++] = Group{item.repeat, position_ + 1};
  ++position_;
  return true;
}

// A group that passes its last close becomes the reversion point when it is
// at the first level, so the point is always the rightmost such group left.
void Walk::close_group(const FormatItem& item) {
  Group& group = groups_[depth_ - 1];
  if (--group.remaining > 0) {
    position_ = group.start;
    return;
  }
  --depth_;
  if (depth_ == 0) {
    reversion_ = item.extra;
  }
  ++position_;
}

// The end of the format with an item waiting: the record ends as by "/" and
// the walk goes on at the reversion point with that group's full count.
bool Walk::revert() {
  if (!data_in_pass_) {
    if (!side_.pass_without_data()) {
      return false;
    }
    // An input pass without data still reads a record each time, so it is
    // bounded by the file; only the work inside one pass is counted.
    steps_ = 0;
  }
  if (!side_.end_record()) {
    return false;
  }
  data_in_pass_ = false;
  position_ = reversion_ >= 0 ? reversion_ : 0;
  return true;
}

bool Walk::perform(const FormatItem& item) {
  switch (item.op) {
    case Op::skip:
    case Op::tab:
    case Op::tab_left:
    case Op::tab_right:
      side_.move(item.op, item.width);
      break;
    case Op::literal:
      if (!side_.literal(list_.literal_text(item))) {
        return false;
      }
      break;
    case Op::record_end:
      for (std::int32_t i = 0; i < item.repeat; ++i) {
        if (!side_.end_record() || (i > 0 && !count_step())) {
          return false;
        }
      }
      break;
    case Op::scale:
      scale_ = item.width;
      break;
    case Op::sign_plain:
    case Op::sign_plus:
      sign_plus_ = item.op == Op::sign_plus;
      break;
    case Op::blank_null:
    case Op::blank_zero:
      blank_zero_ = item.op == Op::blank_zero;
      break;
    case Op::keep_open:
      keep_open_ = true;
      break;
    default:
      break;
  }
  ++position_;
  return true;
}

Walk::Stop Walk::walk_to_descriptor() {
  for (;;) {
    const FormatItem& item = list_.items[static_cast<std::size_t>(position_)];
    switch (item.op) {
      case Op::data:
        return Stop::data;
      case Op::list_stop:
        return Stop::list_stop;
      case Op::end:
        return Stop::end;
      case Op::group_open:
        if (!open_group(item)) {
          return Stop::failed;
        }
        break;
      case Op::group_close:
        close_group(item);
        break;
      default:
        if (!perform(item)) {
          return Stop::failed;
        }
        break;
    }
    if (!count_step()) {
      return Stop::failed;
    }
  }
}

namespace {

// The defaults of a descriptor written without a width depend on the item.
Descriptor fill_defaults(const FormatItem& item, ItemKind kind,
                         std::size_t item_length) {
  Descriptor out{item.kind, item.has_width, item.width, item.digits,
                 item.exponent};
  DataKind as = item.kind;
  if (as == DataKind::general) {
    // G acts as A, I or L for items that are not real.
    if (kind == ItemKind::character) {
      as = DataKind::character;
    } else if (kind == ItemKind::integer) {
      as = DataKind::integer;
      out.d = 1;
    } else if (kind == ItemKind::logical) {
      as = DataKind::logical;
    }
    out.kind = as;
  }
  if (item.has_width && as != DataKind::character) {
    return out;
  }
  switch (as) {
    case DataKind::integer:
    case DataKind::binary:
    case DataKind::octal:
    case DataKind::hex:
      out.w = 12;
      out.d = 1;
      break;
    case DataKind::character:
      if (!item.has_width) {
        out.w = static_cast<std::int32_t>(
            std::min<std::size_t>(item_length, 0x7fffffff));
      }
      break;
    case DataKind::logical:
      out.w = 2;
      break;
    case DataKind::count:
      break;
    default:
      out.w = 15;
      out.d = 6;
      out.e = 2;
      break;
  }
  return out;
}

}  // namespace

bool Walk::next_data_descriptor(ItemKind kind, std::size_t item_length,
                                Descriptor& out) {
  for (;;) {
    Stop stop = walk_to_descriptor();
    if (stop == Stop::failed) {
      return false;
    }
    if (stop == Stop::data) {
      break;
    }
    if (stop == Stop::list_stop) {
      // ":" does nothing while items remain.
      ++position_;
    } else if (!revert()) {
      return false;
    }
    if (!count_step()) {
      return false;
    }
  }
  const FormatItem& item = list_.items[static_cast<std::size_t>(position_)];
  if (repeats_left_ == 0) {
    repeats_left_ = item.repeat;
  }
  if (--repeats_left_ == 0) {
    ++position_;
  }
  data_in_pass_ = true;
  steps_ = 0;
  out = fill_defaults(item, kind, item_length);
  return true;
}

bool Walk::finish_statement() {
  if (repeats_left_ > 0) {
    return true;
  }
  return walk_to_descriptor() != Stop::failed;
}

}  // namespace format
