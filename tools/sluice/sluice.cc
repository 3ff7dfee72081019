#include "tools/sluice/sluice.h"

int run_sluice(Host &host, const std::vector<std::string> &arguments, const OutputWriter &output) {
  if (arguments.size() < 3) {
    output("\r\nUsage: sluice cgilaunch execbin perlbin [querystrings]*\r\n");
    return 1;
  }
  if (arguments.size() > kSluiceMaxArguments) {
    output("\r\nmaximum number of arguments exceeded\r\n");
    return 2;
  }
  const std::string &directory = arguments[0];
  const std::string &executable = arguments[1];
  const std::string &interpreter = arguments[2];
  // A directory that cannot be entered leaves the program in the current one.
  host.change_directory(directory);

  const std::string &program = interpreter == "--none--" ? executable : interpreter;
  // Element 0 is the program; the executable follows as its first argument either way.
  std::vector<std::string> command_line = {program, executable};
  command_line.insert(command_line.end(), arguments.begin() + 3, arguments.end());
  int error = 0;
  // Callers read 1 as "started" and 0 as "not started".
  return host.spawn(program, command_line, &error) == -1 ? 0 : 1;
}
