// dsnsweep end to end: the real program and unixODBC's installer over an
// odbcinst.ini and odbc.ini of the test's own (ODBCSYSINI points at them).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <odbcinst.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/dsnsweep/config_data_source.h"

namespace {

constexpr const char *kPeltaMessage = "Succeed removing pelta data source!\n";
constexpr const char *kLumometaMessage = "Succeed removing lumometa data source!\n";
constexpr const char *kDrivers =
    "[SQL Server]\nDriver = /opt/sqlserver/lib/libsqlsrv.so\n\n"
    "[PostgreSQL]\nDriver = /usr/lib/psqlodbcw.so\n";

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string read_file(const std::filesystem::path &path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class Dsnsweep : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dsnsweep_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ / "odbcinst.ini") << kDrivers;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void write_data_sources(const std::string &text) { std::ofstream(dir_ / "odbc.ini") << text; }
  std::string data_sources() { return read_file(dir_ / "odbc.ini"); }
  bool defines(const std::string &dsn) {
    return data_sources().find("[" + dsn + "]") != std::string::npos;
  }

  // Runs the program with the test's ODBC files and |extra| environment
  // entries ("NAME=value"), capturing both output streams.
  Outcome run(const std::vector<std::string> &extra = {},
              const std::vector<std::string> &args = {}) {
    std::filesystem::path out = dir_ / "stdout", err = dir_ / "stderr";
    pid_t child = fork();
    if (child == 0) {
      setenv("ODBCSYSINI", dir_.c_str(), 1);
      setenv("HOME", dir_.c_str(), 1);  // no user data sources of the machine's
      unsetenv("ODBCINSTINI");
      unsetenv("ODBCINI");
      unsetenv("DSNSWEEP_ODBCINST_LIBRARY");
      for (const std::string &entry : extra) {
        putenv(const_cast<char *>(entry.c_str()));
      }
      dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
      dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
      std::vector<char *> argv = {const_cast<char *>(DSNSWEEP_PROGRAM)};
      for (const std::string &arg : args) {
        argv.push_back(const_cast<char *>(arg.c_str()));
      }
      argv.push_back(nullptr);
      execv(DSNSWEEP_PROGRAM, argv.data());
      _exit(127);
    }
    int status = -1;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
  }

  std::filesystem::path dir_;
};

TEST_F(Dsnsweep, RemovesTheTwoDataSourcesOfTheNamedDriverOnly) {
  struct Row {
    const char *label;
    const char *data_sources;
    std::string want_out;
    std::vector<std::string> want_gone;
    std::vector<std::string> want_kept;
  };
  const Row rows[] = {
      {"both present",
       "[pelta]\nDriver = SQL Server\nServer = db1\n\n[keep]\nDriver = PostgreSQL\n\n"
       "[lumometa]\nDriver=SQL Server\n",
       std::string(kPeltaMessage) + kLumometaMessage,
       {"pelta", "lumometa"},
       {"keep"}},
      {"only lumometa present", "[lumometa]\nDriver = SQL Server\n", kLumometaMessage,
       {"lumometa"}, {}},
      {"pelta under another driver left alone",
       "[pelta]\nDriver = PostgreSQL\n\n[lumometa]\nDriver = SQL Server\n", kLumometaMessage,
       {"lumometa"}, {"pelta"}},
      {"pelta without a driver left alone", "[pelta]\nServer = db1\n", "", {}, {"pelta"}},
      {"driver named by its library", "[pelta]\nDriver = /opt/sqlserver/lib/libsqlsrv.so\n",
       kPeltaMessage, {"pelta"}, {}},
      {"driver name in other case", "[pelta]\nDriver = sql server\n", kPeltaMessage, {"pelta"},
       {}},
      {"neither present", "[keep]\nDriver = SQL Server\n", "", {}, {"keep"}},
      {"empty file", "", "", {}, {}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    write_data_sources(row.data_sources);
    Outcome first = run();
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, row.want_out);
    EXPECT_EQ(first.err, "");
    for (const std::string &dsn : row.want_gone) {
      EXPECT_FALSE(defines(dsn)) << dsn << " still in odbc.ini:\n" << data_sources();
    }
    for (const std::string &dsn : row.want_kept) {
      EXPECT_TRUE(defines(dsn)) << dsn << " lost from odbc.ini:\n" << data_sources();
    }
    Outcome second = run();
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "") << "a second run finds nothing to remove";
  }
}

TEST_F(Dsnsweep, WithoutDataSourceFileNothingIsRemoved) {
  Outcome result = run({}, {"-x", "pelta"});  // arguments are ignored
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
}

TEST_F(Dsnsweep, UserDataSourcesAreLeftAlone) {
  const char *user_sources = "[pelta]\nDriver = SQL Server\n";
  std::ofstream(dir_ / ".odbc.ini") << user_sources;  // HOME is the test directory
  write_data_sources("[lumometa]\nDriver = SQL Server\n");
  Outcome result = run();
  EXPECT_EQ(result.out, kLumometaMessage);
  EXPECT_EQ(read_file(dir_ / ".odbc.ini"), user_sources);
}

TEST_F(Dsnsweep, MissingInstallerIsReportedOncePerRequest) {
  const char *data = "[pelta]\nDriver = SQL Server\n\n[lumometa]\nDriver = SQL Server\n";
  write_data_sources(data);
  Outcome result = run({"DSNSWEEP_ODBCINST_LIBRARY=/nonexistent/libodbcinst.so.2"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  std::string line = std::string(kInstallerErrorTitle) + ": " + kInstallerMissingText + "\n";
  EXPECT_EQ(line,
            "ODBC Installer Error: The ODBC installer library (libodbcinst.so.2) is not "
            "installed on this system.\n");
  EXPECT_EQ(result.err, line + line);
  EXPECT_EQ(data_sources(), data);
}

TEST_F(Dsnsweep, LibraryWithoutTheInstallerCallsCountsAsMissing) {
  write_data_sources("[pelta]\nDriver = SQL Server\n");
  Outcome result = run({"DSNSWEEP_ODBCINST_LIBRARY=libc.so.6"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2);
  EXPECT_TRUE(defines("pelta"));
}

TEST(DsnsweepAttributes, FindsTheKeywordInTheList) {
  struct Row {
    const char *label;
    std::string attributes;  // includes the final empty text
    std::optional<std::string> want;
  };
  using namespace std::string_literals;
  const Row rows[] = {
      {"single pair", "DSN=pelta\0\0"s, "pelta"},
      {"keyword in other case", "dsn=pelta\0\0"s, "pelta"},
      {"later pair", "UID=sa\0DSN=lumometa\0\0"s, "lumometa"},
      {"empty value", "DSN=\0\0"s, ""},
      {"no such keyword", "UID=sa\0\0"s, std::nullopt},
      // A keyword that only starts like DSN is another keyword.
      {"longer keyword", "DSNX=pelta\0\0"s, std::nullopt},
      {"no equals sign", "DSN\0\0"s, std::nullopt},
      {"empty list", "\0"s, std::nullopt},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(attribute_value(row.attributes.c_str(), "DSN"), row.want);
  }
}

TEST(DsnsweepRequests, OnlySystemRemovalOfANamedDataSourceIsServed) {
  char pattern[] = "/tmp/dsnsweep_request.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::filesystem::path dir = pattern;
  setenv("ODBCSYSINI", dir.c_str(), 1);
  std::ofstream(dir / "odbcinst.ini") << kDrivers;
  struct Row {
    const char *label;
    int request;
    const char *driver;
    std::string attributes;
    bool want;
  };
  using namespace std::string_literals;
  const Row rows[] = {
      {"user data source request", ODBC_REMOVE_DSN, "SQL Server", "DSN=pelta\0\0"s, false},
      {"add request", ODBC_ADD_SYS_DSN, "SQL Server", "DSN=pelta\0\0"s, false},
      {"no DSN attribute", ODBC_REMOVE_SYS_DSN, "SQL Server", "UID=sa\0\0"s, false},
      {"no driver", ODBC_REMOVE_SYS_DSN, nullptr, "DSN=pelta\0\0"s, false},
      {"system removal", ODBC_REMOVE_SYS_DSN, "SQL Server", "DSN=pelta\0\0"s, true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    std::ofstream(dir / "odbc.ini") << "[pelta]\nDriver = SQL Server\n";
    EXPECT_EQ(config_data_source("libodbcinst.so.2", row.request, row.driver,
                                 row.attributes.c_str()),
              row.want);
    EXPECT_EQ(read_file(dir / "odbc.ini").find("[pelta]") == std::string::npos, row.want);
  }
  unsetenv("ODBCSYSINI");
  std::filesystem::remove_all(dir);
}

}  // namespace
