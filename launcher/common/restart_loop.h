// run_restarting: the wait-and-restart loop of the launchers that supervise one child
// without a console watch or a stop command (authstore and skiffjdk).
#pragma once

#include <string>
#include <vector>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

// run_restarting: starts `vector` with start_child and waits, again and again while the
// child ends with the restart request 255. Returns the child's last status; when the
// child cannot be started, prints element 0, ": " and the system's error text on
// standard error and returns 1.
int run_restarting(Host &host, const PathStyle &style, const std::vector<std::string> &vector);
