// authstore over the in-memory host with the Windows path style.
#include "tools/authstore/authstore.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "launcher/common/fake_host.h"
#include "launcher/common/testing/no_directory_change_host.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kRoot = "C:\\srv\\bin\\..";
const std::string kJdkJava = "C:\\java\\bin\\java.exe";
const std::string kJreJava = "C:\\srv\\bin\\..\\jre\\bin\\java.exe";
const std::string kKeys = "C:\\srv\\bin\\..\\keys";
const Strings kToolClasses = {"quill.security.Login", "quill.security.AuthGUI",
                              "com.quill.server.admin.security.AuthStore"};
// The class path from the root, before the Java home's classes.zip.
const std::string kRootClassPath =
    "C:\\srv\\bin\\..\\admin\\classes;C:\\srv\\bin\\..\\classes;C:\\srv\\bin\\..\\lib\\hull.jar;"
    "C:\\srv\\bin\\..\\lib\\mast.jar;C:\\srv\\bin\\..\\admin\\classes\\hulladmin.zip;";

Strings concat(Strings head, const Strings &tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class AuthStoreTest : public testing::Test {
 protected:
  AuthStoreTest() : host(windows_path_style()) {
    host.executable = "C:\\srv\\bin\\authstore.exe";
    host.add_file(host.executable);
    host.add_directory("C:\\srv\\lib");
    host.add_file(kJdkJava);
    host.add_file(kJreJava);
    host.add_directory("C:\\work");
    host.current_directory = "C:\\work";
    host.environment["PATH"] = "C:\\WINNT\\system32";
  }
  int run(const Strings &arguments) { return run_authstore(host, windows_path_style(), arguments); }
  const FakeHost::Launch &only_launch() {
    EXPECT_EQ(host.launches.size(), 1u);
    return host.launches.at(0);
  }
  FakeHost host;
};

TEST_F(AuthStoreTest, WithJavaHomeTheClassPathTravelsInClasspath) {
  host.environment["JAVA_HOME"] = "C:\\java";
  host.environment["CLASSPATH"] = "C:\\extra.jar";
  ASSERT_EQ(run({"-list", "a b"}), 0) << host.error_output;
  const FakeHost::Launch &launch = only_launch();
  EXPECT_EQ(launch.program, kJdkJava);
  EXPECT_EQ(launch.vector, concat(concat({kJdkJava}, kToolClasses), {kKeys, "-list", "a b"}));
  EXPECT_EQ(launch.directory, "C:\\srv");
  EXPECT_EQ(launch.environment.at("CLASSPATH"),
            kRootClassPath + "C:\\java\\lib\\classes.zip;C:\\extra.jar");
  EXPECT_EQ(launch.environment.at("PATH"),
            "C:\\java\\bin;C:\\srv\\bin\\..\\bin;C:\\srv\\bin\\..\\lib;C:\\WINNT\\system32");
  EXPECT_EQ(host.error_output, "");
}

TEST_F(AuthStoreTest, WithoutJavaHomeTheRootsJreTakesTheClassPathInCp) {
  struct Case {
    const char *name;
    std::optional<std::string> inherited_class_path;
    std::string want_class_path;
  };
  const std::string jre_class_path = kRootClassPath + "C:\\srv\\bin\\..\\jre\\lib\\classes.zip;";
  const Case cases[] = {
      // Nothing inherited: the list ends with its separator.
      {"no CLASSPATH", std::nullopt, jre_class_path},
      {"inherited CLASSPATH", "C:\\extra.jar", jre_class_path + "C:\\extra.jar"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    host.environment = {{"PATH", "C:\\WINNT\\system32"}};
    if (row.inherited_class_path) {
      host.environment["CLASSPATH"] = *row.inherited_class_path;
    }
    ASSERT_EQ(run({"-x"}), 0) << host.error_output;
    const FakeHost::Launch &launch = only_launch();
    EXPECT_EQ(launch.vector, concat(concat({kJreJava, "-cp", row.want_class_path},
                                           kToolClasses),
                                    {kKeys, "-x"}));
    // The environment keeps the CLASSPATH it had.
    auto class_path = launch.environment.find("CLASSPATH");
    EXPECT_EQ(class_path == launch.environment.end() ? std::nullopt
                                                     : std::optional(class_path->second),
              row.inherited_class_path);
    EXPECT_EQ(launch.environment.at("PATH"),
              "C:\\srv\\bin\\..\\jre\\bin;C:\\srv\\bin\\..\\bin;C:\\srv\\bin\\..\\lib;"
              "C:\\WINNT\\system32");
  }
}

TEST_F(AuthStoreTest, RootAndJavaLauncherComeFromTheEnvironmentFirst) {
  host.add_directory("D:\\skiff");
  host.add_file("D:\\tools\\java.exe");
  host.environment["SKIFF_HOME"] = "D:\\skiff";
  host.environment["JAVA_HOME"] = "C:\\java";
  host.environment["JAVA_EXE"] = "D:\\tools\\java.exe";
  ASSERT_EQ(run({}), 0) << host.error_output;
  const FakeHost::Launch &launch = only_launch();
  EXPECT_EQ(launch.vector, concat(concat({"D:\\tools\\java.exe"}, kToolClasses),
                                  {"D:\\skiff\\keys"}));
  EXPECT_EQ(launch.directory, "D:\\skiff");
  EXPECT_EQ(launch.environment.at("CLASSPATH"),
            "D:\\skiff\\admin\\classes;D:\\skiff\\classes;D:\\skiff\\lib\\hull.jar;"
            "D:\\skiff\\lib\\mast.jar;D:\\skiff\\admin\\classes\\hulladmin.zip;"
            "C:\\java\\lib\\classes.zip;");
}

TEST_F(AuthStoreTest, ShortFormsForTheLauncherAndAnExistingKeysFileOnly) {
  host.add_file("C:\\Program Files\\JDK 1.1\\bin\\java.exe");
  host.add_file("C:\\PROGRA~1\\JDK11~1\\bin\\java.exe");
  host.short_forms["C:\\Program Files\\JDK 1.1\\bin\\java.exe"] = "C:\\PROGRA~1\\JDK11~1\\bin\\java.exe";
  host.short_forms[kKeys] = "C:\\srv\\keys";
  host.environment["JAVA_HOME"] = "C:\\Program Files\\JDK 1.1";
  struct Case {
    const char *name;
    bool keys_exist;
    std::string want_keys;
  };
  const Case cases[] = {
      // A file that does not exist has no short form: the long path goes unchanged.
      {"no keys file", false, kKeys},
      {"keys file", true, "C:\\srv\\keys"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    if (row.keys_exist) {
      host.add_file(kKeys);
    }
    ASSERT_EQ(run({}), 0) << host.error_output;
    const FakeHost::Launch &launch = only_launch();
    EXPECT_EQ(launch.vector, concat(concat({"C:\\PROGRA~1\\JDK11~1\\bin\\java.exe"},
                                           kToolClasses),
                                    {row.want_keys}));
  }
}

TEST_F(AuthStoreTest, FatalProblemsEndWithOneBeforeAnyStart) {
  struct Case {
    const char *name;
    std::map<std::string, std::string> environment;
    bool java_installed;
    bool directory_change_fails;
    std::string want_error;
  };
  const Case cases[] = {
      {"root missing", {{"SKIFF_HOME", "C:\\nowhere"}}, true, false,
       "AuthStore problem: Cannot find directory SKIFF_HOME: C:\\nowhere\n"},
      {"no Java under JAVA_HOME", {{"JAVA_HOME", "C:\\jdk"}}, true, false,
       "AuthStore problem: Cannot locate the Java runtime. Please set JAVA_HOME.\n"},
      {"no Java in the root's jre", {}, false, false,
       "AuthStore problem: Cannot locate the Java runtime. Please set JAVA_HOME.\n"},
      // JAVA_EXE naming nothing is not replaced by the JDK that is there.
      {"JAVA_EXE names nothing", {{"JAVA_HOME", "C:\\java"}, {"JAVA_EXE", "C:\\gone.exe"}}, true,
       false, "AuthStore problem: Cannot locate the Java runtime. Please set JAVA_HOME.\n"},
      {"JAVA_EXE names a directory", {{"JAVA_HOME", "C:\\java"}, {"JAVA_EXE", "C:\\java"}}, true,
       false, "AuthStore problem: Cannot locate the Java runtime. Please set JAVA_HOME.\n"},
      {"cd fails", {{"JAVA_HOME", "C:\\java"}}, true, true,
       "AuthStore problem: Cannot cd to SKIFF_HOME: C:\\srv\\bin\\..\n"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    NoDirectoryChangeHost stuck(windows_path_style());
    FakeHost plain(windows_path_style());
    FakeHost &fake = row.directory_change_fails ? stuck : plain;
    fake.executable = "C:\\srv\\bin\\authstore.exe";
    fake.add_file(fake.executable);
    if (row.java_installed) {
      fake.add_file(kJdkJava);
    }
    fake.environment = row.environment;
    EXPECT_EQ(run_authstore(fake, windows_path_style(), {"-x"}), 1);
    EXPECT_EQ(fake.error_output, row.want_error);
    EXPECT_TRUE(fake.launches.empty());
  }
}

TEST_F(AuthStoreTest, RestartsWhileTheToolEndsWith255) {
  using Script = FakeHost::ChildScript;
  struct Case {
    const char *name;
    std::vector<Script> children;
    int want_status;
    size_t want_starts;
    std::string want_error;
  };
  const Case cases[] = {
      {"255 255 0", {Script::exiting(255), Script::exiting(255), Script::exiting(0)}, 0, 3, ""},
      {"255 then 3", {Script::exiting(255), Script::exiting(3)}, 3, 2, ""},
      {"cannot be created", {Script::not_created(EACCES)}, 1, 1,
       "C:\\java\\bin\\java.exe: Permission denied\n"},
      // A failed start after a restart still ends the loop.
      {"255 then cannot be created", {Script::exiting(255), Script::not_created(ENOMEM)}, 1, 2,
       "C:\\java\\bin\\java.exe: Cannot allocate memory\n"},
  };
  host.environment["JAVA_HOME"] = "C:\\java";
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    host.error_output.clear();
    host.children.assign(row.children.begin(), row.children.end());
    EXPECT_EQ(run({"-x"}), row.want_status);
    ASSERT_EQ(host.launches.size(), row.want_starts);
    for (const FakeHost::Launch &launch : host.launches) {
      EXPECT_EQ(launch.vector, host.launches[0].vector);
    }
    EXPECT_EQ(host.error_output, row.want_error);
  }
}

}  // namespace
