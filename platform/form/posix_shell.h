// posix_shell.h: the services of the shell on Linux, apart from the window:
// command-line text from argv, local date and time texts, files, programs
// started as `/bin/sh -c LINE` (every finished child reaped, so none stays a
// zombie), the editor as `xdg-open PATH`, errors on standard error, and the end
// of the program as exit(). The window operations are left to a subclass;
// without one the program runs without a window.
#ifndef KIT_PLATFORM_FORM_POSIX_SHELL_H
#define KIT_PLATFORM_FORM_POSIX_SHELL_H

#include <map>
#include <string>

#include "platform/form/form.h"

namespace form {

class PosixShell : public Shell {
 public:
  // |program| prefixes messages ("tickrun: ..."); argv[1..] joined by single
  // blanks is the command-line text.
  PosixShell(std::string program, int argc, char **argv);

  void ControlChanged(Form &form, Control *control, Property property) override;
  void Yield() override;
  void MessageBox(const std::string &text, const std::string &title) override;
  void ClearAndPrint(Form &form, const std::string &text) override;
  std::string CommandLine() override { return command_line_; }
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
  void ReportError(const std::string &description) override;
  [[noreturn]] void End(int status) override;

  // Writes "<program>: <text>" and a line end on standard error.
  void Warn(const std::string &text);

 private:
  std::string program_;
  std::string command_line_;
  std::map<int, int> open_files_;  // file number -> descriptor
  int next_file_ = 1;
};

// ErrnoDescription: the platform's error description for a failed file or
// process call.
std::string ErrnoDescription(int error);

}  // namespace form

#endif  // KIT_PLATFORM_FORM_POSIX_SHELL_H
