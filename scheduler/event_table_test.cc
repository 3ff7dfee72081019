#include "scheduler/event_table.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/form/fake_shell.h"

namespace tickrun {
namespace {

using Fields = std::vector<std::string>;

const char kPath[] = "c:\\cron\\tab.txt";

// The nine example lines, each ending with CR LF.
const std::string kExampleLines[] = {
    "0 8 * * 1,3,5 notepad c:\\a.txt",
    "5,10,15 * * * * cmd /c x",
    "!5 * * * * job1",
    "30 7 1 1 05 job2",
    "@15 9 24 12 1999 once.exe",
    "  \t0  12   *  * * spaced  cmd",
    "# comment line",
    "1 2 3 4",
    "@launch startup.exe /x",
};

std::string ExampleFile() {
  std::string file;
  for (const std::string &line : kExampleLines) {
    file += line + "\r\n";
  }
  return file;
}

class EventTableTest : public ::testing::Test {
 protected:
  // Reads |contents| with the tick reader under a policy that records errors.
  int ReadTick(const std::string &contents) {
    shell_.files[kPath] = contents;
    return ReadTickTable(form_, kPath, recording_, table_, byte_count_);
  }
  int ReadStartup(const std::string &contents) {
    shell_.files[kPath] = contents;
    return ReadStartupTable(form_, kPath, recording_, table_);
  }
  Fields RowFields(int row) const {
    return Fields(table_[row].begin(), table_[row].end());
  }

  form::FakeShell shell_;
  form::Form form_{shell_};
  std::vector<std::string> errors_;
  ErrorPolicy recording_{[this](const form::PlatformError &e) { errors_.push_back(e.what()); }};
  EventTable table_;
  int16_t byte_count_ = 0;
};

TEST_F(EventTableTest, TickReaderStoresTheNormalisedFields) {
  const Fields want[] = {
      {"00", "08", "0*", "0*", "1,3,5", "notepad c:\\a.txt"},
      {"05,10,15", "0*", "0*", "0*", "*", "cmd /c x"},
      {"-05", "0*", "0*", "0*", "*", "job1"},
      {"30", "07", "01", "01", "5", "job2"},
      {"@15", "09", "24", "12", "1999", "once.exe"},
      {"00", "12", "0*", "0*", "*", "spaced  cmd"},
      {"0#", "comment", "line", "", "", ""},
      {"01", "02", "03", "4", "", ""},
      {"@launch", "startup.exe", "/x", "", "", ""},
  };
  EXPECT_EQ(ReadTick(ExampleFile()), 9);
  EXPECT_TRUE(errors_.empty());
  for (int row = 0; row < 9; ++row) {
    SCOPED_TRACE(kExampleLines[row]);
    EXPECT_EQ(RowFields(row), want[row]);
  }
  EXPECT_EQ(RowFields(9), Fields(6));
  EXPECT_EQ(byte_count_, static_cast<int16_t>(ExampleFile().size()));
}

TEST_F(EventTableTest, StartupReaderSplitsOnlyAtTheFirstBlank) {
  EXPECT_EQ(ReadStartup(ExampleFile()), 9);
  EXPECT_EQ(RowFields(8), (Fields{"@launch", "startup.exe /x", "", "", "", ""}));
  EXPECT_EQ(RowFields(5), (Fields{"0", " 12   *  * * spaced  cmd", "", "", "", ""}));
  EXPECT_EQ(RowFields(0), (Fields{"0", "8 * * 1,3,5 notepad c:\\a.txt", "", "", "", ""}));
}

TEST_F(EventTableTest, CheckReportsOnlyLinesWithAScheduleButNoCommand) {
  int last_row = ReadTick(ExampleFile());
  EXPECT_EQ(CheckEventTable(table_, last_row), std::vector<int>{8});

  // A last line without a line end is read whole and matched, but not checked.
  table_.Clear();
  last_row = ReadTick("1 2 3 4\r\n5 6 7 8");
  EXPECT_EQ(last_row, 1);
  EXPECT_EQ(RowFields(1), (Fields{"05", "06", "07", "8", "", ""}));
  EXPECT_EQ(CheckEventTable(table_, last_row), std::vector<int>{1});

  table_.Clear();
  last_row = ReadTick("@LAUNCH\r\n#\r\n* * * * *\r\n\r\n");
  EXPECT_EQ(CheckEventTable(table_, last_row), std::vector<int>{3});
}

TEST_F(EventTableTest, LineEndsTabsAndWeekdays) {
  struct Row {
    const char *what;
    std::string contents;
    int last_row;
    Fields row0;
  };
  const Row rows[] = {
      // A lone LF ends no line: the fields run across the whole file.
      {"lone LF", "1 2 * * * a\n3 4 * * * b\n", 0, {"01", "02", "0*", "0*", "*", "a3 4 * * * b"}},
      // A lone CR ends a line as CR LF does.
      {"lone CR", "1 2 * * * a\r", 0, {"01", "02", "0*", "0*", "*", "a"}},
      {"leading tab", "\t5 * * * * t", 0, {"05", "0*", "0*", "0*", "*", "t"}},
      {"tab separators", "5\t*\t*\t*\t*\tt\tu", 0, {"05", "0*", "0*", "0*", "*", "t u"}},
      {"weekday 07", "1 1 1 1 07 x", 0, {"01", "01", "01", "01", "7", "x"}},
      {"weekday 7", "1 1 1 1 7 x", 0, {"01", "01", "01", "01", "7", "x"}},
      {"weekday 00", "1 1 1 1 00 x", 0, {"01", "01", "01", "01", "0", "x"}},
      {"weekday 0 then blanks", "1 1 1 1 0    x", 0, {"01", "01", "01", "01", "0", "x"}},
      {"weekday list", "1 1 1 1 !00,06 x", 0, {"01", "01", "01", "01", "-0,6", "x"}},
      {"exclusion lists", "10,!5 !7 * * * x", 0, {"10,-05", "-07", "0*", "0*", "*", "x"}},
      {"command keeps its signs", "* * * * * a -b !c,#d", 0, {"0*", "0*", "0*", "0*", "*", "a -b !c,#d"}},
      {"two lines", "1 * * * * a\r\n2 * * * * b\r\n", 2, {"01", "0*", "0*", "0*", "*", "a"}},
      {"empty file", "", 0, {"", "", "", "", "", ""}},
      {"one byte", "x", 0, {"x", "", "", "", "", ""}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    table_.Clear();
    EXPECT_EQ(ReadTick(row.contents), row.last_row);
    EXPECT_EQ(RowFields(0), row.row0);
  }
}

std::string Lines(int count, const std::string &last) {
  std::string file;
  for (int i = 0; i < count; ++i) {
    file += "* * * * * x\r\n";
  }
  return file + last;
}

TEST_F(EventTableTest, NineHundredNinetyNineLineEndsAreTheLimit) {
  struct Row {
    const char *what;
    std::string contents;
    bool stops;
  };
  const Row rows[] = {
      {"999 lines", Lines(999, ""), false},
      {"1000th line without a line end", Lines(999, "5 * * * * last"), false},
      {"1000 lines", Lines(1000, ""), true},
      {"1000th line end followed by more", Lines(1000, "x"), true},
  };
  for (bool tick_reader : {true, false}) {
    for (const Row &row : rows) {
      SCOPED_TRACE(std::string(row.what) + (tick_reader ? " (tick)" : " (startup)"));
      form::FakeShell shell;
      form::Form form(shell);
      shell.files[kPath] = row.contents;
      auto table = std::make_unique<EventTable>();
      int last_row = -1;
      shell.Act([&] {
        last_row = tick_reader ? ReadTickTable(form, kPath, recording_, *table, byte_count_)
                               : ReadStartupTable(form, kPath, recording_, *table);
      });
      if (row.stops) {
        EXPECT_EQ(shell.ended, 1);
        EXPECT_EQ(shell.printed, std::vector<std::string>{"CRONTAB file too long"});
      } else {
        EXPECT_FALSE(shell.ended);
        EXPECT_EQ(last_row, 999);
        EXPECT_TRUE((*table)[1000][0].empty());
      }
    }
  }
  // The startup reader has no byte limit, so check the tick reader's is not hit.
  EXPECT_TRUE(errors_.empty());
}

TEST_F(EventTableTest, OverlongFileOverflowsTheTickReadersByteCount) {
  const std::string small = "5 * * * * small\r\n";
  std::string padding(32767 - small.size(), ' ');
  std::string at_limit = small + padding;  // 32767 bytes: reads
  ASSERT_EQ(at_limit.size(), 32767u);
  ReadTick(at_limit);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(byte_count_, 32767);

  // 32768 bytes under a policy that goes on: "Overflow", then the previous count.
  table_.Clear();
  byte_count_ = static_cast<int16_t>(small.size());
  std::string over = small + "6 * * * * ignored" + std::string(32768 - small.size() - 17, ' ');
  ASSERT_EQ(over.size(), 32768u);
  EXPECT_EQ(ReadTick(over), 1);
  EXPECT_EQ(errors_, std::vector<std::string>{"Overflow"});
  EXPECT_EQ(byte_count_, static_cast<int16_t>(small.size()));
  EXPECT_EQ(table_[0][5], "small");
  EXPECT_TRUE(table_[1][0].empty());

  // The same file under a policy that ends the program.
  form::FakeShell shell;
  form::Form form(shell);
  shell.files[kPath] = over;
  ErrorPolicy ending([&](const form::PlatformError &e) {
    shell.ReportError(e.what());
    shell.End(1);
  });
  shell.Act([&] { ReadTickTable(form, kPath, ending, table_, byte_count_); });
  EXPECT_EQ(shell.ended, 1);
  EXPECT_EQ(shell.reported, std::vector<std::string>{"Overflow"});

  // The startup reader reads it all.
  table_.Clear();
  errors_.clear();
  EXPECT_EQ(ReadStartup(over), 1);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(table_[1][0], "6");
}

TEST_F(EventTableTest, MissingFileReadsAsEmptyWithOneErrorPerFailingStep) {
  byte_count_ = 40;  // a previous read's count must not make it read 40 bytes
  EXPECT_EQ(ReadTickTable(form_, "c:\\none", recording_, table_, byte_count_), 0);
  EXPECT_EQ(errors_, (std::vector<std::string>{"File not found", "Bad file name or number"}));
  EXPECT_EQ(RowFields(0), Fields(6));
  EXPECT_EQ(byte_count_, 40);
}

TEST(FindIgnoringCase, PositionsCountFromOne) {
  EXPECT_EQ(FindIgnoringCase("x@LaUnCh", "@launch"), 2u);
  EXPECT_EQ(FindIgnoringCase("10,-05", "05"), 5u);
  EXPECT_EQ(FindIgnoringCase("", "05"), 0u);
  EXPECT_EQ(FindIgnoringCase("0", "05"), 0u);
}

}  // namespace
}  // namespace tickrun
