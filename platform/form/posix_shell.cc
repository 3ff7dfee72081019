#include "platform/form/posix_shell.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern char **environ;

namespace form {
namespace {

// Reaps every finished child; the scheduler starts programs and never waits.
void ReapChildren(int) {
  int saved = errno;
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  errno = saved;
}

void InstallReaper() {
  struct sigaction action = {};
  action.sa_handler = ReapChildren;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
}

std::string LocalTimeText(const char *format) {
  time_t now = time(nullptr);
  struct tm local = {};
  localtime_r(&now, &local);
  char text[32];
  strftime(text, sizeof text, format, &local);
  return text;
}

// Starts |argv| with default signal dispositions and an empty signal mask;
// returns the pid or throws the platform's description of the failure.
pid_t Spawn(const char *const argv[], bool search_path) {
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, empty;
  sigfillset(&defaults);
  sigdelset(&defaults, SIGKILL);
  sigdelset(&defaults, SIGSTOP);
  sigemptyset(&empty);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &empty);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  char *const *args = const_cast<char *const *>(argv);
  int failed = search_path ? posix_spawnp(&pid, argv[0], nullptr, &attr, args, environ)
                           : posix_spawn(&pid, argv[0], nullptr, &attr, args, environ);
  posix_spawnattr_destroy(&attr);
  if (failed != 0) {
    throw PlatformError(ErrnoDescription(failed));
  }
  return pid;
}

}  // namespace

std::string ErrnoDescription(int error) {
  switch (error) {
    case ENOENT:
      return kErrFileNotFound;
    case ENOTDIR:
      return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrPermissionDenied;
    case EISDIR:
      return kErrFileAccess;
    default:
      return strerror(error);
  }
}

PosixShell::PosixShell(std::string program, int argc, char **argv) : program_(std::move(program)) {
  for (int i = 1; i < argc; ++i) {
    if (i > 1) {
      command_line_ += ' ';
    }
    command_line_ += argv[i];
  }
  InstallReaper();
}

void PosixShell::ControlChanged(Form &, Control *, Property) {}

void PosixShell::Yield() {}

void PosixShell::MessageBox(const std::string &text, const std::string &title) {
  std::string shown = title + "\n\n" + text + "\n";
  fwrite(shown.data(), 1, shown.size(), stdout);
  fflush(stdout);
}

void PosixShell::ClearAndPrint(Form &, const std::string &text) { Warn(text); }

std::string PosixShell::DateText() { return LocalTimeText("%m-%d-%Y"); }

std::string PosixShell::TimeText() { return LocalTimeText("%H:%M:%S"); }

int PosixShell::OpenRead(const std::string &path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw PlatformError(ErrnoDescription(errno));
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    throw PlatformError(kErrFileAccess);
  }
  int file = next_file_++;
  open_files_[file] = fd;
  return file;
}

int64_t PosixShell::OpenFileLength(int file) {
  auto it = open_files_.find(file);
  struct stat info;
  if (it == open_files_.end() || fstat(it->second, &info) != 0) {
    throw PlatformError(kErrBadFile);
  }
  return info.st_size;
}

uint8_t PosixShell::ReadByte(int file, int64_t position) {
  auto it = open_files_.find(file);
  if (it == open_files_.end() || position < 1) {
    throw PlatformError(kErrBadFile);
  }
  uint8_t byte = 0;
  ssize_t got = pread(it->second, &byte, 1, position - 1);
  if (got < 0) {
    throw PlatformError(ErrnoDescription(errno));
  }
  if (got == 0) {
    throw PlatformError(kErrPastEnd);
  }
  return byte;
}

void PosixShell::Close(int file) {
  auto it = open_files_.find(file);
  if (it == open_files_.end()) {
    throw PlatformError(kErrBadFile);
  }
  close(it->second);
  open_files_.erase(it);
}

int64_t PosixShell::FileLength(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    throw PlatformError(ErrnoDescription(errno));
  }
  return info.st_size;
}

void PosixShell::AppendText(const std::string &path, const std::string &text) {
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    throw PlatformError(ErrnoDescription(errno));
  }
  size_t done = 0;
  while (done < text.size()) {
    ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      int error = wrote < 0 ? errno : EIO;
      close(fd);
      throw PlatformError(ErrnoDescription(error));
    }
    done += static_cast<size_t>(wrote);
  }
  if (close(fd) != 0) {
    throw PlatformError(ErrnoDescription(errno));
  }
}

// Window states mean nothing to a process on Linux; the line runs as it would
// in a terminal.
int64_t PosixShell::StartProgram(const std::string &command_line, WindowState) {
  if (command_line.find_first_not_of(' ') == std::string::npos) {
    throw PlatformError(kErrInvalidCall);
  }
  const char *argv[] = {"/bin/sh", "-c", command_line.c_str(), nullptr};
  return Spawn(argv, false);
}

void PosixShell::StartEditor(const std::string &path) {
  const char *argv[] = {"xdg-open", path.c_str(), nullptr};
  Spawn(argv, true);
}

void PosixShell::ReportError(const std::string &description) { Warn("run-time error: " + description); }

void PosixShell::End(int status) {
  fflush(stdout);
  std::exit(status);
}

void PosixShell::Warn(const std::string &text) {
  std::string line = program_ + ": " + text + "\n";
  fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace form
