// FakeHost: an in-memory Host for tests. Files, directories and the environment are
// plain data the test fills in; started children are recorded and play a script;
// standard error, event-log records and the Ctrl+C attribute are recorded.
// Paths are normalised by the PathStyle it is given ("C:\srv\bin\.." and "C:\srv"
// are the same directory; relative paths count from the current directory).
#pragma once

#include <deque>
#include <map>
#include <set>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

class FakeHost : public Host {
 public:
  // How the next started child behaves.
  struct ChildScript {
    int spawn_error = 0;   // nonzero: the child cannot be created
    int status = 0;        // its exit status
    int wait_error = 0;    // nonzero: waiting for it fails
    std::function<void()> while_running;  // runs while the caller waits for it

    static ChildScript exiting(int status, std::function<void()> while_running = {}) {
      ChildScript script;
      script.status = status;
      script.while_running = std::move(while_running);
      return script;
    }
    static ChildScript not_created(int error) {
      ChildScript script;
      script.spawn_error = error;
      return script;
    }
  };
  struct Launch {
    std::string program;
    std::vector<std::string> vector;
    std::string directory;
    std::map<std::string, std::string> environment;
    bool interrupt_ignored;
  };
  struct Event {
    EventKind kind;
    std::string text;
  };

  explicit FakeHost(const PathStyle &style) : style_(style) {}

  // Set-up: parents are created as needed; entries list in the order they were added.
  void add_directory(const std::string &path);
  void add_file(const std::string &path, const std::string &content = "");
  std::optional<std::string> file_content(const std::string &path) const;
  int file_mode(const std::string &path) const;  // 0600 for private files, else 0644
  std::string normalize(const std::string &path) const;
  // fire_console_event: delivers `event` to the watched handler; false when none.
  bool fire_console_event(ConsoleEvent event);

  std::map<std::string, std::string> environment;
  std::string current_directory;
  std::string executable;
  long pid = 1234;
  long long seconds = 987654321;
  std::map<std::string, std::string> short_forms;
  std::set<std::string> unwritable;  // write_private_file fails with EACCES
  std::deque<ChildScript> children;  // one per spawn; exit status 0 when empty
  std::vector<Launch> launches;
  std::vector<Event> events;
  std::string error_output;
  bool interrupt_ignored = false;
  ConsoleHandler console_handler;
  int console_watch_calls = 0;

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
  struct File {
    std::string content;
    int mode;
  };
  void add_entry(const std::string &normalized);

  const PathStyle &style_;
  std::set<std::string> directories_;
  std::map<std::string, File> files_;
  std::map<std::string, std::vector<std::string>> entries_;
  std::map<ChildHandle, ChildScript> running_;
  ChildHandle next_handle_ = 100;
};
