// Composing the class path and the program search path the server's VM inherits.
#pragma once

#include "launcher/skiff/launcher.h"

// append_class_path_entry: nothing when `dir` is none; otherwise the list separator
// (except before the first entry ever), `dir`, and "<separator><sub_path>" when given.
void append_class_path_entry(Launcher &launcher, const std::optional<std::string> &dir,
                             const std::optional<std::string> &sub_path = std::nullopt);

// find_kit_jar: the candidate "<home>/lib/<jar>" (the server root when `home` is none)
// and whether a file is there. A missing jar under a given home is reported with
// -verbose; there is no fall-back to the server root.
KitJar find_kit_jar(Launcher &launcher, const std::optional<std::string> &home,
                    const std::string &jar);

// add_lib_jars: every "*.jar" entry of the server root's lib directory (case-sensitive,
// in listing order) except the kit jars and x509v1.jar.
void add_lib_jars(Launcher &launcher);

// build_class_path: composes the class path and stores it as CLASSPATH.
void build_class_path(Launcher &launcher);
// build_search_path: composes the search path and stores it as PATH.
void build_search_path(Launcher &launcher);
