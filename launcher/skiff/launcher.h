// The state of one skiff process: its settings, the class path being composed, the
// kit jars found, the saved arguments, the session key and the stop flag. Every
// operation of the launcher takes it, together with the Host and PathStyle it holds.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

enum class ThreadsType { green, native };

// Filled once (defaults, environment, options, derived settings) and read-only after
// prepare_launch, so the console-event thread may read it without a lock.
struct LaunchSettings {
  bool useJre = false;
  bool restart = true;
  ThreadsType threads = ThreadsType::green;  // recorded only
  bool verbose = false;
  bool console = false;
  bool mainClassMode = false;
  std::optional<std::string> mainClass;
  std::string serverName = "adminserver";
  bool startServer = false;
  std::string javaHome;
  bool javaHomeGiven = false;
  std::optional<std::string> extraClassPath;
  std::optional<std::string> loginClass;
  std::string serverRoot;
  std::optional<std::string> keelHome;
  std::optional<std::string> mastHome;
  std::optional<std::string> sslHome;
  bool useSsl = false;
  bool passFile = false;
  std::optional<std::string> vmArgs;
  bool ntService = false;
  std::vector<std::string> systemProperties;
  std::vector<std::string> applicationArguments;
  std::string initialPath;
  std::string javaExecutable;
};

// A kit jar candidate (mast.jar, keel.jar, ssl.jar) and whether it exists.
struct KitJar {
  std::string path;
  bool found = false;
};

// The session key, replaced whole under a lock so the console-event thread always
// reads a complete key.
class SessionKey {
 public:
  std::string get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return key_;
  }
  void set(std::string key) {
    std::lock_guard<std::mutex> lock(mutex_);
    key_ = std::move(key);
  }

 private:
  mutable std::mutex mutex_;
  std::string key_;
};

struct Launcher {
  Launcher(Host &host_in, const PathStyle &style_in) : host(host_in), style(style_in) {}

  Host &host;
  const PathStyle &style;
  LaunchSettings settings;
  std::string classPath;
  bool classPathStarted = false;  // the first entry ever appended gets no separator
  KitJar mastJar, keelJar, sslJar;
  std::vector<std::string> savedArguments;  // own argument list, program name first
  std::string sessionFile;                  // empty while no key file is kept
  SessionKey sessionKey;
  std::atomic_flag stopStarted = ATOMIC_FLAG_INIT;
  bool consoleWatched = false;
};
