// Running a built program as a real child process in end-to-end tests: an exact
// environment, a working directory, and pipes on its standard input, output and error.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// environment_texts: "NAME=value" for each entry of `environment`, plus the sanitizers'
// options of the test itself where `environment` has none, so sanitized children report
// as the test does.
std::vector<std::string> environment_texts(const std::map<std::string, std::string> &environment);
// c_string_pointers: the texts' characters followed by a null pointer, as posix_spawn
// takes argv and the environment; valid while `texts` is neither changed nor freed.
std::vector<char *> c_string_pointers(std::vector<std::string> &texts);

class ProgramRun {
 public:
  // Starts argv[0] with `argv`, the environment_texts of `environment` and `directory`
  // as its current directory. The run fails the current test when it cannot start.
  ProgramRun(const std::vector<std::string> &argv,
             const std::map<std::string, std::string> &environment,
             const std::string &directory);
  ~ProgramRun();
  ProgramRun(const ProgramRun &) = delete;
  ProgramRun &operator=(const ProgramRun &) = delete;

  // wait_exit: the exit code, or 128 + the signal number when a signal ended it.
  // Leaves the pipes open, so children the program left behind keep them.
  int wait_exit();
  // close_input: the program and whatever it started see the end of standard input.
  void close_input();
  // read_to_end: closes standard input and reads standard output and error until every
  // process holding them has closed them.
  void read_to_end();

  std::string output;  // standard output, filled by read_to_end
  std::string errors;  // standard error, filled by read_to_end

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
};

// run_program: starts the program, reads its output to the end and waits for it.
struct ProgramResult {
  int status;
  std::string output;
  std::string errors;
};
ProgramResult run_program(const std::vector<std::string> &argv,
                          const std::map<std::string, std::string> &environment,
                          const std::string &directory);

// make_test_directory: a fresh directory under /tmp named after `prefix`.
std::string make_test_directory(const std::string &prefix);
