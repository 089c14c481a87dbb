// The format interpreter on arbitrary bytes: a format text, records to read
// under it, and values to write under it.
//
// Input layout: byte 0 picks the flavour (bit 0: the real-field structure
// check) and the number of items (bits 1-4); byte 1 is the length of the
// format text (at most 64 bytes are used); the format text follows; the rest
// is records separated by LF, which also seed the values written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "format/input.h"
#include "format/list_input.h"
#include "format/output.h"
#include "format/records.h"
#include "format/statements.h"
#include "format/translate.h"
#include "format/walk.h"

namespace {

constexpr std::size_t k_max_format = 64;

class Lines : public format::RecordSource {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  io::Outcome read_record(std::string& record) override {
    if (next_ > text_.size()) {
      record.clear();
      return io::Outcome::end_of_file("READ", 18);
    }
    std::size_t end = text_.find('\n', next_);
    if (end == std::string_view::npos) {
      end = text_.size();
    }
    record.assign(text_.substr(next_, end - next_));
    next_ = end + 1;
    return io::Outcome::completed();
  }

 private:
  std::string_view text_;
  std::size_t next_ = 0;
};

class Discard : public format::RecordSink {
 public:
  io::Outcome write_record(std::string_view record, bool) override {
    bytes_ += record.size();
    return io::Outcome::completed();
  }

 private:
  std::size_t bytes_ = 0;
};

// The variables a statement fills, one of each kind in turn.
struct Variables {
  std::int32_t integers[16] = {};
  float reals[16] = {};
  std::int32_t logicals[16] = {};
  char texts[16][9] = {};
  std::vector<format::Item> items;

  explicit Variables(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      switch (i % 5) {
        case 0:
          items.push_back(format::integer_item(integers[i]));
          break;
        case 1:
        case 3:
          items.push_back(format::real_item(reals[i]));
          break;
        case 2:
          items.push_back(format::character_item({texts[i], 1 + i % 8}));
          break;
        default:
          items.push_back(format::logical_item(logicals[i]));
          break;
      }
    }
  }
};

std::vector<format::Value> values_from(std::string_view seed,
                                       std::size_t count) {
  std::vector<format::Value> values;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t bits = 0;
    for (std::size_t b = 0; b < 4 && 4 * i + b < seed.size(); ++b) {
      bits |= static_cast<std::uint32_t>(
                  static_cast<unsigned char>(seed[4 * i + b]))
              << (8 * b);
    }
    float real = 0.0f;
    std::memcpy(&real, &bits, sizeof real);
    switch (i % 4) {
      case 0:
        values.push_back(
            format::integer_value(static_cast<std::int32_t>(bits)));
        break;
      case 1:
      case 3:
        values.push_back(format::real_value(real));
        break;
      default:
        values.push_back(format::text_value(seed.substr(0, i % 9)));
        break;
    }
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 2) {
    return 0;
  }
  // Keep arbitrary formats quick: bound the loops and the record lengths.
  format::walk_limits().max_steps = 1 << 16;
  format::walk_limits().max_record_length = 1 << 16;
  bool check_structure = (data[0] & 1) != 0;
  std::size_t count = (data[0] >> 1) & 15;
  std::size_t format_length = data[1];
  if (format_length > k_max_format) {
    format_length = k_max_format;
  }
  std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::string_view text = bytes.substr(0, format_length);
  std::string_view records = bytes.substr(text.size());

  format::FormatList list;
  if (!format::translate_format(text, list).empty()) {
    return 0;
  }
  {
    Variables variables(count);
    Lines lines(records);
    (void)format::read_with_format(&lines, 18, {}, list, variables.items,
                                   check_structure);
  }
  {
    Variables variables(count);
    (void)format::read_formatted(records.substr(0, records.find('\n')), text,
                                 variables.items,
                                 format::Settings{check_structure});
  }
  {
    Variables variables(count);
    Lines lines(records);
    (void)format::read_list(lines, 18, variables.items, check_structure);
  }
  {
    Discard sink;
    std::vector<format::Value> values = values_from(records, count);
    (void)format::write_with_format(sink, 19, list, values);
  }
  return 0;
}
