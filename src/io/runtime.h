// The unit table and the console: numbered units connected to text files,
// whole-line records, positioning, and the two ways a run ends.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "io/outcome.h"
#include "io/settings.h"

namespace io {

// Thrown by report_failure and stop_run; only the program's run() catches
// it, so nothing below calls exit and a test can inspect how a run ended.
struct RunEnd {
  int status;
};

class Unit;

class Runtime {
 public:
  Runtime(const Settings& settings, std::istream& console_in,
          std::ostream& console_out, std::ostream& error_stream);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  const Settings& settings() const { return settings_; }

  // status: "OLD", "NEW" or "UNKNOWN" (empty means "UNKNOWN"); action:
  // "READ" or empty. Both compare without case, trailing blanks removed.
  Outcome open_unit(int unit, std::string_view name,
                    std::string_view status = "UNKNOWN",
                    std::string_view action = "");
  Outcome close_unit(int unit);
  Outcome rewind_unit(int unit);
  Outcome backspace_unit(int unit);
  Outcome close_all_units();
  bool is_connected(int unit) const;

  // The record is the line without its terminator; end of file leaves
  // record empty. k_console_unit reads a line of the console input.
  Outcome read_record(int unit, std::string& record);
  Outcome write_record(int unit, std::string_view record, bool keep_open);

  // Close every unit, write the three-line report to the error stream, wait
  // for RETURN where the flavour asks for it, and end the run with -1.
  [[noreturn]] void report_failure(const Outcome& outcome);
  // End the run: the message (unless empty or a single blank) goes to the
  // error stream, every unit is closed, and the run ends with status.
  [[noreturn]] void stop_run(std::string_view message, int status = 0);

 private:
  Outcome read_console_record(std::string& record);
  Outcome write_console_record(std::string_view record, bool keep_open);
  Unit* find(int unit);

  Settings settings_;
  std::istream& console_in_;
  std::ostream& console_out_;
  std::ostream& error_stream_;
  std::map<int, std::unique_ptr<Unit>> units_;
};

// The three lines of a failure report, each ended by LF.
std::string failure_report_text(const Outcome& outcome, SystemTexts texts);

}  // namespace io
