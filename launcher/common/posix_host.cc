#include "launcher/common/posix_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "launcher/common/command_line.h"
#include "launcher/common/file_tests.h"

extern char **environ;

std::optional<std::string> PosixHost::get_env(const std::string &name) {
  const char *value = getenv(name.c_str());
  if (value == nullptr) {
    return std::nullopt;
  }
  return std::string(value);
}

void PosixHost::set_env(const std::string &name, const std::string &value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void PosixHost::unset_env(const std::string &name) { unsetenv(name.c_str()); }

bool PosixHost::is_directory(const std::string &path) { return is_existing_directory(path); }

bool PosixHost::is_plain_file(const std::string &path) { return is_existing_plain_file(path); }

bool PosixHost::list_directory(const std::string &dir, std::vector<std::string> *names) {
  DIR *stream = opendir(dir.c_str());
  if (stream == nullptr) {
    return false;
  }
  names->clear();
  while (const dirent *entry = readdir(stream)) {
    names->push_back(entry->d_name);
  }
  closedir(stream);
  return true;
}

bool PosixHost::change_directory(const std::string &path) { return chdir(path.c_str()) == 0; }

bool PosixHost::write_private_file(const std::string &path, const std::string &content,
                                   int *error) {
  // O_NOFOLLOW: a link planted at the path must not redirect the key elsewhere.
  // fchmod: a file left behind with wider permissions is narrowed before it is written.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 || fchmod(fd, 0600) != 0) {
    *error = errno;
    if (fd >= 0) {
      close(fd);
    }
    return false;
  }
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      *error = errno;
      close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd) != 0) {
    *error = errno;
    return false;
  }
  return true;
}

bool PosixHost::remove_file(const std::string &path) { return unlink(path.c_str()) == 0; }

std::string PosixHost::own_executable() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::optional<std::string> PosixHost::short_path(const std::string &) { return std::nullopt; }

long PosixHost::process_id() { return static_cast<long>(getpid()); }

long long PosixHost::now_seconds() { return static_cast<long long>(time(nullptr)); }

std::vector<std::string> posix_child_argv(const std::vector<std::string> &vector) {
  std::vector<std::string> argv;
  if (vector.empty()) {
    return argv;
  }
  argv.push_back(vector[0]);
  std::vector<std::string> rest(vector.begin() + 1, vector.end());
  for (std::string &argument : split_command_line(join_command_line(rest))) {
    argv.push_back(std::move(argument));
  }
  return argv;
}

ChildHandle PosixHost::spawn(const std::string &program, const std::vector<std::string> &vector,
                             int *error) {
  std::vector<std::string> argv_texts = posix_child_argv(vector);
  std::vector<char *> argv;
  for (std::string &text : argv_texts) {
    argv.push_back(text.data());
  }
  argv.push_back(nullptr);

  // The child starts with an empty signal mask (the launcher blocks the console
  // signals for its sigwait thread); ignored dispositions are inherited on purpose.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t empty;
  sigemptyset(&empty);
  posix_spawnattr_setsigmask(&attributes, &empty);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int status = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (status != 0) {
    *error = status;
    return -1;
  }
  return static_cast<ChildHandle>(pid);
}

int PosixHost::wait_child(ChildHandle child, int *error) {
  int status = 0;
  pid_t result;
  do {
    result = waitpid(static_cast<pid_t>(child), &status, 0);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    *error = errno;
    return -1;
  }
  if (WIFSIGNALED(status)) {
    return 128 + WTERMSIG(status);
  }
  return WEXITSTATUS(status);
}

void PosixHost::set_interrupt_ignored(bool ignored) {
  struct sigaction action = {};
  action.sa_handler = ignored ? SIG_IGN : SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

namespace {

struct ConsoleWatch {
  sigset_t signals;
  ConsoleHandler handler;
};

ConsoleEvent console_event_of(int signal_number) {
  switch (signal_number) {
    case SIGQUIT:
      return ConsoleEvent::break_key;
    case SIGHUP:
      return ConsoleEvent::console_closed;
    case SIGTERM:
      return ConsoleEvent::shutdown;
    default:
      return ConsoleEvent::interrupt;
  }
}

void *console_thread(void *argument) {
  ConsoleWatch *watch = static_cast<ConsoleWatch *>(argument);
  while (true) {
    int signal_number = 0;
    if (sigwait(&watch->signals, &signal_number) != 0) {
      continue;
    }
    if (watch->handler(console_event_of(signal_number))) {
      continue;
    }
    // Not handled: the default action ends the process, as it would have without us.
    signal(signal_number, SIG_DFL);
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    pthread_sigmask(SIG_UNBLOCK, &just_this, nullptr);
    raise(signal_number);
  }
  return nullptr;
}

bool inherited_as_ignored(int signal_number) {
  struct sigaction current;
  return sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void PosixHost::watch_console_events(ConsoleHandler handler) {
  if (watching_) {
    return;
  }
  watching_ = true;
  // Lives as long as the process: the thread may still run while the process exits.
  ConsoleWatch *watch = new ConsoleWatch{{}, std::move(handler)};
  sigemptyset(&watch->signals);
  sigaddset(&watch->signals, SIGINT);
  for (int signal_number : {SIGQUIT, SIGHUP, SIGTERM}) {
    if (!inherited_as_ignored(signal_number)) {
      sigaddset(&watch->signals, signal_number);
    }
  }
  // Blocked here before the thread exists, so every thread of the launcher has them
  // blocked and only sigwait takes them.
  pthread_sigmask(SIG_BLOCK, &watch->signals, nullptr);
  pthread_t thread;
  if (pthread_create(&thread, nullptr, console_thread, watch) != 0) {
    // No thread to take them: leave the signals to their default actions.
    pthread_sigmask(SIG_UNBLOCK, &watch->signals, nullptr);
    delete watch;
    return;
  }
  pthread_detach(thread);
}

void PosixHost::report_event(EventKind kind, const std::string &text) {
  openlog("SkiffServer", LOG_PID, LOG_USER);
  syslog(kind == EventKind::error ? LOG_ERR : LOG_INFO, "%s", text.c_str());
  closelog();
}

void PosixHost::write_error(const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;
    }
    done += static_cast<size_t>(n);
  }
}

int posix_exit_status(int status) { return status < 0 ? 1 : status; }
