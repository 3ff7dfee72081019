// authstore: starts the authentication-store tool in a Java VM of its own, behind the
// login wrapper, with the server root's class path, and starts it again while it asks
// for that with status 255.
#pragma once

#include <string>
#include <vector>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

// run_authstore: finds the server root (SKIFF_HOME, else the parent of the own
// executable's directory) and the Java launcher (JAVA_EXE, else bin/java under
// JAVA_HOME, else under the root's jre in JRE mode), makes the root the current
// directory, sets PATH and, outside JRE mode, CLASSPATH, and runs the tool with
// `arguments` (those after the program name) after the keys file path.
// Returns the VM's last status other than 255, or 1 after a message on standard error:
// "AuthStore problem: ..." for a missing root or Java launcher or a failed change of
// directory, the launcher's path and the system's error text when it cannot be started.
int run_authstore(Host &host, const PathStyle &style, const std::vector<std::string> &arguments);
