#include "io/outcome.h"

namespace io {

Outcome Outcome::end_of_file(std::string_view statement, int unit) {
  Outcome outcome;
  outcome.kind = Kind::end_of_file;
  // The text a report shows when nobody handles the end of the file.
  outcome.message = k_read_past_end;
  outcome.statement = statement;
  outcome.unit = unit;
  return outcome;
}

Outcome Outcome::failure(std::string_view message, std::string_view statement,
                         int unit) {
  Outcome outcome;
  outcome.kind = Kind::failed;
  outcome.message = message;
  outcome.statement = statement;
  outcome.unit = unit;
  return outcome;
}

Outcome Outcome::system_failure(int error, std::string_view statement, int unit,
                                bool path_missing) {
  Outcome outcome;
  outcome.kind = Kind::failed;
  outcome.system_error = error;
  outcome.path_missing = path_missing;
  outcome.statement = statement;
  outcome.unit = unit;
  return outcome;
}

}  // namespace io
