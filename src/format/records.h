// Where a statement takes its records from and hands them to: a unit of the
// runtime in the program, a list of strings in a test.
#pragma once

#include <string>
#include <string_view>

#include "io/outcome.h"
#include "io/runtime.h"

namespace format {

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  virtual io::Outcome read_record(std::string& record) = 0;
};

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual io::Outcome write_record(std::string_view record, bool keep_open) = 0;
};

class UnitRecords : public RecordSource, public RecordSink {
 public:
  UnitRecords(io::Runtime& runtime, int unit)
      : runtime_(runtime), unit_(unit) {}
  io::Outcome read_record(std::string& record) override {
    return runtime_.read_record(unit_, record);
  }
  io::Outcome write_record(std::string_view record, bool keep_open) override {
    return runtime_.write_record(unit_, record, keep_open);
  }

 private:
  io::Runtime& runtime_;
  int unit_;
};

}  // namespace format
