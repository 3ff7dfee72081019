#include "launcher/skiff/vm_command.h"

#include "launcher/common/command_line.h"
#include "launcher/common/java_names.h"
#include "launcher/skiff/class_path.h"
#include "launcher/skiff/settings.h"

std::optional<int> prepare_launch(Launcher &launcher, const std::vector<std::string> &arguments,
                                  std::vector<std::string> *vector) {
  Host &host = launcher.host;
  LaunchSettings &s = launcher.settings;
  s.javaHome = host.get_env("JAVA_HOME").value_or(launcher.style.default_java_home);
  std::optional<std::string> skiff_home = host.get_env("SKIFF_HOME");
  s.serverRoot = skiff_home ? *skiff_home
                            : path_parent_marker(launcher.style, host.own_executable());
  if (!host.is_directory(s.serverRoot)) {
    return fail(launcher, "Cannot find directory SKIFF_HOME: " + s.serverRoot);
  }
  if (!host.change_directory(s.serverRoot)) {
    return fail(launcher, "Cannot cd to SKIFF_HOME: " + s.serverRoot);
  }
  if (std::optional<int> ending = parse_options(launcher, arguments)) {
    return ending;
  }
  apply_ssl_settings(launcher);
  launcher.mastJar = find_kit_jar(launcher, s.mastHome, "mast.jar");
  launcher.keelJar = find_kit_jar(launcher, s.keelHome, "keel.jar");
  launcher.sslJar = find_kit_jar(launcher, s.sslHome, "ssl.jar");
  if (s.useJre && !s.javaHomeGiven) {
    s.javaHome = path_join(launcher.style, s.serverRoot, {"jre"});
  }
  apply_default_main_class(launcher);
  s.initialPath = host.get_env("PATH").value_or("");
  build_class_path(launcher);
  build_search_path(launcher);
  if (std::optional<int> ending = locate_java_executable(launcher)) {
    return ending;
  }
  *vector = build_vm_arguments(launcher);
  if (s.verbose) {
    print_settings(launcher, *vector);
  }
  return std::nullopt;
}

std::optional<int> locate_java_executable(Launcher &launcher) {
  Host &host = launcher.host;
  const LaunchSettings &s = launcher.settings;
  std::string path;
  std::optional<std::string> java_exe = host.get_env("JAVA_EXE");
  if (java_exe && host.is_plain_file(*java_exe)) {
    path = *java_exe;
  } else {
    const char *name = kJdkLauncher;
    if (s.useJre) {
      bool windowless = s.startServer && !s.verbose && !s.console;
      name = windowless ? kJreWindowlessLauncher : kJreLauncher;
    }
    path = program_path(launcher.style, path_join(launcher.style, s.javaHome, {"bin"}), name);
    if (!host.is_plain_file(path)) {
      return fail(launcher,
                  "Cannot find the Java runtime. Please use the -javahome argument to specify "
                  "the location of the JDK.");
    }
  }
  launcher.settings.javaExecutable = host.short_path(path).value_or(path);
  return std::nullopt;
}

std::string strip_quotes(const std::optional<std::string> &text) {
  std::string stripped;
  for (char c : text.value_or("")) {
    if (c != '"') {
      stripped += c;
    }
  }
  return stripped;
}

static std::string quoted_property(const std::string &name, const std::string &value) {
  return "-D" + name + "=\"" + value + "\"";
}

static std::string blanks_to_colons(std::string text) {
  for (char &c : text) {
    if (c == ' ') {
      c = ':';
    }
  }
  return text;
}

static std::vector<std::string> split_at_blanks(const std::string &text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + ' ') {
    if (c != ' ') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  return words;
}

static std::string chosen_login_class(const LaunchSettings &s) {
  if (s.loginClass) {
    return *s.loginClass;
  }
  if (s.passFile) {
    return kLoginFromFileClass;
  }
  return s.startServer ? kLoginFromTerminalClass : kLoginFromWindowClass;
}

std::vector<std::string> build_vm_arguments(Launcher &launcher) {
  Host &host = launcher.host;
  LaunchSettings &s = launcher.settings;
  std::vector<std::string> vector = {s.javaExecutable};
  std::optional<std::string> class_path = host.get_env("CLASSPATH");
  if (s.useJre && class_path) {
    vector.push_back("-cp ");
    vector.push_back("\"" + strip_quotes(class_path) + "\"");
  }
  std::string root = strip_quotes(s.serverRoot);
  vector.push_back(quoted_property("server.name", strip_quotes(s.serverName)));
  vector.push_back(quoted_property("server.root", root));
  vector.push_back(quoted_property("user.keystore", path_join(launcher.style, root, {"keys"})));
  vector.push_back(quoted_property("path", strip_quotes(s.initialPath)));
  vector.push_back(quoted_property("java.home", strip_quotes(s.javaHome)));
  vector.push_back(quoted_property("windir", strip_quotes(host.get_env("WINDIR"))));
  if (s.verbose) {
    vector.push_back("-Dserver.verbose");
  }
  if (s.ntService) {
    vector.push_back("-Dserver.ntservice");
  }
  if (s.passFile) {
    vector.push_back("-Dserver.passfile");
  }
  if (s.useJre) {
    vector.push_back("-Djre=true");
  }
  if (s.vmArgs) {
    s.systemProperties.push_back(blanks_to_colons("-Dserver.vmargs=" + *s.vmArgs));
    for (std::string &word : split_at_blanks(*s.vmArgs)) {
      vector.push_back(std::move(word));
    }
  }
  if (!s.systemProperties.empty()) {
    std::string all = "-Dserver.system_props=";
    for (const std::string &property : s.systemProperties) {
      vector.push_back(property);
      all += " " + property;
    }
    vector.push_back(blanks_to_colons(all));
  }
  if (s.useSsl && !s.mainClassMode) {
    s.loginClass = chosen_login_class(s);
    vector.push_back(kLoginWrapperClass);
    vector.push_back(*s.loginClass);
  }
  vector.push_back(*s.mainClass);
  for (const std::string &argument : s.applicationArguments) {
    vector.push_back(argument);
  }
  return vector;
}

void print_settings(Launcher &launcher, const std::vector<std::string> &vector) {
  Host &host = launcher.host;
  const LaunchSettings &s = launcher.settings;
  std::string text = "JAVA_HOME:   " + s.javaHome + "\n";
  text += "JAVA:        " + s.javaExecutable + "\n";
  text += "SKIFF_HOME:  " + s.serverRoot + "\n";
  text += std::string("Use SSL:     ") + (s.useSsl ? "Yes" : "No") + "\n";
  if (s.useSsl) {
    text += "Login class: " + s.loginClass.value_or("(null)") + "\n";
  }
  text += "PATH: " + host.get_env("PATH").value_or("") + "\n";
  std::string class_path = host.get_env("CLASSPATH").value_or("");
  for (char &c : class_path) {
    if (c == launcher.style.list_separator) {
      c = '\n';
    }
  }
  text += "CLASSPATH:\n" + class_path + "\n";
  host.write_error(text + list_command_vector(vector));
}
