// fake_shell.h: a scripted shell for tests. Its clock, files and program starts
// are in memory and set by the test; user actions (clicks, resizes, timer
// events) are driven by the test, directly or at the next yield; message
// boxes, printed texts, errors and the end of the program are recorded.
#ifndef KIT_PLATFORM_FORM_FAKE_SHELL_H
#define KIT_PLATFORM_FORM_FAKE_SHELL_H

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/form/form.h"

namespace form {

class FakeShell : public Shell {
 public:
  struct Started {
    std::string command_line;
    WindowState state;
  };
  struct Box {
    std::string text;
    std::string title;
  };
  struct Clock {
    int year, month, day, hour, minute, second;
  };

  // Test-set state.
  std::string command_line;
  Clock clock = {1999, 5, 12, 14, 5, 5};
  std::map<std::string, std::string> files;
  std::set<std::string> unwritable;  // AppendText to these fails
  // Results of the next StartProgram calls, in order: the task id to return,
  // or (when |error| is not empty) the error to throw. When none is queued,
  // task ids count up from 1000.
  struct StartResult {
    int64_t task_id = 0;
    std::string error;
  };
  std::deque<StartResult> next_starts;

  // Recorded.
  std::vector<Started> started;
  std::vector<std::string> editors;
  std::vector<Box> boxes;
  std::vector<std::string> printed;
  std::vector<std::string> reported;
  std::optional<int> ended;
  int yields = 0;

  // Runs |action| at the next yield (actions queued by actions run at the yield after).
  void AtNextYield(std::function<void()> action) { at_yield_.push_back(std::move(action)); }

  // Loads the form and, when it is visible, shows it (its first resize).
  void Run(Form &form);
  // Runs |action| as an event from outside, recording the end of the program.
  void Act(const std::function<void()> &action);
  // User actions, each through Act.
  void ClickCheckBox(Control &box);
  void PressButton(Control &button, int mouse_button = 1);
  void DoubleClick(Control &control);
  void FireTimer(Control &timer);
  void Resize(Form &form, int width, int height);

  void ControlChanged(Form &, Control *, Property) override {}
  void Yield() override;
  void MessageBox(const std::string &text, const std::string &title) override;
  void ClearAndPrint(Form &form, const std::string &text) override;
  std::string CommandLine() override { return command_line; }
  std::string DateText() override;
  std::string TimeText() override;
  int OpenRead(const std::string &path) override;
  int64_t OpenFileLength(int file) override;
  uint8_t ReadByte(int file, int64_t position) override;
  void Close(int file) override;
  int64_t FileLength(const std::string &path) override;
  void AppendText(const std::string &path, const std::string &text) override;
  int64_t StartProgram(const std::string &command_line, WindowState state) override;
  void StartEditor(const std::string &path) override;
  void ReportError(const std::string &description) override { reported.push_back(description); }
  [[noreturn]] void End(int status) override;

 private:
  const std::string &OpenContents(int file);

  std::vector<std::function<void()>> at_yield_;
  std::map<int, std::string> open_files_;  // file number -> path
  int next_file_ = 1;
  int64_t next_task_id_ = 1000;
};

}  // namespace form

#endif  // KIT_PLATFORM_FORM_FAKE_SHELL_H
