#include "tools/skiffadmin/skiffadmin.h"

#include "launcher/common/command_line.h"
#include "launcher/common/java_names.h"
#include "launcher/common/start_child.h"

static std::vector<std::string> admin_vector(const PathStyle &style,
                                             const std::string &own_executable,
                                             const std::vector<std::string> &arguments,
                                             bool *verbose) {
  std::vector<std::string> vector = {
      program_path(style, path_directory(style, own_executable), kSkiffExecutable),
      "-main_class", kAdminCommandClass};
  *verbose = false;
  for (const std::string &argument : arguments) {
    *verbose = *verbose || argument == "-verbose";
    vector.push_back(argument);
  }
  return vector;
}

int run_skiffadmin(Host &host, const PathStyle &style, const std::vector<std::string> &arguments) {
  bool verbose = false;
  std::vector<std::string> vector = admin_vector(style, host.own_executable(), arguments, &verbose);
  if (verbose) {
    host.write_error("skiffadmin arguments:\n" + list_command_vector(vector));
  }
  int error = 0;
  // A skiff that cannot be started is reported by the status alone.
  return static_cast<int>(start_child(host, style, ChildMode::wait, vector, &error));
}
