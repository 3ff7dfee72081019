// skiffadmin: runs the server's administrative command class through the skiff
// installed beside it, in main-class mode, handing on every argument unchanged.
#pragma once

#include <string>
#include <vector>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

// run_skiffadmin: starts skiff from the directory of the own executable with
// "-main_class", the administrative command class and `arguments` (those after the
// program name), and waits. When one argument is exactly "-verbose" the vector is
// first listed on standard error.
// Returns skiff's exit status, or -1 without a message when skiff could not be started.
int run_skiffadmin(Host &host, const PathStyle &style, const std::vector<std::string> &arguments);
