#include "tools/authstore/authstore.h"

#include <optional>

#include "launcher/common/java_names.h"
#include "launcher/common/restart_loop.h"

namespace {

int fatal(Host &host, const std::string &message) {
  host.write_error("AuthStore problem: " + message + "\n");
  return 1;
}

// The system's short form of an existing file; a file that does not exist has none.
std::string short_form_if_exists(Host &host, const std::string &path) {
  if (!host.is_plain_file(path)) {
    return path;
  }
  return host.short_path(path).value_or(path);
}

std::string tool_class_path(const PathStyle &style, const std::string &root,
                            const std::string &java_home, const std::string &inherited) {
  const std::string entries[] = {
      path_join(style, root, {"admin", "classes"}),
      path_join(style, root, {"classes"}),
      path_join(style, root, {"lib", "hull.jar"}),
      path_join(style, root, {"lib", "mast.jar"}),
      path_join(style, root, {"admin", "classes", "hulladmin.zip"}),
      path_join(style, java_home, {"lib", "classes.zip"}),
  };
  std::string class_path;
  for (const std::string &entry : entries) {
    class_path += entry;
    class_path += style.list_separator;
  }
  // An empty inherited CLASSPATH leaves the list ending with a separator.
  return class_path + inherited;
}

}  // namespace

int run_authstore(Host &host, const PathStyle &style, const std::vector<std::string> &arguments) {
  std::string root = host.get_env("SKIFF_HOME").value_or(
      path_parent_marker(style, host.own_executable()));
  if (!host.is_directory(root)) {
    return fatal(host, "Cannot find directory SKIFF_HOME: " + root);
  }

  std::optional<std::string> java_home = host.get_env("JAVA_HOME");
  const bool jre_mode = !java_home;
  if (jre_mode) {
    java_home = path_join(style, root, {"jre"});
  }
  // JAVA_EXE, when set, is the only candidate.
  std::string java = host.get_env("JAVA_EXE").value_or(
      program_path(style, path_join(style, *java_home, {"bin"}), kJdkLauncher));
  if (!host.is_plain_file(java)) {
    return fatal(host, "Cannot locate the Java runtime. Please set JAVA_HOME.");
  }
  java = host.short_path(java).value_or(java);

  if (!host.change_directory(root)) {
    return fatal(host, "Cannot cd to SKIFF_HOME: " + root);
  }

  std::string class_path =
      tool_class_path(style, root, *java_home, host.get_env("CLASSPATH").value_or(""));
  if (!jre_mode) {
    host.set_env("CLASSPATH", class_path);
  }
  const char list = style.list_separator;
  host.set_env("PATH", path_join(style, *java_home, {"bin"}) + list +
                           path_join(style, root, {"bin"}) + list +
                           path_join(style, root, {"lib"}) + list +
                           host.get_env("PATH").value_or(""));

  std::vector<std::string> vector = {java};
  if (jre_mode) {
    vector.insert(vector.end(), {"-cp", class_path});
  }
  vector.insert(vector.end(), {kLoginWrapperClass, kLoginFromWindowClass, kAuthStoreClass,
                               short_form_if_exists(host, path_join(style, root, {"keys"}))});
  vector.insert(vector.end(), arguments.begin(), arguments.end());

  return run_restarting(host, style, vector);
}
