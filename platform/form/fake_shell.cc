#include "platform/form/fake_shell.h"

#include <cstdio>

namespace form {

void FakeShell::Run(Form &form) {
  Act([&] {
    if (form.OnLoad) {
      form.Dispatch(form.OnLoad);
    }
    if (form.Visible()) {
      form.UserResized(form.Width(), form.Height());
    }
  });
}

void FakeShell::Act(const std::function<void()> &action) {
  try {
    action();
  } catch (const ProgramEnd &end) {
    ended = end.status;
  }
}

void FakeShell::ClickCheckBox(Control &box) {
  Act([&] { box.UserToggled(box.Value() == 1 ? 0 : 1); });
}

void FakeShell::PressButton(Control &button, int mouse_button) {
  Act([&] {
    button.RaiseMouse(button.OnMouseDown, mouse_button);
    button.RaiseMouse(button.OnMouseUp, mouse_button);
    if (mouse_button == 1) {
      button.Raise(button.OnClick);
    }
  });
}

void FakeShell::DoubleClick(Control &control) {
  Act([&] { control.Raise(control.OnDoubleClick); });
}

void FakeShell::FireTimer(Control &timer) {
  Act([&] { timer.Raise(timer.OnTimer); });
}

void FakeShell::Resize(Form &form, int width, int height) {
  Act([&] { form.UserResized(width, height); });
}

void FakeShell::Yield() {
  ++yields;
  std::vector<std::function<void()>> due;
  due.swap(at_yield_);
  for (const auto &action : due) {
    action();
  }
}

void FakeShell::MessageBox(const std::string &text, const std::string &title) {
  boxes.push_back({text, title});
}

void FakeShell::ClearAndPrint(Form &, const std::string &text) { printed.push_back(text); }

std::string FakeShell::DateText() {
  char text[16];
  snprintf(text, sizeof text, "%02d-%02d-%04d", clock.month, clock.day, clock.year);
  return text;
}

std::string FakeShell::TimeText() {
  char text[16];
  snprintf(text, sizeof text, "%02d:%02d:%02d", clock.hour, clock.minute, clock.second);
  return text;
}

int FakeShell::OpenRead(const std::string &path) {
  if (files.count(path) == 0) {
    throw PlatformError(kErrFileNotFound);
  }
  int file = next_file_++;
  open_files_[file] = path;
  return file;
}

const std::string &FakeShell::OpenContents(int file) {
  auto it = open_files_.find(file);
  if (it == open_files_.end() || files.count(it->second) == 0) {
    throw PlatformError(kErrBadFile);
  }
  return files[it->second];
}

int64_t FakeShell::OpenFileLength(int file) { return static_cast<int64_t>(OpenContents(file).size()); }

uint8_t FakeShell::ReadByte(int file, int64_t position) {
  const std::string &contents = OpenContents(file);
  if (position < 1 || position > static_cast<int64_t>(contents.size())) {
    throw PlatformError(kErrPastEnd);
  }
  return static_cast<uint8_t>(contents[static_cast<size_t>(position - 1)]);
}

void FakeShell::Close(int file) {
  if (open_files_.erase(file) == 0) {
    throw PlatformError(kErrBadFile);
  }
}

int64_t FakeShell::FileLength(const std::string &path) {
  auto it = files.find(path);
  if (it == files.end()) {
    throw PlatformError(kErrFileNotFound);
  }
  return static_cast<int64_t>(it->second.size());
}

void FakeShell::AppendText(const std::string &path, const std::string &text) {
  if (unwritable.count(path) != 0) {
    throw PlatformError(kErrPermissionDenied);
  }
  files[path] += text;
}

int64_t FakeShell::StartProgram(const std::string &line, WindowState state) {
  started.push_back({line, state});
  if (line.find_first_not_of(' ') == std::string::npos) {
    throw PlatformError(kErrInvalidCall);
  }
  if (next_starts.empty()) {
    return next_task_id_++;
  }
  StartResult result = next_starts.front();
  next_starts.pop_front();
  if (!result.error.empty()) {
    throw PlatformError(result.error);
  }
  return result.task_id;
}

void FakeShell::StartEditor(const std::string &path) { editors.push_back(path); }

void FakeShell::End(int status) { throw ProgramEnd{status}; }

}  // namespace form
