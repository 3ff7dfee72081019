// authstore: the authentication-store tool of the server.
#include <cstdlib>

#include "launcher/common/posix_host.h"
#include "tools/authstore/authstore.h"

int main(int argc, char **argv) {
  PosixHost host;
  std::vector<std::string> arguments(argv + (argc > 0), argv + argc);
  std::exit(posix_exit_status(run_authstore(host, posix_path_style(), arguments)));
}
