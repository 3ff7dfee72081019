#include "launcher/common/file_tests.h"

#include <sys/stat.h>

bool is_existing_directory(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool is_existing_plain_file(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
