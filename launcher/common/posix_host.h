// PosixHost: the Host on Linux.
//  - spawn: element 0 becomes argv[0] whole; the other elements are joined with blanks
//    and split by the Microsoft C runtime's rules, so a child sees the arguments a
//    Windows child would; posix_spawn with an empty signal mask.
//  - Ctrl+C attribute: SIGINT's disposition (SIG_IGN while ignored, inherited by
//    children spawned meanwhile).
//  - console events: SIGINT, SIGQUIT, SIGHUP and SIGTERM are blocked and taken by one
//    thread with sigwait; "not handled" restores the default action and raises the
//    signal again, which ends the process. A signal the launcher inherited as ignored
//    (nohup) stays ignored; SIGINT is always watched.
//  - event log: syslog(3) under the ident "SkiffServer".
#pragma once

#include "launcher/common/host.h"

class PosixHost : public Host {
 public:
  std::optional<std::string> get_env(const std::string &name) override;
  void set_env(const std::string &name, const std::string &value) override;
  void unset_env(const std::string &name) override;

  bool is_directory(const std::string &path) override;
  bool is_plain_file(const std::string &path) override;
  bool list_directory(const std::string &dir, std::vector<std::string> *names) override;
  bool change_directory(const std::string &path) override;
  bool write_private_file(const std::string &path, const std::string &content,
                          int *error) override;
  bool remove_file(const std::string &path) override;

  std::string own_executable() override;
  std::optional<std::string> short_path(const std::string &path) override;
  long process_id() override;
  long long now_seconds() override;

  ChildHandle spawn(const std::string &program, const std::vector<std::string> &vector,
                    int *error) override;
  int wait_child(ChildHandle child, int *error) override;

  void set_interrupt_ignored(bool ignored) override;
  void watch_console_events(ConsoleHandler handler) override;

  void report_event(EventKind kind, const std::string &text) override;
  void write_error(const std::string &text) override;

 private:
  bool watching_ = false;
};

// posix_exit_status: the process exit code for a launcher status. A launcher's own
// -1 (or any negative status) becomes 1, so that it can never read as the restart
// request 255.
int posix_exit_status(int status);

// posix_child_argv: the argv that PosixHost::spawn hands to the child for `vector`.
std::vector<std::string> posix_child_argv(const std::vector<std::string> &vector);
