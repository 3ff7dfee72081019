// End to end: the built skiffadmin and skiff installed side by side in a server root,
// skiff supervising the fake Java launcher.
#include <filesystem>

#include "launcher/common/testing/tool_end_to_end.h"

namespace fs = std::filesystem;

namespace {

class SkiffAdminEndToEnd : public ToolEndToEnd {
 protected:
  void SetUp() override {
    ToolEndToEnd::SetUp();
    bin_ = top_ + "/root/bin";
    for (const std::string &dir : {bin_, top_ + "/root/lib", top_ + "/jdk/bin"}) {
      fs::create_directories(dir);
    }
    fs::copy_file(SKIFFADMIN_PATH, bin_ + "/skiffadmin");
    fs::copy_file(SKIFF_PATH, bin_ + "/skiff");
    fs::copy_file(FAKE_JAVA_PATH, top_ + "/jdk/bin/java");
    environment_["JAVA_HOME"] = top_ + "/jdk";
  }
  ProgramResult run(const std::vector<std::string> &arguments, const std::string &statuses) {
    return ToolEndToEnd::run(bin_ + "/skiffadmin", arguments, statuses);
  }

  std::string bin_;
};

TEST_F(SkiffAdminEndToEnd, CommandClassGetsTheArgumentsAndItsStatusComesBack) {
  ProgramResult result = run({"-stop", "-port", "8081"}, "7");
  EXPECT_EQ(result.status, 7) << result.errors;
  ASSERT_EQ(fake_java_runs(records_), 1);
  std::vector<std::string> args = fake_java_record(records_, 0, "arg");
  ASSERT_GE(args.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(args.end() - 4, args.end()),
            (std::vector<std::string>{"com.quill.server.http.admin.CommandLine", "-stop", "-port",
                                      "8081"}));
  EXPECT_EQ(result.output, "");
}

TEST_F(SkiffAdminEndToEnd, VerboseListingComesFirstAndSkiffListsToo) {
  ProgramResult result = run({"-verbose"}, "0");
  EXPECT_EQ(result.status, 0) << result.errors;
  const std::string listing = "skiffadmin arguments:\narg[0] = " + bin_ +
                              "/skiff\narg[1] = -main_class\n"
                              "arg[2] = com.quill.server.http.admin.CommandLine\n"
                              "arg[3] = -verbose\n";
  ASSERT_EQ(result.errors.substr(0, listing.size()), listing);
  EXPECT_GT(result.errors.size(), listing.size()) << "skiff took -verbose as well";
  EXPECT_EQ(fake_java_runs(records_), 1);
}

TEST_F(SkiffAdminEndToEnd, MissingSkiffEndsWithOneAndSaysNothing) {
  fs::remove(bin_ + "/skiff");
  ProgramResult result = run({"-stop"}, "0");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(fake_java_runs(records_), 0);
}

}  // namespace
