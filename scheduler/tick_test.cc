#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/form/fake_shell.h"
#include "scheduler/tickrun.h"

namespace tickrun {
namespace {

TEST(WeekdayNumber, CountsFromFridayTheFirstOf1993) {
  struct Row {
    int year, month, day;
    int weekday;
  };
  const Row rows[] = {
      {1999, 5, 12, 3},  {1993, 1, 1, 5},   {1999, 5, 10, 1},  {2000, 2, 29, 2},
      {2000, 3, 1, 3},   {1996, 12, 31, 2}, {2024, 1, 1, 1},   {2100, 3, 1, 1},
      {1990, 5, 12, 3},  // before 1993: the same day in 1993, a Wednesday
      {1993, 5, 12, 3},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << row.year << "-" << row.month << "-" << row.day);
    EXPECT_EQ(WeekdayNumber(row.year, row.month, row.day), row.weekday);
  }
}

EventTable::Row Stored(std::vector<std::string> fields) {
  EventTable::Row row;
  for (size_t k = 0; k < fields.size(); ++k) {
    row[k] = fields[k];
  }
  return row;
}

Now At(const char *minute, const char *hour, const char *day = "12", const char *month = "05",
       const char *weekday = "3", int year = 1999) {
  return Now{minute, hour, day, month, weekday, year};
}

TEST(MatchPeriodic, ListsStarsAndExclusions) {
  struct Row {
    const char *what;
    EventTable::Row row;
    Now now;
    bool passes;
  };
  const auto weekly = Stored({"05", "14", "0*", "0*", "3", "x"});
  const auto excluded = Stored({"-05", "0*", "0*", "0*", "*", "job"});
  const auto mixed = Stored({"10,-05", "0*", "0*", "0*", "*", "job"});
  const auto every = Stored({"0*", "0*", "0*", "0*", "*", "job"});
  const Row rows[] = {
      {"weekly at its minute", weekly, At("05", "14"), true},
      {"weekly, other minute", weekly, At("15", "14"), false},
      {"weekly, other hour", weekly, At("05", "15"), false},
      {"weekly, other weekday", weekly, At("05", "14", "13", "05", "4"), false},
      // 5 stored as 05 never matches minute 50 or 15.
      {"padding keeps 05 from 50", weekly, At("50", "14"), false},
      {"exclusion at its minute", excluded, At("05", "09"), false},
      {"exclusion elsewhere", excluded, At("06", "09"), true},
      {"exclusion, minute 50", excluded, At("50", "09"), true},
      {"list and exclusion: listed first", mixed, At("10", "09"), true},
      {"list and exclusion: excluded", mixed, At("05", "09"), false},
      {"list and exclusion: other", mixed, At("33", "09"), true},
      {"all stars", every, At("59", "23", "31", "12", "0"), true},
      {"one-shot never passes", Stored({"@5", "09", "24", "12", "1999", "once"}),
       At("05", "09", "24", "12", "5"), false},
      {"empty field never passes", Stored({"05", "", "0*", "0*", "*", "x"}), At("05", "14"), false},
      {"day list", Stored({"0*", "0*", "01,15", "0*", "*", "x"}), At("00", "00", "15"), true},
      {"month excluded", Stored({"0*", "0*", "0*", "-12", "*", "x"}), At("00", "00", "01", "12"), false},
      {"weekend excluded", Stored({"0*", "0*", "0*", "0*", "-0,6", "x"}),
       At("00", "00", "01", "01", "6"), false},
      {"weekday", Stored({"0*", "0*", "0*", "0*", "-0,6", "x"}), At("00", "00", "01", "01", "1"), true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(MatchPeriodic(row.row, row.now), row.passes);
  }
}

TEST(MatchOneShot, MatchesItsOneMinute) {
  const auto once = Stored({"@5", "09", "24", "12", "1999", "once.exe"});
  struct Row {
    const char *what;
    Now now;
    bool passes;
  };
  const Row rows[] = {
      {"its minute", At("05", "09", "24", "12", "5", 1999), true},
      {"next minute", At("06", "09", "24", "12", "5", 1999), false},
      {"other hour", At("05", "10", "24", "12", "5", 1999), false},
      {"other day", At("05", "09", "25", "12", "6", 1999), false},
      {"other month", At("05", "09", "24", "11", "3", 1999), false},
      {"other year", At("05", "09", "24", "12", "0", 2000), false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(MatchOneShot(once, row.now), row.passes);
  }
  // An excluded hour ("-05") is no hour 0.
  EXPECT_FALSE(MatchOneShot(Stored({"@0", "-05", "01", "01", "2000", "x"}),
                            At("00", "00", "01", "01", "6", 2000)));
}

class TickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_.clock = {1999, 5, 12, 14, 5, 5};
    program_.EventFile = "c:\\cron\\tab.txt";
  }
  void SetTable(const std::string &contents) { shell_.files[program_.EventFile] = contents; }
  std::string Log() { return shell_.files[program_.EventFile + ".log"]; }
  std::vector<std::string> Started() {
    std::vector<std::string> lines;
    for (const auto &start : shell_.started) {
      lines.push_back(start.command_line);
    }
    return lines;
  }

  form::FakeShell shell_;
  form::Form form_{shell_};
  Tickrun program_{form_};
};

TEST_F(TickTest, ArmTimerAimsFiveSecondsIntoTheNextMinute) {
  struct Row {
    int second;
    int interval;
  };
  const Row rows[] = {{5, 60000}, {59, 6000}, {0, 65000}, {30, 35000}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.second);
    shell_.clock.second = row.second;
    program_.ArmTimer();
    EXPECT_EQ(program_.Timer1.Interval(), row.interval);
  }
}

TEST_F(TickTest, StartsTheDueRowsAndNoOthers) {
  SetTable(
      "5 14 * * 3 weekly\r\n"
      "15 14 * * 3 later\r\n"
      "!5 * * * * not-now\r\n"
      "* * * * * always\r\n"
      "#05 14 * * 3 commented out\r\n"
      "@5 14 12 5 1999 once\r\n"
      "@05 14 12 5 1998 other-year\r\n"
      "@launch at-start-only\r\n");
  shell_.clock.second = 7;
  shell_.FireTimer(program_.Timer1);
  EXPECT_FALSE(shell_.ended);
  EXPECT_EQ(Started(), (std::vector<std::string>{"weekly", "always", "once"}));
  for (const auto &start : shell_.started) {
    EXPECT_EQ(start.state, form::WindowState::kMinimizedFocus);
  }
  EXPECT_EQ(program_.Timer1.Interval(), 58000);
  EXPECT_EQ(program_.Command1.Caption(), "Tickrun OK At 14:05:07");
  EXPECT_TRUE(Log().empty()) << "nothing is logged without Log_Switch";
}

TEST_F(TickTest, LaunchEntriesAreWrittenByteForByte) {
  program_.Log_Switch = 1;
  SetTable("5 14 * * * job one\r\n");
  shell_.next_starts.push_back({1234, ""});
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(Log(),
            "\r\n"
            "05-12-1999 14:05:05 Launching job one\r\n"
            "     Launched with Task ID  1234\r\n");
}

TEST_F(TickTest, FailedLaunchUnderContinueOnErrorLogsAndGoesOn) {
  program_.Log_Switch = 1;
  program_.ContinueOnError_Switch = 1;
  // Row 1 names a schedule but no command: its empty command line fails.
  SetTable("5 14 * * *\r\n5 * * * * next\r\n");
  shell_.FireTimer(program_.Timer1);
  EXPECT_FALSE(shell_.ended);
  EXPECT_EQ(Started(), (std::vector<std::string>{"", "next"}));
  EXPECT_EQ(Log(),
            "\r\n05-12-1999 14:05:05 Launching \r\n"
            "\r\n05-12-1999 14:05:05 Invalid procedure call or argument\r\n"
            "     LAUNCH FAILED\r\n"
            "\r\n05-12-1999 14:05:05 Launching next\r\n"
            "     Launched with Task ID  1000\r\n");
  EXPECT_EQ(program_.Command1.Caption(), "Check Event Table - Line  1");
}

TEST_F(TickTest, FailedLaunchWithoutContinueOnErrorEndsTheProgram) {
  program_.Log_Switch = 1;
  SetTable("5 14 * * * first\r\n5 14 * * * second\r\n");
  shell_.next_starts.push_back({0, "File not found"});
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(shell_.ended, 1);
  EXPECT_EQ(shell_.reported, std::vector<std::string>{"File not found"});
  EXPECT_EQ(Started(), std::vector<std::string>{"first"});
}

TEST_F(TickTest, StartReturningNoTaskIdIsReportedAsFailed) {
  program_.Log_Switch = 1;
  SetTable("5 14 * * * zero\r\n");
  shell_.next_starts.push_back({0, ""});
  shell_.FireTimer(program_.Timer1);
  EXPECT_FALSE(shell_.ended);
  EXPECT_NE(Log().find("Launching zero\r\n     LAUNCH FAILED\r\n"), std::string::npos);
}

TEST_F(TickTest, MissingTableUnderContinueOnErrorLogsEachFailingStep) {
  program_.Log_Switch = 1;
  program_.ContinueOnError_Switch = 1;
  shell_.files[program_.EventFile + ".log"] = "";
  shell_.FireTimer(program_.Timer1);
  EXPECT_FALSE(shell_.ended);
  EXPECT_EQ(Log(),
            "\r\n05-12-1999 14:05:05 File not found\r\n"
            "\r\n05-12-1999 14:05:05 Bad file name or number\r\n");
  EXPECT_TRUE(shell_.started.empty());
  EXPECT_EQ(program_.Timer1.Interval(), 60000);
}

TEST_F(TickTest, UnwritableErrorEntryEndsTheProgram) {
  program_.Log_Switch = 1;
  program_.ContinueOnError_Switch = 1;
  shell_.unwritable.insert(program_.EventFile + ".log");
  SetTable("5 14 * * * job\r\n");
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(shell_.ended, 1);
  EXPECT_EQ(shell_.reported, std::vector<std::string>{"Permission denied"});
  EXPECT_TRUE(shell_.started.empty());
}

TEST_F(TickTest, TableIsReadEveryTickUnlessNoUpdate) {
  SetTable("5 14 * * * first\r\n");
  shell_.FireTimer(program_.Timer1);
  SetTable("5 14 * * * edited\r\n");
  shell_.FireTimer(program_.Timer1);
  program_.NoUpdate_Switch = 1;
  SetTable("5 14 * * * ignored\r\n");
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(Started(), (std::vector<std::string>{"first", "edited", "edited"}));
}

TEST_F(TickTest, NoUpdateFromTheStartStillReadsTheFirstTick) {
  program_.NoUpdate_Switch = 1;
  SetTable("5 14 * * * first\r\n");
  shell_.FireTimer(program_.Timer1);
  SetTable("5 14 * * * edited\r\n");
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(Started(), (std::vector<std::string>{"first", "first"}));
}

TEST_F(TickTest, SwitchClickedDuringATickTakesEffectAtOnce) {
  SetTable("5 14 * * * job\r\n");
  shell_.files[program_.EventFile + ".log"] = "";
  // The first yields come before the launches: logging switched on there
  // applies to this tick's launch.
  shell_.AtNextYield([&] { program_.Check2.UserToggled(1); });
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(Log(),
            "\r\n05-12-1999 14:05:05 Log_Switch set to True\r\n"
            "\r\n05-12-1999 14:05:05 Launching job\r\n"
            "     Launched with Task ID  1000\r\n");
}

TEST_F(TickTest, OverlongTableUnderContinueOnErrorKeepsThePreviousByteCount) {
  program_.Log_Switch = 1;
  program_.ContinueOnError_Switch = 1;
  const std::string first = "5 14 * * * job\r\n";
  SetTable(first);
  shell_.FireTimer(program_.Timer1);
  SetTable(first + std::string(40000, ' '));
  shell_.FireTimer(program_.Timer1);
  EXPECT_EQ(program_.Tick->byteCount, static_cast<int16_t>(first.size()));
  EXPECT_EQ(Started(), (std::vector<std::string>{"job", "job"}));
  EXPECT_NE(Log().find("14:05:05 Overflow\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tickrun
