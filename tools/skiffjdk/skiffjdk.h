// skiffjdk: starts skiff for a server root that runs on a full JDK: the JDK's Java
// launcher, SSL when the root holds a keys file, and hull.jar and javac.jar in front of
// the class path; skiff is started again while it ends with status 255.
#pragma once

#include <string>
#include <vector>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

// run_skiffjdk: takes the server root from the own executable's location only (the
// parent of its directory; SKIFF_HOME is not consulted), makes it the current
// directory, puts the root's bin and lib in front of PATH and runs the root's
// bin/skiff with "-nojre", "-ssl" when the root's keys file exists, "-classpath" and
// the two jars, then `arguments` (those after the program name).
// Returns skiff's last status other than 255, or 1 after a message on standard error:
// "Fatal error: ..." for a missing root or skiff or a failed change of directory,
// skiff's path and the system's error text when it cannot be started.
int run_skiffjdk(Host &host, const PathStyle &style, const std::vector<std::string> &arguments);
