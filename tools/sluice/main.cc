// sluice: starts one CGI program for the server without waiting for it.
#include <cstdio>
#include <cstdlib>

#include "launcher/common/posix_host.h"
#include "tools/sluice/sluice.h"

static void write_standard_output(const std::string &text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

int main(int argc, char **argv) {
  PosixHost host;
  std::vector<std::string> arguments(argv + (argc > 0), argv + argc);
  std::exit(run_sluice(host, arguments, write_standard_output));
}
