// What every file, record and format operation ends in: completed, the end
// of a file, or a failure that carries a fixed text or an error number, with
// the statement word and unit that a failure report shows.
#pragma once

#include <string>
#include <string_view>

namespace io {

// The default unit "*": the console.
inline constexpr int k_console_unit = -1;
// A read from a character variable rather than from a unit.
inline constexpr int k_internal_unit = -2;

inline constexpr std::string_view k_bad_file_specification =
    "Bad file specification";
inline constexpr std::string_view k_new_file_exists =
    "Status 'NEW' specified for an existing file";
inline constexpr std::string_view k_read_past_end =
    "Attempt to read past end of file";
inline constexpr std::string_view k_not_open_for_write =
    "File not open for write";
inline constexpr std::string_view k_buffer_allocation_failed =
    "Buffer allocation failed";
// The program never reads or writes a unit it has not opened.
inline constexpr std::string_view k_unit_not_connected = "Unit not connected";

struct [[nodiscard]] Outcome {
  enum class Kind { completed, end_of_file, failed };

  Kind kind = Kind::completed;
  std::string message;   // a fixed run-time text; empty for a system failure
  int system_error = 0;  // the errno of a system failure, else 0
  // A missing file whose directory is missing too: some flavours name the
  // path rather than the file in the report.
  bool path_missing = false;
  std::string statement;  // "OPEN", "CLOSE", "REWIND", "BACKSPACE", ...
  int unit = k_console_unit;

  explicit operator bool() const { return kind == Kind::completed; }
  bool is_end_of_file() const { return kind == Kind::end_of_file; }
  bool is_failure() const { return kind == Kind::failed; }
  bool is_system_failure() const { return is_failure() && system_error != 0; }

  static Outcome completed() { return {}; }
  static Outcome end_of_file(std::string_view statement, int unit);
  static Outcome failure(std::string_view message, std::string_view statement,
                         int unit);
  static Outcome system_failure(int error, std::string_view statement, int unit,
                                bool path_missing = false);
};

}  // namespace io
