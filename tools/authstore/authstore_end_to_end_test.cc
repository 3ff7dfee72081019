// End to end: the built authstore installed in a server root, starting the fake Java
// launcher as a JDK (JAVA_HOME) or as the root's own JRE.
#include <filesystem>

#include "launcher/common/testing/tool_end_to_end.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class AuthStoreEndToEnd : public ToolEndToEnd {
 protected:
  void SetUp() override {
    ToolEndToEnd::SetUp();
    root_ = top_ + "/root";
    for (const std::string &dir : {root_ + "/bin", root_ + "/jre/bin", top_ + "/jdk/bin"}) {
      fs::create_directories(dir);
    }
    fs::copy_file(AUTHSTORE_PATH, root_ + "/bin/authstore");
    fs::copy_file(FAKE_JAVA_PATH, top_ + "/jdk/bin/java");
    fs::copy_file(FAKE_JAVA_PATH, root_ + "/jre/bin/java");
  }
  ProgramResult run(const Strings &arguments, const std::string &statuses) {
    return ToolEndToEnd::run(root_ + "/bin/authstore", arguments, statuses);
  }
  // The class path that authstore composes from the root as it finds it.
  std::string class_path(const std::string &java_home) {
    const std::string root = root_ + "/bin/..";
    return root + "/admin/classes:" + root + "/classes:" + root + "/lib/hull.jar:" + root +
           "/lib/mast.jar:" + root + "/admin/classes/hulladmin.zip:" + java_home +
           "/lib/classes.zip:";
  }

  std::string root_;
};

TEST_F(AuthStoreEndToEnd, ToolAskingTwiceForARestartRunsThreeTimesAndEndsWithZero) {
  environment_["JAVA_HOME"] = top_ + "/jdk";
  environment_["CLASSPATH"] = "/opt/extra.jar";
  ProgramResult result = run({"-add", "alice"}, "255 255 0");
  EXPECT_EQ(result.status, 0) << result.errors;
  EXPECT_EQ(result.errors, "");
  ASSERT_EQ(fake_java_runs(records_), 3);
  const Strings want = {top_ + "/jdk/bin/java", "quill.security.Login", "quill.security.AuthGUI",
                        "com.quill.server.admin.security.AuthStore", root_ + "/bin/../keys",
                        "-add", "alice"};
  for (int run_index = 0; run_index < 3; run_index++) {
    SCOPED_TRACE(run_index);
    EXPECT_EQ(fake_java_record(records_, run_index, "arg"), want);
    EXPECT_EQ(fake_java_record(records_, run_index, "cwd"), Strings{root_});
    EXPECT_EQ(env_of(run_index, "CLASSPATH"), class_path(top_ + "/jdk") + "/opt/extra.jar");
    EXPECT_EQ(env_of(run_index, "PATH"),
              top_ + "/jdk/bin:" + root_ + "/bin/../bin:" + root_ + "/bin/../lib:/usr/bin:/bin");
  }
}

TEST_F(AuthStoreEndToEnd, WithoutJavaHomeTheRootsJreGetsTheClassPathInCp) {
  ProgramResult result = run({}, "4");
  EXPECT_EQ(result.status, 4) << result.errors;
  ASSERT_EQ(fake_java_runs(records_), 1);
  const std::string jre = root_ + "/bin/../jre";
  EXPECT_EQ(fake_java_record(records_, 0, "arg"),
            (Strings{jre + "/bin/java", "-cp", class_path(jre), "quill.security.Login",
                     "quill.security.AuthGUI", "com.quill.server.admin.security.AuthStore",
                     root_ + "/bin/../keys"}));
  EXPECT_EQ(env_of(0, "CLASSPATH"), "(unset)");
}

TEST_F(AuthStoreEndToEnd, MissingOrUnstartableJavaGivesItsMessageAndOne) {
  const std::string java = top_ + "/jdk/bin/java";
  struct Case {
    const char *name;
    std::map<std::string, std::string> environment;
    bool java_executable;
    std::string want_errors;
  };
  const Case cases[] = {
      {"root missing", {{"SKIFF_HOME", top_ + "/gone"}}, true,
       "AuthStore problem: Cannot find directory SKIFF_HOME: " + top_ + "/gone\n"},
      // No fall-back to JAVA_HOME's launcher when JAVA_EXE names nothing.
      {"JAVA_EXE names nothing", {{"JAVA_HOME", top_ + "/jdk"}, {"JAVA_EXE", top_ + "/gone"}},
       true, "AuthStore problem: Cannot locate the Java runtime. Please set JAVA_HOME.\n"},
      {"launcher not executable", {{"JAVA_HOME", top_ + "/jdk"}}, false,
       java + ": Permission denied\n"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    fs::permissions(java, row.java_executable ? fs::perms::owner_all : fs::perms::owner_read);
    std::map<std::string, std::string> saved = environment_;
    environment_.insert(row.environment.begin(), row.environment.end());
    ProgramResult result = run({}, "0");
    environment_ = saved;
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, row.want_errors);
    EXPECT_EQ(fake_java_runs(records_), 0);
  }
}

}  // namespace
