// Records on strings for the statement tests: a source that hands out a
// list of lines, and a sink that keeps each record with its keep-open flag.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "format/records.h"
#include "io/outcome.h"

namespace format::testing {

class LineSource : public RecordSource {
 public:
  explicit LineSource(std::vector<std::string> lines)
      : lines_(std::move(lines)) {}
  io::Outcome read_record(std::string& record) override {
    if (next_ >= lines_.size()) {
      record.clear();
      return io::Outcome::end_of_file("READ", 18);
    }
    record = lines_[next_++];
    return io::Outcome::completed();
  }
  std::size_t lines_read() const { return next_; }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
};

// Each record as its text, followed by "$" when it was kept open, else "\n".
class TextSink : public RecordSink {
 public:
  io::Outcome write_record(std::string_view record, bool keep_open) override {
    text.append(record);
    text.append(keep_open ? "$" : "\n");
    return io::Outcome::completed();
  }
  std::string text;
};

}  // namespace format::testing
