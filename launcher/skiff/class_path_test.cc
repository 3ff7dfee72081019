#include "launcher/skiff/class_path.h"

#include "launcher/skiff/skiff_fixture.h"

namespace {

const std::string kRoot = "C:\\srv\\bin\\..";

TEST_F(SkiffTest, LibScanTakesGenericJarsOnlyAndKitJarsInTheirPlace) {
  for (const char *name : {"a.jar", "B.JAR", "x.jar.bak", "keel.jar", "x509v1.jar", "mast.jar",
                           ".jar"}) {
    host.add_file(std::string("C:\\srv\\lib\\") + name);
  }
  host.add_directory("C:\\srv\\lib\\dir.jar");  // directories count too
  ASSERT_EQ(prepare({}), std::nullopt);
  EXPECT_EQ(env("CLASSPATH"), kRoot + "\\classes;" + kRoot + "\\lib\\a.jar;" + kRoot +
                                  "\\lib\\dir.jar;" + kRoot + "\\lib\\mast.jar;" + kRoot +
                                  "\\lib\\keel.jar");
}

TEST_F(SkiffTest, KitHomeWithoutTheJarAddsNothing) {
  host.add_file("C:\\srv\\lib\\keel.jar");
  host.add_directory("C:\\keel\\lib");
  ASSERT_EQ(prepare({"-keelhome", "C:\\keel", "-verbose"}), std::nullopt);
  EXPECT_EQ(env("CLASSPATH"), kRoot + "\\classes");
  EXPECT_EQ(host.error_output.rfind("Cannot find keel.jar in C:\\keel\n", 0), 0u);

  FakeHost quiet(windows_path_style());
  Launcher silent(quiet, windows_path_style());
  KitJar jar = find_kit_jar(silent, std::string("C:\\mast"), "mast.jar");
  EXPECT_EQ(jar.path, "C:\\mast\\lib\\mast.jar");
  EXPECT_FALSE(jar.found);
  EXPECT_EQ(quiet.error_output, "");  // reported only with -verbose
}

TEST_F(SkiffTest, KitHomeWithTheJarIsUsed) {
  host.add_file("C:\\mast\\lib\\mast.jar");
  ASSERT_EQ(prepare({"-masthome", "C:\\mast"}), std::nullopt);
  EXPECT_EQ(env("CLASSPATH"), kRoot + "\\classes;C:\\mast\\lib\\mast.jar");
}

TEST_F(SkiffTest, SslOffAndOn) {
  struct Row {
    std::vector<std::string> arguments;
    std::string want_class_path, want_path;
  };
  const Row rows[] = {
      // off: a present ssl.jar stays out, and PATH has no SSL part
      {{}, kRoot + "\\classes", "C:\\java\\bin;" + kRoot + "\\lib;C:\\WINNT\\system32"},
      {{"-ssl"},
       kRoot + "\\classes;" + kRoot + "\\lib\\ssl.jar;" + kRoot + "\\lib\\x509v1.jar",
       "C:\\java\\bin;" + kRoot + "\\lib;C:\\WINNT\\system32;" + kRoot + "\\lib"},
      {{"-sslhome", "C:\\ssl"},
       kRoot + "\\classes;C:\\ssl\\lib\\ssl.jar;C:\\ssl\\lib\\x509v1.jar",
       "C:\\java\\bin;" + kRoot + "\\lib;C:\\WINNT\\system32;C:\\ssl\\lib"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want_path);
    FakeHost fresh(windows_path_style());
    install_kit(fresh);
    fresh.add_file("C:\\srv\\lib\\ssl.jar");
    fresh.add_file("C:\\ssl\\lib\\ssl.jar");
    fresh.environment["PATH"] = "C:\\WINNT\\system32";
    Launcher one(fresh, windows_path_style());
    std::vector<std::string> unused;
    ASSERT_EQ(prepare_launch(one, row.arguments, &unused), std::nullopt);
    EXPECT_EQ(fresh.environment["CLASSPATH"], row.want_class_path);
    EXPECT_EQ(fresh.environment["PATH"], row.want_path);
  }
}

TEST_F(SkiffTest, JreArchivesFollowSslAndPrecedeTheInheritedClassPath) {
  host.add_file("C:\\jre\\bin\\jre.exe");
  host.environment["CLASSPATH"] = "C:\\old;C:\\older";
  ASSERT_EQ(prepare({"-classpath", "C:\\extra", "-jre", "-javahome", "C:\\jre", "-ssl"}),
            std::nullopt);
  EXPECT_EQ(env("CLASSPATH"), "C:\\extra;" + kRoot + "\\classes;" + kRoot +
                                  "\\lib\\x509v1.jar;C:\\jre\\lib\\rt.jar;C:\\jre\\lib\\i18n.jar;"
                                  "C:\\old;C:\\older");
}

TEST_F(SkiffTest, UnsetPathLeavesTrailingSeparatorAndMissingLibIsHarmless) {
  host.environment.erase("PATH");
  FakeHost bare(windows_path_style());
  bare.executable = "C:\\r\\bin\\skiff.exe";
  bare.add_directory("C:\\r\\bin");
  bare.add_file("C:\\java\\bin\\java.exe");
  Launcher one(bare, windows_path_style());
  std::vector<std::string> unused;
  ASSERT_EQ(prepare_launch(one, {}, &unused), std::nullopt);
  EXPECT_EQ(bare.environment["PATH"], "C:\\java\\bin;C:\\r\\bin\\..\\lib;");
  EXPECT_EQ(bare.environment["CLASSPATH"], "C:\\r\\bin\\..\\classes");
}

TEST_F(SkiffTest, EntriesShareOneSeparatorState) {
  append_class_path_entry(launcher, std::nullopt, std::string("ignored"));
  append_class_path_entry(launcher, std::string("C:\\a"));
  append_class_path_entry(launcher, std::string("C:\\b"), std::string("lib\\c.jar"));
  append_class_path_entry(launcher, std::string(""));
  EXPECT_EQ(launcher.classPath, "C:\\a;C:\\b\\lib\\c.jar;");
}

}  // namespace
