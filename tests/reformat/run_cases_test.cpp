// Whole runs, one case folder each, for both programs. A case folder holds
//   answers        the console input
//   in/            files put into the run's empty folder first
//   console        what the console shows (colreformat's texts, LF)
//   errors         the error stream (missing: empty)
//   status         the exit status (missing: 0)
//   out/           every file the run writes, as colreformat-mac writes it
// and, where colreformat-mac differs by more than the rules below,
// console.mac, errors.mac, status.mac or out.mac/.
//
// From the colreformat form, colreformat-mac's is its introduction, its
// scaling prompt, "_tab" for "_col", and after a failure report its
// closing question. colreformat ends every written line with CR LF.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "reformat/flavor.h"
#include "reformat/run.h"

namespace reformat {
namespace {

namespace fs = std::filesystem;

const fs::path k_cases = REFORMAT_CASES_DIR;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string replace_all(std::string text, const std::string& from,
                        const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string crlf(const std::string& text) {
  return replace_all(text, "\n", "\r\n");
}

const std::string k_blanks(13, ' ');

std::string mac_console(std::string text) {
  text = replace_all(
      text,
      k_blanks + "this program reformats raw measurement files\n" + k_blanks +
          "into a column format suitable for reading into\n",
      k_blanks + "This program  only reformats raw measurement files\n" +
          k_blanks + "into a column format file suitable for reading into\n");
  text = replace_all(
      text,
      k_blanks +
          " enter scaling factor. A value that is added to all the "
          "measurements of \n" +
          k_blanks +
          " all but the first series, and incremented by itself for each "
          "succeeding series \n" +
          k_blanks +
          "  usually 1.  Nice for displaying  data in a stacked plot = ",
      k_blanks + " Enter scaling factor. A value that is added\n" + k_blanks +
          "to the second series then incremented by itself\n" + k_blanks +
          "before being added to the third etc, etc, ...\n" + k_blanks +
          "usually (1). Nice for displaying data in a stacked\n" + k_blanks +
          "line plot = ");
  return replace_all(text, "_col", "_tab");
}

std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  if (fs::is_directory(dir)) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      files[entry.path().filename().string()] = slurp(entry.path());
    }
  }
  return files;
}

struct Expected {
  std::string console;
  std::string errors;
  int status = 0;
  std::map<std::string, std::string> files;
};

std::string read_or(const fs::path& path, const std::string& otherwise) {
  return fs::exists(path) ? slurp(path) : otherwise;
}

Expected expected_for(const fs::path& dir, bool is_mac) {
  Expected want;
  want.status = std::stoi(read_or(dir / "status", "0"));
  want.console = slurp(dir / "console");
  want.errors = read_or(dir / "errors", "");
  const auto out = files_in(dir / "out");
  if (!is_mac) {
    want.console = crlf(want.console);
    for (const auto& [name, bytes] : out) {
      want.files[name] = crlf(bytes);
    }
    return want;
  }
  want.status =
      std::stoi(read_or(dir / "status.mac", std::to_string(want.status)));
  want.console = mac_console(want.console);
  if (want.status == -1) {
    want.console += "Press RETURN to quit the program.";
  }
  want.console = read_or(dir / "console.mac", want.console);
  want.errors = read_or(dir / "errors.mac", want.errors);
  if (fs::is_directory(dir / "out.mac")) {
    want.files = files_in(dir / "out.mac");
  } else {
    for (const auto& [name, bytes] : out) {
      want.files[replace_all(name, "_col", "_tab")] = bytes;
    }
  }
  return want;
}

struct Case {
  std::string name;
  bool is_mac;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name << (c.is_mac ? " (colreformat-mac)" : " (colreformat)");
}

std::vector<Case> all_cases() {
  std::vector<Case> cases;
  for (const auto& entry : fs::directory_iterator(k_cases)) {
    if (entry.is_directory()) {
      cases.push_back({entry.path().filename().string(), false});
      cases.push_back({entry.path().filename().string(), true});
    }
  }
  std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) {
    return a.name != b.name ? a.name < b.name : a.is_mac < b.is_mac;
  });
  return cases;
}

class RunCase : public ::testing::TestWithParam<Case> {};

TEST_P(RunCase, MatchesByteForByte) {
  const Case& c = GetParam();
  const fs::path case_dir = k_cases / c.name;
  const fs::path work =
      fs::temp_directory_path() / ("run_case_" + std::to_string(::getpid()) +
                                   "_" + c.name + (c.is_mac ? "_mac" : ""));
  fs::remove_all(work);
  fs::create_directories(work);
  const auto inputs = files_in(case_dir / "in");
  for (const auto& [name, bytes] : inputs) {
    std::ofstream(work / name, std::ios::binary) << bytes;
  }
  std::istringstream answers(slurp(case_dir / "answers"));
  std::ostringstream console;
  std::ostringstream errors;
  const fs::path home = fs::current_path();
  fs::current_path(work);
  const int status = run(c.is_mac ? mac_flavor() : colreformat_flavor(),
                         answers, console, errors);
  fs::current_path(home);

  const Expected want = expected_for(case_dir, c.is_mac);
  EXPECT_EQ(want.status, status);
  EXPECT_EQ(want.console, console.str());
  EXPECT_EQ(want.errors, errors.str());
  auto got = files_in(work);
  // Inputs that the run was not expected to write stay as they were.
  for (const auto& [name, bytes] : inputs) {
    if (want.files.count(name) == 0) {
      SCOPED_TRACE("input " + name);
      EXPECT_EQ(bytes, got[name]);
      got.erase(name);
    }
  }
  for (const auto& [name, bytes] : want.files) {
    SCOPED_TRACE("file " + name);
    ASSERT_EQ(1u, got.count(name));
    EXPECT_EQ(bytes, got[name]);
    got.erase(name);
  }
  for (const auto& [name, bytes] : got) {
    ADD_FAILURE() << "unexpected file " << name;
  }
  fs::remove_all(work);
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  std::string name = info.param.name + (info.param.is_mac ? "_mac" : "");
  std::replace_if(
      name.begin(), name.end(),
      [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) == 0; },
      '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunCase, ::testing::ValuesIn(all_cases()),
                         case_name);

}  // namespace
}  // namespace reformat
