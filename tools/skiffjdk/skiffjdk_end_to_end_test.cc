// End to end: the built skiffjdk installed in a server root, starting either the fake
// Java launcher in skiff's place (to see exactly what skiff is given) or the real skiff
// supervising the fake Java launcher.
#include <filesystem>

#include "launcher/common/testing/tool_end_to_end.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class SkiffJdkEndToEnd : public ToolEndToEnd {
 protected:
  void SetUp() override {
    ToolEndToEnd::SetUp();
    root_ = top_ + "/root";
    for (const std::string &dir :
         {root_ + "/bin", root_ + "/lib", top_ + "/jdk/bin", top_ + "/other/bin"}) {
      fs::create_directories(dir);
    }
    fs::copy_file(SKIFFJDK_PATH, root_ + "/bin/skiffjdk");
    fs::copy_file(FAKE_JAVA_PATH, top_ + "/jdk/bin/java");
    // A second installation that SKIFF_HOME names and skiffjdk must not use.
    fs::copy_file(FAKE_JAVA_PATH, top_ + "/other/bin/skiff");
    std::ofstream(top_ + "/other/keys") << "";
    environment_["JAVA_HOME"] = top_ + "/jdk";
    environment_["SKIFF_HOME"] = top_ + "/other";
  }

  void install_skiff(const char *program) { fs::copy_file(program, root_ + "/bin/skiff"); }
  ProgramResult run(const Strings &arguments, const std::string &statuses) {
    return ToolEndToEnd::run(root_ + "/bin/skiffjdk", arguments, statuses);
  }

  std::string root_;
};

TEST_F(SkiffJdkEndToEnd, SkiffGetsTheJdkVectorAndIsRestartedOn255) {
  install_skiff(FAKE_JAVA_PATH);
  const std::string root = root_ + "/bin/..";
  const std::string jars = root + "/lib/hull.jar:" + root + "/lib/javac.jar";
  struct Case {
    const char *name;
    bool keys_file;
    Strings want_arguments;
  };
  const Case cases[] = {
      {"no keys file", false, {root + "/bin/skiff", "-nojre", "-classpath", jars, "-jre"}},
      {"keys file", true, {root + "/bin/skiff", "-nojre", "-ssl", "-classpath", jars, "-jre"}},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    fs::remove_all(records_);
    fs::create_directories(records_);
    if (row.keys_file) {
      std::ofstream(root_ + "/keys") << "";
    }
    ProgramResult result = run({"-jre"}, "255 255 0");
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, "");
    ASSERT_EQ(fake_java_runs(records_), 3);
    for (int run_index = 0; run_index < 3; run_index++) {
      SCOPED_TRACE(run_index);
      EXPECT_EQ(fake_java_record(records_, run_index, "arg"), row.want_arguments);
      EXPECT_EQ(fake_java_record(records_, run_index, "cwd"), Strings{root_});
      EXPECT_EQ(env_of(run_index, "PATH"), root + "/bin:" + root + "/lib:/usr/bin:/bin");
    }
  }
}

TEST_F(SkiffJdkEndToEnd, RealSkiffWithNoRestartIsRestartedByTheWrapper) {
  install_skiff(SKIFF_PATH);
  ProgramResult result = run({"-norestart"}, "255 255 0");
  EXPECT_EQ(result.status, 0) << result.errors;
  ASSERT_EQ(fake_java_runs(records_), 3);
  for (int run_index = 0; run_index < 3; run_index++) {
    SCOPED_TRACE(run_index);
    Strings args = fake_java_record(records_, run_index, "arg");
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(args[0], top_ + "/jdk/bin/java");
    EXPECT_EQ(args.back(), "com.quill.server.ServerProcess");
    EXPECT_NE(env_of(run_index, "CLASSPATH").find(root_ + "/bin/../lib/hull.jar:"),
              std::string::npos);
  }
}

TEST_F(SkiffJdkEndToEnd, UsersJreWinsOverTheGeneratedNoJre) {
  install_skiff(SKIFF_PATH);
  // skiff itself honours SKIFF_HOME; the JRE it picks lies under its root.
  environment_.erase("SKIFF_HOME");
  fs::create_directories(root_ + "/jre/bin");
  fs::copy_file(FAKE_JAVA_PATH, root_ + "/jre/bin/jre");
  ProgramResult result = run({"-jre"}, "0");
  EXPECT_EQ(result.status, 0) << result.errors;
  ASSERT_EQ(fake_java_runs(records_), 1);
  Strings args = fake_java_record(records_, 0, "arg");
  ASSERT_FALSE(args.empty());
  EXPECT_EQ(args[0], root_ + "/bin/../jre/bin/jre");
}

TEST_F(SkiffJdkEndToEnd, MissingOrUnstartableSkiffGivesItsMessageAndOne) {
  ProgramResult missing = run({}, "0");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.errors, "Fatal error: Cannot locate Java runtime\n");

  install_skiff(FAKE_JAVA_PATH);
  fs::permissions(root_ + "/bin/skiff", fs::perms::owner_read);
  ProgramResult unstartable = run({}, "0");
  EXPECT_EQ(unstartable.status, 1);
  EXPECT_EQ(unstartable.errors, root_ + "/bin/../bin/skiff: Permission denied\n");
  EXPECT_EQ(fake_java_runs(records_), 0);
}

}  // namespace
