// skiff: starts the server's Java VM and supervises it.
#include <cstdlib>

#include "launcher/common/posix_host.h"
#include "launcher/skiff/supervise.h"
#include "launcher/skiff/vm_command.h"

int main(int argc, char **argv) {
  PosixHost host;
  Launcher launcher(host, posix_path_style());
  std::vector<std::string> own_arguments(argv, argv + argc);
  std::vector<std::string> vector;
  int status;
  if (std::optional<int> ending = prepare_launch(
          launcher, std::vector<std::string>(own_arguments.begin() + (argc > 0), own_arguments.end()),
          &vector)) {
    status = *ending;
  } else {
    launcher.savedArguments = own_arguments;
    status = supervise(launcher, vector);
  }
  // std::exit rather than return: the console-event thread may still be using the
  // launcher, which lives in this frame.
  std::exit(posix_exit_status(status));
}
