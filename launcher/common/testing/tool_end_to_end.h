// The fixture of the tools' end-to-end tests: a fresh directory with a records folder
// for the fake Java launcher, the environment a run gets, and what the runs recorded.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "launcher/common/testing/fake_java_record.h"
#include "launcher/common/testing/program_run.h"

class ToolEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    top_ = make_test_directory("tools-e2e");
    ASSERT_FALSE(top_.empty());
    records_ = top_ + "/records";
    std::filesystem::create_directories(records_);
    environment_ = {{"PATH", "/usr/bin:/bin"}, {"FAKE_JAVA_DIR", records_}};
  }
  void TearDown() override { std::filesystem::remove_all(top_); }

  // run: `program` with `arguments`, in the top directory, after telling the fake Java
  // launcher the statuses to end its runs with.
  ProgramResult run(const std::string &program, const std::vector<std::string> &arguments,
                    const std::string &statuses) {
    std::ofstream(records_ + "/statuses") << statuses;
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run_program(argv, environment_, top_);
  }
  // env_of: the value of `name` in the environment of run `run`, "(unset)" when absent.
  std::string env_of(int run, const std::string &name) {
    for (const std::string &entry : fake_java_record(records_, run, "env")) {
      if (entry.rfind(name + "=", 0) == 0) {
        return entry.substr(name.size() + 1);
      }
    }
    return "(unset)";
  }

  std::string top_, records_;
  std::map<std::string, std::string> environment_;
};
