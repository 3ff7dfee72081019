#include "platform/form/form.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/form/fake_shell.h"
#include "platform/form/posix_shell.h"

namespace form {
namespace {

TEST(Conversions, Integer16OverflowsOutsideItsRange) {
  struct Row {
    int64_t value;
    bool overflows;
  };
  const Row rows[] = {{32767, false}, {32768, true}, {-32768, false}, {-32769, true}, {0, false}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.value);
    if (row.overflows) {
      try {
        ToInteger16(row.value);
        ADD_FAILURE() << "no overflow";
      } catch (const PlatformError &error) {
        EXPECT_STREQ(error.what(), "Overflow");
      }
    } else {
      EXPECT_EQ(ToInteger16(row.value), row.value);
    }
  }
}

TEST(Conversions, NumberTextHasALeadingBlankUnlessNegative) {
  EXPECT_EQ(NumberText(1234), " 1234");
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(-7), "-7");
}

TEST(Controls, CheckBoxRaisesClickOnlyWhenItsStateChanges) {
  FakeShell shell;
  Form form(shell);
  Control &box = form.Add("Check1", ControlKind::kCheckBox);
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetValue(0);
  EXPECT_EQ(clicks, 0);
  box.SetValue(1);
  EXPECT_EQ(clicks, 1);
  box.SetValue(1);
  EXPECT_EQ(clicks, 1);
  shell.ClickCheckBox(box);
  EXPECT_EQ(box.Value(), 0);
  EXPECT_EQ(clicks, 2);
}

TEST(Controls, ErrorOfAProgramsChangeReachesTheCaller) {
  FakeShell shell;
  Form form(shell);
  Control &box = form.Add("Check1", ControlKind::kCheckBox);
  box.OnClick = [] { throw PlatformError(kErrPermissionDenied); };
  EXPECT_THROW(box.SetValue(1), PlatformError);
  EXPECT_FALSE(shell.ended);
}

TEST(Controls, ErrorOfAUsersClickIsReportedAndEndsTheProgram) {
  FakeShell shell;
  Form form(shell);
  Control &box = form.Add("Check1", ControlKind::kCheckBox);
  box.OnClick = [] { throw PlatformError(kErrPermissionDenied); };
  shell.ClickCheckBox(box);
  ASSERT_EQ(shell.reported.size(), 1u);
  EXPECT_EQ(shell.reported[0], "Permission denied");
  EXPECT_EQ(shell.ended, 1);
}

class PosixShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/form_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  std::string dir_;
  char *argv_[4] = {const_cast<char *>("prog"), const_cast<char *>("a b"),
                    const_cast<char *>("/log"), nullptr};
  PosixShell shell_{"prog", 3, argv_};
};

TEST_F(PosixShellTest, CommandLineTextJoinsTheArguments) {
  EXPECT_EQ(shell_.CommandLine(), "a b /log");
}

TEST_F(PosixShellTest, DateAndTimeTextsHaveTheirFixedForm) {
  EXPECT_TRUE(std::regex_match(shell_.DateText(), std::regex("[01][0-9]-[0-3][0-9]-[0-9]{4}")));
  EXPECT_TRUE(std::regex_match(shell_.TimeText(), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")));
}

TEST_F(PosixShellTest, FilesAppendAndReadByteByByte) {
  std::string path = dir_ + "/f";
  shell_.AppendText(path, "ab");
  shell_.AppendText(path, "c\r\n");
  EXPECT_EQ(shell_.FileLength(path), 5);
  int file = shell_.OpenRead(path);
  EXPECT_EQ(shell_.OpenFileLength(file), 5);
  EXPECT_EQ(shell_.ReadByte(file, 1), 'a');
  EXPECT_EQ(shell_.ReadByte(file, 5), '\n');
  EXPECT_THROW(shell_.ReadByte(file, 6), PlatformError);
  shell_.Close(file);
  EXPECT_THROW(shell_.ReadByte(file, 1), PlatformError);
}

TEST_F(PosixShellTest, FileErrorsCarryThePlatformsDescriptions) {
  struct Row {
    const char *what;
    std::function<void()> action;
    const char *description;
  };
  const Row rows[] = {
      {"open missing", [&] { shell_.OpenRead(dir_ + "/none"); }, "File not found"},
      {"length missing", [&] { shell_.FileLength(dir_ + "/none"); }, "File not found"},
      {"open a directory", [&] { shell_.OpenRead(dir_); }, "Path/File access error"},
      {"append under a missing directory", [&] { shell_.AppendText(dir_ + "/no/f", "x"); },
       "File not found"},
      {"empty command line", [&] { shell_.StartProgram("  ", WindowState::kMinimizedFocus); },
       "Invalid procedure call or argument"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    try {
      row.action();
      ADD_FAILURE() << "no error";
    } catch (const PlatformError &error) {
      EXPECT_STREQ(error.what(), row.description);
    }
  }
}

bool IsChild(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  return stat.good();
}

TEST_F(PosixShellTest, StartedProgramRunsWithItsPidAndIsReaped) {
  std::string out = dir_ + "/pid";
  int64_t pid = shell_.StartProgram("echo $$ > " + out, WindowState::kMinimizedFocus);
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 200 && IsChild(static_cast<pid_t>(pid)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(IsChild(static_cast<pid_t>(pid))) << "the finished child was not reaped";
  std::ifstream written(out);
  int64_t recorded = 0;
  written >> recorded;
  EXPECT_EQ(recorded, pid);
}

}  // namespace
}  // namespace form
