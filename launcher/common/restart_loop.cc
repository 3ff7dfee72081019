#include "launcher/common/restart_loop.h"

#include "launcher/common/java_names.h"
#include "launcher/common/start_child.h"

int run_restarting(Host &host, const PathStyle &style, const std::vector<std::string> &vector) {
  long status;
  do {
    int error = 0;
    status = start_child(host, style, ChildMode::wait, vector, &error);
    if (status == -1) {
      host.write_error(vector.at(0) + ": " + system_error_text(error) + "\n");
      return 1;
    }
  } while (status == kRestartStatus);
  return static_cast<int>(status);
}
