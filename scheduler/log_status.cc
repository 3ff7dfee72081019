// The log beside the event table, the status display on Form1 and the
// handlers of Command1, Text1 and Text2.
#include "scheduler/tickrun.h"

namespace tickrun {

std::string LogPathFor(const std::string &event_file) { return event_file + ".log"; }

void Tickrun::AppendLogEntry(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) {
    text += line;
    text += "\r\n";
  }
  shell().AppendText(LogPathFor(EventFile), text);
}

void Tickrun::WriteDatedEntry(const std::string &text) {
  std::string date = shell().DateText();
  std::string time = shell().TimeText();
  AppendLogEntry({"", date + " " + time + text});
}

void Tickrun::WriteSwitchEntry(const char *name, int state) {
  WriteDatedEntry(std::string(" ") + name + " set to " + (state == 1 ? "True" : "False"));
}

// The size is read once for the text and once for the colour; a log that
// cannot be measured keeps the old text and shows grey.
void Tickrun::RefreshStatus(ErrorPolicy &policy) {
  policy.Run([&] { Command1.SetCaption("Tickrun OK At " + shell().TimeText()); });
  policy.Run([&] { Text1.SetCaption("Using: " + EventFile); });
  policy.Run([&] {
    Text2.SetCaption("Log file length: " +
                     form::NumberText(shell().FileLength(LogPathFor(EventFile)) / 1024) + "kB");
  });
  int64_t kilobytes = 0;
  policy.Run([&] { kilobytes = shell().FileLength(LogPathFor(EventFile)) / 1024; });
  Text2.SetBackColor(kilobytes >= kLargeLogKilobytes ? form::kRed : form::kLightGrey);
}

void Tickrun::Command1_Click() {
  Command1.SetCaption("Tickrun OK At " + shell().TimeText());
  Text1.SetCaption("Using: " + EventFile);
}

void Tickrun::Command1_MouseDown(int) { Command1.SetCaption(kCreditLine); }

// A failing editor start does nothing.
void Tickrun::Text1_DblClick() {
  ErrorPolicy ignore;
  ignore.Run([&] { shell().StartEditor(EventFile); });
}

void Tickrun::Text2_DblClick() {
  ErrorPolicy ignore;
  ignore.Run([&] { shell().StartEditor(LogPathFor(EventFile)); });
}

}  // namespace tickrun
