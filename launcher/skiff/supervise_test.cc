#include "launcher/skiff/supervise.h"

#include <cerrno>

#include "launcher/skiff/skiff_fixture.h"

namespace {

const std::string kJava = "C:\\java\\bin\\java.exe";
const std::string kSkiff = "C:\\srv\\bin\\..\\bin\\skiff.exe";
const std::string kKeyFile = "C:\\srv\\sk.txt";

using Script = FakeHost::ChildScript;

class SuperviseTest : public SkiffTest {
 protected:
  // The key file as the VM of each cycle finds it.
  std::function<void()> note_key_file() {
    return [this] {
      keys_seen.push_back(host.file_content(kKeyFile).value_or("(none)"));
      modes_seen.push_back(host.file_mode(kKeyFile));
    };
  }
  std::vector<std::string> keys_seen;
  std::vector<int> modes_seen;
};

TEST_F(SuperviseTest, NormalEndRemovesTheKeyFileWithoutStop) {
  ASSERT_EQ(prepare({}), std::nullopt);
  host.children.push_back(Script::exiting(0, note_key_file()));
  EXPECT_EQ(supervise(launcher, vector), 0);
  ASSERT_EQ(host.launches.size(), 1u);
  EXPECT_EQ(host.launches[0].vector, vector);
  EXPECT_TRUE(host.launches[0].interrupt_ignored);  // the VM inherits the ignored Ctrl+C
  EXPECT_FALSE(host.interrupt_ignored);
  EXPECT_EQ(host.console_watch_calls, 1);
  EXPECT_EQ(keys_seen, std::vector<std::string>{"1234987654321"});
  EXPECT_EQ(modes_seen, std::vector<int>{0600});
  EXPECT_FALSE(host.file_content(kKeyFile).has_value());
  EXPECT_EQ(host.error_output, "");
}

TEST_F(SuperviseTest, RestartRequestGetsAFreshKeyEachCycle) {
  ASSERT_EQ(prepare({}), std::nullopt);
  auto next_second = [this] {
    note_key_file()();
    host.seconds++;
  };
  host.children.push_back(Script::exiting(255, next_second));
  host.children.push_back(Script::exiting(255, next_second));
  host.children.push_back(Script::exiting(0, next_second));
  EXPECT_EQ(supervise(launcher, vector), 0);
  ASSERT_EQ(host.launches.size(), 3u);
  EXPECT_EQ(host.launches[2].vector, vector);
  EXPECT_EQ(keys_seen,
            (std::vector<std::string>{"1234987654321", "1234987654322", "1234987654323"}));
  EXPECT_EQ(host.console_watch_calls, 1);
  EXPECT_FALSE(host.file_content(kKeyFile).has_value());
}

TEST_F(SuperviseTest, NoRestartEndsWith255WithoutStop) {
  ASSERT_EQ(prepare({"-norestart"}), std::nullopt);
  host.children.push_back(Script::exiting(255));
  EXPECT_EQ(supervise(launcher, vector), 255);
  EXPECT_EQ(host.launches.size(), 1u);
  EXPECT_FALSE(host.file_content(kKeyFile).has_value());
}

TEST_F(SuperviseTest, UnexpectedStatusRunsTheStopCommandAndEndsWithIt) {
  ASSERT_EQ(prepare({"-Dp=1"}), std::nullopt);
  host.children.push_back(Script::exiting(3));
  EXPECT_EQ(supervise(launcher, vector), 3);
  EXPECT_EQ(host.error_output,
            "Program " + kJava + " exited with code 3\nskiff: Shutting down the server\n");
  ASSERT_EQ(host.launches.size(), 2u);
  EXPECT_EQ(host.launches[1].program, kSkiff);
  EXPECT_EQ(host.launches[1].vector,
            (std::vector<std::string>{kSkiff, "-Dp=1", "-main_class",
                                      "com.quill.server.http.admin.CommandLine", "-stop", "-sk",
                                      "1234987654321"}));
  EXPECT_FALSE(host.file_content(kKeyFile).has_value());
}

TEST_F(SuperviseTest, ConsoleEventsStopTheServerOnceAndAreNotHandled) {
  ASSERT_EQ(prepare({}), std::nullopt);
  std::vector<bool> handled;
  host.children.push_back(Script::exiting(0, [&] {
    handled.push_back(host.fire_console_event(ConsoleEvent::interrupt));
    handled.push_back(host.fire_console_event(ConsoleEvent::interrupt));
    handled.push_back(host.fire_console_event(ConsoleEvent::shutdown));
  }));
  EXPECT_EQ(supervise(launcher, vector), 0);
  EXPECT_EQ(handled, (std::vector<bool>{false, false, false}));
  ASSERT_EQ(host.launches.size(), 2u);
  EXPECT_EQ(host.launches[1].vector.back(), "1234987654321");
  EXPECT_EQ(host.error_output, "skiff: Shutting down the server\n");
}

TEST_F(SuperviseTest, StartServerAndMainClassModeKeepNoKeyAndNeverStop) {
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{"-start_server", "s"},
        std::vector<std::string>{"-main_class", "Tool"}}) {
    SCOPED_TRACE(arguments[0]);
    FakeHost fresh(windows_path_style());
    install_kit(fresh);
    fresh.add_file(kKeyFile, "old");  // not theirs: neither written nor removed
    Launcher one(fresh, windows_path_style());
    std::vector<std::string> vm;
    ASSERT_EQ(prepare_launch(one, arguments, &vm), std::nullopt);
    fresh.children.push_back(Script::exiting(3, [&] { fresh.fire_console_event(ConsoleEvent::interrupt); }));
    EXPECT_EQ(supervise(one, vm), 3);
    EXPECT_EQ(fresh.launches.size(), 1u);
    EXPECT_EQ(fresh.file_content(kKeyFile), "old");
    EXPECT_EQ(fresh.error_output, "Program " + kJava + " exited with code 3\n");
  }
}

TEST_F(SuperviseTest, StopCommandDropsTheClassPathPairAndIsListedWhenVerbose) {
  ASSERT_EQ(prepare({"-verbose", "-classpath", "C:\\cp", "-Dp=1", "-ntservice"}), std::nullopt);
  launcher.sessionKey.set("42");
  host.error_output.clear();
  std::vector<std::string> stop = build_stop_command(launcher);
  EXPECT_EQ(stop, (std::vector<std::string>{kSkiff, "-verbose", "-Dp=1", "-ntservice",
                                            "-main_class",
                                            "com.quill.server.http.admin.CommandLine", "-stop",
                                            "-sk", "42"}));
  EXPECT_EQ(host.error_output,
            "----- Shutting down -----\narg[0] = " + kSkiff +
                "\narg[1] = -verbose\narg[2] = -Dp=1\narg[3] = -ntservice\narg[4] = -main_class\n"
                "arg[5] = com.quill.server.http.admin.CommandLine\narg[6] = -stop\narg[7] = -sk\n"
                "arg[8] = 42\n");
}

TEST_F(SuperviseTest, StopListingAppearsEvenWhenTheStopIsSkipped) {
  ASSERT_EQ(prepare({"-verbose", "-main_class", "Tool"}), std::nullopt);
  host.error_output.clear();
  stop_server(launcher);
  EXPECT_EQ(host.error_output.rfind("----- Shutting down -----\narg[0] = " + kSkiff + "\n", 0),
            0u);
  EXPECT_TRUE(host.launches.empty());
}

TEST_F(SuperviseTest, VmThatCannotBeCreatedIsAFailureAndNeverRestarted) {
  struct Row {
    std::vector<Script> scripts;
    size_t want_launches;
  };
  const Row rows[] = {
      {{Script::not_created(ENOENT)}, 1},
      {{Script::exiting(255), Script::not_created(ENOENT)}, 2},  // after a restart as well
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want_launches);
    FakeHost fresh(windows_path_style());
    install_kit(fresh);
    Launcher one(fresh, windows_path_style());
    std::vector<std::string> vm;
    ASSERT_EQ(prepare_launch(one, {}, &vm), std::nullopt);
    fresh.children.assign(row.scripts.begin(), row.scripts.end());
    EXPECT_EQ(supervise(one, vm), 1);
    EXPECT_EQ(fresh.launches.size(), row.want_launches);  // no stop command, no retry
    EXPECT_EQ(fresh.error_output, "Program " + kJava + ": No such file or directory (-1)\n");
    EXPECT_FALSE(fresh.file_content(kKeyFile).has_value());
  }
}

TEST_F(SuperviseTest, FailedWaitReportsAndStops) {
  ASSERT_EQ(prepare({}), std::nullopt);
  Script script;
  script.wait_error = ECHILD;
  host.children.push_back(script);
  EXPECT_EQ(supervise(launcher, vector), -1);
  EXPECT_EQ(host.error_output, "Cannot wait for child process " + kJava +
                                   ": No child processes (-1)\nProgram " + kJava +
                                   ": No child processes (-1)\nskiff: Shutting down the server\n");
  EXPECT_EQ(host.launches.size(), 2u);
}

TEST_F(SuperviseTest, UnwritableKeyFileWarnsAndTheStopCarriesThePreviousKey) {
  ASSERT_EQ(prepare({}), std::nullopt);
  host.children.push_back(Script::exiting(255, [this] { host.unwritable.insert(kKeyFile); }));
  host.children.push_back(Script::exiting(3));
  EXPECT_EQ(supervise(launcher, vector), 3);
  EXPECT_EQ(host.error_output,
            "Warning: Cannot open session file C:\\srv\\bin\\..\\sk.txt: Permission denied\n"
            "Program " + kJava + " exited with code 3\nskiff: Shutting down the server\n");
  ASSERT_EQ(host.launches.size(), 3u);
  EXPECT_EQ(host.launches[2].vector.back(), "1234987654321");
}

TEST_F(SuperviseTest, NoKeyEverWrittenGivesAnEmptyKey) {
  host.unwritable.insert(kKeyFile);
  ASSERT_EQ(prepare({}), std::nullopt);
  host.children.push_back(Script::exiting(3));
  EXPECT_EQ(supervise(launcher, vector), 3);
  ASSERT_EQ(host.launches.size(), 2u);
  EXPECT_EQ(host.launches[1].vector.back(), "");
}

TEST_F(SuperviseTest, StopCommandThatCannotStartIsReported) {
  FakeHost fresh(windows_path_style());
  fresh.executable = "C:\\srv\\bin\\skiff.exe";  // the launcher's own file is gone
  fresh.add_directory("C:\\srv\\bin");
  fresh.add_file("C:\\java\\bin\\java.exe");
  Launcher one(fresh, windows_path_style());
  std::vector<std::string> vm;
  ASSERT_EQ(prepare_launch(one, {}, &vm), std::nullopt);
  fresh.children.push_back(Script::exiting(4));
  EXPECT_EQ(supervise(one, vm), 4);
  EXPECT_EQ(fresh.error_output, "Program " + kJava +
                                    " exited with code 4\nskiff: Shutting down the server\n"
                                    "Program " + kSkiff + ": No such file or directory (-1)\n");
}

}  // namespace
