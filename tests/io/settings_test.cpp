#include "io/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace io {
namespace {

// Sets or clears one environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (value == nullptr) {
      ::unsetenv(name);
    } else {
      ::setenv(name, value, 1);
    }
  }
  ~ScopedVariable() { ::unsetenv(name_); }

 private:
  const char* name_;
};

TEST(WithEnvironment, TabSize) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case cases[] = {
      {nullptr, 8}, {"4", 4},  {"0", 0},          {"2147483647", 2147483647},
      {"", 8},      {"-1", 8}, {"2147483648", 8}, {"4x", 8},
      {" 4", 8},    {"+4", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    ScopedVariable tab("TABSIZE", c.value);
    EXPECT_EQ(c.expected, with_environment(Settings{}).tab_size);
  }
}

TEST(WithEnvironment, Umask) {
  struct Case {
    const char* value;
    std::optional<unsigned> expected;
  };
  const Case cases[] = {
      {nullptr, std::nullopt}, {"644", 0644u},          {"0600", 0600u},
      {"7777", 07777u},        {"10000", std::nullopt}, {"8", std::nullopt},
      {"", std::nullopt},      {"64a", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    ScopedVariable mask("UMASK", c.value);
    EXPECT_EQ(c.expected, with_environment(Settings{}).umask_bits);
  }
}

}  // namespace
}  // namespace io
