// Running the server's VM: the restart loop, the session key file and the orderly stop.
#pragma once

#include "launcher/skiff/launcher.h"

// supervise: starts the VM from `vector`, waits, starts it again while it ends with
// 255 (unless -norestart), runs the stop command after an unexpected status, removes
// the key file at the end. Returns the status to end with: the VM's last status, -1
// when waiting failed, 1 when the VM could not be created (never restarted).
int supervise(Launcher &launcher, const std::vector<std::string> &vector);

// write_session_file: in server mode, a fresh key (process id then seconds since 1970)
// written to "<root>/sk.txt", readable by its owner only. A file that cannot be
// written gives a warning and keeps the previous key.
void write_session_file(Launcher &launcher);
// remove_session_file: deletes the key file when one is kept and exists.
void remove_session_file(Launcher &launcher);

// build_stop_command: "<root>/bin/skiff" with the saved arguments (less any
// "-classpath" pair), then the admin command class, "-stop", "-sk" and the key.
// Listed on standard error with -verbose.
std::vector<std::string> build_stop_command(Launcher &launcher);
// stop_server: in server mode, runs the stop command once per process, whichever
// thread asks first.
void stop_server(Launcher &launcher);
// on_console_event: stops the server, then reports the event as not handled so the
// default handling ends the launcher.
bool on_console_event(Launcher &launcher, ConsoleEvent event);
