// sluice: starts one CGI program for the server and returns at once. The program
// inherits sluice's standard handles, environment and (new) current directory, so the
// caller talks to the CGI program through the handles it gave to sluice.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "launcher/common/host.h"

// Writes a text to standard output.
using OutputWriter = std::function<void(const std::string &)>;

// The most arguments sluice takes: directory, program, interpreter and 50 query words.
inline constexpr size_t kSluiceMaxArguments = 53;

// run_sluice: `arguments` (those after the program name) are the directory to run in,
// the CGI executable or script, the interpreter or "--none--", then the query words.
// Changes to the directory when it can, starts the interpreter (or, with "--none--",
// the executable itself, taken as given: no search path) with the command line
// "program execbin word..." made without quoting, and does not wait.
// Returns 1 when the process was created and 0 when it was not (without a message);
// with fewer than three arguments prints the usage and returns 1, with more than
// kSluiceMaxArguments prints "maximum number of arguments exceeded" and returns 2.
int run_sluice(Host &host, const std::vector<std::string> &arguments, const OutputWriter &output);
