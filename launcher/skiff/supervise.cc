#include "launcher/skiff/supervise.h"

#include "launcher/common/command_line.h"
#include "launcher/common/java_names.h"
#include "launcher/common/start_child.h"

static std::string error_report(const std::string &program, int error, long result) {
  return "Program " + program + ": " + system_error_text(error) + " (" + std::to_string(result) +
         ")\n";
}

int supervise(Launcher &launcher, const std::vector<std::string> &vector) {
  Host &host = launcher.host;
  const LaunchSettings &s = launcher.settings;
  int status = 0;
  while (true) {
    host.set_interrupt_ignored(true);
    write_session_file(launcher);
    int error = 0;
    long child = start_child(host, launcher.style, ChildMode::no_wait, vector, &error);
    host.set_interrupt_ignored(false);
    if (!launcher.consoleWatched) {
      launcher.consoleWatched = true;
      host.watch_console_events(
          [&launcher](ConsoleEvent event) { return on_console_event(launcher, event); });
    }
    if (child == -1) {
      // Nothing was started, so there is no server to stop and nothing to restart:
      // report why, and end as a failure.
      host.write_error(error_report(vector[0], error, -1));
      status = 1;
      break;
    }
    error = 0;
    status = host.wait_child(child, &error);
    if (status == -1 && error != 0) {
      host.write_error("Cannot wait for child process " + vector[0] + ": " +
                       system_error_text(error) + " (-1)\n");
    }
    if (status != 0 && status != kRestartStatus) {
      if (error != 0) {
        host.write_error(error_report(vector[0], error, status));
      } else {
        host.write_error("Program " + vector[0] + " exited with code " + std::to_string(status) +
                         "\n");
      }
      stop_server(launcher);
    }
    if (!(s.restart && status == kRestartStatus)) {
      break;
    }
  }
  remove_session_file(launcher);
  return status;
}

void write_session_file(Launcher &launcher) {
  const LaunchSettings &s = launcher.settings;
  if (s.startServer || s.mainClassMode) {
    return;
  }
  Host &host = launcher.host;
  launcher.sessionFile = path_join(launcher.style, s.serverRoot, {"sk.txt"});
  std::string key = std::to_string(host.process_id()) + std::to_string(host.now_seconds());
  int error = 0;
  if (!host.write_private_file(launcher.sessionFile, key, &error)) {
    host.write_error("Warning: Cannot open session file " + launcher.sessionFile + ": " +
                     system_error_text(error) + "\n");
    return;
  }
  launcher.sessionKey.set(key);
}

void remove_session_file(Launcher &launcher) {
  if (!launcher.sessionFile.empty() && launcher.host.is_plain_file(launcher.sessionFile)) {
    launcher.host.remove_file(launcher.sessionFile);
  }
}

std::vector<std::string> build_stop_command(Launcher &launcher) {
  const PathStyle &style = launcher.style;
  std::vector<std::string> vector = {program_path(
      style, path_join(style, launcher.settings.serverRoot, {"bin"}), kSkiffExecutable)};
  const std::vector<std::string> &saved = launcher.savedArguments;
  for (size_t i = 1; i < saved.size(); i++) {
    if (saved[i] == "-classpath") {
      i++;  // the class path that follows goes too
      continue;
    }
    vector.push_back(saved[i]);
  }
  for (const char *tail : {"-main_class", kAdminCommandClass, "-stop", "-sk"}) {
    vector.push_back(tail);
  }
  vector.push_back(launcher.sessionKey.get());
  if (launcher.settings.verbose) {
    launcher.host.write_error("----- Shutting down -----\n" + list_command_vector(vector));
  }
  return vector;
}

void stop_server(Launcher &launcher) {
  std::vector<std::string> vector = build_stop_command(launcher);
  if (launcher.settings.startServer || launcher.settings.mainClassMode) {
    return;
  }
  if (launcher.stopStarted.test_and_set()) {
    return;
  }
  launcher.host.write_error("skiff: Shutting down the server\n");
  int error = 0;
  long result = start_child(launcher.host, launcher.style, ChildMode::wait, vector, &error);
  if (result != 0 && error != 0) {
    launcher.host.write_error(error_report(vector[0], error, result));
  }
}

bool on_console_event(Launcher &launcher, ConsoleEvent) {
  stop_server(launcher);
  return false;
}
