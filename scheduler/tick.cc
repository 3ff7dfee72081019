// The minute tick: reading the table, matching its rows against the current
// minute and starting the command lines that are due.
#include <cstdlib>

#include "scheduler/tickrun.h"

namespace tickrun {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsComment(const EventTable::Row &row) { return row[0].find('#') != std::string::npos; }
bool IsStartupEntry(const EventTable::Row &row) { return FindIgnoringCase(row[0], "@launch") != 0; }
bool IsOneShot(const EventTable::Row &row) { return row[0].rfind("@", 0) == 0; }

}  // namespace

long NumberAtStart(const std::string &text) {
  if (text.empty() || text[0] == ' ') {
    return 0;
  }
  return std::strtol(text.c_str(), nullptr, 10);
}

int WeekdayNumber(int year, int month, int day) {
  static const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  long count = 0;
  for (int y = 1993; y < year; ++y) {
    count += IsLeapYear(y) ? 366 : 365;
  }
  int counted_year = year >= 1993 ? year : 1993;
  if (month >= 1 && month <= 12) {
    count += kDaysBefore[month - 1] + (month > 2 && IsLeapYear(counted_year) ? 1 : 0);
  }
  count += day - 1;
  int weekday = static_cast<int>(5 + count % 7);
  return weekday > 6 ? weekday - 7 : weekday;
}

bool MatchPeriodic(const EventTable::Row &row, const Now &now) {
  const std::string *current[5] = {&now.minute, &now.hour, &now.day, &now.month, &now.weekday};
  long sign[5];
  for (int k = 0; k < 5; ++k) {
    sign[k] = row[static_cast<size_t>(k)].find('-') != std::string::npos ? -1 : 1;
  }
  for (int k = 0; k < 5; ++k) {
    const std::string &field = row[static_cast<size_t>(k)];
    long position = static_cast<long>(FindIgnoringCase(field, *current[k]));
    bool every = k < 4 ? field == "0*" : field == "*";
    // Plain list: the value occurs. Exclusion: it does not, or stands first.
    if (!(position * sign[k] >= sign[k] || every)) {
      return false;
    }
  }
  return true;
}

bool MatchOneShot(const EventTable::Row &row, const Now &now) {
  return NumberAtStart(now.minute) == NumberAtStart(row[0].empty() ? "" : row[0].substr(1)) &&
         NumberAtStart(now.hour) == NumberAtStart(row[1]) &&
         NumberAtStart(now.day) == NumberAtStart(row[2]) &&
         NumberAtStart(now.month) == NumberAtStart(row[3]) && now.year == NumberAtStart(row[4]);
}

ErrorPolicy Tickrun::TickPolicy() {
  if (!ContinueOnError_Switch) {
    return ErrorPolicy([this](const form::PlatformError &error) {
      shell().ReportError(error.what());
      shell().End(1);
    });
  }
  // An error entry that cannot be written ends the program.
  return ErrorPolicy([this](const form::PlatformError &error) {
    if (Log_Switch) {
      WriteDatedEntry(std::string(" ") + error.what());
    }
  });
}

// Each value from its own reading of the clock, in the order weekday, month,
// day, hour, minute.
Now Tickrun::ReadNow() {
  Now now;
  std::string date = shell().DateText();
  now.year = std::atoi(date.substr(6, 4).c_str());
  now.weekday = std::to_string(WeekdayNumber(now.year, std::atoi(date.substr(0, 2).c_str()),
                                             std::atoi(date.substr(3, 2).c_str())));
  now.month = shell().DateText().substr(0, 2);
  now.day = shell().DateText().substr(3, 2);
  now.hour = shell().TimeText().substr(0, 2);
  now.minute = shell().TimeText().substr(3, 2);
  return now;
}

// Comments are never matched, startup entries only ran at start-up, and
// one-shot entries are matched only as one-shots, so that no row fires by
// accident of its text (a "#30" comment at minute 30, an "@15" one-shot in
// another year).
void Tickrun::Timer1_Timer() {
  TickState &tick = *Tick;
  shell().Yield();
  if (!tick.loaded || !NoUpdate_Switch) {
    tick.table.Clear();
  }
  ErrorPolicy ignore;
  ignore.Run([&] { RefreshStatus(ignore); });
  ErrorPolicy policy = TickPolicy();
  shell().Yield();
  if (!(tick.loaded && NoUpdate_Switch)) {
    tick.loaded = true;
    tick.lastRow = ReadTickTable(Form1, EventFile, policy, tick.table, tick.byteCount);
    shell().Yield();
    for (int line : CheckEventTable(tick.table, tick.lastRow)) {
      Command1.SetCaption("Check Event Table - Line " + form::NumberText(line));
    }
    shell().Yield();
  }
  Now now = ReadNow();
  shell().Yield();
  for (int j = 0; j <= tick.lastRow; ++j) {
    const EventTable::Row &row = tick.table[j];
    bool comment = IsComment(row);
    if (!comment && !IsOneShot(row) && MatchPeriodic(row, now)) {
      LaunchCommand(row[5], policy);
    }
    shell().Yield();
    if (!comment && IsOneShot(row) && !IsStartupEntry(row) && MatchOneShot(row, now)) {
      LaunchCommand(row[5], policy);
    }
  }
  ArmTimer();
}

void Tickrun::ArmTimer() {
  int seconds = std::atoi(shell().TimeText().substr(6, 2).c_str());
  Timer1.SetInterval((65 - seconds) * 1000);
}

void Tickrun::LaunchCommand(const std::string &command_line, ErrorPolicy &policy) {
  if (Log_Switch) {
    policy.Run([&] { WriteDatedEntry(" Launching " + command_line); });
  }
  int64_t task_id = 0;
  policy.Run([&] { task_id = shell().StartProgram(command_line, form::WindowState::kMinimizedFocus); });
  std::string result =
      task_id != 0 ? kLaunchedText + form::NumberText(task_id) : std::string(kLaunchFailedText);
  if (Log_Switch) {
    policy.Run([&] { AppendLogEntry({result}); });
  }
}

}  // namespace tickrun
