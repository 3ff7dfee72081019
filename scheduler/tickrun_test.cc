#include "scheduler/tickrun.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/form/fake_shell.h"

namespace tickrun {
namespace {

TEST(CommandLine, PathAndSwitches) {
  struct Row {
    const char *line;
    const char *path;
    int continue_on_error, log, no_update;
    bool hide;
  };
  const Row rows[] = {
      {"f:\\system\\util\\crontab.txt /noupdate /hide /log", "f:\\system\\util\\crontab.txt", 0, 1, 1, true},
      {"c:\\my files\\cron.txt /log", "c:\\my files\\cron.txt", 0, 1, 0, false},
      // Begins with a switch: no " /" in it, so all of it is the path.
      {"/log", "/log", 0, 1, 0, false},
      {"\"c:\\q\" /CONTINUEONERROR /Logfile", "\"c:\\q\"", 1, 1, 0, false},
      {"tab.txt /ContinueOnError/NoUpdate/HIDE", "tab.txt", 1, 0, 1, true},
      {"tab.txt", "tab.txt", 0, 0, 0, false},
      {" tab.txt  /log", " tab.txt ", 0, 1, 0, false},  // nothing is trimmed
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(PathFromCommandLine(row.line), row.path);
    EXPECT_EQ(HasSwitch(row.line, "/ContinueOnError"), row.continue_on_error == 1);
    EXPECT_EQ(HasSwitch(row.line, "/Log"), row.log == 1);
    EXPECT_EQ(HasSwitch(row.line, "/NoUpdate"), row.no_update == 1);
    EXPECT_EQ(HasSwitch(row.line, "/Hide"), row.hide);
  }
  EXPECT_EQ(LogPathFor("c:\\cron\\tab"), "c:\\cron\\tab.log");
  EXPECT_EQ(LogPathFor("c:\\cron\\tab.txt"), "c:\\cron\\tab.txt.log");
}

class TickrunTest : public ::testing::Test {
 protected:
  void Start(const std::string &command_line) {
    shell_.command_line = command_line;
    shell_.Run(form_);
  }
  std::string Log(const std::string &table = "c:\\cron\\tab.txt") { return shell_.files[table + ".log"]; }

  form::FakeShell shell_;
  form::Form form_{shell_};
  Tickrun program_{form_};
};

TEST_F(TickrunTest, HelpBoxTextAndTheEndOfTheProgram) {
  const std::string help =
      "Command line switches are:\r\n"
      "\r\n"
      "/NoUpdate                 Do not reload event table each minute\r\n"
      "/Hide                            Hide Tickrun when running\r\n"
      "/Log                              Turn on logging\r\n"
      "/ContinueOnError     Do not exit program on errors\r\n"
      "\r\n"
      "Path to event file must be specified at command line:\r\n"
      " example:  tickrun f:\\system\\util\\crontab.txt /noupdate /hide /log";
  EXPECT_EQ(HelpText(), help);
  struct Row {
    const char *line;
    int status;
  };
  const Row rows[] = {{"", 1}, {"tab.txt /?", 0}, {"tab.txt /HELP", 0}, {"--help", 0}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.line);
    form::FakeShell shell;
    form::Form form(shell);
    Tickrun program(form);
    shell.files["tab.txt"] = "@launch never\r\n";
    shell.command_line = row.line;
    shell.Run(form);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, help);
    EXPECT_EQ(shell.boxes[0].title, "Tickrun 1.91");
    EXPECT_EQ(shell.ended, row.status);
    EXPECT_TRUE(shell.started.empty());
    EXPECT_FALSE(program.Timer1.Enabled());
  }
}

TEST_F(TickrunTest, StartupLogsInOrderAndRunsTheLaunchLines) {
  shell_.files["c:\\cron\\tab.txt"] =
      "@launch first.exe /a  b\r\n"
      "5 14 * * * not-at-start\r\n"
      "@LAUNCH second\r\n";
  shell_.next_starts.push_back({77, ""});
  shell_.next_starts.push_back({0, "File not found"});
  Start("c:\\cron\\tab.txt /log /noupdate");
  EXPECT_FALSE(shell_.ended);
  EXPECT_EQ(program_.EventFile, "c:\\cron\\tab.txt");
  EXPECT_EQ(Log(),
            "\r\n05-12-1999 14:05:05 Tickrun Launched\r\n"
            "\r\n05-12-1999 14:05:05 Log_Switch set to True\r\n"
            "\r\n05-12-1999 14:05:05 NoUpdate_Switch set to True\r\n"
            "\r\n05-12-1999 14:05:05 Launching first.exe /a  b\r\n"
            "     Launched with Task ID  77\r\n"
            "\r\n05-12-1999 14:05:05 Launching second\r\n"
            "     LAUNCH FAILED\r\n");
  EXPECT_EQ(program_.Check1.Value(), 0);
  EXPECT_EQ(program_.Check2.Value(), 1);
  EXPECT_EQ(program_.Check3.Value(), 1);
  EXPECT_TRUE(program_.Timer1.Enabled());
  EXPECT_EQ(program_.Timer1.Interval(), 60000);
  EXPECT_TRUE(form_.Visible());
  EXPECT_EQ(program_.Text1.Caption(), "Using: c:\\cron\\tab.txt");
}

TEST_F(TickrunTest, HideKeepsTheFormInvisible) {
  shell_.files["f:\\system\\util\\crontab.txt"] = "";
  Start("f:\\system\\util\\crontab.txt /noupdate /hide /log");
  EXPECT_FALSE(form_.Visible());
  EXPECT_EQ(program_.ContinueOnError_Switch, 0);
  EXPECT_EQ(program_.Log_Switch, 1);
  EXPECT_EQ(program_.NoUpdate_Switch, 1);
}

TEST_F(TickrunTest, MissingTableAtStartLaunchesNothingAndSaysNothing) {
  Start("c:\\cron\\tab.txt /ContinueOnError");
  EXPECT_FALSE(shell_.ended);
  EXPECT_TRUE(shell_.started.empty());
  EXPECT_TRUE(shell_.reported.empty());
  EXPECT_TRUE(program_.Timer1.Enabled());
}

TEST_F(TickrunTest, UnwritableLogAtStartIsSkipped) {
  shell_.unwritable.insert("c:\\cron\\tab.txt.log");
  shell_.files["c:\\cron\\tab.txt"] = "@launch job\r\n";
  Start("c:\\cron\\tab.txt /log");
  EXPECT_FALSE(shell_.ended);
  ASSERT_EQ(shell_.started.size(), 1u);
  EXPECT_TRUE(program_.Timer1.Enabled());
}

TEST_F(TickrunTest, LayoutCentresTheGroupAndResizeWritesNoEntry) {
  shell_.files["c:\\cron\\tab.txt"] = "";
  Start("c:\\cron\\tab.txt /log");
  std::string log_after_start = Log();
  shell_.Resize(form_, 12001, 9001);
  int h = 9001 / 2, w = 12001 / 2;
  struct Row {
    form::Control *control;
    int top, left;
  };
  const Row rows[] = {
      {&program_.Command1, h - 1250, w - 3200}, {&program_.Shape1, h - 1250, w + 200},
      {&program_.Check1, h - 1000, w + 500},    {&program_.Check2, h - 700, w + 500},
      {&program_.Check3, h - 400, w + 500},     {&program_.Text1, h + 450, w - 3200},
      {&program_.Text2, h + 950, w - 3200},     {&program_.AliveCheck, 0, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.control->Name());
    EXPECT_EQ(row.control->Top(), row.top);
    EXPECT_EQ(row.control->Left(), row.left);
  }
  EXPECT_EQ(program_.Command1.Width(), 3000);
  EXPECT_EQ(program_.Text2.Height(), 300);
  EXPECT_EQ(Log(), log_after_start);
}

TEST_F(TickrunTest, CheckBoxClicksSetTheSwitchesAndWriteTheirEntries) {
  shell_.files["c:\\cron\\tab.txt"] = "";
  Start("c:\\cron\\tab.txt");
  // Logging off: Check1 and Check3 write nothing.
  shell_.ClickCheckBox(program_.Check1);
  shell_.ClickCheckBox(program_.Check3);
  EXPECT_EQ(program_.ContinueOnError_Switch, 1);
  EXPECT_EQ(program_.NoUpdate_Switch, 1);
  EXPECT_EQ(shell_.files.count("c:\\cron\\tab.txt.log"), 0u);
  shell_.clock.second = 6;
  shell_.ClickCheckBox(program_.Check2);  // creates the log
  shell_.ClickCheckBox(program_.Check1);
  shell_.ClickCheckBox(program_.Check3);
  shell_.ClickCheckBox(program_.Check2);
  EXPECT_EQ(program_.Log_Switch, 0);
  EXPECT_EQ(Log(),
            "\r\n05-12-1999 14:05:06 Log_Switch set to True\r\n"
            "\r\n05-12-1999 14:05:06 ContinueOnError_Switch set to False\r\n"
            "\r\n05-12-1999 14:05:06 NoUpdate_Switch set to False\r\n"
            "\r\n05-12-1999 14:05:06 Log_Switch set to False\r\n");
  EXPECT_FALSE(shell_.ended);
}

TEST_F(TickrunTest, SwitchEntryThatCannotBeWrittenEndsTheProgram) {
  shell_.files["c:\\cron\\tab.txt"] = "";
  Start("c:\\cron\\tab.txt");
  shell_.unwritable.insert("c:\\cron\\tab.txt.log");
  shell_.ClickCheckBox(program_.Check2);
  EXPECT_EQ(shell_.ended, 1);
  EXPECT_EQ(shell_.reported, std::vector<std::string>{"Permission denied"});
}

TEST_F(TickrunTest, AliveCheckCountsToNinetyNineAndStartsAgain) {
  for (int i = 1; i <= 100; ++i) {
    shell_.PressButton(program_.AliveCheck, i % 2 == 0 ? 2 : 1);
    if (i == 99) {
      EXPECT_EQ(program_.AliveCheck.Caption(), "99");
    }
  }
  EXPECT_EQ(program_.AliveCheck.Caption(), "0");
}

TEST_F(TickrunTest, StatusShowsTheLogSizeAndTurnsRedAtFiveThousandKilobytes) {
  program_.EventFile = "c:\\cron\\tab.txt";
  struct Row {
    size_t bytes;
    const char *text;
    int32_t colour;
  };
  const Row rows[] = {
      {12800, "Log file length:  12kB", form::kLightGrey},
      {5119999, "Log file length:  4999kB", form::kLightGrey},
      {5120000, "Log file length:  5000kB", form::kRed},
  };
  ErrorPolicy ignore;
  for (const Row &row : rows) {
    SCOPED_TRACE(row.bytes);
    shell_.files["c:\\cron\\tab.txt.log"] = std::string(row.bytes, 'x');
    program_.RefreshStatus(ignore);
    EXPECT_EQ(program_.Text2.Caption(), row.text);
    EXPECT_EQ(program_.Text2.BackColor(), row.colour);
  }
  // A vanished log keeps the last text and never shows red.
  shell_.files.erase("c:\\cron\\tab.txt.log");
  program_.RefreshStatus(ignore);
  EXPECT_EQ(program_.Text2.Caption(), "Log file length:  5000kB");
  EXPECT_EQ(program_.Text2.BackColor(), form::kLightGrey);
  EXPECT_EQ(program_.Command1.Caption(), "Tickrun OK At 14:05:05");
  EXPECT_EQ(program_.Text1.Caption(), "Using: c:\\cron\\tab.txt");
}

TEST_F(TickrunTest, Command1AndTextBoxHandlers) {
  program_.EventFile = "c:\\cron\\tab.txt";
  program_.Text2.SetCaption("Log file length:  1kB");
  // Held down: the credit line; released: the status again.
  program_.Command1_MouseDown(1);
  EXPECT_EQ(program_.Command1.Caption(), kCreditLine);
  shell_.PressButton(program_.Command1);
  EXPECT_EQ(program_.Command1.Caption(), "Tickrun OK At 14:05:05");
  EXPECT_EQ(program_.Text1.Caption(), "Using: c:\\cron\\tab.txt");
  EXPECT_EQ(program_.Text2.Caption(), "Log file length:  1kB");
  shell_.DoubleClick(program_.Text1);
  shell_.DoubleClick(program_.Text2);
  EXPECT_EQ(shell_.editors, (std::vector<std::string>{"c:\\cron\\tab.txt", "c:\\cron\\tab.txt.log"}));
}

}  // namespace
}  // namespace tickrun
