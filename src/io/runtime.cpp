#include "io/runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <vector>

namespace io {
namespace {

constexpr std::size_t k_block_size = 64 * 1024;
constexpr std::size_t k_max_record_length = INT32_MAX;

std::string_view trim_blanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Status and action words compare without case, trailing blanks removed.
std::string keyword(std::string_view text) {
  const auto last = text.find_last_not_of(' ');
  text = last == std::string_view::npos ? std::string_view{}
                                        : text.substr(0, last + 1);
  std::string word(text);
  for (char& c : word) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return word;
}

// A missing file whose directory is missing as well.
bool parent_missing(const std::string& name) {
  const auto slash = name.find_last_of('/');
  if (slash == std::string::npos || slash == 0) {
    return false;
  }
  struct stat info {};
  return ::stat(name.substr(0, slash).c_str(), &info) != 0;
}

std::string unit_text(int unit) {
  if (unit == k_console_unit) {
    return "*";
  }
  if (unit == k_internal_unit) {
    return "INTERNAL";
  }
  return std::to_string(unit);
}

std::string system_text(const Outcome& outcome, SystemTexts texts) {
  const int error = outcome.system_error;
  if (texts == SystemTexts::fixed_table) {
    switch (error) {
      case ENOENT:
        return outcome.path_missing
                   ? "The system cannot find the path specified."
                   : "The system cannot find the file specified.";
      case ENOTDIR:
        return "The system cannot find the path specified.";
      case EACCES:
      case EPERM:
      case EISDIR:
        return "Access Denied.";
      case ENOSPC:
        return "There is not enough space on the disk.";
      default:
        break;
    }
  }
  return std::strerror(error);
}

// Appends the bytes of one line to a record: every CR is dropped and a TAB
// becomes blanks up to the next multiple of the tab interval (at least one).
void append_line_bytes(std::string& record, const char* bytes, std::size_t size,
                       int tab_size) {
  const char* end = bytes + size;
  while (bytes < end) {
    const char* plain = bytes;
    while (plain < end && *plain != '\r' && (*plain != '\t' || tab_size == 0)) {
      ++plain;
    }
    record.append(bytes, plain);
    if (plain == end) {
      break;
    }
    if (*plain == '\t') {
      const std::size_t interval = static_cast<std::size_t>(tab_size);
      record.append(interval - record.size() % interval, ' ');
    }
    bytes = plain + 1;
  }
}

}  // namespace

// One connected file. Its position is a byte offset in the file; input is
// held in one block, output is held until a block fills or the unit is
// closed, rewound or stepped back.
class Unit {
 public:
  Unit(int number, std::string name, int fd, bool read_only, bool regular)
      : number_(number),
        name_(std::move(name)),
        fd_(fd),
        read_only_(read_only),
        regular_(regular) {}
  ~Unit() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }

  Outcome read_record(std::string& record, int tab_size);
  Outcome write_record(std::string_view record, bool keep_open,
                       const Settings& settings);
  bool read_only() const { return read_only_; }
  Outcome rewind();
  Outcome backspace();
  Outcome close();

 private:
  Outcome flush(std::string_view statement);
  bool fill_input(int& error);
  void drop_input();
  std::optional<off_t> find_record_start(off_t end, int& error);
  ssize_t read_at(char* buffer, std::size_t size, off_t offset);

  int number_;
  std::string name_;
  int fd_;
  bool read_only_;
  bool regular_;

  // Input held: the bytes of the file from input_offset_ on.
  std::vector<char> input_;
  std::size_t input_used_ = 0;
  off_t input_offset_ = 0;
  off_t position_ = 0;  // the offset of the next byte to read or write
  long records_read_ = 0;
  bool at_end_ = false;  // the last read met the end of the file

  std::string output_;
  off_t output_offset_ = 0;
  bool cut_on_write_ = true;
};

ssize_t Unit::read_at(char* buffer, std::size_t size, off_t offset) {
  ssize_t got;
  do {
    got = regular_ ? ::pread(fd_, buffer, size, offset)
                   : ::read(fd_, buffer, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

void Unit::drop_input() {
  input_.clear();
  input_used_ = 0;
  input_offset_ = position_;
}

// Reads the next block after the input held; false at the end of the file
// or on an error (error then holds its number).
bool Unit::fill_input(int& error) {
  const off_t next = input_offset_ + static_cast<off_t>(input_.size());
  input_.erase(input_.begin(),
               input_.begin() + static_cast<std::ptrdiff_t>(input_used_));
  input_offset_ += static_cast<off_t>(input_used_);
  input_used_ = 0;
  const std::size_t old_size = input_.size();
  input_.resize(old_size + k_block_size);
  const ssize_t got = read_at(input_.data() + old_size, k_block_size, next);
  if (got <= 0) {
    input_.resize(old_size);
    error = got < 0 ? errno : 0;
    return false;
  }
  input_.resize(old_size + static_cast<std::size_t>(got));
  return true;
}

Outcome Unit::read_record(std::string& record, int tab_size) {
  record.clear();
  if (Outcome flushed = flush("READ"); !flushed) {
    return flushed;
  }
  if (at_end_) {
    return Outcome::end_of_file("READ", number_);
  }
  if (input_.empty()) {
    input_offset_ = position_;
  }
  bool collected = false;
  for (;;) {
    const char* begin = input_.data() + input_used_;
    const std::size_t available = input_.size() - input_used_;
    const void* found =
        available ? std::memchr(begin, '\n', available) : nullptr;
    const std::size_t length =
        found
            ? static_cast<std::size_t>(static_cast<const char*>(found) - begin)
            : available;
    try {
      append_line_bytes(record, begin, length, tab_size);
    } catch (const std::bad_alloc&) {
      return Outcome::failure(k_buffer_allocation_failed, "READ", number_);
    }
    if (record.size() > k_max_record_length) {
      return Outcome::failure(k_buffer_allocation_failed, "READ", number_);
    }
    collected = collected || length > 0;
    input_used_ += found ? length + 1 : length;
    position_ = input_offset_ + static_cast<off_t>(input_used_);
    if (found) {
      break;
    }
    int error = 0;
    if (!fill_input(error)) {
      if (error != 0) {
        return Outcome::system_failure(error, "READ", number_);
      }
      if (!collected) {
        at_end_ = true;
        return Outcome::end_of_file("READ", number_);
      }
      // A last line without a line end is still a record.
      break;
    }
  }
  ++records_read_;
  return Outcome::completed();
}

Outcome Unit::write_record(std::string_view record, bool keep_open,
                           const Settings& settings) {
  if (read_only_) {
    return Outcome::failure(k_not_open_for_write, "WRITE", number_);
  }
  if (output_.empty()) {
    drop_input();
    output_offset_ = position_;
  }
  try {
    if (settings.drop_cr_on_write) {
      std::remove_copy(record.begin(), record.end(),
                       std::back_inserter(output_), '\r');
    } else {
      output_.append(record);
    }
    if (!keep_open) {
      output_.append(settings.line_end == LineEnd::crlf ? "\r\n" : "\n");
    }
  } catch (const std::bad_alloc&) {
    return Outcome::failure(k_buffer_allocation_failed, "WRITE", number_);
  }
  position_ = output_offset_ + static_cast<off_t>(output_.size());
  at_end_ = false;
  if (output_.size() >= k_block_size) {
    return flush("WRITE");
  }
  return Outcome::completed();
}

// Hands the output held to the file. The first data after the cut-on-write
// flag was set also cuts the file there, so the file ends exactly with what
// was written since the open or the rewind. On a failure the output held is
// dropped: it is reported once, by the statement that met it.
Outcome Unit::flush(std::string_view statement) {
  std::size_t done = 0;
  while (done < output_.size()) {
    const std::size_t size = output_.size() - done;
    const off_t offset = output_offset_ + static_cast<off_t>(done);
    const ssize_t put = regular_
                            ? ::pwrite(fd_, output_.data() + done, size, offset)
                            : ::write(fd_, output_.data() + done, size);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      const int error = put < 0 ? errno : EIO;
      output_.clear();
      return Outcome::system_failure(error, statement, number_);
    }
    done += static_cast<std::size_t>(put);
  }
  output_offset_ += static_cast<off_t>(done);
  output_.clear();
  if (done > 0 && cut_on_write_) {
    cut_on_write_ = false;
    if (regular_ && ::ftruncate(fd_, output_offset_) != 0) {
      return Outcome::system_failure(errno, statement, number_);
    }
  }
  return Outcome::completed();
}

Outcome Unit::rewind() {
  Outcome flushed = flush("REWIND");
  position_ = 0;
  drop_input();
  records_read_ = 0;
  at_end_ = false;
  cut_on_write_ = true;
  if (!regular_) {
    ::lseek(fd_, 0, SEEK_SET);
  }
  return flushed;
}

// The start of the record that ends just before end: after the LF that ends
// the record before it, or the start of the file.
std::optional<off_t> Unit::find_record_start(off_t end, int& error) {
  std::vector<char> block(4096);
  while (end > 0) {
    const off_t from =
        std::max<off_t>(0, end - static_cast<off_t>(block.size()));
    const std::size_t size = static_cast<std::size_t>(end - from);
    const ssize_t got = ::pread(fd_, block.data(), size, from);
    if (got != static_cast<ssize_t>(size)) {
      error = got < 0 ? errno : EIO;
      return std::nullopt;
    }
    for (std::size_t i = size; i > 0; --i) {
      if (block[i - 1] == '\n') {
        return from + static_cast<off_t>(i);
      }
    }
    end = from;
  }
  return 0;
}

Outcome Unit::backspace() {
  Outcome flushed = flush("BACKSPACE");
  cut_on_write_ = true;
  if (!flushed) {
    return flushed;
  }
  if (at_end_) {
    // Stays after the last complete record: the next read meets the end.
    at_end_ = false;
    return Outcome::completed();
  }
  if (records_read_ == 0 || !regular_) {
    return Outcome::completed();
  }
  off_t end = position_;
  char last = 0;
  if (end > 0 && ::pread(fd_, &last, 1, end - 1) == 1 && last == '\n') {
    --end;
  }
  int error = 0;
  const std::optional<off_t> start = find_record_start(end, error);
  if (!start) {
    return Outcome::system_failure(error, "BACKSPACE", number_);
  }
  position_ = *start;
  drop_input();
  --records_read_;
  return Outcome::completed();
}

Outcome Unit::close() {
  Outcome flushed = flush("CLOSE");
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && flushed) {
    return Outcome::system_failure(errno, "CLOSE", number_);
  }
  return flushed;
}

Runtime::Runtime(const Settings& settings, std::istream& console_in,
                 std::ostream& console_out, std::ostream& error_stream)
    : settings_(settings),
      console_in_(console_in),
      console_out_(console_out),
      error_stream_(error_stream) {}

Runtime::~Runtime() { (void)close_all_units(); }

Unit* Runtime::find(int unit) {
  const auto it = units_.find(unit);
  return it == units_.end() ? nullptr : it->second.get();
}

bool Runtime::is_connected(int unit) const { return units_.count(unit) != 0; }

Outcome Runtime::open_unit(int unit, std::string_view name,
                           std::string_view status, std::string_view action) {
  const std::string file(trim_blanks(name));
  if (file.empty()) {
    return Outcome::failure(k_bad_file_specification, "OPEN", unit);
  }
  if (find(unit) != nullptr) {
    if (Outcome closed = close_unit(unit); !closed) {
      return closed;
    }
  }
  std::string status_word = keyword(status);
  if (status_word.empty()) {
    status_word = "UNKNOWN";
  }
  const std::string action_word = keyword(action);
  if ((status_word != "OLD" && status_word != "NEW" &&
       status_word != "UNKNOWN") ||
      (!action_word.empty() && action_word != "READ")) {
    return Outcome::failure("Illegal OPEN specifier", "OPEN", unit);
  }
  const bool read_only = action_word == "READ";
  struct stat info {};
  const bool exists = ::stat(file.c_str(), &info) == 0;
  if (status_word == "NEW" && exists) {
    return Outcome::failure(k_new_file_exists, "OPEN", unit);
  }
  int flags = (read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  const bool create = status_word != "OLD" && !exists;
  if (create) {
    flags |= O_CREAT | O_EXCL;
  }
  const mode_t mode = settings_.permissions_from_umask ? 0664 : 0666;
  int fd;
  do {
    fd = ::open(file.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int error = errno;
    return Outcome::system_failure(error, "OPEN", unit,
                                   error == ENOENT && parent_missing(file));
  }
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    return Outcome::system_failure(error, "OPEN", unit);
  }
  if (create && settings_.permissions_from_umask && settings_.umask_bits &&
      ::fchmod(fd, static_cast<mode_t>(*settings_.umask_bits)) != 0) {
    const int error = errno;
    ::close(fd);
    return Outcome::system_failure(error, "OPEN", unit);
  }
  try {
    units_[unit] = std::make_unique<Unit>(unit, file, fd, read_only,
                                          S_ISREG(info.st_mode));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return Outcome::failure(k_buffer_allocation_failed, "OPEN", unit);
  }
  return Outcome::completed();
}

Outcome Runtime::close_unit(int unit) {
  const auto it = units_.find(unit);
  if (it == units_.end()) {
    return Outcome::completed();
  }
  Outcome closed = it->second->close();
  units_.erase(it);
  return closed;
}

Outcome Runtime::close_all_units() {
  Outcome first;
  while (!units_.empty()) {
    Outcome closed = close_unit(units_.begin()->first);
    if (first && !closed) {
      first = std::move(closed);
    }
  }
  return first;
}

Outcome Runtime::rewind_unit(int unit) {
  Unit* connected = find(unit);
  return connected ? connected->rewind() : Outcome::completed();
}

Outcome Runtime::backspace_unit(int unit) {
  Unit* connected = find(unit);
  return connected ? connected->backspace() : Outcome::completed();
}

Outcome Runtime::read_record(int unit, std::string& record) {
  if (unit == k_console_unit) {
    return read_console_record(record);
  }
  Unit* connected = find(unit);
  if (connected == nullptr) {
    record.clear();
    return Outcome::failure(k_unit_not_connected, "READ", unit);
  }
  return connected->read_record(record, settings_.tab_size);
}

Outcome Runtime::write_record(int unit, std::string_view record,
                              bool keep_open) {
  if (unit == k_console_unit) {
    return write_console_record(record, keep_open);
  }
  Unit* connected = find(unit);
  if (connected == nullptr) {
    return Outcome::failure(k_unit_not_connected, "WRITE", unit);
  }
  return connected->write_record(record, keep_open, settings_);
}

Outcome Runtime::read_console_record(std::string& record) {
  record.clear();
  console_out_.flush();
  std::string line;
  if (!std::getline(console_in_, line)) {
    // Nothing was extracted: the console input is at its end.
    return Outcome::end_of_file("READ", k_console_unit);
  }
  try {
    append_line_bytes(record, line.data(), line.size(), settings_.tab_size);
  } catch (const std::bad_alloc&) {
    return Outcome::failure(k_buffer_allocation_failed, "READ", k_console_unit);
  }
  return Outcome::completed();
}

// Each console record, a kept-open prompt included, reaches the terminal at
// once: the user must see a prompt before the program waits for the answer.
Outcome Runtime::write_console_record(std::string_view record, bool keep_open) {
  if (settings_.drop_cr_on_write) {
    for (char c : record) {
      if (c != '\r') {
        console_out_.put(c);
      }
    }
  } else {
    console_out_.write(record.data(),
                       static_cast<std::streamsize>(record.size()));
  }
  if (!keep_open) {
    console_out_ << (settings_.line_end == LineEnd::crlf ? "\r\n" : "\n");
  }
  console_out_.flush();
  if (!console_out_) {
    return Outcome::system_failure(errno != 0 ? errno : EIO, "WRITE",
                                   k_console_unit);
  }
  return Outcome::completed();
}

std::string failure_report_text(const Outcome& outcome, SystemTexts texts) {
  const bool system = outcome.is_system_failure();
  std::string report = "? ";
  report += system ? "System Error:" : "FORTRAN Runtime Error:";
  report += "\n? ";
  report += system ? system_text(outcome, texts) : outcome.message;
  report += "\n? ";
  report += outcome.statement;
  report += "(UNIT=" + unit_text(outcome.unit) + ",...\n";
  return report;
}

void Runtime::report_failure(const Outcome& outcome) {
  // Every file is complete on disk before the report and before any wait.
  (void)close_all_units();
  console_out_.flush();
  error_stream_ << failure_report_text(outcome, settings_.system_texts);
  error_stream_.flush();
  if (settings_.wait_after_failure) {
    console_out_ << "Press RETURN to quit the program.";
    console_out_.flush();
    std::string line;
    std::getline(console_in_, line);
  }
  throw RunEnd{-1};
}

void Runtime::stop_run(std::string_view message, int status) {
  console_out_.flush();
  if (message.size() >= 2 || (message.size() == 1 && message[0] != ' ')) {
    error_stream_ << message << '\n';
    error_stream_.flush();
  }
  if (Outcome closed = close_all_units(); !closed) {
    report_failure(closed);
  }
  throw RunEnd{status};
}

}  // namespace io
