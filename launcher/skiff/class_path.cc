#include "launcher/skiff/class_path.h"

void append_class_path_entry(Launcher &launcher, const std::optional<std::string> &dir,
                             const std::optional<std::string> &sub_path) {
  if (!dir) {
    return;
  }
  if (launcher.classPathStarted) {
    launcher.classPath += launcher.style.list_separator;
  }
  launcher.classPathStarted = true;
  launcher.classPath += *dir;
  if (sub_path) {
    launcher.classPath += launcher.style.directory_separator;
    launcher.classPath += *sub_path;
  }
}

KitJar find_kit_jar(Launcher &launcher, const std::optional<std::string> &home,
                    const std::string &jar) {
  KitJar kit;
  kit.path = path_join(launcher.style, home ? *home : launcher.settings.serverRoot, {"lib", jar});
  kit.found = launcher.host.is_plain_file(kit.path);
  if (home && !kit.found && launcher.settings.verbose) {
    launcher.host.write_error("Cannot find " + jar + " in " + *home + "\n");
  }
  return kit;
}

static bool is_generic_jar(const std::string &name) {
  static const char *const kNamedElsewhere[] = {"keel.jar", "mast.jar", "ssl.jar", "x509v1.jar"};
  if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".jar") != 0) {
    return false;
  }
  for (const char *excluded : kNamedElsewhere) {
    if (name == excluded) {
      return false;
    }
  }
  return true;
}

void add_lib_jars(Launcher &launcher) {
  std::string lib = path_join(launcher.style, launcher.settings.serverRoot, {"lib"});
  std::vector<std::string> names;
  if (!launcher.host.list_directory(lib, &names)) {
    return;
  }
  for (const std::string &name : names) {
    if (is_generic_jar(name)) {
      append_class_path_entry(launcher, lib, name);
    }
  }
}

void build_class_path(Launcher &launcher) {
  const LaunchSettings &s = launcher.settings;
  const PathStyle &style = launcher.style;
  append_class_path_entry(launcher, s.extraClassPath);
  append_class_path_entry(launcher, s.serverRoot, "classes");
  add_lib_jars(launcher);
  if (launcher.mastJar.found) {
    append_class_path_entry(launcher, launcher.mastJar.path);
  }
  if (launcher.keelJar.found) {
    append_class_path_entry(launcher, launcher.keelJar.path);
  }
  if (launcher.sslJar.found && s.useSsl) {
    append_class_path_entry(launcher, launcher.sslJar.path);
  }
  append_class_path_entry(launcher, s.sslHome, path_join(style, "lib", {"x509v1.jar"}));
  if (s.useJre) {
    append_class_path_entry(launcher, s.javaHome, path_join(style, "lib", {"rt.jar"}));
    append_class_path_entry(launcher, s.javaHome, path_join(style, "lib", {"i18n.jar"}));
  }
  append_class_path_entry(launcher, launcher.host.get_env("CLASSPATH"));
  launcher.host.set_env("CLASSPATH", launcher.classPath);
}

void build_search_path(Launcher &launcher) {
  const LaunchSettings &s = launcher.settings;
  const PathStyle &style = launcher.style;
  std::string path = path_join(style, s.javaHome, {"bin"}) + style.list_separator +
                     path_join(style, s.serverRoot, {"lib"}) + style.list_separator +
                     s.initialPath;
  if (s.useSsl && s.sslHome) {
    path += style.list_separator + path_join(style, *s.sslHome, {"lib"});
  }
  launcher.host.set_env("PATH", path);
}
