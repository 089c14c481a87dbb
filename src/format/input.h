// Input editing: turning the characters of one field into a value, and the
// formatted read that takes fields from records under a format walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "format/items.h"
#include "format/records.h"
#include "format/translate.h"
#include "io/outcome.h"

namespace format {

// The number bases of I, B, O and Z.
enum class Base { decimal = 10, binary = 2, octal = 8, hex = 16 };

// I, B, O, Z: false when the field holds an illegal character. Values beyond
// 32 bits keep their low 32 bits.
bool read_integer_field(std::string_view field, Base base, bool blank_zero,
                        std::int32_t& value);

// F, E, ES, EN, D, G, Q(w.d): d digits for the implied point, scale factor k.
// check_structure: the field must have the shape of a number, not only its
// characters. False when the field breaks the check.
bool read_real_field(std::string_view field, std::int32_t d, std::int32_t k,
                     bool blank_zero, bool check_structure, float& value);

// The conversion of a checked text: [sign] mantissa [exponent]. It stops at
// the first character that cannot continue the number.
float convert_real(std::string_view text, std::int32_t k);

// L: true when, after blanks and one optional ".", the field starts with T.
bool read_logical_field(std::string_view field);

// A: the field as read (w_total characters, of which field holds the ones
// the record had) into an item of item.size() characters.
void read_character_field(std::string_view field, std::size_t w_total,
                          std::span<char> item);

// A formatted read from a source, or from one internal record when source
// is null. Failures name the unit given.
io::Outcome read_with_format(RecordSource* source, int unit,
                             std::string_view internal_record,
                             const FormatList& list,
                             std::span<const Item> items, bool check_structure);

}  // namespace format
