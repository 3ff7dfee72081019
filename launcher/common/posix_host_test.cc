// End to end: the POSIX host with real processes and the fake Java launcher.
#include "launcher/common/posix_host.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "launcher/common/start_child.h"
#include "launcher/common/testing/fake_java_record.h"
#include "launcher/common/testing/program_run.h"

namespace fs = std::filesystem;

namespace {

class PosixHostTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = make_test_directory("posix-host");
    ASSERT_FALSE(dir_.empty());
    setenv("FAKE_JAVA_DIR", dir_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void script(const std::string &statuses) {
    std::ofstream(dir_ + "/statuses") << statuses;
  }
  std::vector<std::string> record(int run, const std::string &key) {
    return fake_java_record(dir_, run, key);
  }

  std::string dir_;
  PosixHost host_;
};

TEST_F(PosixHostTest, ChildSeesArgumentsAsTheMicrosoftRuntimeSplitsThem) {
  script("0");
  int error = 0;
  std::vector<std::string> vector = {FAKE_JAVA_PATH, "-Dserver.root=\"/srv x\"", "a b",
                                     "-Dq=\"\"", "c\\\\\"d e\""};
  ASSERT_EQ(start_child(host_, posix_path_style(), ChildMode::wait, vector, &error), 0);
  EXPECT_EQ(record(0, "arg"), (std::vector<std::string>{FAKE_JAVA_PATH, "-Dserver.root=/srv x",
                                                         "a", "b", "-Dq=", "c\\d e"}));
}

TEST_F(PosixHostTest, ProgramNameWithBlankStaysArgvZero) {
  script("0");
  fs::path spaced = fs::path(dir_) / "my java";
  fs::copy_file(FAKE_JAVA_PATH, spaced);
  fs::permissions(spaced, fs::perms::owner_all);
  int error = 0;
  ASSERT_EQ(start_child(host_, posix_path_style(), ChildMode::wait, {spaced.string(), "x"}, &error),
            0);
  EXPECT_EQ(record(0, "arg"), (std::vector<std::string>{spaced.string(), "x"}));
}

TEST_F(PosixHostTest, ChildInheritsEnvironmentDirectoryAndIgnoredInterrupt) {
  script("0");
  host_.set_env("SKIFF_TEST_VALUE", "one two");
  char old_dir[PATH_MAX];
  ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
  ASSERT_TRUE(host_.change_directory(dir_));
  int error = 0;
  host_.set_interrupt_ignored(true);
  long child = start_child(host_, posix_path_style(), ChildMode::no_wait, {FAKE_JAVA_PATH}, &error);
  host_.set_interrupt_ignored(false);
  ASSERT_GT(child, 0);
  EXPECT_EQ(host_.wait_child(child, &error), 0);
  EXPECT_EQ(start_child(host_, posix_path_style(), ChildMode::wait, {FAKE_JAVA_PATH}, &error), 0);
  ASSERT_TRUE(host_.change_directory(old_dir));
  host_.unset_env("SKIFF_TEST_VALUE");

  EXPECT_EQ(record(0, "cwd"), std::vector<std::string>{fs::canonical(dir_).string()});
  std::vector<std::string> env = record(0, "env");
  EXPECT_NE(std::find(env.begin(), env.end(), "SKIFF_TEST_VALUE=one two"), env.end());
  EXPECT_EQ(record(0, "sigint"), std::vector<std::string>{"ignored"});
  EXPECT_EQ(record(1, "sigint"), std::vector<std::string>{"default"});
  EXPECT_FALSE(host_.get_env("SKIFF_TEST_VALUE").has_value());
}

TEST_F(PosixHostTest, ExitStatusesIncludingSignalAndFailures) {
  script("3 255 hang");
  int error = 0;
  EXPECT_EQ(start_child(host_, posix_path_style(), ChildMode::wait, {FAKE_JAVA_PATH}, &error), 3);
  EXPECT_EQ(start_child(host_, posix_path_style(), ChildMode::wait, {FAKE_JAVA_PATH}, &error), 255);
  long child = start_child(host_, posix_path_style(), ChildMode::no_wait, {FAKE_JAVA_PATH}, &error);
  ASSERT_TRUE(wait_for_fake_java_run(dir_, 2));
  kill(static_cast<pid_t>(child), SIGTERM);
  EXPECT_EQ(host_.wait_child(child, &error), 128 + SIGTERM);

  error = 0;
  EXPECT_EQ(start_child(host_, posix_path_style(), ChildMode::wait, {dir_ + "/none"}, &error), -1);
  EXPECT_EQ(system_error_text(error), "No such file or directory");
  error = 0;
  EXPECT_EQ(host_.wait_child(child, &error), -1);
  EXPECT_EQ(system_error_text(error), "No child processes");
}

TEST_F(PosixHostTest, FileTestsListingAndPrivateFile) {
  std::string file = dir_ + "/sk.txt";
  std::ofstream(file) << "old content that is longer";
  chmod(file.c_str(), 0644);
  fs::create_directory(dir_ + "/lib");
  fs::create_directory_symlink(dir_ + "/lib", dir_ + "/lib-link");

  EXPECT_TRUE(host_.is_directory(dir_ + "/lib"));
  EXPECT_TRUE(host_.is_directory(dir_ + "/lib-link"));
  EXPECT_FALSE(host_.is_directory(file));
  EXPECT_FALSE(host_.is_directory(dir_ + "/none"));
  EXPECT_TRUE(host_.is_plain_file(file));
  EXPECT_FALSE(host_.is_plain_file(dir_ + "/lib"));
  EXPECT_FALSE(host_.is_plain_file(dir_ + "/none"));

  int error = 0;
  ASSERT_TRUE(host_.write_private_file(file, "12341700000000", &error));
  struct stat info;
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "12341700000000");

  // a link at the key's path is refused rather than followed
  fs::create_symlink(file, dir_ + "/link.txt");
  EXPECT_FALSE(host_.write_private_file(dir_ + "/link.txt", "x", &error));
  EXPECT_FALSE(host_.write_private_file(dir_ + "/none/sk.txt", "x", &error));
  EXPECT_EQ(error, ENOENT);

  std::vector<std::string> names = {"junk"};
  ASSERT_TRUE(host_.list_directory(dir_, &names));
  for (const char *want : {".", "..", "sk.txt", "lib", "lib-link", "link.txt"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
  }
  EXPECT_FALSE(host_.list_directory(dir_ + "/none", &names));

  EXPECT_TRUE(host_.remove_file(file));
  EXPECT_FALSE(host_.is_plain_file(file));
}

TEST(PosixHost, ProcessFacts) {
  PosixHost host;
  EXPECT_EQ(host.own_executable(), fs::read_symlink("/proc/self/exe").string());
  EXPECT_FALSE(host.short_path("/usr/bin").has_value());
  EXPECT_EQ(host.process_id(), static_cast<long>(getpid()));
  EXPECT_NEAR(static_cast<double>(host.now_seconds()), static_cast<double>(time(nullptr)), 2.0);
}

TEST(PosixHost, OwnFailureStatusNeverReadsAsRestart) {
  EXPECT_EQ(posix_exit_status(-1), 1);
  EXPECT_EQ(posix_exit_status(0), 0);
  EXPECT_EQ(posix_exit_status(3), 3);
  EXPECT_EQ(posix_exit_status(255), 255);
}

// In a forked process: the first SIGINT is handled and the process goes on, the
// second is not handled and ends the process by SIGINT.
TEST(PosixHost, ConsoleEventsRunOnTheirThreadThenEndByTheSignal) {
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(pipe_fds[0]);
    PosixHost host;
    int calls = 0;
    host.watch_console_events([&](ConsoleEvent event) {
      char mark = event == ConsoleEvent::interrupt ? 'i' : 'o';
      (void)!write(pipe_fds[1], &mark, 1);
      return ++calls == 1;
    });
    (void)!write(pipe_fds[1], "r", 1);
    while (true) {
      pause();
    }
  }
  close(pipe_fds[1]);
  char mark = 0;
  ASSERT_EQ(read(pipe_fds[0], &mark, 1), 1);
  EXPECT_EQ(mark, 'r');
  kill(pid, SIGINT);
  ASSERT_EQ(read(pipe_fds[0], &mark, 1), 1);
  EXPECT_EQ(mark, 'i');
  kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(read(pipe_fds[0], &mark, 1), 1);
  EXPECT_EQ(mark, 'i');
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
  close(pipe_fds[0]);
}

}  // namespace
