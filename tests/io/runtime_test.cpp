#include "io/runtime.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace io {
namespace {

namespace fs = std::filesystem;

Settings plain_settings() {
  Settings settings;
  settings.line_end = LineEnd::crlf;
  settings.system_texts = SystemTexts::fixed_table;
  return settings;
}

Settings mac_settings() {
  Settings settings;
  settings.line_end = LineEnd::lf;
  settings.drop_cr_on_write = true;
  settings.system_texts = SystemTexts::strerror;
  settings.wait_after_failure = true;
  settings.permissions_from_umask = true;
  return settings;
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void put(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A fresh folder per test, with a runtime whose console is in memory.
class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("io_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(std::string_view name) const {
    return (dir_ / name).string();
  }
  Runtime& runtime(const Settings& settings = plain_settings()) {
    runtime_ = std::make_unique<Runtime>(settings, in_, out_, err_);
    return *runtime_;
  }
  // Every record of a file, read until the end of the file.
  std::vector<std::string> records(Runtime& rt, int unit) {
    std::vector<std::string> all;
    std::string record;
    for (;;) {
      Outcome got = rt.read_record(unit, record);
      if (got.is_end_of_file()) {
        return all;
      }
      EXPECT_TRUE(got) << got.message;
      if (!got) {
        return all;
      }
      all.push_back(record);
    }
  }
  // Runs a call that must end the run and returns its exit status.
  template <typename Call>
  int run_end_status(Call call) {
    try {
      call();
    } catch (const RunEnd& end) {
      return end.status;
    }
    ADD_FAILURE() << "the run did not end";
    return 1000;
  }

  fs::path dir_;
  std::istringstream in_;
  std::ostringstream out_;
  std::ostringstream err_;
  std::unique_ptr<Runtime> runtime_;
};

using Records = std::vector<std::string>;

TEST_F(RuntimeTest, ReadsLinesWhateverTheirLineEnds) {
  struct Case {
    const char* bytes;
    Records expected;
  };
  const Case cases[] = {
      {"one\ntwo\n", {"one", "two"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"a\rb\r\n", {"ab"}},  // every CR is dropped, wherever it stands
      {"\n\n", {"", ""}},
      {"", {}},
      {"A\nB", {"A", "B"}},  // a last line without a line end is a record
      {"A\n", {"A"}},
      {"one\rtwo\r", {"onetwo"}},  // CR alone ends no line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    put(path("in"), c.bytes);
    Runtime& rt = runtime();
    ASSERT_TRUE(rt.open_unit(19, path("in"), "OLD", "READ"));
    EXPECT_EQ(c.expected, records(rt, 19));
    std::string record = "x";
    EXPECT_TRUE(rt.read_record(19, record).is_end_of_file());
    EXPECT_EQ("", record);
  }
}

TEST_F(RuntimeTest, ExpandsTabsToTheTabInterval) {
  struct Case {
    int tab_size;
    const char* line;
    const char* expected;
  };
  const Case cases[] = {
      {8, "\tx", "        x"},
      {8, "ab\tx", "ab      x"},
      {8, "abcdefgh\tx", "abcdefgh        x"},
      {8, "abcdefg\tx", "abcdefg x"},
      {4, "ab\t\tx", "ab      x"},
      {0, "ab\tx", "ab\tx"},       // interval 0 keeps the TAB
      {8, "a\r\tx", "a       x"},  // a dropped CR takes no column
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    put(path("tabs"), std::string(c.line) + "\n");
    Settings settings = plain_settings();
    settings.tab_size = c.tab_size;
    Runtime& rt = runtime(settings);
    ASSERT_TRUE(rt.open_unit(19, path("tabs"), "OLD", "READ"));
    EXPECT_EQ(Records{c.expected}, records(rt, 19));
  }
}

TEST_F(RuntimeTest, LongRecordsCrossReadBlocks) {
  const std::string line(200000, 'x');
  put(path("long"), line + "\n" + line + "\r\nend");
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(19, path("long"), "OLD", "READ"));
  EXPECT_EQ((Records{line, line, "end"}), records(rt, 19));
}

TEST_F(RuntimeTest, OpenStatusesOnExistingAndMissingFiles) {
  struct Case {
    const char* status;
    const char* action;
    bool exists;
    const char* message;  // empty: the open succeeds
    int system_error;
  };
  const Case cases[] = {
      {"OLD", "READ", true, "", 0},
      {"old  ", "read ", true, "", 0},
      {"OLD", "", true, "", 0},
      {"OLD", "READ", false, "", ENOENT},
      {"NEW", "", false, "", 0},
      {"New", "", true, "Status 'NEW' specified for an existing file", 0},
      {"UNKNOWN", "", true, "", 0},
      {"unknown", "", false, "", 0},
      {"", "", false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.status) + "/" + c.action +
                 (c.exists ? " existing" : " missing"));
    fs::remove(path("f"));
    if (c.exists) {
      put(path("f"), "old content\n");
    }
    Runtime& rt = runtime();
    Outcome opened = rt.open_unit(21, path("f"), c.status, c.action);
    EXPECT_EQ(c.message, opened.message);
    EXPECT_EQ(c.system_error, opened.system_error);
    const bool expect_ok = *c.message == '\0' && c.system_error == 0;
    EXPECT_EQ(expect_ok, static_cast<bool>(opened));
    EXPECT_EQ(expect_ok, rt.is_connected(21));
    if (!expect_ok) {
      EXPECT_EQ("OPEN", opened.statement);
      EXPECT_EQ(21, opened.unit);
    }
    EXPECT_TRUE(rt.close_unit(21));
    // Opening never changes a file; a created one is empty.
    if (c.exists) {
      EXPECT_EQ("old content\n", slurp(path("f")));
    } else {
      EXPECT_EQ(expect_ok, fs::exists(path("f")));
      if (expect_ok) {
        EXPECT_EQ("", slurp(path("f")));
      }
    }
  }
}

TEST_F(RuntimeTest, FileNamesAreTrimmedAndBlankNamesRefused) {
  put(path("site1.dat"), "x\n");
  Runtime& rt = runtime();
  EXPECT_TRUE(
      rt.open_unit(19, "  " + path("site1.dat") + "   ", "OLD", "READ"));
  for (const char* name : {"", "     "}) {
    Outcome opened = rt.open_unit(18, name, "UNKNOWN");
    EXPECT_EQ("Bad file specification", opened.message);
    EXPECT_FALSE(rt.is_connected(18));
  }
}

TEST_F(RuntimeTest, ADirectoryIsNotAFile) {
  fs::create_directories(path("folder"));
  const struct {
    const char* status;
    const char* action;
  } cases[] = {
      {"OLD", "READ"}, {"OLD", ""}, {"UNKNOWN", ""}, {"UNKNOWN", "READ"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.status) + "/" + c.action);
    Runtime& rt = runtime();
    Outcome opened = rt.open_unit(19, path("folder"), c.status, c.action);
    EXPECT_EQ(EISDIR, opened.system_error);
    EXPECT_EQ("? System Error:\n? Access Denied.\n? OPEN(UNIT=19,...\n",
              failure_report_text(opened, SystemTexts::fixed_table));
  }
  Runtime& rt = runtime();
  EXPECT_EQ("Status 'NEW' specified for an existing file",
            rt.open_unit(20, path("folder"), "NEW").message);
}

TEST_F(RuntimeTest, SystemTextsForMissingFilesAndPaths) {
  struct Case {
    std::string name;
    const char* plain_text;
    int error;
  };
  put(path("plainfile"), "");
  const Case cases[] = {
      {path("missing.dat"), "The system cannot find the file specified.",
       ENOENT},
      {path("nodir/missing.dat"), "The system cannot find the path specified.",
       ENOENT},
      {path("plainfile/missing.dat"),
       "The system cannot find the path specified.", ENOTDIR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Runtime& rt = runtime();
    Outcome opened = rt.open_unit(19, c.name, "OLD", "READ");
    EXPECT_EQ(c.error, opened.system_error);
    EXPECT_EQ(std::string("? System Error:\n? ") + c.plain_text +
                  "\n? OPEN(UNIT=19,...\n",
              failure_report_text(opened, SystemTexts::fixed_table));
    EXPECT_EQ(std::string("? System Error:\n? ") + std::strerror(c.error) +
                  "\n? OPEN(UNIT=19,...\n",
              failure_report_text(opened, SystemTexts::strerror));
  }
  Outcome full = Outcome::system_failure(ENOSPC, "WRITE", 18);
  EXPECT_EQ(
      "? System Error:\n? There is not enough space on the disk.\n"
      "? WRITE(UNIT=18,...\n",
      failure_report_text(full, SystemTexts::fixed_table));
}

TEST_F(RuntimeTest, PermissionDenied) {
  // Root may write any plain file, but not this one either.
  std::string locked = "/sys/kernel/notes";
  if (::geteuid() != 0) {
    locked = path("locked");
    put(locked, "x\n");
    fs::permissions(locked, fs::perms::owner_read);
  } else if (!fs::exists(locked)) {
    GTEST_SKIP() << "no file that root may not write";
  }
  Runtime& rt = runtime();
  Outcome opened = rt.open_unit(18, locked, "UNKNOWN");
  EXPECT_EQ(EACCES, opened.system_error);
  EXPECT_EQ("? System Error:\n? Access Denied.\n? OPEN(UNIT=18,...\n",
            failure_report_text(opened, SystemTexts::fixed_table));
  EXPECT_TRUE(rt.open_unit(19, locked, "OLD", "READ"));
}

TEST_F(RuntimeTest, WritesRecordsWithTheFlavoursLineEnd) {
  struct Case {
    Settings settings;
    const char* expected;
  };
  const Case cases[] = {
      {plain_settings(), "one\r\nprompt=two\r\na\rb\r\n"},
      {mac_settings(), "one\nprompt=two\nab\n"},  // CR bytes are left out
  };
  for (const Case& c : cases) {
    Runtime& rt = runtime(c.settings);
    ASSERT_TRUE(rt.open_unit(18, path("out"), "UNKNOWN"));
    EXPECT_TRUE(rt.write_record(18, "one", false));
    EXPECT_TRUE(rt.write_record(18, "prompt=", true));
    EXPECT_TRUE(rt.write_record(18, "two", false));
    EXPECT_TRUE(rt.write_record(18, "a\rb", false));
    EXPECT_TRUE(rt.close_unit(18));
    EXPECT_EQ(c.expected, slurp(path("out")));
  }
}

TEST_F(RuntimeTest, ALongRecordIsOneLine) {
  const std::string row(9005, '7');
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(18, path("row"), "UNKNOWN"));
  EXPECT_TRUE(rt.write_record(18, row, false));
  EXPECT_TRUE(rt.close_unit(18));
  EXPECT_EQ(row + "\r\n", slurp(path("row")));
}

TEST_F(RuntimeTest, WritingCutsTheOldTailButOpeningAloneKeepsIt) {
  std::string hundred;
  for (int i = 1; i <= 100; ++i) {
    hundred += "old line " + std::to_string(i) + "\n";
  }
  put(path("f"), hundred);
  Runtime& rt = runtime(mac_settings());
  ASSERT_TRUE(rt.open_unit(18, path("f"), "UNKNOWN"));
  EXPECT_TRUE(rt.close_unit(18));
  EXPECT_EQ(hundred, slurp(path("f")));

  ASSERT_TRUE(rt.open_unit(18, path("f"), "UNKNOWN"));
  for (const char* record : {"a", "b", "c"}) {
    EXPECT_TRUE(rt.write_record(18, record, false));
  }
  EXPECT_TRUE(rt.close_unit(18));
  EXPECT_EQ("a\nb\nc\n", slurp(path("f")));
}

TEST_F(RuntimeTest, WritingAfterARewindReplacesTheFile) {
  Runtime& rt = runtime(mac_settings());
  ASSERT_TRUE(rt.open_unit(18, path("f"), "UNKNOWN"));
  std::string many;
  for (int i = 0; i < 20000; ++i) {  // more than one output block
    ASSERT_TRUE(rt.write_record(18, "a long line of output text", false));
  }
  EXPECT_TRUE(rt.rewind_unit(18));
  EXPECT_TRUE(rt.write_record(18, "short", false));
  EXPECT_TRUE(rt.close_unit(18));
  EXPECT_EQ("short\n", slurp(path("f")));
}

TEST_F(RuntimeTest, RewindAndBackspace) {
  put(path("f"), "r1\nr2\r\nr3\nr4");
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(19, path("f"), "OLD", "READ"));
  std::string record;
  auto next = [&] {
    Outcome got = rt.read_record(19, record);
    return got.is_end_of_file() ? std::string("<end>") : record;
  };
  // No read yet: nothing moves.
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_EQ("r1", next());
  EXPECT_EQ("r2", next());
  EXPECT_EQ("r3", next());
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_EQ("r3", next());
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_EQ("r2", next());
  EXPECT_EQ("r3", next());
  EXPECT_EQ("r4", next());  // the last line, without a line end
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_EQ("r4", next());
  EXPECT_EQ("<end>", next());
  // After the end of the file a backspace stays at the end.
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_EQ("<end>", next());
  EXPECT_TRUE(rt.rewind_unit(19));
  EXPECT_EQ("r1", next());
  EXPECT_TRUE(rt.backspace_unit(19));
  EXPECT_EQ("r1", next());
}

TEST_F(RuntimeTest, BackspaceOverAnEmptyFirstRecord) {
  put(path("f"), "\nr2\n");
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(19, path("f"), "OLD", "READ"));
  std::string record = "x";
  ASSERT_TRUE(rt.read_record(19, record));
  EXPECT_EQ("", record);
  EXPECT_TRUE(rt.backspace_unit(19));
  ASSERT_TRUE(rt.read_record(19, record));
  EXPECT_EQ("", record);
  ASSERT_TRUE(rt.read_record(19, record));
  EXPECT_EQ("r2", record);
}

TEST_F(RuntimeTest, WriteToAReadOnlyUnitFails) {
  put(path("in"), "x\n");
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(19, path("in"), "OLD", "READ"));
  Outcome wrote = rt.write_record(19, "y", false);
  EXPECT_EQ("File not open for write", wrote.message);
  EXPECT_EQ(-1, run_end_status([&] { rt.report_failure(wrote); }));
  EXPECT_EQ(
      "? FORTRAN Runtime Error:\n? File not open for write\n"
      "? WRITE(UNIT=19,...\n",
      err_.str());
  EXPECT_EQ("x\n", slurp(path("in")));
}

TEST_F(RuntimeTest, ConsoleRecordsAndPrompts) {
  in_.str("first\r\nsecond\tx\nlast without end");
  for (const Settings& settings : {plain_settings(), mac_settings()}) {
    in_.clear();
    in_.seekg(0);
    out_.str("");
    Runtime& rt = runtime(settings);
    const char* end = settings.line_end == LineEnd::crlf ? "\r\n" : "\n";
    EXPECT_TRUE(rt.write_record(k_console_unit, " enter =", true));
    EXPECT_TRUE(rt.write_record(k_console_unit, "line", false));
    EXPECT_EQ(std::string(" enter =line") + end, out_.str());
    EXPECT_EQ((Records{"first", "second  x", "last without end"}),
              records(rt, k_console_unit));
  }
}

TEST_F(RuntimeTest, EndOfConsoleInputReport) {
  for (const Settings& settings : {plain_settings(), mac_settings()}) {
    in_.clear();
    in_.str("");
    out_.str("");
    err_.str("");
    Runtime& rt = runtime(settings);
    std::string record;
    Outcome got = rt.read_record(k_console_unit, record);
    ASSERT_TRUE(got.is_end_of_file());
    EXPECT_EQ(-1, run_end_status([&] { rt.report_failure(got); }));
    EXPECT_EQ(
        "? FORTRAN Runtime Error:\n? Attempt to read past end of file\n"
        "? READ(UNIT=*,...\n",
        err_.str());
    EXPECT_EQ(
        settings.wait_after_failure ? "Press RETURN to quit the program." : "",
        out_.str());
  }
}

TEST_F(RuntimeTest, FailureReportClosesUnitsFirstAndMacWaitsForALine) {
  in_.str("\nnot read\n");
  Runtime& rt = runtime(mac_settings());
  ASSERT_TRUE(rt.open_unit(18, path("col"), "UNKNOWN"));
  ASSERT_TRUE(rt.write_record(18, "written before", false));
  Outcome opened = rt.open_unit(19, path("missing.dat"), "OLD", "READ");
  EXPECT_EQ(-1, run_end_status([&] { rt.report_failure(opened); }));
  EXPECT_EQ("written before\n", slurp(path("col")));
  EXPECT_EQ(std::string("? System Error:\n? ") + std::strerror(ENOENT) +
                "\n? OPEN(UNIT=19,...\n",
            err_.str());
  EXPECT_EQ("Press RETURN to quit the program.", out_.str());
  std::string rest;
  std::getline(in_, rest);
  EXPECT_EQ("not read", rest);  // exactly one line was waited for
}

TEST_F(RuntimeTest, StopMessagesAndStatus) {
  struct Case {
    const char* message;
    int status;
    const char* error_text;
  };
  const Case cases[] = {
      {" ", 0, ""},
      {"", 0, ""},
      {"x", 0, "x\n"},
      {"sbr trrw:  over 25 text lines", 1, "sbr trrw:  over 25 text lines\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    err_.str("");
    out_.str("");
    Runtime& rt = runtime(mac_settings());
    ASSERT_TRUE(rt.open_unit(18, path("col"), "UNKNOWN"));
    ASSERT_TRUE(rt.write_record(18, "kept", false));
    EXPECT_EQ(c.status,
              run_end_status([&] { rt.stop_run(c.message, c.status); }));
    EXPECT_EQ(c.error_text, err_.str());
    EXPECT_EQ("", out_.str());  // a stop has no closing wait
    EXPECT_EQ("kept\n", slurp(path("col")));
    EXPECT_FALSE(rt.is_connected(18));
  }
}

TEST_F(RuntimeTest, FullDiskWriteIsReportedOnce) {
  if (!fs::exists("/dev/full")) {
    GTEST_SKIP() << "no /dev/full";
  }
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(18, "/dev/full", "UNKNOWN"));
  const std::string row(9005, '1');
  Outcome wrote;
  for (int i = 0; i < 100 && wrote; ++i) {
    wrote = rt.write_record(18, row, false);
  }
  ASSERT_FALSE(wrote);
  EXPECT_EQ(-1, run_end_status([&] { rt.report_failure(wrote); }));
  EXPECT_EQ(
      "? System Error:\n? There is not enough space on the disk.\n"
      "? WRITE(UNIT=18,...\n",
      err_.str());
}

TEST_F(RuntimeTest, FullDiskAtTheEndIsACloseFailure) {
  if (!fs::exists("/dev/full")) {
    GTEST_SKIP() << "no /dev/full";
  }
  Runtime& rt = runtime();
  ASSERT_TRUE(rt.open_unit(20, "/dev/full", "UNKNOWN"));
  ASSERT_TRUE(rt.write_record(20, "pending", false));
  EXPECT_EQ(-1, run_end_status([&] { rt.stop_run(" "); }));
  EXPECT_EQ(
      "? System Error:\n? There is not enough space on the disk.\n"
      "? CLOSE(UNIT=20,...\n",
      err_.str());
}

TEST_F(RuntimeTest, OpeningAConnectedUnitClosesItFirst) {
  Runtime& rt = runtime(mac_settings());
  ASSERT_TRUE(rt.open_unit(18, path("a"), "UNKNOWN"));
  ASSERT_TRUE(rt.write_record(18, "to a", false));
  ASSERT_TRUE(rt.open_unit(18, path("b"), "UNKNOWN"));
  EXPECT_EQ("to a\n", slurp(path("a")));
}

mode_t permission_bits(const std::string& name) {
  struct stat info {};
  EXPECT_EQ(0, ::stat(name.c_str(), &info));
  return info.st_mode & 07777;
}

TEST_F(RuntimeTest, PermissionsOfCreatedFiles) {
  const mode_t old_mask = ::umask(022);
  struct Case {
    bool from_umask;
    std::optional<unsigned> bits;
    mode_t expected;
  };
  const Case cases[] = {
      {false, std::nullopt, 0644},  // the system default, 0666 less 022
      {false, 0600, 0644},          // only the mac flavour reads UMASK
      {true, std::nullopt, 0644},   // 0664 less 022
      {true, 0600, 0600},
      {true, 0777, 0777},  // exactly the bits given, not reduced by the mask
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    fs::remove(path("new"));
    Settings settings = mac_settings();
    settings.permissions_from_umask = c.from_umask;
    settings.umask_bits = c.bits;
    Runtime& rt = runtime(settings);
    ASSERT_TRUE(rt.open_unit(18, path("new"), "NEW"));
    EXPECT_TRUE(rt.close_unit(18));
    EXPECT_EQ(c.expected, permission_bits(path("new")));
  }
  ::umask(002);
  Settings settings = mac_settings();
  Runtime& rt = runtime(settings);
  fs::remove(path("new"));
  ASSERT_TRUE(rt.open_unit(18, path("new"), "UNKNOWN"));
  EXPECT_TRUE(rt.close_unit(18));
  EXPECT_EQ(0664u, permission_bits(path("new")));
  ::umask(old_mask);
}

}  // namespace
}  // namespace io
