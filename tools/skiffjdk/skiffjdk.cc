#include "tools/skiffjdk/skiffjdk.h"

#include "launcher/common/java_names.h"
#include "launcher/common/restart_loop.h"

static int fatal(Host &host, const std::string &message) {
  host.write_error("Fatal error: " + message + "\n");
  return 1;
}

int run_skiffjdk(Host &host, const PathStyle &style, const std::vector<std::string> &arguments) {
  const std::string root = path_parent_marker(style, host.own_executable());
  if (!host.is_directory(root)) {
    return fatal(host, "Cannot find SKIFF_HOME");
  }
  std::string skiff = program_path(style, path_join(style, root, {"bin"}), kSkiffExecutable);
  if (!host.is_plain_file(skiff)) {
    // The text users know, although the file missing is skiff itself.
    return fatal(host, "Cannot locate Java runtime");
  }
  skiff = host.short_path(skiff).value_or(skiff);

  if (!host.change_directory(root)) {
    return fatal(host, "Cannot cd to SKIFF_HOME: " + root);
  }
  const char list = style.list_separator;
  host.set_env("PATH", path_join(style, root, {"bin"}) + list + path_join(style, root, {"lib"}) +
                           list + host.get_env("PATH").value_or(""));

  std::vector<std::string> vector = {skiff, "-nojre"};
  if (host.is_plain_file(path_join(style, root, {"keys"}))) {
    vector.push_back("-ssl");
  }
  vector.insert(vector.end(), {"-classpath", path_join(style, root, {"lib", "hull.jar"}) + list +
                                                 path_join(style, root, {"lib", "javac.jar"})});
  vector.insert(vector.end(), arguments.begin(), arguments.end());
  return run_restarting(host, style, vector);
}
