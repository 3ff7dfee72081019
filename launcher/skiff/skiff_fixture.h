// The fixture of skiff's unit tests: the launcher installed as C:\srv\bin\skiff.exe
// with a JDK in C:\java, on the in-memory host with the Windows path style.
#pragma once

#include <gtest/gtest.h>

#include "launcher/common/fake_host.h"
#include "launcher/skiff/launcher.h"
#include "launcher/skiff/vm_command.h"

// The texts as users see them, spelled out independently of the code.
inline const std::string kWantUsage =
    "Usage: skiff [-jre|-nojre] [-javahome <javahome>] [-classpath <classpath>] [-ssl] [-threads <green|native>]\n[-vmargs <vmargs>] [-Dsystem_property=value]...\n[-passfile] [-verbose] [-console] [-noconsole] [-help]\n";
inline const std::string kWantHelp =
    "\nArguments:\n-jre       Use the Java Runtime Environment (JRE) instead of JDK\n-nojre     Do not use the JRE (the default; you must set -javahome)\n-javahome  Location of the Java executable, <javahome>\\bin\\java\n-classpath Additional classpath settings\n-threads   Use portable Green threads or native threads\n-vmargs    Pass <vmargs> directly to the VM\n-ssl       Enable use of Secure Sockets Layer\n-passfile  Read SSL passphrase from file <server_root>\\keys.passphrase-console   Show console output\n-verbose   Display internal settings such as CLASSPATH\n-help      Print this message\n\n";

// install_kit: skiff installed as C:\srv\bin\skiff.exe and a JDK in C:\java.
inline void install_kit(FakeHost &host) {
  host.executable = "C:\\srv\\bin\\skiff.exe";
  host.add_file("C:\\srv\\bin\\skiff.exe");
  host.add_file("C:\\java\\bin\\java.exe");
}

class SkiffTest : public testing::Test {
 protected:
  SkiffTest() : host(windows_path_style()), launcher(host, windows_path_style()) {
    install_kit(host);
    host.add_directory("C:\\srv\\lib");
    host.add_directory("C:\\work");
    host.current_directory = "C:\\work";
    host.environment["PATH"] = "C:\\WINNT\\system32";
    host.environment["WINDIR"] = "C:\\WINNT";
  }

  // prepare_launch with `arguments` (those after the program name); the vector lands in
  // `vector`, and savedArguments is set as main does.
  std::optional<int> prepare(const std::vector<std::string> &arguments) {
    vector = {"junk"};
    std::optional<int> ending = prepare_launch(launcher, arguments, &vector);
    launcher.savedArguments = {"C:\\srv\\bin\\skiff.exe"};
    launcher.savedArguments.insert(launcher.savedArguments.end(), arguments.begin(),
                                   arguments.end());
    return ending;
  }
  std::string env(const std::string &name) { return host.environment[name]; }

  FakeHost host;
  Launcher launcher;
  std::vector<std::string> vector;
};
