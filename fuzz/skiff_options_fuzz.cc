// skiff's option parser over the in-memory host, the input split at NUL octets
// into the arguments. Whatever they are, it either accepts them all quietly,
// prints the help and ends with 0, or ends with 1 after "skiff: " and the
// usage; the system properties it keeps are the "-D" arguments, in order, and
// application arguments appear only after a main class.
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "launcher/common/fake_host.h"
#include "launcher/skiff/settings.h"

namespace {

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// True when |part| is |whole| with some elements left out.
bool is_subsequence(const std::vector<std::string> &part, const std::vector<std::string> &whole) {
  size_t next = 0;
  for (const std::string &element : whole) {
    if (next < part.size() && part[next] == element) {
      next++;
    }
  }
  return next == part.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<std::string> arguments;
  if (size > 0) {
    const std::string input(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    for (size_t nul; (nul = input.find('\0', start)) != std::string::npos; start = nul + 1) {
      arguments.push_back(input.substr(start, nul - start));
    }
    arguments.push_back(input.substr(start));
  }
  FakeHost host(windows_path_style());
  host.executable = "C:\\srv\\bin\\skiff.exe";
  host.add_file("C:\\srv\\bin\\skiff.exe");
  host.add_file("C:\\java\\bin\\java.exe");
  host.current_directory = "C:\\work";
  Launcher launcher(host, windows_path_style());

  const std::optional<int> ending = parse_options(launcher, arguments);
  const LaunchSettings &settings = launcher.settings;
  if (!ending) {
    FUZZ_CHECK(host.error_output.empty());
  } else if (*ending == 0) {
    FUZZ_CHECK(host.error_output == std::string(kUsageText) + "\n" + kHelpText);
  } else {
    FUZZ_CHECK(*ending == 1);
    FUZZ_CHECK(host.error_output.rfind("skiff: ", 0) == 0);
    FUZZ_CHECK(ends_with(host.error_output, std::string(kUsageText) + "\n"));
  }
  for (const std::string &property : settings.systemProperties) {
    FUZZ_CHECK(property.rfind("-D", 0) == 0);
  }
  FUZZ_CHECK(is_subsequence(settings.systemProperties, arguments));
  FUZZ_CHECK(settings.applicationArguments.empty() || settings.mainClassMode);
  FUZZ_CHECK(is_subsequence(settings.applicationArguments, arguments));
  return 0;
}
