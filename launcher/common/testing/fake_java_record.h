// Reading what fake_java recorded, for end-to-end tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// fake_java_record: the values of run `run`'s lines that start with `key` and a blank.
inline std::vector<std::string> fake_java_record(const std::string &dir, int run,
                                                 const std::string &key) {
  std::ifstream in(dir + "/run-" + std::to_string(run));
  std::vector<std::string> values;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + " ", 0) == 0) {
      values.push_back(line.substr(key.size() + 1));
    } else if (line == key) {
      values.push_back("");
    }
  }
  return values;
}

// fake_java_runs: how many runs have completed their record.
inline int fake_java_runs(const std::string &dir) {
  int runs = 0;
  while (std::filesystem::exists(dir + "/run-" + std::to_string(runs))) {
    runs++;
  }
  return runs;
}

// wait_for_fake_java_run: true once run `run` has written its record (up to 10 s).
inline bool wait_for_fake_java_run(const std::string &dir, int run) {
  for (int i = 0; i < 1000 && fake_java_runs(dir) <= run; i++) {
    usleep(10000);
  }
  return fake_java_runs(dir) > run;
}
