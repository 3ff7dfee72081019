// End to end: the built skiff, installed in a server root of its own, supervising the
// fake Java launcher (real processes, real signals).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "launcher/common/testing/fake_java_record.h"
#include "launcher/common/testing/program_run.h"

namespace fs = std::filesystem;

namespace {

const std::string kUsage =
    "Usage: skiff [-jre|-nojre] [-javahome <javahome>] [-classpath <classpath>] [-ssl] [-threads <green|native>]\n[-vmargs <vmargs>] [-Dsystem_property=value]...\n[-passfile] [-verbose] [-console] [-noconsole] [-help]\n\n";

// True once `pid` runs a second thread (skiff's console-event thread, started right
// after the first VM start), waiting up to 10 s.
bool has_console_thread(pid_t pid) {
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (int i = 0; i < 1000; i++) {
    auto count = std::distance(fs::directory_iterator(tasks), fs::directory_iterator());
    if (count >= 2) {
      return true;
    }
    usleep(10000);
  }
  return false;
}

class SkiffEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    top_ = make_test_directory("skiff-e2e");
    ASSERT_FALSE(top_.empty());
    root_ = top_ + "/server root";  // a blank in every generated path
    records_ = top_ + "/records";
    java_ = top_ + "/jdk/bin/java";
    for (const std::string &dir : {root_ + "/bin", root_ + "/lib", records_, top_ + "/jdk/bin"}) {
      fs::create_directories(dir);
    }
    fs::copy_file(SKIFF_PATH, root_ + "/bin/skiff");
    fs::copy_file(FAKE_JAVA_PATH, java_);
    env_ = {{"PATH", "/usr/bin:/bin"}, {"JAVA_HOME", top_ + "/jdk"}, {"FAKE_JAVA_DIR", records_}};
  }
  void TearDown() override { fs::remove_all(top_); }

  void script(const std::string &statuses) { std::ofstream(records_ + "/statuses") << statuses; }

  // Starts skiff with `arguments`, in a process group of its own, standard error to a file.
  pid_t start(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv_texts = {root_ + "/bin/skiff"};
    argv_texts.insert(argv_texts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env_texts = environment_texts(env_);
    std::vector<char *> argv = c_string_pointers(argv_texts);
    std::vector<char *> envp = c_string_pointers(env_texts);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, (top_ + "/stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
  }
  int wait_status(pid_t pid) {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return status;
  }
  // Runs skiff to its end and returns its exit code (-signal when a signal ended it).
  int run(const std::vector<std::string> &arguments) {
    int status = wait_status(start(arguments));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  std::string error_output() {
    std::ifstream in(top_ + "/stderr");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> arguments_of(int run_index) {
    return fake_java_record(records_, run_index, "arg");
  }
  int stop_runs() {
    int stops = 0;
    for (int i = 0; i < fake_java_runs(records_); i++) {
      std::vector<std::string> args = arguments_of(i);
      stops += std::count(args.begin(), args.end(), "-stop") > 0;
    }
    return stops;
  }

  std::string top_, root_, records_, java_;
  std::map<std::string, std::string> env_;
};

TEST_F(SkiffEndToEnd, QuotedValuesWithBlanksArriveAsOneArgumentAndNormalEndCleansUp) {
  script("0");
  ASSERT_EQ(run({"-vmargs", "-Xmx64m  -Xss1m", "-Dp=1"}), 0) << error_output();
  std::vector<std::string> args = arguments_of(0);
  std::string root = root_ + "/bin/..";
  EXPECT_EQ(args, (std::vector<std::string>{
                      java_, "-Dserver.name=adminserver", "-Dserver.root=" + root,
                      "-Duser.keystore=" + root + "/keys", "-Dpath=/usr/bin:/bin",
                      "-Djava.home=" + top_ + "/jdk", "-Dwindir=", "-Xmx64m", "-Xss1m", "-Dp=1",
                      "-Dserver.vmargs=-Xmx64m::-Xss1m",
                      "-Dserver.system_props=:-Dp=1:-Dserver.vmargs=-Xmx64m::-Xss1m",
                      "com.quill.server.ServerProcess"}));
  std::vector<std::string> env = fake_java_record(records_, 0, "env");
  EXPECT_NE(std::find(env.begin(), env.end(), "CLASSPATH=" + root + "/classes"), env.end());
  EXPECT_NE(std::find(env.begin(), env.end(),
                      "PATH=" + top_ + "/jdk/bin:" + root + "/lib:/usr/bin:/bin"),
            env.end());
  EXPECT_EQ(fake_java_record(records_, 0, "cwd"), std::vector<std::string>{root_});
  EXPECT_EQ(fake_java_record(records_, 0, "sigint"), std::vector<std::string>{"ignored"});
  EXPECT_FALSE(fs::exists(root_ + "/sk.txt"));
  EXPECT_EQ(error_output(), "");
}

TEST_F(SkiffEndToEnd, RestartOn255WritesAFreshPrivateKeyEachCycle) {
  script("255 255 0");
  env_["FAKE_JAVA_TAKE_KEY"] = "1";
  pid_t pid = start({});
  long long before = time(nullptr);
  ASSERT_EQ(WEXITSTATUS(wait_status(pid)), 0) << error_output();
  long long after = time(nullptr);
  ASSERT_EQ(fake_java_runs(records_), 3);
  for (int i = 0; i < 3; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(arguments_of(i), arguments_of(0));
    std::vector<std::string> key = fake_java_record(records_, i, "sk");
    ASSERT_EQ(key.size(), 1u);
    std::string pid_text = std::to_string(pid);
    ASSERT_EQ(key[0].rfind(pid_text, 0), 0u);
    long long seconds = std::stoll(key[0].substr(pid_text.size()));
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    EXPECT_EQ(fake_java_record(records_, i, "skmode"), std::vector<std::string>{"600"});
  }
  EXPECT_EQ(stop_runs(), 0);
}

TEST_F(SkiffEndToEnd, NoRestartEndsWith255) {
  script("255");
  EXPECT_EQ(run({"-norestart"}), 255);
  EXPECT_EQ(fake_java_runs(records_), 1);
  EXPECT_FALSE(fs::exists(root_ + "/sk.txt"));
}

TEST_F(SkiffEndToEnd, FailureStatusRunsTheStopCommandOnceAndIsPassedOn) {
  script("3 0");
  EXPECT_EQ(run({"-Dp=1", "-classpath", "/x"}), 3);
  EXPECT_EQ(error_output(),
            "Program " + java_ + " exited with code 3\nskiff: Shutting down the server\n");
  ASSERT_EQ(fake_java_runs(records_), 2);
  std::string key = fake_java_record(records_, 0, "sk").at(0);
  std::vector<std::string> stop = arguments_of(1);
  ASSERT_GE(stop.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(stop.end() - 4, stop.end()),
            (std::vector<std::string>{"com.quill.server.http.admin.CommandLine", "-stop", "-sk",
                                      key}));
  EXPECT_EQ(std::count(stop.begin(), stop.end(), "-Dp=1"), 1);
  EXPECT_FALSE(fs::exists(root_ + "/sk.txt"));
}

TEST_F(SkiffEndToEnd, InterruptStopsTheServerOnceThenEndsTheLauncherBySignal) {
  script("hang 0");
  pid_t pid = start({});
  ASSERT_TRUE(wait_for_fake_java_run(records_, 0));
  pid_t vm = std::stoi(fake_java_record(records_, 0, "pid").at(0));
  ASSERT_TRUE(has_console_thread(pid));
  kill(-pid, SIGINT);  // the whole group, as Ctrl+C does: the VM ignores it
  for (int i = 0; i < 4; i++) {
    kill(pid, SIGINT);
  }
  int status = wait_status(pid);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
  EXPECT_EQ(kill(vm, 0), 0) << "the VM should have ignored the interrupt";
  kill(vm, SIGKILL);
  EXPECT_EQ(stop_runs(), 1);
  EXPECT_EQ(arguments_of(1).back(), fake_java_record(records_, 0, "sk").at(0));
  EXPECT_EQ(error_output(), "skiff: Shutting down the server\n");
  EXPECT_TRUE(fs::exists(root_ + "/sk.txt"));  // ended by the signal, not by the loop
}

TEST_F(SkiffEndToEnd, StartServerAndMainClassModeKeepNoKeyAndNeverStop) {
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{"-start_server", "s"},
        std::vector<std::string>{"-main_class", "Tool", "a b"}}) {
    SCOPED_TRACE(arguments[0]);
    fs::remove_all(records_);
    fs::create_directories(records_);
    script("3");
    EXPECT_EQ(run(arguments), 3);
    EXPECT_EQ(fake_java_runs(records_), 1);
    EXPECT_EQ(fake_java_record(records_, 0, "sk-missing").size(), 1u);
    EXPECT_EQ(error_output(), "Program " + java_ + " exited with code 3\n");
  }
  EXPECT_EQ(arguments_of(0).back(), "b");  // a blank in an application argument splits it
}

TEST_F(SkiffEndToEnd, FatalStartsEndWithTheirMessageAndStatus1) {
  struct Row {
    std::map<std::string, std::string> env;
    std::string want;
  };
  std::string plain_file = top_ + "/not-executable";
  std::ofstream(plain_file) << "x";
  chmod(plain_file.c_str(), 0644);
  const Row rows[] = {
      {{{"JAVA_HOME", top_ + "/none"}},
       "skiff: Cannot find the Java runtime. Please use the -javahome argument to specify the "
       "location of the JDK.\n" + kUsage},
      {{{"SKIFF_HOME", top_ + "/none"}},
       "skiff: Cannot find directory SKIFF_HOME: " + top_ + "/none\n" + kUsage},
      // the VM cannot be created: the system's reason, status 1, no stop, no retry
      {{{"JAVA_EXE", plain_file}}, "Program " + plain_file + ": Permission denied (-1)\n"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want);
    for (const auto &[name, value] : row.env) {
      env_[name] = value;
    }
    script("255");
    EXPECT_EQ(run({}), 1);
    EXPECT_EQ(error_output(), row.want);
    EXPECT_EQ(fake_java_runs(records_), 0);
    for (const auto &[name, value] : row.env) {
      env_.erase(name);
    }
    env_["JAVA_HOME"] = top_ + "/jdk";
  }
}

}  // namespace
