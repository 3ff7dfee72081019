// skiffadmin over the in-memory host with the Windows path style.
#include "tools/skiffadmin/skiffadmin.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "launcher/common/fake_host.h"

namespace {

const std::string kSkiff = "C:\\srv\\bin\\skiff.exe";
const std::string kAdminClass = "com.quill.server.http.admin.CommandLine";

class SkiffAdminTest : public testing::Test {
 protected:
  SkiffAdminTest() : host(windows_path_style()) {
    host.executable = "C:\\srv\\bin\\skiffadmin.exe";
    host.add_file(kSkiff);
    host.add_directory("C:\\work");
    host.current_directory = "C:\\work";
  }
  int run(const std::vector<std::string> &arguments) {
    return run_skiffadmin(host, windows_path_style(), arguments);
  }
  FakeHost host;
};

TEST_F(SkiffAdminTest, HandsEveryArgumentToSkiffBesideItInMainClassMode) {
  struct Case {
    const char *name;
    std::vector<std::string> arguments;
    std::vector<std::string> want_vector;
  };
  const Case cases[] = {
      {"no arguments", {}, {kSkiff, "-main_class", kAdminClass}},
      // Options of skiff and of the command class alike are handed on as they are.
      {"mixed",
       {"-javahome", "C:\\jdk 1.1", "-Dx=1", "-help", ""},
       {kSkiff, "-main_class", kAdminClass, "-javahome", "C:\\jdk 1.1", "-Dx=1", "-help", ""}},
      // Another case of "-verbose" is an ordinary argument and lists nothing.
      {"Verbose", {"-Verbose", "-VERBOSE"}, {kSkiff, "-main_class", kAdminClass, "-Verbose",
                                            "-VERBOSE"}},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.launches.clear();
    host.error_output.clear();
    ASSERT_EQ(run(row.arguments), 0);
    ASSERT_EQ(host.launches.size(), 1u);
    EXPECT_EQ(host.launches[0].program, kSkiff);
    EXPECT_EQ(host.launches[0].vector, row.want_vector);
    EXPECT_EQ(host.launches[0].directory, "C:\\work");
    EXPECT_EQ(host.error_output, "");
  }
}

TEST_F(SkiffAdminTest, VerboseListsTheWholeVectorBeforeStartingIt) {
  ASSERT_EQ(run({"-verbose", "-stop"}), 0);
  EXPECT_EQ(host.error_output,
            "skiffadmin arguments:\n"
            "arg[0] = C:\\srv\\bin\\skiff.exe\n"
            "arg[1] = -main_class\n"
            "arg[2] = com.quill.server.http.admin.CommandLine\n"
            "arg[3] = -verbose\n"
            "arg[4] = -stop\n");
  ASSERT_EQ(host.launches.size(), 1u);
  EXPECT_EQ(host.launches[0].vector,
            (std::vector<std::string>{kSkiff, "-main_class", kAdminClass, "-verbose", "-stop"}));
}

TEST_F(SkiffAdminTest, EndsWithTheStatusOfSkiffOrQuietlyWithMinusOne) {
  const std::string listing =
      "skiffadmin arguments:\narg[0] = C:\\srv\\bin\\skiff.exe\narg[1] = -main_class\n"
      "arg[2] = com.quill.server.http.admin.CommandLine\narg[3] = -verbose\n";
  struct Case {
    const char *name;
    FakeHost::ChildScript child;
    int want_status;
  };
  const Case cases[] = {
      {"skiff ends with 3", FakeHost::ChildScript::exiting(3), 3},
      // skiff's restart request is skiff's business; here it is only a status.
      {"skiff ends with 255", FakeHost::ChildScript::exiting(255), 255},
      {"skiff cannot be created", FakeHost::ChildScript::not_created(EACCES), -1},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.name);
    host.error_output.clear();
    host.children.push_back(row.child);
    EXPECT_EQ(run({"-verbose"}), row.want_status);
    // Only the listing asked for: a failed start adds no message.
    EXPECT_EQ(host.error_output, listing);
  }
}

TEST_F(SkiffAdminTest, MissingSkiffIsMinusOneWithoutMessageOrStart) {
  host.remove_file(kSkiff);
  EXPECT_EQ(run({"-stop"}), -1);
  EXPECT_TRUE(host.launches.empty());
  EXPECT_EQ(host.error_output, "");
}

}  // namespace
