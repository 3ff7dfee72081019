#include "launcher/skiff/settings.h"

#include "launcher/skiff/skiff_fixture.h"

TEST_F(SkiffTest, HelpPrintsUsageAndHelpTextsToTheByte) {
  EXPECT_EQ(prepare({"-help"}), 0);
  EXPECT_EQ(host.error_output, kWantUsage + "\n" + kWantHelp);
  EXPECT_TRUE(host.launches.empty());
}

TEST_F(SkiffTest, HelpIsHandedOnInMainClassModeOnly) {
  struct Row {
    std::vector<std::string> arguments;
    std::optional<int> want_ending;
    std::vector<std::string> want_application_arguments;
  };
  const Row rows[] = {
      {{"-main_class", "Tool", "-help"}, std::nullopt, {"-help"}},
      {{"-help", "-main_class", "Tool"}, 0, {}},
      {{"-verbose", "-help", "-main_class", "Tool"}, 0, {}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.arguments[0] + " " + row.arguments[1]);
    FakeHost fresh(windows_path_style());
    Launcher parser(fresh, windows_path_style());
    EXPECT_EQ(parse_options(parser, row.arguments), row.want_ending);
    EXPECT_EQ(parser.settings.applicationArguments, row.want_application_arguments);
  }
}

TEST_F(SkiffTest, BadArgumentsEndWithMessageAndUsage) {
  struct Row {
    std::vector<std::string> arguments;
    std::string want_message;
  };
  const Row rows[] = {
      // a value option standing last; the message's own line feed leaves an empty line
      {{"-javahome"}, "skiff: Too few arguments.\n\n"},
      {{"-jre", "-main_class"}, "skiff: Too few arguments.\n\n"},
      {{"-threads"}, "skiff: No thread type specified for -threads argument\n"},
      {{"-threads", "blue"}, "skiff: Unknown threads type blue: should be green or native\n"},
      // named by the usage text, yet not an option
      {{"-noconsole"}, "skiff: Cannot process argument -noconsole\n"},
      // option names are case-sensitive
      {{"-JRE"}, "skiff: Cannot process argument -JRE\n"},
      // before -main_class the server-mode rules still hold
      {{"stray", "-main_class", "Tool"}, "skiff: Cannot process argument stray\n"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.want_message);
    FakeHost fresh(windows_path_style());
    Launcher parser(fresh, windows_path_style());
    EXPECT_EQ(parse_options(parser, row.arguments), 1);
    EXPECT_EQ(fresh.error_output, row.want_message + kWantUsage + "\n");
    EXPECT_TRUE(fresh.events.empty());
  }
}

TEST_F(SkiffTest, MainClassModeHandsOnOnlyUnrecognisedArguments) {
  ASSERT_EQ(parse_options(launcher, {"-jre", "-main_class", "Tool", "first", "-verbose", "-Dp=1",
                                     "-nojre", "second", "-stop", "-help"}),
            std::nullopt);
  const LaunchSettings &s = launcher.settings;
  EXPECT_EQ(s.applicationArguments,
            (std::vector<std::string>{"first", "second", "-stop", "-help"}));
  EXPECT_EQ(s.systemProperties, std::vector<std::string>{"-Dp=1"});
  EXPECT_TRUE(s.verbose);
  EXPECT_TRUE(s.console);
  EXPECT_FALSE(s.useJre);
  EXPECT_TRUE(s.mainClassMode);
  EXPECT_EQ(s.mainClass, "Tool");
}

TEST_F(SkiffTest, EventLogGetsErrorThenUsageOnlyWhenNtServiceCameFirst) {
  ASSERT_EQ(parse_options(launcher, {"-ntservice", "-bad"}), 1);
  ASSERT_EQ(host.events.size(), 2u);
  EXPECT_EQ(host.events[0].kind, EventKind::error);
  EXPECT_EQ(host.events[0].text, "Cannot process argument -bad");
  EXPECT_EQ(host.events[1].kind, EventKind::information);
  EXPECT_EQ(host.events[1].text, kWantUsage);

  FakeHost after(windows_path_style());
  Launcher late(after, windows_path_style());
  EXPECT_EQ(parse_options(late, {"-bad", "-ntservice"}), 1);
  EXPECT_TRUE(after.events.empty());

  // fail alone logs only the usage text
  FakeHost threads(windows_path_style());
  Launcher unlogged(threads, windows_path_style());
  EXPECT_EQ(parse_options(unlogged, {"-ntservice", "-threads", "blue"}), 1);
  ASSERT_EQ(threads.events.size(), 1u);
  EXPECT_EQ(threads.events[0].kind, EventKind::information);

  FakeHost few(windows_path_style());
  Launcher short_of_value(few, windows_path_style());
  EXPECT_EQ(parse_options(short_of_value, {"-ntservice", "-vmargs"}), 1);
  ASSERT_EQ(few.events.size(), 2u);
  EXPECT_EQ(few.events[0].text, "Too few arguments.\n");
}

TEST_F(SkiffTest, OptionsFillTheSettingsAndTheLastValueWins) {
  ASSERT_EQ(parse_options(launcher,
                          {"-jre", "-nojre", "-norestart", "-threads", "native", "-console",
                           "-start_server", "one", "-start_server", "two", "-javahome", "D:\\jdk",
                           "-classpath", "D:\\x", "-login_class", "L", "-serverroot", "D:\\srv",
                           "-keelhome", "D:\\keel", "-masthome", "D:\\mast", "-sslhome",
                           "D:\\ssl", "-passfile", "-vmargs", "-mx8m", "-Dz=9"}),
            std::nullopt);
  const LaunchSettings &s = launcher.settings;
  EXPECT_FALSE(s.useJre);
  EXPECT_FALSE(s.restart);
  EXPECT_EQ(s.threads, ThreadsType::native);
  EXPECT_TRUE(s.console);
  EXPECT_FALSE(s.verbose);
  EXPECT_EQ(s.serverName, "two");
  EXPECT_TRUE(s.startServer);
  EXPECT_EQ(s.javaHome, "D:\\jdk");
  EXPECT_TRUE(s.javaHomeGiven);
  EXPECT_EQ(s.extraClassPath, "D:\\x");
  EXPECT_EQ(s.loginClass, "L");
  EXPECT_EQ(s.serverRoot, "D:\\srv");
  EXPECT_EQ(s.keelHome, "D:\\keel");
  EXPECT_EQ(s.mastHome, "D:\\mast");
  EXPECT_EQ(s.sslHome, "D:\\ssl");
  EXPECT_TRUE(s.useSsl);  // -sslhome alone turns SSL on
  EXPECT_TRUE(s.passFile);
  EXPECT_EQ(s.vmArgs, "-mx8m");
  EXPECT_EQ(s.systemProperties, std::vector<std::string>{"-Dz=9"});
  EXPECT_FALSE(s.mainClassMode);
  EXPECT_FALSE(s.mainClass.has_value());
}

TEST_F(SkiffTest, KeysFileTurnsSslOnWithTheRootAsSslHome) {
  host.add_file("C:\\srv\\keys");
  ASSERT_EQ(prepare({}), std::nullopt);
  EXPECT_TRUE(launcher.settings.useSsl);
  EXPECT_EQ(launcher.settings.sslHome, "C:\\srv\\bin\\..");
  EXPECT_EQ(launcher.settings.mainClass, "com.quill.server.ServerProcess");

  FakeHost directory_keys(windows_path_style());
  directory_keys.add_directory("C:\\r\\keys");  // a directory named keys does not count
  Launcher other(directory_keys, windows_path_style());
  other.settings.serverRoot = "C:\\r";
  apply_ssl_settings(other);
  EXPECT_FALSE(other.settings.useSsl);
  EXPECT_FALSE(other.settings.sslHome.has_value());
}
