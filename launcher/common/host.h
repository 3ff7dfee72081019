// Host: the launchers' only door to the operating system. Launcher logic takes a
// Host and a PathStyle; PosixHost is the real one, FakeHost the in-memory one for tests.
// Errors travel as system error numbers (errno values) through `error` out parameters;
// system_error_text turns them into the runtime library's text.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A running child started without waiting; -1 stands for "not started".
using ChildHandle = long;

enum class EventKind { error, information };

// Console control events, with their POSIX signals: interrupt = SIGINT (Ctrl+C),
// break_key = SIGQUIT (Ctrl+Break), console_closed = SIGHUP, shutdown = SIGTERM.
enum class ConsoleEvent { interrupt, break_key, console_closed, shutdown };

// Returns true when the event was handled; false lets the default handling end the process.
using ConsoleHandler = std::function<bool(ConsoleEvent)>;

class Host {
 public:
  virtual ~Host() = default;

  // Environment of the launcher itself; children inherit it.
  virtual std::optional<std::string> get_env(const std::string &name) = 0;
  virtual void set_env(const std::string &name, const std::string &value) = 0;
  virtual void unset_env(const std::string &name) = 0;

  // The two file tests: false when nothing exists at `path`.
  virtual bool is_directory(const std::string &path) = 0;
  virtual bool is_plain_file(const std::string &path) = 0;  // exists and is not a directory
  // list_directory: entry names of `dir` in the order the system gives them (files and
  // directories alike). False when the directory cannot be listed.
  virtual bool list_directory(const std::string &dir, std::vector<std::string> *names) = 0;
  virtual bool change_directory(const std::string &path) = 0;
  // write_private_file: creates or truncates `path`, readable and writable by the owner
  // only, and writes `content`. False with *error set when it cannot.
  virtual bool write_private_file(const std::string &path, const std::string &content,
                                  int *error) = 0;
  virtual bool remove_file(const std::string &path) = 0;

  virtual std::string own_executable() = 0;
  // short_path: the system's short form of `path`; none where the system has none.
  virtual std::optional<std::string> short_path(const std::string &path) = 0;
  virtual long process_id() = 0;
  virtual long long now_seconds() = 0;  // seconds since 1970-01-01 00:00 UTC

  // spawn: starts `program` (already resolved) with `vector` as its command line
  // (element 0 is the program's own name). Returns the child's handle, or -1 with
  // *error set. Environment, directory and descriptors are inherited.
  virtual ChildHandle spawn(const std::string &program, const std::vector<std::string> &vector,
                            int *error) = 0;
  // wait_child: the exit status of the child (128 + signal when a signal ended it),
  // or -1 with *error set.
  virtual int wait_child(ChildHandle child, int *error) = 0;

  // set_interrupt_ignored: while on, Ctrl+C is ignored by the launcher and by every
  // child started meanwhile (which keeps ignoring it).
  virtual void set_interrupt_ignored(bool ignored) = 0;
  // watch_console_events: from now on, console events call `handler` on a thread of
  // their own. Only the first call takes effect.
  virtual void watch_console_events(ConsoleHandler handler) = 0;

  // report_event: one event-log record under the source "SkiffServer".
  virtual void report_event(EventKind kind, const std::string &text) = 0;
  virtual void write_error(const std::string &text) = 0;  // standard error, unbuffered
};

// system_error_text: the C runtime's text for an errno value ("No child processes").
std::string system_error_text(int error);
