#include "format/input.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "format/messages.h"
#include "format/powers.h"
#include "format/walk.h"

namespace format {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }
bool is_inf_or_nan(char c) {
  return c == 'I' || c == 'i' || c == 'N' || c == 'n';
}
bool is_exponent_letter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// The longest numeric field: widths are at most 127; the implied point can
// add as many zeros again.
constexpr std::size_t k_clean_capacity = 300;

struct CleanField {
  char text[k_clean_capacity];
  std::size_t size = 0;
  std::string_view view() const { return {text, size}; }
};

// Leading blanks go; later blanks go too (BN) or become zeros (BZ), except in
// a field that spells infinity or not-a-number.
void clean(std::string_view field, bool blank_zero, CleanField& out) {
  std::size_t i = 0;
  while (i < field.size() && is_blank(field[i])) {
    ++i;
  }
  if (blank_zero) {
    std::size_t first = i;
    if (first < field.size() && is_sign(field[first])) {
      ++first;
    }
    while (first < field.size() && is_blank(field[first])) {
      ++first;
    }
    if (first < field.size() && is_inf_or_nan(field[first])) {
      blank_zero = false;
    }
  }
  out.size = 0;
  for (; i < field.size() && out.size < k_clean_capacity; ++i) {
    char c = field[i];
    if (is_blank(c)) {
      if (!blank_zero) {
        continue;
      }
      c = '0';
    }
    out.text[out.size++] = c;
  }
}

int digit_value(char c) {
  if (is_digit(c)) {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return 99;
}

// The implied decimal point: in front of the mantissa's last d characters,
// with zeros between it and them when the mantissa is shorter.
void insert_point(CleanField& field, std::int32_t d) {
  std::string_view text = field.view();
  if (d <= 0 || text.find('.') != std::string_view::npos) {
    return;
  }
  std::size_t start = (!text.empty() && is_sign(text[0])) ? 1 : 0;
  std::size_t end = start;
  while (end < text.size() && !is_exponent_letter(text[end]) &&
         !is_sign(text[end])) {
    ++end;
  }
  auto digits = static_cast<std::size_t>(d);
  std::size_t mantissa = end - start;
  std::size_t zeros = mantissa < digits ? digits - mantissa : 0;
  std::size_t point_at = mantissa < digits ? start : end - digits;
  std::size_t added = 1 + zeros;
  if (field.size + added > k_clean_capacity) {
    return;  // cannot happen for widths up to 127
  }
  std::memmove(field.text + point_at + added, field.text + point_at,
               field.size - point_at);
  field.text[point_at] = '.';
  std::memset(field.text + point_at + 1, '0', zeros);
  field.size += added;
}

bool has_real_characters(std::string_view text) {
  for (char c : text) {
    if (!is_digit(c) && !is_exponent_letter(c) && c != '.' && !is_sign(c) &&
        c != 'q' && c != 'Q') {
      return false;
    }
  }
  return true;
}

// shape := digits ["." digits] [(letter [sign] | sign) digits]
bool has_real_structure(std::string_view text) {
  std::size_t i = 0;
  auto skip_digits = [&] {
    while (i < text.size() && is_digit(text[i])) {
      ++i;
    }
  };
  skip_digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    skip_digits();
  }
  if (i == text.size()) {
    return true;
  }
  if (is_exponent_letter(text[i]) || text[i] == 'q' || text[i] == 'Q') {
    ++i;
    if (i < text.size() && is_sign(text[i])) {
      ++i;
    }
  } else if (is_sign(text[i])) {
    ++i;
  } else {
    return false;
  }
  skip_digits();
  return i == text.size();
}

__extension__ typedef unsigned __int128 Mantissa;

// The mantissa as a double: exact below 2^53, larger ones lose their low
// bits by truncation rather than rounding.
double mantissa_to_double(Mantissa mantissa) {
  int bits = 0;
  for (Mantissa rest = mantissa; rest != 0; rest >>= 1) {
    ++bits;
  }
  if (bits > 53) {
    int drop = bits - 53;
    mantissa = (mantissa >> drop) << drop;
  }
  return static_cast<double>(mantissa);
}

double scale_by_ten(double value, std::int64_t exponent) {
  if (exponent >= 0) {
    return value * power_of_ten(
                       static_cast<int>(std::min<std::int64_t>(exponent, 309)));
  }
  if (exponent < -307) {
    // Two steps, so that values near the bottom of the range survive.
    std::int64_t first = -(exponent + 307);
    value /= power_of_ten(static_cast<int>(std::min<std::int64_t>(first, 309)));
    return value / power_of_ten(307);
  }
  return value / power_of_ten(static_cast<int>(-exponent));
}

}  // namespace

bool read_integer_field(std::string_view field, Base base, bool blank_zero,
                        std::int32_t& value) {
  CleanField cleaned;
  clean(field, blank_zero, cleaned);
  std::string_view text = cleaned.view();
  bool negative = false;
  if (base == Base::decimal && !text.empty() && is_sign(text[0])) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  auto radix = static_cast<std::uint32_t>(base);
  std::uint32_t magnitude = 0;
  for (char c : text) {
    auto digit = static_cast<std::uint32_t>(digit_value(c));
    if (digit >= radix) {
      return false;
    }
    magnitude = magnitude * radix + digit;
  }
  if (negative) {
    magnitude = 0u - magnitude;
  }
  value = static_cast<std::int32_t>(magnitude);
  return true;
}

float convert_real(std::string_view text, std::int32_t k) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && is_sign(text[i])) {
    negative = text[i] == '-';
    ++i;
  }
  // Digits stay exact while the mantissa is below this bound.
  const Mantissa bound = Mantissa{429496730} << 32;
  Mantissa mantissa = 0;
  std::int64_t exponent = 0;
  bool after_point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !after_point) {
      after_point = true;
      continue;
    }
    if (!is_digit(c)) {
      break;
    }
    if (mantissa < bound) {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      exponent -= after_point ? 1 : 0;
    } else if (!after_point) {
      ++exponent;
    }
  }
  bool has_exponent = false;
  if (i < text.size() && (is_exponent_letter(text[i]) || is_sign(text[i]))) {
    has_exponent = true;
    if (is_exponent_letter(text[i])) {
      ++i;
    }
    bool exponent_negative = false;
    if (i < text.size() && is_sign(text[i])) {
      exponent_negative = text[i] == '-';
      ++i;
    }
    std::int64_t written = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
      written = std::min<std::int64_t>(written * 10 + (text[i] - '0'), 100000);
    }
    exponent += exponent_negative ? -written : written;
  }
  if (!has_exponent) {
    exponent -= k;
  }
  double value = 0.0;
  if (mantissa != 0) {
    value = scale_by_ten(mantissa_to_double(mantissa), exponent);
  }
  return static_cast<float>(negative ? -value : value);
}

bool read_real_field(std::string_view field, std::int32_t d, std::int32_t k,
                     bool blank_zero, bool check_structure, float& value) {
  CleanField cleaned;
  clean(field, blank_zero, cleaned);
  std::string_view text = cleaned.view();
  bool negative = !text.empty() && text[0] == '-';
  std::string_view body = text.substr(!text.empty() && is_sign(text[0]));
  if (!body.empty() && is_inf_or_nan(body[0])) {
    float special = (body[0] == 'I' || body[0] == 'i')
                        ? std::numeric_limits<float>::infinity()
                        : std::numeric_limits<float>::quiet_NaN();
    value = negative ? -special : special;
    return true;
  }
  insert_point(cleaned, d);
  text = cleaned.view();
  body = text.substr(!text.empty() && is_sign(text[0]));
  if (check_structure ? !has_real_structure(body)
                      : !has_real_characters(body)) {
    return false;
  }
  value = convert_real(text, k);
  return true;
}

bool read_logical_field(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && is_blank(field[i])) {
    ++i;
  }
  if (i < field.size() && field[i] == '.') {
    ++i;
  }
  return i < field.size() && (field[i] == 'T' || field[i] == 't');
}

void read_character_field(std::string_view field, std::size_t w_total,
                          std::span<char> item) {
  std::size_t length = item.size();
  // The field counts as w_total characters: those present, then blanks.
  std::size_t from = w_total > length ? w_total - length : 0;
  for (std::size_t i = 0; i < length; ++i) {
    std::size_t at = from + i;
    item[i] = (i < w_total && at < field.size()) ? field[at] : ' ';
  }
}

namespace {

// The record side of a formatted read: the current record and its position.
class InputSide : public WalkSide {
 public:
  InputSide(RecordSource* source, int unit, std::string_view internal)
      : source_(source), unit_(unit), internal_(internal) {}

  bool read_first_record() { return next_record(); }

  void move(Op op, std::int32_t n) override {
    switch (op) {
      case Op::tab:
        position_ = n > 0 ? n - 1 : 0;
        break;
      case Op::tab_left:
        position_ -= n;
        break;
      default:
        position_ += n;
        break;
    }
    clamp();
  }
  // A literal on input only skips its length; the record is not compared.
  bool literal(std::string_view text) override {
    position_ += static_cast<std::int64_t>(text.size());
    clamp();
    return true;
  }
  bool end_record() override { return next_record(); }
  bool pass_without_data() override { return true; }
  void fail(std::string_view message) override {
    outcome_ = io::Outcome::failure(message, "READ", unit_);
  }

  // At most w characters from the position; numeric fields end at a comma,
  // and the next field starts after it.
  std::string_view take_field(std::int64_t w, bool cut_at_comma) {
    std::int64_t left = static_cast<std::int64_t>(record_.size()) - position_;
    std::int64_t n = std::max<std::int64_t>(0, std::min(w, left));
    std::string_view field = record_.substr(static_cast<std::size_t>(position_),
                                            static_cast<std::size_t>(n));
    position_ += n;
    if (cut_at_comma) {
      std::size_t comma = field.find(',');
      if (comma != std::string_view::npos) {
        position_ -= static_cast<std::int64_t>(field.size() - comma - 1);
        field = field.substr(0, comma);
      }
    }
    return field;
  }
  std::int32_t characters_left() const {
    return static_cast<std::int32_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(record_.size()) - position_, INT32_MAX));
  }

  io::Outcome& outcome() { return outcome_; }

 private:
  void clamp() {
    position_ = std::clamp<std::int64_t>(
        position_, 0, static_cast<std::int64_t>(record_.size()));
  }
  bool next_record() {
    position_ = 0;
    if (source_ == nullptr) {
      if (internal_used_) {
        record_ = {};
        outcome_ = io::Outcome::end_of_file("READ", unit_);
        return false;
      }
      internal_used_ = true;
      record_ = internal_;
      return true;
    }
    outcome_ = source_->read_record(buffer_);
    record_ = buffer_;
    return static_cast<bool>(outcome_);
  }

  RecordSource* source_;
  int unit_;
  std::string_view internal_;
  bool internal_used_ = false;
  std::string buffer_;
  std::string_view record_;
  std::int64_t position_ = 0;
  io::Outcome outcome_;
};

bool is_real_kind(DataKind kind) {
  switch (kind) {
    case DataKind::fixed:
    case DataKind::exponent:
    case DataKind::scientific:
    case DataKind::engineering:
    case DataKind::double_real:
    case DataKind::general:
    case DataKind::quad:
      return true;
    default:
      return false;
  }
}

Base base_of(DataKind kind) {
  switch (kind) {
    case DataKind::binary:
      return Base::binary;
    case DataKind::octal:
      return Base::octal;
    case DataKind::hex:
      return Base::hex;
    default:
      return Base::decimal;
  }
}

// A character item met by a numeric or logical descriptor takes the value's
// bytes, as the old programs that kept numbers in text variables expect.
bool character_length_fits(DataKind kind, std::size_t length) {
  if (is_real_kind(kind)) {
    return length == 4 || length == 8 || length == 12 || length == 16;
  }
  return length == 1 || length == 2 || length == 4 || length == 8 ||
         length == 12 || length == 16;
}

void store_bytes(const Item& item, const void* bytes) {
  auto* target = static_cast<char*>(item.address);
  std::size_t n = std::min<std::size_t>(item.length, 4);
  std::memcpy(target, bytes, n);
  if (item.length > 4) {
    std::memset(target + 4, 0, item.length - 4);
  }
}

void store_integer(const Item& item, std::int32_t value) {
  switch (item.kind) {
    case ItemKind::real: {
      float real = static_cast<float>(value);
      std::memcpy(item.address, &real, sizeof real);
      break;
    }
    case ItemKind::character:
      store_bytes(item, &value);
      break;
    default:
      std::memcpy(item.address, &value, sizeof value);
      break;
  }
}

void store_real(const Item& item, float value) {
  if (item.kind == ItemKind::character) {
    store_bytes(item, &value);
    return;
  }
  std::memcpy(item.address, &value, sizeof value);
}

// Reads one item under its descriptor. False ends the statement.
class FieldReader {
 public:
  FieldReader(InputSide& side, const Walk& walk, bool check_structure)
      : side_(side), walk_(walk), check_structure_(check_structure) {}

  bool read(const Descriptor& descriptor, const Item& item) {
    if (!pairs(descriptor.kind, item)) {
      side_.fail(k_type_mismatch);
      return false;
    }
    switch (descriptor.kind) {
      case DataKind::character:
        read_character(descriptor, item);
        return true;
      case DataKind::logical:
        store_integer(
            item,
            read_logical_field(side_.take_field(descriptor.w, false)) ? 1 : 0);
        return true;
      case DataKind::count:
        store_integer(item, side_.characters_left());
        return true;
      case DataKind::integer:
      case DataKind::binary:
      case DataKind::octal:
      case DataKind::hex:
        return read_integer(descriptor, item);
      default:
        return read_real(descriptor, item);
    }
  }

 private:
  static bool pairs(DataKind kind, const Item& item) {
    switch (item.kind) {
      case ItemKind::character:
        return kind == DataKind::character ||
               character_length_fits(kind, item.length);
      case ItemKind::real:
        return kind != DataKind::character && kind != DataKind::logical &&
               kind != DataKind::count;
      default:
        return kind != DataKind::character && !is_real_kind(kind);
    }
  }

  // A width written as 0 reads as many characters as the item has bytes.
  static std::int64_t numeric_width(const Descriptor& descriptor,
                                    const Item& item) {
    if (descriptor.has_width && descriptor.w == 0) {
      return static_cast<std::int64_t>(item.length);
    }
    return descriptor.w;
  }

  void read_character(const Descriptor& descriptor, const Item& item) {
    std::string_view field = side_.take_field(descriptor.w, false);
    read_character_field(field, static_cast<std::size_t>(descriptor.w),
                         {static_cast<char*>(item.address), item.length});
  }

  bool read_integer(const Descriptor& descriptor, const Item& item) {
    std::string_view field =
        side_.take_field(numeric_width(descriptor, item), true);
    std::int32_t value = 0;
    if (!read_integer_field(field, base_of(descriptor.kind), walk_.blank_zero(),
                            value)) {
      side_.fail(k_illegal_character);
      return false;
    }
    store_integer(item, value);
    return true;
  }

  bool read_real(const Descriptor& descriptor, const Item& item) {
    std::string_view field =
        side_.take_field(numeric_width(descriptor, item), true);
    float value = 0.0f;
    if (!read_real_field(field, descriptor.d, walk_.scale_factor(),
                         walk_.blank_zero(), check_structure_, value)) {
      side_.fail(k_illegal_character);
      return false;
    }
    store_real(item, value);
    return true;
  }

  InputSide& side_;
  const Walk& walk_;
  bool check_structure_;
};

}  // namespace

io::Outcome read_with_format(RecordSource* source, int unit,
                             std::string_view internal_record,
                             const FormatList& list,
                             std::span<const Item> items,
                             bool check_structure) {
  InputSide side(source, unit, internal_record);
  if (!side.read_first_record()) {
    return std::move(side.outcome());
  }
  Walk walk(list, side);
  FieldReader reader(side, walk, check_structure);
  for (const Item& item : items) {
    Descriptor descriptor;
    if (!walk.next_data_descriptor(item.kind, item.length, descriptor) ||
        !reader.read(descriptor, item)) {
      return std::move(side.outcome());
    }
  }
  if (!walk.finish_statement()) {
    return std::move(side.outcome());
  }
  // The rest of the record is dropped: the next read takes the next record.
  return io::Outcome::completed();
}

}  // namespace format
