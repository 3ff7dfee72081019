#include "launcher/common/start_child.h"

#include <cerrno>
#include <cstring>

std::string system_error_text(int error) { return std::strerror(error); }

bool resolve_program(Host &host, const PathStyle &style, const std::string &name,
                     std::string *program, int *error) {
  std::string path = name;
  if (name.find_first_of(style.path_markers) == std::string::npos) {
    path = std::string(".") + style.directory_separator + name;
  }
  size_t last_separator = path.find_last_of(style.path_markers);
  bool has_dot = path.find('.', last_separator + 1) != std::string::npos;
  if (style.program_suffixes.empty()) {
    *program = path;  // the path as it stands; spawning reports a missing file
    return true;
  }
  if (has_dot) {
    if (!host.is_plain_file(path)) {
      *error = ENOENT;
      return false;
    }
    *program = path;
    return true;
  }
  for (const std::string &suffix : style.program_suffixes) {
    if (host.is_plain_file(path + suffix)) {
      *program = path + suffix;
      return true;
    }
  }
  *error = ENOENT;
  return false;
}

long start_child(Host &host, const PathStyle &style, ChildMode mode,
                 const std::vector<std::string> &vector, int *error) {
  if (vector.empty()) {
    *error = EINVAL;
    return -1;
  }
  std::string program;
  if (!resolve_program(host, style, vector[0], &program, error)) {
    return -1;
  }
  ChildHandle child = host.spawn(program, vector, error);
  if (child == -1 || mode == ChildMode::no_wait) {
    return child;
  }
  return host.wait_child(child, error);
}
