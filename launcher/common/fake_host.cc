#include "launcher/common/fake_host.h"

#include <algorithm>
#include <cerrno>

std::string FakeHost::normalize(const std::string &path) const {
  const char sep = style_.directory_separator;
  std::string full = path;
  bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\' ||
                                    (path.size() > 1 && path[1] == ':'));
  if (!absolute) {
    full = current_directory + sep + path;
  }
  if (full.empty()) {
    return full;
  }
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&]() {
    if (part == "..") {
      if (parts.size() > 1) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : full) {
    if (c == '/' || c == '\\') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  std::string result = (full[0] == '/' || full[0] == '\\') ? std::string(1, sep) : "";
  for (size_t i = 0; i < parts.size(); i++) {
    if (i > 0) {
      result += sep;
    }
    result += parts[i];
  }
  return result;
}

void FakeHost::add_entry(const std::string &normalized) {
  size_t cut = normalized.rfind(style_.directory_separator);
  if (cut == std::string::npos || cut + 1 == normalized.size()) {
    return;  // a drive or the root: no parent to list it in
  }
  std::string parent = normalized.substr(0, cut);
  if (parent.empty()) {
    parent = std::string(1, style_.directory_separator);
  }
  add_directory(parent);
  std::vector<std::string> &names = entries_[parent];
  std::string name = normalized.substr(cut + 1);
  if (std::find(names.begin(), names.end(), name) == names.end()) {
    names.push_back(name);
  }
}

void FakeHost::add_directory(const std::string &path) {
  std::string normalized = normalize(path);
  if (directories_.insert(normalized).second) {
    add_entry(normalized);
  }
}

void FakeHost::add_file(const std::string &path, const std::string &content) {
  std::string normalized = normalize(path);
  add_entry(normalized);
  files_[normalized] = File{content, 0644};
}

std::optional<std::string> FakeHost::file_content(const std::string &path) const {
  auto found = files_.find(normalize(path));
  if (found == files_.end()) {
    return std::nullopt;
  }
  return found->second.content;
}

int FakeHost::file_mode(const std::string &path) const {
  auto found = files_.find(normalize(path));
  return found == files_.end() ? 0 : found->second.mode;
}

bool FakeHost::fire_console_event(ConsoleEvent event) {
  return console_handler && console_handler(event);
}

std::optional<std::string> FakeHost::get_env(const std::string &name) {
  auto found = environment.find(name);
  if (found == environment.end()) {
    return std::nullopt;
  }
  return found->second;
}

void FakeHost::set_env(const std::string &name, const std::string &value) {
  environment[name] = value;
}

void FakeHost::unset_env(const std::string &name) { environment.erase(name); }

bool FakeHost::is_directory(const std::string &path) {
  return directories_.count(normalize(path)) > 0;
}

bool FakeHost::is_plain_file(const std::string &path) {
  return files_.count(normalize(path)) > 0;
}

bool FakeHost::list_directory(const std::string &dir, std::vector<std::string> *names) {
  std::string normalized = normalize(dir);
  if (directories_.count(normalized) == 0) {
    return false;
  }
  *names = entries_[normalized];
  return true;
}

bool FakeHost::change_directory(const std::string &path) {
  if (!is_directory(path)) {
    return false;
  }
  current_directory = normalize(path);
  return true;
}

bool FakeHost::write_private_file(const std::string &path, const std::string &content,
                                  int *error) {
  std::string normalized = normalize(path);
  if (unwritable.count(normalized) > 0) {
    *error = EACCES;
    return false;
  }
  if (!is_directory(path_directory(style_, normalized)) || directories_.count(normalized)) {
    *error = ENOENT;
    return false;
  }
  add_entry(normalized);
  files_[normalized] = File{content, 0600};
  return true;
}

bool FakeHost::remove_file(const std::string &path) {
  std::string normalized = normalize(path);
  if (files_.erase(normalized) == 0) {
    return false;
  }
  std::vector<std::string> &names = entries_[path_directory(style_, normalized)];
  std::string name = normalized.substr(normalized.rfind(style_.directory_separator) + 1);
  names.erase(std::remove(names.begin(), names.end(), name), names.end());
  return true;
}

std::string FakeHost::own_executable() { return executable; }

std::optional<std::string> FakeHost::short_path(const std::string &path) {
  auto found = short_forms.find(path);
  if (found == short_forms.end()) {
    return std::nullopt;
  }
  return found->second;
}

long FakeHost::process_id() { return pid; }

long long FakeHost::now_seconds() { return seconds; }

ChildHandle FakeHost::spawn(const std::string &program, const std::vector<std::string> &vector,
                            int *error) {
  launches.push_back(Launch{program, vector, current_directory, environment, interrupt_ignored});
  ChildScript script;
  if (!children.empty()) {
    script = std::move(children.front());
    children.pop_front();
  }
  if (script.spawn_error != 0) {
    *error = script.spawn_error;
    return -1;
  }
  ChildHandle handle = next_handle_++;
  running_[handle] = std::move(script);
  return handle;
}

int FakeHost::wait_child(ChildHandle child, int *error) {
  auto found = running_.find(child);
  if (found == running_.end()) {
    *error = ECHILD;
    return -1;
  }
  ChildScript script = std::move(found->second);
  running_.erase(found);
  if (script.while_running) {
    script.while_running();
  }
  if (script.wait_error != 0) {
    *error = script.wait_error;
    return -1;
  }
  return script.status;
}

void FakeHost::set_interrupt_ignored(bool ignored) { interrupt_ignored = ignored; }

void FakeHost::watch_console_events(ConsoleHandler handler) {
  console_watch_calls++;
  if (!console_handler) {
    console_handler = std::move(handler);
  }
}

void FakeHost::report_event(EventKind kind, const std::string &text) {
  events.push_back(Event{kind, text});
}

void FakeHost::write_error(const std::string &text) { error_output += text; }
