#include "realm/login_defs.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

class LoginDefs : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/login_defs_test.XXXXXX";
    int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = pattern;
  }
  void TearDown() override { unlink(path_.c_str()); }

  UidRange read(const std::string &text) {
    std::ofstream(path_) << text;
    return login_defs_uid_range(path_.c_str());
  }

  std::string path_;
};

TEST_F(LoginDefs, ReadsBothBoundsAndFallsBackPerKey) {
  struct Row {
    const char *label;
    const char *text;
    uint32_t want_min;
    uint32_t want_max;
  };
  const Row rows[] = {
      {"both set", "UID_MIN 500\nUID_MAX 2000\n", 500, 2000},
      {"blanks, tabs and comments", "# users\n\t UID_MIN\t\t 1200   # note\nUID_MAX 3000\r\n", 1200,
       3000},
      {"only the minimum", "UID_MIN 2000\n", 2000, 60000},
      {"only the maximum", "UID_MAX 1999\n", 1000, 1999},
      {"neither", "GID_MIN 10\nSUB_UID_MIN 100000\nUID_MINIMUM 7\n", 1000, 60000},
      {"hex and octal", "UID_MIN 0x10\nUID_MAX 0777\n", 16, 511},
      {"largest id", "UID_MAX 4294967294\n", 1000, 4294967294u},
      {"later line wins", "UID_MIN 1\nUID_MIN 2\n", 2, 60000},
      {"last line not a number: default", "UID_MIN 10\nUID_MIN ten\n", 1000, 60000},
      {"commented out", "#UID_MIN 5\n", 1000, 60000},
      {"no final newline", "UID_MAX 1234", 1000, 1234},
      // Values that are not whole unsigned ids below (uid_t)-1.
      {"negative", "UID_MIN -1\n", 1000, 60000},
      {"explicit plus", "UID_MIN +5\n", 1000, 60000},
      {"trailing text", "UID_MIN 5x\n", 1000, 60000},
      {"no id marker", "UID_MAX 4294967295\n", 1000, 60000},
      {"beyond 32 bits", "UID_MAX 4294967296\n", 1000, 60000},
      {"key without value", "UID_MIN\n", 1000, 60000},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    UidRange range = read(row.text);
    EXPECT_EQ(range.min, row.want_min);
    EXPECT_EQ(range.max, row.want_max);
  }
}

TEST_F(LoginDefs, MissingFileGivesTheDefaults) {
  UidRange range = login_defs_uid_range("/nonexistent/login.defs");
  EXPECT_EQ(range.min, 1000u);
  EXPECT_EQ(range.max, 60000u);
}

TEST_F(LoginDefs, RangeHoldsBothBoundsAndNothingOutside) {
  UidRange range = read("UID_MIN 1000\nUID_MAX 60000\n");
  EXPECT_FALSE(uid_range_holds(range, 999));
  EXPECT_TRUE(uid_range_holds(range, 1000));
  EXPECT_TRUE(uid_range_holds(range, 60000));
  EXPECT_FALSE(uid_range_holds(range, 60001));
  EXPECT_FALSE(uid_range_holds(range, 65534));
  EXPECT_FALSE(uid_range_holds(range, 0));
}

}  // namespace
