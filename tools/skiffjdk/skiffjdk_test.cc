// skiffjdk over the in-memory host with the Windows path style.
#include "tools/skiffjdk/skiffjdk.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "launcher/common/fake_host.h"
#include "launcher/common/testing/no_directory_change_host.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kRoot = "C:\\Skiff Server\\bin\\..";
const std::string kSkiff = "C:\\Skiff Server\\bin\\..\\bin\\skiff.exe";
const std::string kShortSkiff = "C:\\SKIFFS~1\\bin\\skiff.exe";
const std::string kJars =
    "C:\\Skiff Server\\bin\\..\\lib\\hull.jar;C:\\Skiff Server\\bin\\..\\lib\\javac.jar";

class SkiffJdkTest : public testing::Test {
 protected:
  SkiffJdkTest() : host(windows_path_style()) {
    host.executable = "C:\\Skiff Server\\bin\\skiffjdk.exe";
    host.add_file(host.executable);
    host.add_file(kSkiff);
    host.add_file(kShortSkiff);
    host.short_forms[kSkiff] = kShortSkiff;
    host.add_directory("C:\\Skiff Server\\lib");
    host.add_directory("C:\\work");
    host.current_directory = "C:\\work";
    host.environment["PATH"] = "C:\\WINNT\\system32";
    // Another installation named by SKIFF_HOME is never looked at.
    host.add_file("D:\\other\\bin\\skiff.exe");
    host.add_file("D:\\other\\keys");
    host.environment["SKIFF_HOME"] = "D:\\other";
  }
  int run(const Strings &arguments) { return run_skiffjdk(host, windows_path_style(), arguments); }
  FakeHost host;
};

TEST_F(SkiffJdkTest, AsksForTheJdkAndTheJarsAndForSslOnlyWithAKeysFile) {
  struct Case {
    const char *name;
    bool keys_file;
    Strings arguments;
    Strings want_vector;
  };
  const Case cases[] = {
      {"no keys file", false, {}, {kShortSkiff, "-nojre", "-classpath", kJars}},
      // The user's "-jre" comes after "-nojre", so skiff takes the user's choice.
      {"keys file", true, {"-jre", "-verbose"},
       {kShortSkiff, "-nojre", "-ssl", "-classpath", kJars, "-jre", "-verbose"}},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    host.environment["PATH"] = "C:\\WINNT\\system32";
    if (row.keys_file) {
      host.add_file(kRoot + "\\keys");
    }
    ASSERT_EQ(run(row.arguments), 0) << host.error_output;
    ASSERT_EQ(host.launches.size(), 1u);
    const FakeHost::Launch &launch = host.launches[0];
    EXPECT_EQ(launch.program, kShortSkiff);
    EXPECT_EQ(launch.vector, row.want_vector);
    EXPECT_EQ(launch.directory, "C:\\Skiff Server");
    EXPECT_EQ(launch.environment.at("PATH"),
              "C:\\Skiff Server\\bin\\..\\bin;C:\\Skiff Server\\bin\\..\\lib;C:\\WINNT\\system32");
    EXPECT_EQ(host.error_output, "");
  }
}

TEST_F(SkiffJdkTest, WithoutShortFormsTheLongPathIsStartedAndAMissingPathIsAdded) {
  host.short_forms.clear();
  host.environment.erase("PATH");
  ASSERT_EQ(run({}), 0) << host.error_output;
  ASSERT_EQ(host.launches.size(), 1u);
  EXPECT_EQ(host.launches[0].vector, (Strings{kSkiff, "-nojre", "-classpath", kJars}));
  EXPECT_EQ(host.launches[0].environment.at("PATH"),
            "C:\\Skiff Server\\bin\\..\\bin;C:\\Skiff Server\\bin\\..\\lib;");
}

TEST_F(SkiffJdkTest, RestartsSkiffWhileItEndsWith255) {
  using Script = FakeHost::ChildScript;
  host.children = {Script::exiting(255), Script::exiting(255), Script::exiting(0)};
  EXPECT_EQ(run({"-norestart"}), 0);
  ASSERT_EQ(host.launches.size(), 3u);
  EXPECT_EQ(host.launches[2].vector, host.launches[0].vector);

  host.launches.clear();
  host.children = {Script::exiting(255), Script::not_created(EACCES)};
  EXPECT_EQ(run({"-norestart"}), 1);
  EXPECT_EQ(host.launches.size(), 2u);
  EXPECT_EQ(host.error_output, kShortSkiff + ": Permission denied\n");
}

TEST_F(SkiffJdkTest, FatalProblemsEndWithOneBeforeAnyStart) {
  struct Case {
    const char *name;
    std::string executable;
    bool skiff_installed;
    bool directory_change_fails;
    std::string want_error;
  };
  const Case cases[] = {
      // The root is the parent of C:\gone\bin, which does not exist.
      {"root missing", "C:\\gone\\bin\\skiffjdk.exe", false, false,
       "Fatal error: Cannot find SKIFF_HOME\n"},
      {"skiff missing", "C:\\Skiff Server\\bin\\skiffjdk.exe", false, false,
       "Fatal error: Cannot locate Java runtime\n"},
      {"cd fails", "C:\\Skiff Server\\bin\\skiffjdk.exe", true, true,
       "Fatal error: Cannot cd to SKIFF_HOME: C:\\Skiff Server\\bin\\..\n"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    NoDirectoryChangeHost stuck(windows_path_style());
    FakeHost plain(windows_path_style());
    FakeHost &fake = row.directory_change_fails ? stuck : plain;
    fake.executable = row.executable;
    fake.add_directory("C:\\Skiff Server\\bin");
    if (row.skiff_installed) {
      fake.add_file(kSkiff);
    }
    // SKIFF_HOME naming a complete installation does not rescue a broken one.
    fake.add_file("D:\\other\\bin\\skiff.exe");
    fake.environment["SKIFF_HOME"] = "D:\\other";
    EXPECT_EQ(run_skiffjdk(fake, windows_path_style(), {}), 1);
    EXPECT_EQ(fake.error_output, row.want_error);
    EXPECT_TRUE(fake.launches.empty());
  }
}

}  // namespace
