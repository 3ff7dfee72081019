#include "launcher/skiff/vm_command.h"

#include "launcher/skiff/skiff_fixture.h"

namespace {

const std::string kRoot = "C:\\srv\\bin\\..";

TEST_F(SkiffTest, DefaultVectorWithTheRootDerivedFromTheOwnPath) {
  ASSERT_EQ(prepare({}), std::nullopt);
  EXPECT_EQ(vector, (std::vector<std::string>{
                        "C:\\java\\bin\\java.exe", "-Dserver.name=\"adminserver\"",
                        "-Dserver.root=\"C:\\srv\\bin\\..\"",
                        "-Duser.keystore=\"C:\\srv\\bin\\..\\keys\"",
                        "-Dpath=\"C:\\WINNT\\system32\"", "-Djava.home=\"C:\\java\"",
                        "-Dwindir=\"C:\\WINNT\"", "com.quill.server.ServerProcess"}));
  EXPECT_EQ(host.current_directory, "C:\\srv");
  EXPECT_EQ(host.error_output, "");
}

TEST_F(SkiffTest, FatalPreparationErrors) {
  struct Row {
    std::string skiff_home;  // empty: unset
    std::vector<std::string> arguments;
    std::string want_message;
    size_t want_events;
  };
  const Row rows[] = {
      // the root names a file: found before any option is read, so never logged
      {"C:\\srv\\bin\\skiff.exe", {"-ntservice"},
       "skiff: Cannot find directory SKIFF_HOME: C:\\srv\\bin\\skiff.exe\n", 0},
      {"C:\\nowhere", {"-bad"}, "skiff: Cannot find directory SKIFF_HOME: C:\\nowhere\n", 0},
      // no Java launcher under the given home: after parsing, so the usage is logged
      {"", {"-ntservice", "-javahome", "C:\\empty"},
       "skiff: Cannot find the Java runtime. Please use the -javahome argument to specify the "
       "location of the JDK.\n",
       1},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want_message);
    FakeHost fresh(windows_path_style());
    fresh.executable = "C:\\srv\\bin\\skiff.exe";
    fresh.add_file("C:\\srv\\bin\\skiff.exe");
    if (!row.skiff_home.empty()) {
      fresh.environment["SKIFF_HOME"] = row.skiff_home;
    }
    Launcher one(fresh, windows_path_style());
    std::vector<std::string> unused;
    EXPECT_EQ(prepare_launch(one, row.arguments, &unused), 1);
    EXPECT_EQ(fresh.error_output, row.want_message + kWantUsage + "\n");
    EXPECT_EQ(fresh.events.size(), row.want_events);
  }
}

TEST_F(SkiffTest, JavaLauncherChoice) {
  struct Row {
    std::vector<std::string> arguments;
    std::string java_exe;  // empty: JAVA_EXE unset
    std::string want;
  };
  const Row rows[] = {
      // -jre without -javahome: the JRE under the root, whatever JAVA_HOME says
      {{"-jre"}, "", kRoot + "\\jre\\bin\\jre.exe"},
      {{"-jre", "-start_server", "s"}, "", kRoot + "\\jre\\bin\\jrew.exe"},
      {{"-jre", "-start_server", "s", "-console"}, "", kRoot + "\\jre\\bin\\jre.exe"},
      {{"-jre", "-javahome", "C:\\jre"}, "", "C:\\jre\\bin\\jre.exe"},
      {{}, "C:\\tools\\myjava.exe", "C:\\tools\\myjava.exe"},
      // a JAVA_EXE naming nothing is ignored without a message
      {{}, "C:\\tools\\none.exe", "C:\\jdk\\bin\\java.exe"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want);
    FakeHost fresh(windows_path_style());
    fresh.executable = "C:\\srv\\bin\\skiff.exe";
    fresh.add_file("C:\\srv\\bin\\skiff.exe");
    for (const char *file : {"C:\\srv\\jre\\bin\\jre.exe", "C:\\srv\\jre\\bin\\jrew.exe",
                             "C:\\jre\\bin\\jre.exe", "C:\\jdk\\bin\\java.exe",
                             "C:\\tools\\myjava.exe"}) {
      fresh.add_file(file);
    }
    fresh.environment["JAVA_HOME"] = "C:\\jdk";
    if (!row.java_exe.empty()) {
      fresh.environment["JAVA_EXE"] = row.java_exe;
    }
    Launcher one(fresh, windows_path_style());
    std::vector<std::string> got;
    ASSERT_EQ(prepare_launch(one, row.arguments, &got), std::nullopt) << fresh.error_output;
    EXPECT_EQ(got[0], row.want);
    EXPECT_EQ(fresh.error_output, "");
  }
}

TEST_F(SkiffTest, ShortFormOfTheJavaLauncherIsUsed) {
  host.add_file("C:\\Program Files\\Java\\bin\\java.exe");
  host.environment["JAVA_HOME"] = "C:\\Program Files\\Java";
  host.short_forms["C:\\Program Files\\Java\\bin\\java.exe"] = "C:\\PROGRA~1\\Java\\bin\\java.exe";
  ASSERT_EQ(prepare({}), std::nullopt);
  EXPECT_EQ(vector[0], "C:\\PROGRA~1\\Java\\bin\\java.exe");
  EXPECT_EQ(vector[5], "-Djava.home=\"C:\\Program Files\\Java\"");
}

TEST_F(SkiffTest, QuotesAreDroppedFromTheQuotedValues) {
  host.add_directory("C:\\\"my\" srv");
  host.add_file("C:\\\"j\"dk\\bin\\jre.exe");
  host.environment["SKIFF_HOME"] = "C:\\\"my\" srv";
  host.environment["JAVA_HOME"] = "C:\\\"j\"dk";
  host.environment["PATH"] = "\"C:\\a b\";C:\\c";
  host.environment.erase("WINDIR");
  ASSERT_EQ(prepare({"-start_server", "\"name\"", "-jre", "-console", "-javahome", "C:\\\"j\"dk"}),
            std::nullopt) << host.error_output;
  EXPECT_EQ(vector[1], "-cp ");
  EXPECT_EQ(vector[2].find('"', 1), vector[2].size() - 1);  // only the outer quotes stay
  EXPECT_EQ(std::vector<std::string>(vector.begin() + 3, vector.begin() + 9),
            (std::vector<std::string>{"-Dserver.name=\"name\"", "-Dserver.root=\"C:\\my srv\"",
                                      "-Duser.keystore=\"C:\\my srv\\keys\"",
                                      "-Dpath=\"C:\\a b;C:\\c\"", "-Djava.home=\"C:\\jdk\"",
                                      "-Dwindir=\"\""}));
}

TEST_F(SkiffTest, VmArgsAndSystemPropertiesTexts) {
  ASSERT_EQ(prepare({"-Da=1", "-vmargs", " -mx64m  -ss1m ", "-Db=2"}), std::nullopt);
  EXPECT_EQ(std::vector<std::string>(vector.begin() + 7, vector.end()),
            (std::vector<std::string>{
                "-mx64m", "-ss1m", "-Da=1", "-Db=2", "-Dserver.vmargs=:-mx64m::-ss1m:",
                "-Dserver.system_props=:-Da=1:-Db=2:-Dserver.vmargs=:-mx64m::-ss1m:",
                "com.quill.server.ServerProcess"}));

  FakeHost plain(windows_path_style());
  Launcher only_props(plain, windows_path_style());
  only_props.settings.systemProperties = {"-Da=1", "-Db=2"};
  only_props.settings.mainClass = "M";
  std::vector<std::string> got = build_vm_arguments(only_props);
  EXPECT_EQ(got[got.size() - 2], "-Dserver.system_props=:-Da=1:-Db=2");

  FakeHost blank(windows_path_style());
  Launcher blank_args(blank, windows_path_style());
  blank_args.settings.vmArgs = "  ";
  blank_args.settings.mainClass = "M";
  got = build_vm_arguments(blank_args);
  EXPECT_EQ(std::vector<std::string>(got.begin() + 7, got.end()),
            (std::vector<std::string>{"-Dserver.vmargs=::",
                                      "-Dserver.system_props=:-Dserver.vmargs=::", "M"}));
}

TEST_F(SkiffTest, FlagPropertiesAndLoginClassChoices) {
  struct Row {
    std::vector<std::string> arguments;
    std::vector<std::string> want_tail;  // after -Dwindir
  };
  const Row rows[] = {
      {{"-ssl"}, {"quill.security.Login", "quill.security.AuthGUI", "com.quill.server.ServerProcess"}},
      {{"-ssl", "-start_server", "s"},
       {"quill.security.Login", "quill.security.AuthTTY", "com.quill.server.ServerProcess"}},
      {{"-ssl", "-passfile", "-start_server", "s"},
       {"-Dserver.passfile", "quill.security.Login", "quill.security.AuthFile",
        "com.quill.server.ServerProcess"}},
      {{"-ssl", "-login_class", "my.Login", "-passfile"},
       {"-Dserver.passfile", "quill.security.Login", "my.Login", "com.quill.server.ServerProcess"}},
      // in main-class mode the login wrapper never runs
      {{"-ssl", "-main_class", "Tool", "x"}, {"Tool", "x"}},
      {{"-ntservice", "-verbose", "-passfile"},
       {"-Dserver.verbose", "-Dserver.ntservice", "-Dserver.passfile",
        "com.quill.server.ServerProcess"}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want_tail[row.want_tail.size() > 1 ? 1 : 0]);
    FakeHost fresh(windows_path_style());
    install_kit(fresh);
    Launcher one(fresh, windows_path_style());
    std::vector<std::string> got;
    ASSERT_EQ(prepare_launch(one, row.arguments, &got), std::nullopt);
    EXPECT_EQ(std::vector<std::string>(got.begin() + 7, got.end()), row.want_tail);
  }
}

TEST_F(SkiffTest, JreGetsTheClassPathAsArgumentAndJreProperty) {
  host.add_file("C:\\srv\\jre\\bin\\jre.exe");
  host.environment["CLASSPATH"] = "C:\\\"q\"";
  ASSERT_EQ(prepare({"-jre"}), std::nullopt);
  EXPECT_EQ(vector[1], "-cp ");
  EXPECT_EQ(vector[2], "\"" + kRoot + "\\classes;" + kRoot + "\\jre\\lib\\rt.jar;" + kRoot +
                           "\\jre\\lib\\i18n.jar;C:\\q\"");
  EXPECT_EQ(vector[vector.size() - 2], "-Djre=true");
}

TEST_F(SkiffTest, VerboseListingToTheByte) {
  host.add_file("C:\\srv\\lib\\a.jar");
  ASSERT_EQ(prepare({"-verbose", "-ssl", "-main_class", "Tool", "x"}), std::nullopt);
  // SSL on without -sslhome makes the root the SSL home, which the ssl.jar lookup reports
  EXPECT_EQ(host.error_output,
            "Cannot find ssl.jar in C:\\srv\\bin\\..\n"
            "JAVA_HOME:   C:\\java\n"
            "JAVA:        C:\\java\\bin\\java.exe\n"
            "SKIFF_HOME:  C:\\srv\\bin\\..\n"
            "Use SSL:     Yes\n"
            "Login class: (null)\n"
            "PATH: C:\\java\\bin;C:\\srv\\bin\\..\\lib;C:\\WINNT\\system32;C:\\srv\\bin\\..\\lib\n"
            "CLASSPATH:\n"
            "C:\\srv\\bin\\..\\classes\n"
            "C:\\srv\\bin\\..\\lib\\a.jar\n"
            "C:\\srv\\bin\\..\\lib\\x509v1.jar\n"
            "arg[0] = C:\\java\\bin\\java.exe\n"
            "arg[1] = -Dserver.name=\"adminserver\"\n"
            "arg[2] = -Dserver.root=\"C:\\srv\\bin\\..\"\n"
            "arg[3] = -Duser.keystore=\"C:\\srv\\bin\\..\\keys\"\n"
            "arg[4] = -Dpath=\"C:\\WINNT\\system32\"\n"
            "arg[5] = -Djava.home=\"C:\\java\"\n"
            "arg[6] = -Dwindir=\"C:\\WINNT\"\n"
            "arg[7] = -Dserver.verbose\n"
            "arg[8] = Tool\n"
            "arg[9] = x\n");
}

TEST(StripQuotes, DropsEveryQuote) {
  EXPECT_EQ(strip_quotes(std::nullopt), "");
  EXPECT_EQ(strip_quotes(std::string("\"a\" \"\"b")), "a b");
  EXPECT_EQ(strip_quotes(std::string("plain")), "plain");
}

}  // namespace
