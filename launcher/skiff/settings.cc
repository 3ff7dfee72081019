#include "launcher/skiff/settings.h"

#include "launcher/common/java_names.h"

// Both texts are kept as users have always seen them: the usage names "-noconsole",
// which is not accepted, and the help runs the "-passfile" and "-console" lines together.
const char kUsageText[] =
    "Usage: skiff [-jre|-nojre] [-javahome <javahome>] [-classpath <classpath>] [-ssl] "
    "[-threads <green|native>]\n"
    "[-vmargs <vmargs>] [-Dsystem_property=value]...\n"
    "[-passfile] [-verbose] [-console] [-noconsole] [-help]\n";

const char kHelpText[] =
    "\nArguments:\n"
    "-jre       Use the Java Runtime Environment (JRE) instead of JDK\n"
    "-nojre     Do not use the JRE (the default; you must set -javahome)\n"
    "-javahome  Location of the Java executable, <javahome>\\bin\\java\n"
    "-classpath Additional classpath settings\n"
    "-threads   Use portable Green threads or native threads\n"
    "-vmargs    Pass <vmargs> directly to the VM\n"
    "-ssl       Enable use of Secure Sockets Layer\n"
    "-passfile  Read SSL passphrase from file <server_root>\\keys.passphrase"
    "-console   Show console output\n"
    "-verbose   Display internal settings such as CLASSPATH\n"
    "-help      Print this message\n"
    "\n";

void report_event(Launcher &launcher, const std::string &text, EventKind kind) {
  launcher.host.report_event(kind, text);
}

void print_usage(Launcher &launcher) {
  if (launcher.settings.ntService) {
    report_event(launcher, kUsageText, EventKind::information);
  }
  launcher.host.write_error(std::string(kUsageText) + "\n");
}

int print_help(Launcher &launcher) {
  print_usage(launcher);
  launcher.host.write_error(kHelpText);
  return 0;
}

int fail(Launcher &launcher, const std::string &message) {
  launcher.host.write_error("skiff: " + message + "\n");
  print_usage(launcher);
  return 1;
}

int fail_logged(Launcher &launcher, const std::string &message) {
  if (launcher.settings.ntService) {
    report_event(launcher, message, EventKind::error);
  }
  return fail(launcher, message);
}

namespace {

// Where an option that takes a value stores it.
enum class ValueOption {
  start_server, javahome, classpath, threads, main_class, login_class,
  serverroot, keelhome, masthome, sslhome, vmargs,
};

struct ValueOptionName {
  const char *name;
  ValueOption option;
};

constexpr ValueOptionName kValueOptions[] = {
    {"-start_server", ValueOption::start_server}, {"-javahome", ValueOption::javahome},
    {"-classpath", ValueOption::classpath},       {"-threads", ValueOption::threads},
    {"-main_class", ValueOption::main_class},     {"-login_class", ValueOption::login_class},
    {"-serverroot", ValueOption::serverroot},     {"-keelhome", ValueOption::keelhome},
    {"-masthome", ValueOption::masthome},         {"-sslhome", ValueOption::sslhome},
    {"-vmargs", ValueOption::vmargs},
};

// Returns the status to end with when the value is refused.
std::optional<int> take_value(Launcher &launcher, ValueOption option, const std::string &value) {
  LaunchSettings &s = launcher.settings;
  switch (option) {
    case ValueOption::start_server:
      s.serverName = value;
      s.startServer = true;
      break;
    case ValueOption::javahome:
      s.javaHome = value;
      s.javaHomeGiven = true;
      break;
    case ValueOption::classpath:
      s.extraClassPath = value;
      break;
    case ValueOption::threads:
      if (value == "green") {
        s.threads = ThreadsType::green;
      } else if (value == "native") {
        s.threads = ThreadsType::native;
      } else {
        return fail(launcher, "Unknown threads type " + value + ": should be green or native");
      }
      break;
    case ValueOption::main_class:
      s.mainClass = value;
      s.mainClassMode = true;
      break;
    case ValueOption::login_class:
      s.loginClass = value;
      break;
    case ValueOption::serverroot:
      s.serverRoot = value;
      break;
    case ValueOption::keelhome:
      s.keelHome = value;
      break;
    case ValueOption::masthome:
      s.mastHome = value;
      break;
    case ValueOption::sslhome:
      s.sslHome = value;
      s.useSsl = true;
      break;
    case ValueOption::vmargs:
      s.vmArgs = value;
      break;
  }
  return std::nullopt;
}

// Returns true when `argument` is one of the options without a value (and applies it).
bool take_flag(LaunchSettings &s, const std::string &argument) {
  if (argument == "-jre") {
    s.useJre = true;
  } else if (argument == "-nojre") {
    s.useJre = false;
  } else if (argument == "-verbose") {
    s.verbose = true;
    s.console = true;
  } else if (argument == "-console") {
    s.console = true;
  } else if (argument == "-norestart") {
    s.restart = false;
  } else if (argument == "-ssl") {
    s.useSsl = true;
  } else if (argument == "-passfile") {
    s.passFile = true;
  } else if (argument == "-ntservice") {
    s.ntService = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::optional<int> parse_options(Launcher &launcher, const std::vector<std::string> &arguments) {
  LaunchSettings &s = launcher.settings;
  for (size_t i = 0; i < arguments.size(); i++) {
    const std::string &argument = arguments[i];
    if (take_flag(s, argument)) {
      continue;
    }
    if (argument == "-help") {
      if (!s.mainClassMode) {
        return print_help(launcher);
      }
      s.applicationArguments.push_back(argument);
      continue;
    }
    const ValueOptionName *value_option = nullptr;
    for (const ValueOptionName &candidate : kValueOptions) {
      if (argument == candidate.name) {
        value_option = &candidate;
      }
    }
    if (value_option != nullptr) {
      if (i + 1 == arguments.size()) {
        if (value_option->option == ValueOption::threads) {
          return fail(launcher, "No thread type specified for -threads argument");
        }
        return fail_logged(launcher, "Too few arguments.\n");
      }
      if (std::optional<int> ending = take_value(launcher, value_option->option, arguments[++i])) {
        return ending;
      }
      continue;
    }
    if (argument.rfind("-D", 0) == 0) {
      s.systemProperties.push_back(argument);
    } else if (s.mainClassMode) {
      s.applicationArguments.push_back(argument);
    } else {
      return fail_logged(launcher, "Cannot process argument " + argument);
    }
  }
  return std::nullopt;
}

void apply_ssl_settings(Launcher &launcher) {
  LaunchSettings &s = launcher.settings;
  if (launcher.host.is_plain_file(path_join(launcher.style, s.serverRoot, {"keys"}))) {
    s.useSsl = true;
  }
  if (s.useSsl && !s.sslHome) {
    s.sslHome = s.serverRoot;
  }
}

void apply_default_main_class(Launcher &launcher) {
  if (!launcher.settings.mainClass) {
    launcher.settings.mainClass = kServerProcessClass;
  }
}
