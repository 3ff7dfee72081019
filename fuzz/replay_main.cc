// Replays a fuzz corpus: feeds every file of the directory named on the
// command line to the target, so that each input the fuzzer kept (and every
// crash it found) is checked again by the ordinary test run. A crash or a
// failed check inside the target ends the program abnormally.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s CORPUS_DIRECTORY\n", argv[0]);
    return 2;
  }
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto &entry : std::filesystem::directory_iterator(argv[1], error)) {
    if (entry.is_regular_file()) {
      files.push_back(entry.path());
    }
  }
  if (error || files.empty()) {
    fprintf(stderr, "%s: no corpus in %s\n", argv[0], argv[1]);
    return 1;
  }
  std::sort(files.begin(), files.end());
  for (const auto &path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  printf("%zu inputs replayed from %s\n", files.size(), argv[1]);
  return 0;
}
