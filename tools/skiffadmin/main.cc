// skiffadmin: the administrative command line, run through skiff.
#include <cstdlib>

#include "launcher/common/posix_host.h"
#include "tools/skiffadmin/skiffadmin.h"

int main(int argc, char **argv) {
  PosixHost host;
  std::vector<std::string> arguments(argv + (argc > 0), argv + argc);
  std::exit(posix_exit_status(run_skiffadmin(host, posix_path_style(), arguments)));
}
