#include "launcher/common/testing/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

std::vector<char *> c_string_pointers(std::vector<std::string> &texts) {
  std::vector<char *> pointers;
  for (std::string &text : texts) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

std::vector<std::string> environment_texts(const std::map<std::string, std::string> &environment) {
  std::map<std::string, std::string> full_environment = environment;
  for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char *value = getenv(name)) {
      full_environment.emplace(name, value);
    }
  }
  std::vector<std::string> texts;
  for (const auto &[name, value] : full_environment) {
    texts.push_back(name + "=" + value);
  }
  return texts;
}

namespace {

void close_once(int *fd) {
  if (*fd >= 0) {
    close(*fd);
    *fd = -1;
  }
}

}  // namespace

ProgramRun::ProgramRun(const std::vector<std::string> &argv,
                       const std::map<std::string, std::string> &environment,
                       const std::string &directory) {
  std::vector<std::string> argv_texts = argv;
  std::vector<std::string> env_texts = environment_texts(environment);
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0 ||
      pipe2(err_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2: " << strerror(errno);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  std::vector<char *> child_argv = c_string_pointers(argv_texts);
  std::vector<char *> child_env = c_string_pointers(env_texts);
  int started = posix_spawn(&pid_, child_argv[0], &actions, nullptr, child_argv.data(),
                            child_env.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  input_ = in_pipe[1];
  output_ = out_pipe[0];
  errors_ = err_pipe[0];
  if (started != 0) {
    pid_ = -1;
    ADD_FAILURE() << argv[0] << ": " << strerror(started);
  }
}

ProgramRun::~ProgramRun() {
  close_once(&input_);
  close_once(&output_);
  close_once(&errors_);
  if (pid_ > 0 && status_ < 0) {
    wait_exit();
  }
}

int ProgramRun::wait_exit() {
  if (pid_ < 0 || status_ >= 0) {
    return status_;
  }
  int status = 0;
  pid_t result;
  do {
    result = waitpid(pid_, &status, 0);
  } while (result < 0 && errno == EINTR);
  EXPECT_EQ(result, pid_);
  status_ = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  return status_;
}

void ProgramRun::close_input() { close_once(&input_); }

void ProgramRun::read_to_end() {
  close_input();
  while (output_ >= 0 || errors_ >= 0) {
    pollfd watched[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
    if (poll(watched, 2, -1) < 0) {
      ASSERT_EQ(errno, EINTR);
      continue;
    }
    for (int i = 0; i < 2; i++) {
      int *fd = i == 0 ? &output_ : &errors_;
      std::string *text = i == 0 ? &output : &errors;
      if (*fd < 0 || watched[i].revents == 0) {
        continue;
      }
      char buffer[4096];
      ssize_t n = read(*fd, buffer, sizeof buffer);
      if (n > 0) {
        text->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close_once(fd);
      }
    }
  }
}

ProgramResult run_program(const std::vector<std::string> &argv,
                          const std::map<std::string, std::string> &environment,
                          const std::string &directory) {
  ProgramRun run(argv, environment, directory);
  run.read_to_end();
  int status = run.wait_exit();
  return ProgramResult{status, run.output, run.errors};
}

std::string make_test_directory(const std::string &prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp: " << strerror(errno);
    return "";
  }
  return pattern;
}
