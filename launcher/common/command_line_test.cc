#include "launcher/common/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, JoinsWithSingleBlanksWithoutQuoting) {
  EXPECT_EQ(join_command_line({"java", "a b", "-Dx=\"y\"", ""}), "java a b -Dx=\"y\" ");
  EXPECT_EQ(join_command_line({}), "");
}

TEST(CommandLine, ListsEveryElementOnALineOfItsOwnByIndex) {
  EXPECT_EQ(list_command_vector({"C:\\java\\bin\\java.exe", "", "a b", "-Dx=\"y\""}),
            "arg[0] = C:\\java\\bin\\java.exe\narg[1] = \narg[2] = a b\narg[3] = -Dx=\"y\"\n");
  EXPECT_EQ(list_command_vector({}), "");
  // Indexes past one digit are written in full.
  const std::string listing = list_command_vector(std::vector<std::string>(11, "x"));
  EXPECT_TRUE(listing.ends_with("arg[9] = x\narg[10] = x\n")) << listing;
}

TEST(CommandLine, SplitsByMicrosoftRuntimeRules) {
  struct Row {
    std::string text;
    std::vector<std::string> want;
  };
  const Row rows[] = {
      {"", {}},
      {"   \t ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"  a   b  ", {"a", "b"}},
      // the quoted -D values the launcher builds: quotes group and are dropped
      {"-Dserver.root=\"/srv x\" next", {"-Dserver.root=/srv x", "next"}},
      {"\"\"", {""}},
      {"a\"b c\"d", {"ab cd"}},
      // backslashes are literal unless a quote follows
      {"C:\\dir\\ x\\\\y", {"C:\\dir\\", "x\\\\y"}},
      // 2n backslashes + quote: n backslashes, the quote delimits
      {"\"a\\\\\" b", {"a\\", "b"}},
      // 2n+1 backslashes + quote: n backslashes and a literal quote
      {"a\\\"b", {"a\"b"}},
      {"a\\\\\\\"b", {"a\\\"b"}},
      // a doubled quote inside quotes is one literal quote
      {"\"a\"\"b\" c", {"a\"b", "c"}},
      // an unclosed quote runs to the end, blanks included
      {"\"a b", {"a b"}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(split_command_line(row.text), row.want);
  }
}
