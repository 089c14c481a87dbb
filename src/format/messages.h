// The fixed texts with which a format statement fails.
#pragma once

#include <string_view>

#include "io/outcome.h"

namespace format {

inline constexpr std::string_view k_missing_opening =
    "Format string missing opening (";
inline constexpr std::string_view k_unmatched_parens =
    "Format string has unmatched parens";
inline constexpr std::string_view k_unmatched_quotes =
    "Format string has unmatched quotes";
inline constexpr std::string_view k_hollerith_too_long =
    "Hollerith count exceeds remaining format string";
inline constexpr std::string_view k_illegal_repeat = "Illegal repeat count";
inline constexpr std::string_view k_non_repeatable =
    "Non-repeatable format descriptor";
inline constexpr std::string_view k_format_error = "Error in format string";
// The same failure as a unit's: one text for both layers.
inline constexpr std::string_view k_buffer_allocation =
    io::k_buffer_allocation_failed;
inline constexpr std::string_view k_group_overflow =
    "Format group table overflow";
inline constexpr std::string_view k_illegal_character =
    "Illegal character in numeric input";
inline constexpr std::string_view k_type_mismatch =
    "Variable type or size does not match edit descriptor";

}  // namespace format
