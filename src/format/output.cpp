#include "format/output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "format/messages.h"
#include "format/powers.h"
#include "format/walk.h"

namespace format {
namespace {

// The eight leading decimal digits of a positive value and the decimal
// exponent E of the first one (the first digit stands for 10^(E-1)).
struct Digits {
  std::uint8_t digit[8];
  std::int64_t exponent;  // wide enough for any scale factor
};

// The digits are read off the scaled double exactly: s is held as an integer
// count of 2^-52, so taking each digit and multiplying the rest by ten loses
// nothing.
void generate_digits(double x, Digits& out) {
  // x comes from a float, so it is a normal double.
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  int e2 = static_cast<int>(bits >> 52) - 1023;
  int q = (e2 * 1233) >> 12;  // floor(e2 * 1233 / 4096)
  double s = x;
  if (q > 0) {
    s = x / power_of_ten(q);
  } else if (q < 0) {
    s = x * power_of_ten(-q);
  }
  if (s >= 10.0) {
    s /= 10.0;
    ++q;
  }
  if (s < 1.0) {  // guards the estimate of q; floats never reach it
    s *= 10.0;
    --q;
  }
  // 1 <= s < 10: its binary exponent is 0 to 3, so its mantissa shifted by
  // that exponent is s in units of 2^-52, exactly.
  constexpr int k_fraction_bits = 52;
  constexpr std::uint64_t k_one = std::uint64_t{1} << k_fraction_bits;
  std::memcpy(&bits, &s, sizeof bits);
  int shift = static_cast<int>(bits >> 52) - 1023;
  std::uint64_t scaled = ((bits & (k_one - 1)) | k_one) << shift;
  for (std::uint8_t& digit : out.digit) {
    digit = static_cast<std::uint8_t>(scaled >> k_fraction_bits);
    scaled = (scaled & (k_one - 1)) * 10;
  }
  out.exponent = q + 1;
}

// Rounds to n digits (rounding digit min(n + 1, 8)), ties away from zero.
// Returns false when nothing is left: the value rounds to zero.
bool round_digits(Digits& digits, std::int64_t n) {
  if (n < 0) {
    return false;
  }
  int round_at = static_cast<int>(std::min<std::int64_t>(n + 1, 8)) - 1;
  bool up = digits.digit[round_at] >= 5;
  for (int i = round_at; i < 8; ++i) {
    digits.digit[i] = 0;
  }
  if (!up) {
    return n > 0;
  }
  int i = round_at - 1;
  while (i >= 0 && digits.digit[i] == 9) {
    digits.digit[i--] = 0;
  }
  if (i >= 0) {
    ++digits.digit[i];
  } else {
    // A carry out of the first digit, or n = 0: "1" followed by zeros.
    digits.digit[0] = 1;
    std::fill(digits.digit + 1, digits.digit + 8, std::uint8_t{0});
    ++digits.exponent;
  }
  return true;
}

// Digits first to first + count - 1 (counting from 1) as printed: beyond the
// seventh, zeros.
char* put_digits(char* p, const Digits& digits, std::int64_t first,
                 std::int64_t count) {
  for (std::int64_t i = first; i < first + count; ++i) {
    *p++ = i <= 7 ? static_cast<char>('0' + digits.digit[i - 1]) : '0';
  }
  return p;
}

char* fill(char* p, std::int64_t count, char c) {
  std::memset(p, c, static_cast<std::size_t>(count));
  return p + count;
}

// Makes room for length more characters at the end of out.
char* extend(std::string& out, std::int64_t length) {
  std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(length));
  return out.data() + at;
}

void append_stars(std::int32_t w, std::string& out) {
  out.append(static_cast<std::size_t>(w), '*');
}

// Right-justifies text of length n in w, or w asterisks when it is longer.
void append_justified(std::string_view text, std::int32_t w, bool minimal,
                      std::string& out) {
  if (minimal) {
    out.append(text);
  } else if (text.size() > static_cast<std::size_t>(w)) {
    append_stars(w, out);
  } else {
    out.append(static_cast<std::size_t>(w) - text.size(), ' ');
    out.append(text);
  }
}

void append_special(float value, std::int32_t w, bool minimal, bool sign_plus,
                    std::string& out) {
  char text[4];
  std::size_t n = 0;
  bool negative = std::signbit(value) && std::isinf(value);
  if (negative || sign_plus) {
    text[n++] = negative ? '-' : '+';
  }
  std::memcpy(text + n, std::isinf(value) ? "INF" : "NaN", 3);
  append_justified({text, n + 3}, w, minimal, out);
}

}  // namespace

void append_integer_field(std::int32_t value, std::int32_t w, std::int32_t m,
                          bool minimal, bool sign_plus, std::string& out) {
  char text[160];
  char* end = text + sizeof text;
  char* p = end;
  auto magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    magnitude = 0u - magnitude;
  }
  while (magnitude != 0) {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  while (end - p < m) {
    *--p = '0';
  }
  if (value < 0) {
    *--p = '-';
  } else if (sign_plus && value >= 1) {
    *--p = '+';
  }
  append_justified({p, static_cast<std::size_t>(end - p)}, w, minimal, out);
}

bool append_fixed_field(float value, std::int32_t w, std::int32_t d,
                        std::int32_t k, bool minimal, bool sign_plus,
                        std::string& out) {
  if (std::isnan(value) || std::isinf(value)) {
    append_special(value, w, minimal, sign_plus, out);
    return true;
  }
  bool negative = value < 0.0f;  // a negative zero is zero
  bool has_sign = negative || sign_plus;
  std::int32_t w_left = w - (has_sign ? 1 : 0);
  double x = std::fabs(static_cast<double>(value));
  Digits digits{};
  bool is_zero = x == 0.0;
  bool rounds_to_zero = false;
  if (!is_zero) {
    generate_digits(x, digits);
    digits.exponent += k;
    rounds_to_zero = !round_digits(digits, d + digits.exponent);
  }
  std::int64_t e = is_zero ? 0 : digits.exponent;
  char sign = negative ? '-' : '+';
  if (rounds_to_zero || (d == 0 && e <= 0)) {
    // No sign at all for what rounds to zero; the place set aside for a
    // minus sign stays blank.
    if (d == 0) {
      append_justified((w == 1 && !minimal) ? "." : "0.", w, minimal, out);
      return true;
    }
    if (!minimal && w < d + 1) {
      append_stars(w, out);
      return true;
    }
    bool leading_zero = minimal || w_left - d - 1 >= 1;
    std::size_t length = static_cast<std::size_t>(d) + (leading_zero ? 2 : 1);
    if (!minimal) {
      out.append(static_cast<std::size_t>(w) - length, ' ');
    }
    out.append(leading_zero ? "0." : ".");
    out.append(static_cast<std::size_t>(d), '0');
    return true;
  }
  if (e >= 1) {
    if (minimal && e > walk_limits().max_record_length) {
      return false;
    }
    std::int64_t blanks = w_left - d - 1 - e;
    if (!minimal && blanks < 0) {
      append_stars(w, out);
      return true;
    }
    if (minimal) {
      blanks = 0;
    }
    char* p = extend(out, blanks + (has_sign ? 1 : 0) + e + 1 + d);
    p = fill(p, blanks, ' ');
    if (has_sign) {
      *p++ = sign;
    }
    p = put_digits(p, digits, 1, e);
    *p++ = '.';
    put_digits(p, digits, e + 1, d);
    return true;
  }
  // Below 1, zero included: E <= 0 and E + d >= 1.
  std::int64_t blanks = w_left - d - 1;
  if (!minimal && blanks < 0) {
    append_stars(w, out);
    return true;
  }
  if (minimal) {
    blanks = 1;
  }
  char* p = extend(out, blanks + (has_sign ? 1 : 0) + 1 + d);
  if (blanks >= 1) {
    p = fill(p, blanks - 1, ' ');
  }
  if (has_sign) {
    *p++ = sign;
  }
  if (blanks >= 1) {
    *p++ = '0';
  }
  *p++ = '.';
  p = fill(p, -e, '0');
  if (is_zero) {
    fill(p, d + e, '0');
  } else {
    put_digits(p, digits, 1, d + e);
  }
  return true;
}

namespace {

// The record side of a formatted write: one growable record, reused across
// the records of a statement and across statements.
class OutputSide : public WalkSide {
 public:
  OutputSide(RecordSink& sink, int unit, std::string& record)
      : sink_(sink),
        unit_(unit),
        record_(record),
        max_length_(walk_limits().max_record_length) {
    record_.clear();
  }
  void set_walk(const Walk* walk) { walk_ = walk; }

  // X and T only move the position; blanks appear when a later character
  // lands past the current length, so a record never ends in blanks made by
  // a move.
  void move(Op op, std::int32_t n) override {
    switch (op) {
      case Op::tab:
        position_ = n > 0 ? n - 1 : 0;
        break;
      case Op::tab_left:
        position_ = std::max<std::int64_t>(0, position_ - n);
        break;
      default:
        position_ += n;
        break;
    }
  }
  bool literal(std::string_view text) override { return put(text); }
  bool end_record() override {
    bool keep_open = walk_ != nullptr && walk_->keep_open();
    outcome_ = sink_.write_record(record_, keep_open);
    record_.clear();
    position_ = 0;
    return static_cast<bool>(outcome_);
  }
  bool pass_without_data() override {
    fail(k_format_error);
    return false;
  }
  void fail(std::string_view message) override {
    outcome_ = io::Outcome::failure(message, "WRITE", unit_);
  }

  // Stores text at the position, filling any gap with blanks.
  bool put(std::string_view text) {
    std::int64_t end = position_ + static_cast<std::int64_t>(text.size());
    if (end > max_length_) {
      fail(k_buffer_allocation);
      return false;
    }
    auto at = static_cast<std::size_t>(position_);
    try {
      if (at > record_.size()) {
        record_.append(at - record_.size(), ' ');
      }
      if (at == record_.size()) {
        record_.append(text);
      } else {
        std::size_t overlap = std::min(text.size(), record_.size() - at);
        record_.replace(at, overlap, text.substr(0, overlap));
        record_.append(text.substr(overlap));
      }
    } catch (const std::bad_alloc&) {
      fail(k_buffer_allocation);
      return false;
    }
    position_ = end;
    return true;
  }

  // The record, when the position is at or past its end, for a field to be
  // appended in place; null otherwise.
  std::string* end_of_record() {
    auto size = static_cast<std::int64_t>(record_.size());
    if (position_ < size || position_ > max_length_) {
      return nullptr;  // put overwrites, or fails
    }
    if (position_ > size) {
      // The gap that a move left is filled before the field lands.
      record_.append(static_cast<std::size_t>(position_ - size), ' ');
    }
    return &record_;
  }
  // After an append in place: the position follows it, within the limit.
  bool appended() {
    position_ = static_cast<std::int64_t>(record_.size());
    if (position_ > max_length_) {
      fail(k_buffer_allocation);
      return false;
    }
    return true;
  }

  io::Outcome& outcome() { return outcome_; }

 private:
  RecordSink& sink_;
  int unit_;
  std::string& record_;
  const Walk* walk_ = nullptr;
  std::int64_t max_length_;
  std::int64_t position_ = 0;
  io::Outcome outcome_;
};

// Writes one value under its descriptor. False ends the statement.
class FieldWriter {
 public:
  FieldWriter(OutputSide& side, const Walk& walk) : side_(side), walk_(walk) {}

  bool write(const Descriptor& descriptor, const Value& value) {
    // A field at the end of the record, the usual case, goes straight in.
    std::string* in_place = side_.end_of_record();
    field_.clear();
    std::string& out = in_place != nullptr ? *in_place : field_;
    switch (descriptor.kind) {
      case DataKind::integer:
        if (value.kind != ItemKind::integer &&
            value.kind != ItemKind::logical) {
          return mismatch();
        }
        append_integer_field(value.integer, descriptor.w, descriptor.d,
                             descriptor.w == 0, walk_.sign_plus(), out);
        break;
      case DataKind::fixed:
      case DataKind::general:
        if (value.kind != ItemKind::real) {
          return mismatch();
        }
        if (!append_fixed_field(value.real, descriptor.w, descriptor.d,
                                walk_.scale_factor(), descriptor.w == 0,
                                walk_.sign_plus(), out)) {
          side_.fail(k_buffer_allocation);
          return false;
        }
        break;
      case DataKind::character:
        if (value.kind != ItemKind::character) {
          return mismatch();
        }
        return write_character(descriptor, value.text);
      case DataKind::logical:
        if (value.kind != ItemKind::logical &&
            value.kind != ItemKind::integer) {
          return mismatch();
        }
        out.append(static_cast<std::size_t>(descriptor.w - 1), ' ');
        out.push_back(value.integer != 0 ? 'T' : 'F');
        break;
      default:
        return mismatch();
    }
    return in_place != nullptr ? side_.appended() : side_.put(field_);
  }

 private:
  bool mismatch() {
    side_.fail(k_type_mismatch);
    return false;
  }

  bool write_character(const Descriptor& descriptor, std::string_view text) {
    auto w = static_cast<std::size_t>(descriptor.w);
    if (!descriptor.has_width || w == text.size()) {
      return side_.put(text);
    }
    if (w < text.size()) {
      return side_.put(text.substr(0, w));
    }
    field_.assign(w - text.size(), ' ');
    field_.append(text);
    return side_.put(field_);
  }

  OutputSide& side_;
  const Walk& walk_;
  std::string field_;
};

// One record buffer per thread, so that rows of thousands of characters are
// not allocated again for every statement. A write that starts while another
// holds it (a sink that writes again) uses a record of its own.
struct SharedRecord {
  std::string record;
  bool in_use = false;
};

class RecordLease {
 public:
  RecordLease() {
    thread_local SharedRecord shared;
    shared_ = &shared;
    if (shared_->in_use) {
      shared_ = nullptr;
    } else {
      shared_->in_use = true;
    }
  }
  ~RecordLease() {
    if (shared_ != nullptr) {
      shared_->record.clear();
      shared_->in_use = false;
    }
  }
  RecordLease(const RecordLease&) = delete;
  RecordLease& operator=(const RecordLease&) = delete;
  std::string& record() { return shared_ != nullptr ? shared_->record : own_; }

 private:
  SharedRecord* shared_;
  std::string own_;
};

}  // namespace

io::Outcome write_with_format(RecordSink& sink, int unit,
                              const FormatList& list,
                              std::span<const Value> values) {
  RecordLease lease;
  OutputSide side(sink, unit, lease.record());
  Walk walk(list, side);
  side.set_walk(&walk);
  FieldWriter writer(side, walk);
  for (const Value& value : values) {
    Descriptor descriptor;
    std::size_t length =
        value.kind == ItemKind::character ? value.text.size() : 4;
    if (!walk.next_data_descriptor(value.kind, length, descriptor) ||
        !writer.write(descriptor, value)) {
      return std::move(side.outcome());
    }
  }
  // The trailing walk runs first; then the current record ends, even when it
  // is empty.
  if (!walk.finish_statement() || !side.end_record()) {
    return std::move(side.outcome());
  }
  return io::Outcome::completed();
}

io::Outcome write_list(RecordSink& sink, int unit,
                       std::span<const Value> values) {
  std::string record = " ";
  bool after_value = false;  // a number or logical was written last
  for (const Value& value : values) {
    char text[32];
    std::to_chars_result result{text, {}};
    switch (value.kind) {
      case ItemKind::character:
        record.append(value.text);
        after_value = false;
        continue;
      case ItemKind::integer:
        result = std::to_chars(text, text + sizeof text, value.integer);
        break;
      case ItemKind::real:
        result = std::to_chars(text, text + sizeof text, value.real);
        break;
      case ItemKind::logical:
        text[0] = value.integer != 0 ? 'T' : 'F';
        result.ptr = text + 1;
        break;
    }
    if (after_value) {
      record.push_back(' ');
    }
    record.append(text, result.ptr);
    after_value = true;
  }
  io::Outcome outcome = sink.write_record(record, false);
  if (!outcome) {
    return outcome;
  }
  (void)unit;
  return io::Outcome::completed();
}

}  // namespace format
