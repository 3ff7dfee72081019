// The launchers' two file tests on the real file system (PosixHost answers with them).
#pragma once

#include <string>

// is_existing_directory: true when `path` names a directory (symbolic links followed).
bool is_existing_directory(const std::string &path);
// is_existing_plain_file: true when something that is not a directory exists at `path`.
bool is_existing_plain_file(const std::string &path);
