// Reading skiff's command line into LaunchSettings, and its usage, help and errors.
// Functions that may end the launcher return the status to end with (std::nullopt
// or nothing to go on); main ends the process with it.
#pragma once

#include "launcher/skiff/launcher.h"

extern const char kUsageText[];
extern const char kHelpText[];

// parse_options: fills launcher.settings from `arguments` (those after the program
// name), left to right. Returns the status to end with after "-help" (0) or a bad
// argument (1, after its messages); std::nullopt when all were accepted.
std::optional<int> parse_options(Launcher &launcher, const std::vector<std::string> &arguments);

// print_usage: the usage text on standard error; with -ntservice also an
// information event carrying it.
void print_usage(Launcher &launcher);
// print_help: usage and help texts; returns 0, the status to end with.
int print_help(Launcher &launcher);
// fail: "skiff: %s\n" with `message`, then the usage; returns 1, the status to end with.
int fail(Launcher &launcher, const std::string &message);
// fail_logged: with -ntservice an error event carrying `message` first; then fail.
int fail_logged(Launcher &launcher, const std::string &message);
// report_event: one event-log record of `kind` carrying `text` as given.
void report_event(Launcher &launcher, const std::string &text, EventKind kind);

// apply_ssl_settings: a keys file in the server root turns SSL on; with SSL on and no
// -sslhome the SSL home is the server root.
void apply_ssl_settings(Launcher &launcher);
// apply_default_main_class: the server's main class when none was given.
void apply_default_main_class(Launcher &launcher);
