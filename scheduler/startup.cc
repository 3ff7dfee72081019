// Start-up, the command line and its switches, Form1's design and layout, the
// check boxes and the AliveCheck counter.
#include "scheduler/tickrun.h"

namespace tickrun {
namespace {

using form::ControlKind;

form::Control &Design(form::Form &form, const char *name, ControlKind kind, const char *caption,
                      int width, int height) {
  form::Control &control = form.Add(name, kind);
  control.SetCaption(caption);
  control.SetSize(width, height);
  return control;
}

}  // namespace

std::string HelpText() {
  const std::string lines[] = {
      "Command line switches are:",
      "",
      "/NoUpdate" + std::string(17, ' ') + "Do not reload event table each minute",
      "/Hide" + std::string(28, ' ') + "Hide Tickrun when running",
      "/Log" + std::string(30, ' ') + "Turn on logging",
      "/ContinueOnError" + std::string(5, ' ') + "Do not exit program on errors",
      "",
      "Path to event file must be specified at command line:",
      " example:  tickrun f:\\system\\util\\crontab.txt /noupdate /hide /log",
  };
  std::string text;
  for (const std::string &line : lines) {
    if (&line != &lines[0]) {
      text += "\r\n";
    }
    text += line;
  }
  return text;
}

std::string PathFromCommandLine(const std::string &command_line) {
  return command_line.substr(0, command_line.find(" /"));
}

bool HasSwitch(const std::string &command_line, const std::string &name) {
  return FindIgnoringCase(command_line, name) != 0;
}

// Tab order: Command1, Text1, Text2, Check1, Check2, Check3, AliveCheck. The
// frame comes first so that it lies behind the boxes it holds.
Tickrun::Tickrun(form::Form &form)
    : Form1(form),
      Shape1(Design(form, "Shape1", ControlKind::kShape, "", 3000, 1500)),
      Command1(Design(form, "Command1", ControlKind::kCommandButton, "", 3000, 1500)),
      Text1(Design(form, "Text1", ControlKind::kTextBox, "", 6400, 300)),
      Text2(Design(form, "Text2", ControlKind::kTextBox, "", 6400, 300)),
      Check1(Design(form, "Check1", ControlKind::kCheckBox, "/ContinueOnError", 2000, 200)),
      Check2(Design(form, "Check2", ControlKind::kCheckBox, "/Log", 2000, 200)),
      Check3(Design(form, "Check3", ControlKind::kCheckBox, "/NoUpdate", 2000, 200)),
      AliveCheck(Design(form, "AliveCheck", ControlKind::kCommandButton, "0", 250, 250)),
      Timer1(form.Add("Timer1", ControlKind::kTimer)) {
  Form1.SetCaption(" ");
  Form1.SetSize(kFormWidth, kFormHeight);
  Text1.SetBackColor(form::kLightGrey);
  Text2.SetBackColor(form::kLightGrey);
  Timer1.SetEnabled(false);
  Timer1.SetInterval(60000);

  Form1.OnLoad = [this] { Form_Load(); };
  Form1.OnResize = [this] { Form_Resize(); };
  Check1.OnClick = [this] { Check1_Click(); };
  Check2.OnClick = [this] { Check2_Click(); };
  Check3.OnClick = [this] { Check3_Click(); };
  AliveCheck.OnMouseUp = [this](int button) { AliveCheck_MouseUp(button); };
  Timer1.OnTimer = [this] { Timer1_Timer(); };
  Command1.OnClick = [this] { Command1_Click(); };
  Command1.OnMouseDown = [this](int button) { Command1_MouseDown(button); };
  Text1.OnDoubleClick = [this] { Text1_DblClick(); };
  Text2.OnDoubleClick = [this] { Text2_DblClick(); };
}

// Every step is skipped on error; the help box ends the program.
void Tickrun::Form_Load() {
  ErrorPolicy ignore;
  ignore.Run([&] { shell().Yield(); });
  ignore.Run([&] {
    if (HasSwitch(shell().CommandLine(), "/Hide")) {
      Form1.SetVisible(false);
    }
  });
  ignore.Run([&] { shell().Yield(); });
  ignore.Run([&] { EventFile = PathFromCommandLine(shell().CommandLine()); });
  std::string command_line = shell().CommandLine();
  bool asked = HasSwitch(command_line, "/?") || HasSwitch(command_line, "/help") ||
               command_line == "--help";
  if (EventFile.empty() || asked) {
    shell().MessageBox(HelpText(), kHelpTitle);
    shell().End(asked ? 0 : 1);
  }
  ignore.Run([&] { ContinueOnError_Switch = HasSwitch(shell().CommandLine(), "/ContinueOnError"); });
  ignore.Run([&] { Log_Switch = HasSwitch(shell().CommandLine(), "/Log"); });
  ignore.Run([&] { NoUpdate_Switch = HasSwitch(shell().CommandLine(), "/NoUpdate"); });
  ignore.Run([&] {
    if (Log_Switch) {
      WriteDatedEntry(" Tickrun Launched");
    }
  });
  ignore.Run([&] { shell().Yield(); });
  ignore.Run([&] { LayoutControls(); });
  ignore.Run([&] { RefreshStatus(ignore); });
  ignore.Run([&] { shell().Yield(); });
  ignore.Run([&] { StartupScan(); });
  ignore.Run([&] {
    ArmTimer();
    Timer1.SetEnabled(true);
  });
}

// Runs without error handling: an error here ends the program.
void Tickrun::Form_Resize() {
  shell().Yield();
  LayoutControls();
}

void Tickrun::LayoutControls() {
  int half_height = Form1.Height() / 2;
  int half_width = Form1.Width() / 2;
  Command1.SetTop(half_height - 1250);
  Command1.SetLeft(half_width - 3200);
  Shape1.SetTop(half_height - 1250);
  Shape1.SetLeft(half_width + 200);
  Check1.SetTop(half_height - 1000);
  Check1.SetLeft(half_width + 500);
  Check1.SetValue(ContinueOnError_Switch);
  Check2.SetTop(half_height - 700);
  Check2.SetLeft(half_width + 500);
  Check2.SetValue(Log_Switch);
  Check3.SetTop(half_height - 400);
  Check3.SetLeft(half_width + 500);
  Check3.SetValue(NoUpdate_Switch);
  Text1.SetTop(half_height + 450);
  Text1.SetLeft(half_width - 3200);
  Text2.SetTop(half_height + 950);
  Text2.SetLeft(half_width - 3200);
}

void Tickrun::StartupScan() {
  ErrorPolicy ignore;
  auto table = std::make_unique<EventTable>();
  int last_row = ReadStartupTable(Form1, EventFile, ignore, *table);
  shell().Yield();
  for (int row = 0; row <= last_row; ++row) {
    const EventTable::Row &fields = (*table)[row];
    if (FindIgnoringCase(fields[0], "@launch") != 0) {
      LaunchCommand(fields[1] + fields[2] + fields[3] + fields[4] + fields[5], ignore);
    }
  }
}

void Tickrun::Check1_Click() {
  ContinueOnError_Switch = Check1.Value();
  if (Log_Switch) {
    WriteSwitchEntry("ContinueOnError_Switch", ContinueOnError_Switch);
  }
}

void Tickrun::Check2_Click() {
  Log_Switch = Check2.Value();
  WriteSwitchEntry("Log_Switch", Log_Switch);
}

void Tickrun::Check3_Click() {
  NoUpdate_Switch = Check3.Value();
  if (Log_Switch) {
    WriteSwitchEntry("NoUpdate_Switch", NoUpdate_Switch);
  }
}

void Tickrun::AliveCheck_MouseUp(int) {
  long count = NumberAtStart(AliveCheck.Caption());
  AliveCheck.SetCaption(count == 99 ? "0" : std::to_string(count + 1));
}

}  // namespace tickrun
