#include "launcher/common/start_child.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "launcher/common/fake_host.h"

TEST(StartChild, ResolvesProgramNamesByWindowsRules) {
  struct Row {
    std::string name;
    std::vector<std::string> files;  // existing files, under C:\work
    std::string want;                // empty: not found
  };
  const Row rows[] = {
      {"C:\\java\\bin\\java.exe", {"C:\\java\\bin\\java.exe"}, "C:\\java\\bin\\java.exe"},
      // a dotted name must exist as it stands
      {"C:\\java\\bin\\java.exe", {}, ""},
      // no dot: .com before .exe before .bat before .cmd
      {"C:\\java\\bin\\java", {"C:\\java\\bin\\java.exe", "C:\\java\\bin\\java.com"},
       "C:\\java\\bin\\java.com"},
      {"C:\\java\\bin\\java", {"C:\\java\\bin\\java.cmd", "C:\\java\\bin\\java.bat"},
       "C:\\java\\bin\\java.bat"},
      {"C:\\java\\bin\\java", {"C:\\java\\bin\\java"}, ""},  // the bare name is not tried
      // a plain name is taken from the current directory, never from PATH
      {"tool", {"C:\\work\\tool.exe"}, ".\\tool.exe"},
      {"tool", {"C:\\java\\bin\\tool.exe"}, ""},
      // a drive or forward slash makes it a path; a dot in a directory name does not count
      {"D:tool.exe", {"D:tool.exe"}, "D:tool.exe"},
      {"C:/v1.2/tool", {"C:\\v1.2\\tool.exe"}, "C:/v1.2/tool.exe"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    FakeHost host(windows_path_style());
    host.add_directory("C:\\work");
    host.current_directory = "C:\\work";
    host.environment["PATH"] = "C:\\java\\bin";
    for (const std::string &file : row.files) {
      host.add_file(file);
    }
    std::string program = "junk";
    int error = 0;
    bool found = resolve_program(host, windows_path_style(), row.name, &program, &error);
    if (row.want.empty()) {
      EXPECT_FALSE(found);
      EXPECT_EQ(error, ENOENT);
    } else {
      EXPECT_TRUE(found);
      EXPECT_EQ(program, row.want);
    }
  }
}

TEST(StartChild, PosixNamesAreTakenAsTheyStand) {
  FakeHost host(posix_path_style());
  std::string program;
  int error = 0;
  ASSERT_TRUE(resolve_program(host, posix_path_style(), "/usr/bin/java", &program, &error));
  EXPECT_EQ(program, "/usr/bin/java");
  ASSERT_TRUE(resolve_program(host, posix_path_style(), "java", &program, &error));
  EXPECT_EQ(program, "./java");
}

TEST(StartChild, WaitsOrHandsBackTheChildAndReportsFailures) {
  FakeHost host(windows_path_style());
  host.add_file("C:\\j\\java.exe");
  const std::vector<std::string> vector = {"C:\\j\\java.exe", "a b", ""};

  host.children.push_back(FakeHost::ChildScript::exiting(3));
  int error = 0;
  EXPECT_EQ(start_child(host, windows_path_style(), ChildMode::wait, vector, &error), 3);
  ASSERT_EQ(host.launches.size(), 1u);
  EXPECT_EQ(host.launches[0].program, "C:\\j\\java.exe");
  EXPECT_EQ(host.launches[0].vector, vector);

  host.children.push_back(FakeHost::ChildScript::exiting(7));
  long child = start_child(host, windows_path_style(), ChildMode::no_wait, vector, &error);
  ASSERT_NE(child, -1);
  EXPECT_EQ(host.wait_child(child, &error), 7);

  host.children.push_back(FakeHost::ChildScript::not_created(EACCES));
  error = 0;
  EXPECT_EQ(start_child(host, windows_path_style(), ChildMode::wait, vector, &error), -1);
  EXPECT_EQ(system_error_text(error), "Permission denied");

  error = 0;
  EXPECT_EQ(start_child(host, windows_path_style(), ChildMode::wait, {"C:\\j\\none.exe"}, &error),
            -1);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(start_child(host, windows_path_style(), ChildMode::wait, {}, &error), -1);
  EXPECT_EQ(error, EINVAL);
}
