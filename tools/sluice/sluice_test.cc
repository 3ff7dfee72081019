// sluice over the in-memory host.
#include "tools/sluice/sluice.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "launcher/common/command_line.h"
#include "launcher/common/fake_host.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kUsage = "\r\nUsage: sluice cgilaunch execbin perlbin [querystrings]*\r\n";
const std::string kTooMany = "\r\nmaximum number of arguments exceeded\r\n";

class SluiceTest : public testing::Test {
 protected:
  SluiceTest() : host(windows_path_style()) {
    host.add_directory("C:\\srv\\cgi-bin");
    host.add_directory("C:\\srv\\logs");
    host.current_directory = "C:\\srv\\logs";
  }
  int run(const Strings &arguments) {
    return run_sluice(host, arguments, [this](const std::string &text) { output += text; });
  }
  FakeHost host;
  std::string output;
};

TEST_F(SluiceTest, StartsTheInterpreterOrTheExecutableWithAnUnquotedCommandLine) {
  struct Case {
    const char *name;
    Strings arguments;
    std::string want_program;
    std::string want_command_line;
  };
  const Case cases[] = {
      {"interpreter, no query words", {"C:\\srv\\cgi-bin", "test.pl", "C:\\perl\\bin\\perl.exe"},
       "C:\\perl\\bin\\perl.exe", "C:\\perl\\bin\\perl.exe test.pl"},
      // The executable runs by itself and sees its own name as first argument.
      {"--none--", {"C:\\srv\\cgi-bin", "counter.exe", "--none--", "a=1"}, "counter.exe",
       "counter.exe counter.exe a=1"},
      // Words are joined as they are: a blank inside one splits it for the child.
      {"words with blanks and quotes",
       {"C:\\srv\\cgi-bin", "q.pl", "perl.exe", "x y", "\"z\"", ""}, "perl.exe",
       "perl.exe q.pl x y \"z\" "},
      // Only the exact text names no interpreter.
      {"--None--", {"C:\\srv\\cgi-bin", "q.exe", "--None--"}, "--None--", "--None-- q.exe"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    output.clear();
    host.current_directory = "C:\\srv\\logs";
    EXPECT_EQ(run(row.arguments), 1);
    ASSERT_EQ(host.launches.size(), 1u);
    EXPECT_EQ(host.launches[0].program, row.want_program);
    EXPECT_EQ(host.launches[0].vector.at(0), row.want_program);
    EXPECT_EQ(join_command_line(host.launches[0].vector), row.want_command_line);
    EXPECT_EQ(host.launches[0].directory, "C:\\srv\\cgi-bin");
    EXPECT_EQ(output, "");
  }
}

TEST_F(SluiceTest, ADirectoryThatCannotBeEnteredIsPassedOver) {
  EXPECT_EQ(run({"C:\\srv\\gone", "t.exe", "--none--"}), 1);
  ASSERT_EQ(host.launches.size(), 1u);
  EXPECT_EQ(host.launches[0].directory, "C:\\srv\\logs");
}

TEST_F(SluiceTest, ArgumentCountsOnBothSidesOfEachLimit) {
  auto with_words = [](size_t count) {
    Strings arguments = {"C:\\srv\\cgi-bin", "t.pl", "perl.exe"};
    for (size_t i = 0; i < count; i++) {
      arguments.push_back("w" + std::to_string(i));
    }
    return arguments;
  };
  struct Case {
    const char *name;
    Strings arguments;
    int want_status;
    std::string want_output;
    size_t want_launches;
  };
  const Case cases[] = {
      {"none", {}, 1, kUsage, 0},
      {"two", {"C:\\srv\\cgi-bin", "t.pl"}, 1, kUsage, 0},
      {"three", with_words(0), 1, "", 1},
      {"53: 50 query words", with_words(50), 1, "", 1},
      {"54", with_words(51), 2, kTooMany, 0},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    output.clear();
    EXPECT_EQ(run(row.arguments), row.want_status);
    EXPECT_EQ(output, row.want_output);
    ASSERT_EQ(host.launches.size(), row.want_launches);
    if (row.want_launches == 1) {
      Strings want = {"perl.exe", "t.pl"};
      want.insert(want.end(), row.arguments.begin() + 3, row.arguments.end());
      EXPECT_EQ(host.launches[0].vector, want);
    }
  }
}

TEST_F(SluiceTest, DoesNotWaitAndReportsAFailedCreationOnlyByStatusZero) {
  bool waited = false;
  host.children.push_back(FakeHost::ChildScript::exiting(9, [&] { waited = true; }));
  EXPECT_EQ(run({"C:\\srv\\cgi-bin", "t.exe", "--none--"}), 1);
  EXPECT_FALSE(waited);

  host.children.push_back(FakeHost::ChildScript::not_created(ENOENT));
  EXPECT_EQ(run({"C:\\srv\\cgi-bin", "gone.exe", "--none--"}), 0);
  EXPECT_EQ(output, "");
  EXPECT_EQ(host.error_output, "");
}

}  // namespace
