// A format text translated into a flat list of items that the walk steps
// through by index; groups know their partners so that a close can jump back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace format {

enum class Op : std::uint8_t {
  data,         // a data edit descriptor
  skip,         // nX
  tab,          // Tn
  tab_left,     // TLn
  tab_right,    // TRn
  record_end,   // r/
  literal,      // 'text', "text", nHtext
  scale,        // kP
  sign_plain,   // S, SS
  sign_plus,    // SP
  blank_null,   // BN
  blank_zero,   // BZ
  list_stop,    // :
  keep_open,    // $ or backslash
  group_open,   // r(
  group_close,  // )
  end,          // the format's own closing parenthesis
};

enum class DataKind : std::uint8_t {
  integer,      // I
  binary,       // B
  octal,        // O
  hex,          // Z
  fixed,        // F
  exponent,     // E
  scientific,   // ES
  engineering,  // EN
  double_real,  // D
  general,      // G
  character,    // A
  logical,      // L
  count,        // Q without width: the characters left in the record
  quad,         // Qw.d
};

struct FormatItem {
  Op op = Op::end;
  DataKind kind = DataKind::integer;
  bool has_width = false;   // data: a width was written
  bool has_digits = false;  // data: ".d" or ".m" was written
  // data, record_end, group_open: the repeat count.
  std::int32_t repeat = 1;
  // data: w; skip and tabs: n; scale: k; literal: offset into the literals.
  std::int32_t width = 0;
  std::int32_t digits = 0;    // d, or m for I, B, O, Z
  std::int32_t exponent = 2;  // e
  // literal: length; group_open: index of its close; group_close: index of
  // its open.
  std::int32_t extra = 0;
};

struct FormatList {
  std::vector<FormatItem> items;  // always ends with an Op::end item
  std::string literals;           // the characters of every literal

  std::string_view literal_text(const FormatItem& item) const {
    return std::string_view(literals).substr(
        static_cast<std::size_t>(item.width),
        static_cast<std::size_t>(item.extra));
  }
};

// Translates text into list. Returns the failure message, or an empty view
// when the text is a valid format.
std::string_view translate_format(std::string_view text, FormatList& list);

}  // namespace format
