// Finding the server root and the Java launcher, and building the VM command line.
#pragma once

#include "launcher/skiff/launcher.h"

// prepare_launch: the whole preparation: Java home and server root from the
// environment, into the root, options, derived settings, CLASSPATH and PATH, the Java
// launcher and the VM argument vector (listed with -verbose). Returns the status to
// end with when the launcher must end (bad root, bad option, -help, no Java launcher);
// std::nullopt with *vector filled otherwise.
std::optional<int> prepare_launch(Launcher &launcher, const std::vector<std::string> &arguments,
                                  std::vector<std::string> *vector);

// locate_java_executable: sets javaExecutable (JAVA_EXE when it names a file, else
// java, jre or jrew under the Java home's bin). Returns 1 after the "Cannot find the
// Java runtime" failure, std::nullopt otherwise.
std::optional<int> locate_java_executable(Launcher &launcher);

// strip_quotes: `text` without its double quotes; none gives the empty text.
std::string strip_quotes(const std::optional<std::string> &text);

// build_vm_arguments: the VM argument vector (Java launcher first). Appends the
// server.vmargs property to systemProperties and records the chosen login class.
std::vector<std::string> build_vm_arguments(Launcher &launcher);

// print_settings: the verbose listing of the settings and `vector` on standard error.
void print_settings(Launcher &launcher, const std::vector<std::string> &vector);
