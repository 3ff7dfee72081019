// tickrun.h: Tickrun, the minute-by-minute command scheduler, as the handlers
// and state of its one form, Form1.
//
// Start-up reads the command line (event table path and switches), logs the
// start, lays out the form and runs the table's "@launch" lines once; from
// then on Timer1 fires five seconds after every minute and Timer1_Timer starts
// the command lines due in that minute. Every start, switch change and handled
// error can be logged to the event table path with ".log" appended.
#ifndef KIT_SCHEDULER_TICKRUN_H
#define KIT_SCHEDULER_TICKRUN_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/form/form.h"
#include "scheduler/error_policy.h"
#include "scheduler/event_table.h"

namespace tickrun {

inline constexpr const char kHelpTitle[] = "Tickrun 1.91";
inline constexpr const char kVersion[] = "1.09.0001";
inline constexpr const char kCreditLine[] = "Tickrun 1.09.0001, minute command scheduler";
inline constexpr const char kLaunchedText[] = "     Launched with Task ID ";
inline constexpr const char kLaunchFailedText[] = "     LAUNCH FAILED";
// Form1's client area as designed, in twips.
inline constexpr int kFormWidth = 7908;
inline constexpr int kFormHeight = 4632;
inline constexpr int kLargeLogKilobytes = 5000;

// The help box's text, lines joined by CR LF.
std::string HelpText();
// The event table path: the command-line text up to its first " /", or all of it.
std::string PathFromCommandLine(const std::string &command_line);
// Whether |command_line| holds |name| anywhere, ignoring case ("/Logfile" holds "/Log").
bool HasSwitch(const std::string &command_line, const std::string &name);
// The log's path: the event table path with ".log" appended.
std::string LogPathFor(const std::string &event_file);

// NumberAtStart: the signed decimal number that |text| starts with, 0 when it
// does not start with one ("05" gives 5, "-05" gives -5, "x1" gives 0).
long NumberAtStart(const std::string &text);

// WeekdayNumber: 0 (Sunday) to 6 for a date, counted from Friday 1 January
// 1993; a year before 1993 counts as 1993. |month| is 1 to 12.
int WeekdayNumber(int year, int month, int day);

// The current minute, hour, day and month as two-digit texts, the weekday as
// one digit, and the year.
struct Now {
  std::string minute, hour, day, month, weekday;
  int year = 0;
};

// MatchPeriodic: whether a row's five schedule fields (as the tick reader
// stores them) admit |now|. A field holding "-" is an exclusion list.
bool MatchPeriodic(const EventTable::Row &row, const Now &now);
// MatchOneShot: whether a one-shot row ("@" and minute, hour, day, month, year)
// names |now|.
bool MatchOneShot(const EventTable::Row &row, const Now &now);

// What the minute tick keeps between ticks.
struct TickState {
  bool loaded = false;
  EventTable table;
  int lastRow = 0;
  int16_t byteCount = 0;
};

class Tickrun {
 public:
  // Builds Form1's controls as designed on |form| and binds their events.
  explicit Tickrun(form::Form &form);

  form::Form &Form1;
  form::Control &Shape1;
  form::Control &Command1;
  form::Control &Text1;
  form::Control &Text2;
  form::Control &Check1;
  form::Control &Check2;
  form::Control &Check3;
  form::Control &AliveCheck;
  form::Control &Timer1;

  std::string EventFile;
  int ContinueOnError_Switch = 0;
  int Log_Switch = 0;
  int NoUpdate_Switch = 0;
  std::unique_ptr<TickState> Tick = std::make_unique<TickState>();

  // Start-up and form.
  void Form_Load();
  void Form_Resize();
  void LayoutControls();
  void StartupScan();
  void Check1_Click();
  void Check2_Click();
  void Check3_Click();
  void AliveCheck_MouseUp(int button);

  // The minute tick.
  void Timer1_Timer();
  void ArmTimer();
  // LaunchCommand: starts |command_line| and, when logging, writes the launch
  // entry and its result; a failing start goes to |policy| first.
  void LaunchCommand(const std::string &command_line, ErrorPolicy &policy);

  // Log and status.
  // AppendLogEntry: appends each line and CR LF to the log (created when missing).
  void AppendLogEntry(const std::vector<std::string> &lines);
  // RefreshStatus: status caption, file in use, log size and its colour, each
  // an action of its own under |policy|.
  void RefreshStatus(ErrorPolicy &policy);
  void Command1_Click();
  void Command1_MouseDown(int button);
  void Text1_DblClick();
  void Text2_DblClick();

 private:
  form::Shell &shell() { return Form1.GetShell(); }
  // An entry of an empty line and the date, a blank, the time and |text|.
  void WriteDatedEntry(const std::string &text);
  void WriteSwitchEntry(const char *name, int state);
  ErrorPolicy TickPolicy();
  Now ReadNow();
};

}  // namespace tickrun

#endif  // KIT_SCHEDULER_TICKRUN_H
