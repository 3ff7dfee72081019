// End to end: the built sluice starting shell scripts as CGI programs; what they
// print travels through the standard handles the test gave to sluice.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "launcher/common/testing/program_run.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class SluiceEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    top_ = make_test_directory("sluice-e2e");
    ASSERT_FALSE(top_.empty());
    cgi_ = top_ + "/cgi-bin";
    fs::create_directories(cgi_);
    // Run by an interpreter: lists its arguments one a line and where it runs.
    std::ofstream(cgi_ + "/args.sh") << "for a in \"$0\" \"$@\"; do echo \"[$a]\"; done\n"
                                        "echo \"cwd $(pwd)\"\n";
    // Runs by itself: waits for its standard input to end, then answers on both outputs.
    std::ofstream(cgi_ + "/reader") << "#!/bin/sh\ncat >/dev/null\necho \"done $*\"\n"
                                       "echo \"to error\" >&2\n";
    fs::permissions(cgi_ + "/reader", fs::perms::owner_all);
  }
  void TearDown() override { fs::remove_all(top_); }

  Strings sluice(const Strings &arguments) {
    Strings argv = {SLUICE_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
  }
  ProgramResult run(const Strings &arguments) {
    return run_program(sluice(arguments), {{"PATH", "/usr/bin:/bin"}}, top_);
  }

  std::string top_, cgi_;
};

TEST_F(SluiceEndToEnd, InterpreterRunsTheScriptInItsDirectoryAndABlankSplitsAWord) {
  ProgramResult result = run({cgi_, "args.sh", "/bin/sh", "name=a b", "c"});
  EXPECT_EQ(result.status, 1) << result.errors;
  EXPECT_EQ(result.output, "[args.sh]\n[name=a]\n[b]\n[c]\ncwd " + cgi_ + "\n");
  EXPECT_EQ(result.errors, "");
}

TEST_F(SluiceEndToEnd, ReturnsWhileTheProgramStillRunsOnTheInheritedHandles) {
  ProgramRun run(sluice({cgi_, "reader", "--none--", "q=1"}), {{"PATH", "/usr/bin:/bin"}}, top_);
  // The program is waiting for the end of the input the test still holds open, so
  // sluice can only have ended by not waiting for it.
  EXPECT_EQ(run.wait_exit(), 1);
  run.read_to_end();
  EXPECT_EQ(run.output, "done reader q=1\n");
  EXPECT_EQ(run.errors, "to error\n");
}

TEST_F(SluiceEndToEnd, MessagesAndStatusesWhenNothingOrNothingUsefulStarts) {
  struct Case {
    const char *name;
    Strings arguments;
    int want_status;
    std::string want_output;
  };
  Strings fifty_three = {cgi_, cgi_ + "/args.sh", "/bin/sh"};
  fifty_three.resize(53, "w");
  Strings fifty_four = fifty_three;
  fifty_four.push_back("w");
  const Case cases[] = {
      {"missing program", {cgi_, "gone", "--none--"}, 0, ""},
      {"missing interpreter", {cgi_, "args.sh", top_ + "/no-sh"}, 0, ""},
      // The program then runs where sluice was started.
      {"missing directory", {top_ + "/gone", cgi_ + "/args.sh", "/bin/sh"}, 1,
       "[" + cgi_ + "/args.sh]\ncwd " + top_ + "\n"},
      {"too few", {cgi_, "args.sh"}, 1,
       "\r\nUsage: sluice cgilaunch execbin perlbin [querystrings]*\r\n"},
      {"53 arguments", fifty_three, 1, "[" + cgi_ + "/args.sh]\n" + [] {
         std::string words;
         for (int i = 0; i < 50; i++) {
           words += "[w]\n";
         }
         return words;
       }() + "cwd " + cgi_ + "\n"},
      {"54 arguments", fifty_four, 2, "\r\nmaximum number of arguments exceeded\r\n"},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    ProgramResult result = run(row.arguments);
    EXPECT_EQ(result.status, row.want_status);
    EXPECT_EQ(result.output, row.want_output);
    EXPECT_EQ(result.errors, "");
  }
}

}  // namespace
