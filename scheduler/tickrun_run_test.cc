// The tickrun program end to end: hidden under a faked clock, and its real
// window on a virtual X server driven with xdotool.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char **environ;

namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool WaitFor(const std::function<bool()> &done, int seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (done()) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

// The environment of this process with |changes| applied (an empty value unsets).
std::vector<std::string> Environment(const std::map<std::string, std::string> &changes) {
  std::vector<std::string> env;
  for (char **entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    if (changes.count(text.substr(0, text.find('='))) == 0) {
      env.push_back(text);
    }
  }
  for (const auto &[name, value] : changes) {
    if (!value.empty()) {
      env.push_back(name + "=" + value);
    }
  }
  return env;
}

// A child process with its output in files; ended and reaped on destruction.
class Child {
 public:
  Child(const std::vector<std::string> &argv, const std::map<std::string, std::string> &env,
        const std::string &out_path) {
    std::vector<char *> args;
    for (const std::string &arg : argv) {
      args.push_back(const_cast<char *>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<std::string> env_text = Environment(env);
    std::vector<char *> envp;
    for (std::string &entry : env_text) {
      envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (out_path + ".out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (out_path + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() { Stop(); }

  pid_t Pid() const { return pid_; }
  // Waits up to |seconds| for the child to end; its exit status, or -1.
  int Wait(int seconds) {
    int status = -1;
    WaitFor([&] { return pid_ <= 0 || waitpid(pid_, &status, WNOHANG) == pid_; }, seconds);
    if (pid_ > 0 && WIFEXITED(status)) {
      pid_ = -1;
      return WEXITSTATUS(status);
    }
    return -1;
  }
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      if (!WaitFor([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, 5)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
};

// Children of |parent| that have ended but were not reaped.
std::vector<pid_t> Zombies(pid_t parent) {
  std::vector<pid_t> zombies;
  DIR *proc = opendir("/proc");
  while (dirent *entry = readdir(proc)) {
    std::string stat = ReadFile(std::string("/proc/") + entry->d_name + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) {
      continue;
    }
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent && state == 'Z') {
      zombies.push_back(atoi(entry->d_name));
    }
  }
  closedir(proc);
  return zombies;
}

bool OnPath(const std::string &program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Capture(const std::string &command) {
  std::string text;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
      text += buffer;
    }
    pclose(pipe);
  }
  return text;
}

class TickrunRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tickrun_run.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    table_ = dir_ + "/crontab.txt";
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  std::string dir_;
  std::string table_;
};

TEST_F(TickrunRun, WithoutAPathPrintsTheHelpAndFails) {
  Child child({TICKRUN_PROGRAM}, {{"DISPLAY", ""}}, dir_ + "/help");
  EXPECT_EQ(child.Wait(10), 1);
  std::string out = ReadFile(dir_ + "/help.out");
  EXPECT_NE(out.find("Tickrun 1.91"), std::string::npos);
  EXPECT_NE(out.find("Command line switches are:\r\n"), std::string::npos);
}

TEST_F(TickrunRun, WithoutADisplaySaysSoAndRunsHidden) {
  WriteFile(table_, "@launch touch " + dir_ + "/started\r\n");
  Child tickrun({TICKRUN_PROGRAM, table_}, {{"DISPLAY", ""}}, dir_ + "/tickrun");
  EXPECT_TRUE(WaitFor([&] {
    struct stat info;
    return stat((dir_ + "/started").c_str(), &info) == 0 &&
           ReadFile(dir_ + "/tickrun.err").find("no display") != std::string::npos;
  }, 10)) << ReadFile(dir_ + "/tickrun.err");
  EXPECT_EQ(tickrun.Wait(1), -1) << "it must keep running";
}

TEST_F(TickrunRun, HiddenUnderAFakedClockStartsTheDueRowAndReapsIt) {
  struct stat library;
  if (stat(FAKETIME_LIBRARY, &library) != 0) {
    GTEST_SKIP() << "libfaketime (Debian's faketime) is not installed";
  }
  // Started at 10:00:58, the first tick comes at 10:01:05 and runs the row of minute 01.
  std::string ran = dir_ + "/ran";
  WriteFile(table_, "1 10 * * * echo $$ > " + ran + "\r\n2 10 * * * echo late > " + ran + "\r\n");
  // The library is preloaded directly (the faketime wrapper would stand between
  // the test and tickrun); a sanitizer build must be told not to insist on
  // coming first in the preload list.
  Child tickrun({TICKRUN_PROGRAM, table_, "/hide", "/log"},
                {{"TZ", "UTC"},
                 {"DISPLAY", ""},
                 {"LD_PRELOAD", FAKETIME_LIBRARY},
                 {"FAKETIME", "@2024-01-01 10:00:58"},
                 {"ASAN_OPTIONS", "verify_asan_link_order=0"}},
                dir_ + "/tickrun");
  ASSERT_GT(tickrun.Pid(), 0);
  std::string log_path = table_ + ".log";
  std::string task_id;
  const std::regex result("     Launched with Task ID  ([0-9]+)\r\n");
  ASSERT_TRUE(WaitFor([&] {
    std::string log = ReadFile(log_path);
    std::smatch launched;
    if (std::regex_search(log, launched, result)) {
      task_id = launched[1];
    }
    return !task_id.empty() && !ReadFile(ran).empty();
  }, 20)) << "log:\n" << ReadFile(log_path) << "stderr:\n" << ReadFile(dir_ + "/tickrun.err");
  std::string log = ReadFile(log_path);
  EXPECT_EQ(log.rfind("\r\n01-01-2024 10:00:5", 0), 0u) << log;
  EXPECT_NE(log.find(" Tickrun Launched\r\n"), std::string::npos);
  EXPECT_NE(log.find("\r\n01-01-2024 10:01:0"), std::string::npos) << log;
  EXPECT_NE(log.find(" Launching echo $$ > " + ran + "\r\n     Launched with Task ID  "),
            std::string::npos);
  EXPECT_EQ(log.find("late"), std::string::npos);
  // The task id is the pid of the shell that ran the line.
  EXPECT_EQ(std::stol(ReadFile(ran)), std::stol(task_id));
  EXPECT_TRUE(WaitFor([&] { return Zombies(tickrun.Pid()).empty(); }, 5)) << "a zombie is left";
  tickrun.Stop();
}

// A virtual X server on a free display, ended on destruction.
class VirtualDisplay {
 public:
  VirtualDisplay(const std::string &dir) {
    int fds[2];
    if (pipe(fds) != 0) {
      return;
    }
    std::string fd_text = std::to_string(fds[1]);
    server_ = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", "-displayfd", fd_text, "-screen", "0", "800x600x24",
                                 "-nolisten", "tcp"},
        std::map<std::string, std::string>{}, dir + "/xvfb");
    close(fds[1]);
    // The server writes its display number and a newline once it accepts clients.
    std::string number;
    pollfd ready = {fds[0], POLLIN, 0};
    while (server_->Pid() > 0 && number.find('\n') == std::string::npos &&
           poll(&ready, 1, 10000) == 1) {
      char chunk[16];
      ssize_t got = read(fds[0], chunk, sizeof chunk);
      if (got <= 0) {
        break;
      }
      number.append(chunk, static_cast<size_t>(got));
    }
    if (number.find('\n') != std::string::npos) {
      name_ = ":" + number.substr(0, number.find('\n'));
    }
    close(fds[0]);
  }
  const std::string &Name() const { return name_; }

 private:
  std::unique_ptr<Child> server_;
  std::string name_;
};

TEST_F(TickrunRun, WindowCheckBoxSwitchesLoggingAndFollowsAResize) {
  for (const char *tool : {"Xvfb", "xdotool", "import"}) {
    if (!OnPath(tool)) {
      GTEST_SKIP() << tool << " is not installed, so the window cannot be tested";
    }
  }
  VirtualDisplay display(dir_);
  if (display.Name().empty()) {
    GTEST_SKIP() << "Xvfb could not start a virtual display: "
                 << ReadFile(dir_ + "/xvfb.err");
  }
  WriteFile(table_, "# nothing due\r\n");
  Child tickrun({TICKRUN_PROGRAM, table_}, {{"DISPLAY", display.Name()}}, dir_ + "/tickrun");
  const std::string x = "DISPLAY=" + display.Name() + " ";
  std::string window;
  ASSERT_TRUE(WaitFor([&] {
    window = Capture(x + "xdotool search --onlyvisible --class tickrun 2>/dev/null | head -1");
    return !window.empty();
  }, 15)) << ReadFile(dir_ + "/tickrun.err");
  window.erase(window.find_last_not_of("\n") + 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  // Check2 stands at (width/2 + 500, height/2 - 700) twips, 15 twips to a pixel.
  auto click_check2 = [&] {
    std::string geometry = Capture(x + "xdotool getwindowgeometry --shell " + window);
    std::smatch size;
    ASSERT_TRUE(std::regex_search(geometry, size, std::regex("WIDTH=([0-9]+)\nHEIGHT=([0-9]+)")))
        << geometry;
    int width = std::stoi(size[1]) * 15, height = std::stoi(size[2]) * 15;
    int box_x = (width / 2 + 500) / 15 + 6, box_y = (height / 2 - 700) / 15 + 6;
    std::system((x + "xdotool mousemove --window " + window + " " + std::to_string(box_x) + " " +
                 std::to_string(box_y) + " click 1").c_str());
  };
  std::string log_path = table_ + ".log";
  auto log_ends_with = [&](const std::string &entry) {
    return WaitFor([&] {
      std::string log = ReadFile(log_path);
      return log.size() >= entry.size() && log.compare(log.size() - entry.size(), entry.size(), entry) == 0;
    }, 10);
  };
  click_check2();
  EXPECT_TRUE(log_ends_with(" Log_Switch set to True\r\n")) << "log: " << ReadFile(log_path);

  // After a resize the group is centred again: Check2 is found at its new place.
  std::system((x + "xdotool windowsize " + window + " 800 450").c_str());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  click_check2();
  EXPECT_TRUE(log_ends_with(" Log_Switch set to False\r\n")) << "log: " << ReadFile(log_path);

  std::string shot = std::string(ARTEFACT_DIR) + "/tickrun-window.png";
  std::system((x + "import -window " + window + " " + shot).c_str());
  struct stat info;
  EXPECT_EQ(stat(shot.c_str(), &info), 0) << "no screenshot at " << shot;
  tickrun.Stop();
}

}  // namespace
