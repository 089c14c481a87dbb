// The items of a read or write statement: references to the caller's
// variables (read) or their values (write). An array is passed as its
// elements, one item each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace format {

enum class ItemKind { integer, real, logical, character };

// A variable that a read fills. A logical is stored as 1 (true) or 0.
struct Item {
  ItemKind kind;
  void* address;       // std::int32_t*, float*, std::int32_t*, char*
  std::size_t length;  // bytes: 4 for numeric items, the characters else
};

inline Item integer_item(std::int32_t& v) { return {ItemKind::integer, &v, 4}; }
inline Item real_item(float& v) { return {ItemKind::real, &v, 4}; }
inline Item logical_item(std::int32_t& v) { return {ItemKind::logical, &v, 4}; }
inline Item character_item(std::span<char> text) {
  return {ItemKind::character, text.data(), text.size()};
}

// A value that a write puts into its record.
struct Value {
  ItemKind kind;
  std::int32_t integer = 0;  // integer and logical
  float real = 0.0f;
  std::string_view text;  // character
};

inline Value integer_value(std::int32_t v) {
  return {ItemKind::integer, v, 0.0f, {}};
}
inline Value real_value(float v) { return {ItemKind::real, 0, v, {}}; }
inline Value text_value(std::string_view v) {
  return {ItemKind::character, 0, 0.0f, v};
}

}  // namespace format
