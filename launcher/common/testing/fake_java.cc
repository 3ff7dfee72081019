// fake_java: stands in for a Java launcher in end-to-end tests.
// FAKE_JAVA_DIR names a directory holding "statuses": one word per run, an exit
// status or "hang" (wait until killed); the last word repeats. Each run takes the next
// free index N and writes DIR/run-N: its pid, directory, SIGINT disposition, argv,
// environment and the server's session key file as it found it, then behaves as told.
// With FAKE_JAVA_TAKE_KEY set it deletes the key file after reading it, so the next
// run sees a key file only when one was written again.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

int main(int argc, char **argv) {
  const char *dir = getenv("FAKE_JAVA_DIR");
  if (dir == nullptr) {
    fprintf(stderr, "fake_java: FAKE_JAVA_DIR is not set\n");
    return 2;
  }
  std::vector<std::string> statuses;
  std::ifstream script(std::string(dir) + "/statuses");
  for (std::string word; script >> word;) {
    statuses.push_back(word);
  }

  int run = 0;
  int fd = -1;
  std::string record_path;
  for (;; run++) {
    record_path = std::string(dir) + "/run-" + std::to_string(run);
    int claim = open((record_path + ".claim").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (claim >= 0) {
      close(claim);
      fd = open((record_path + ".tmp").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      break;
    }
    if (run > 1000) {
      break;
    }
  }
  std::ostringstream record;
  record << "pid " << getpid() << "\n";
  char cwd[4096];
  record << "cwd " << (getcwd(cwd, sizeof cwd) ? cwd : "?") << "\n";
  struct sigaction interrupt;
  sigaction(SIGINT, nullptr, &interrupt);
  record << "sigint " << (interrupt.sa_handler == SIG_IGN ? "ignored" : "default") << "\n";
  for (int i = 0; i < argc; i++) {
    record << "arg " << argv[i] << "\n";
  }
  for (char **entry = environ; *entry != nullptr; entry++) {
    record << "env " << *entry << "\n";
  }
  std::ifstream key_file("sk.txt");
  struct stat key_info;
  if (key_file && stat("sk.txt", &key_info) == 0) {
    std::string key((std::istreambuf_iterator<char>(key_file)), std::istreambuf_iterator<char>());
    char mode[8];
    snprintf(mode, sizeof mode, "%o", key_info.st_mode & 0777);
    record << "sk " << key << "\nskmode " << mode << "\n";
    if (getenv("FAKE_JAVA_TAKE_KEY") != nullptr) {
      unlink("sk.txt");
    }
  } else {
    record << "sk-missing\n";
  }
  std::string text = record.str();
  if (fd >= 0) {
    (void)!write(fd, text.data(), text.size());
    close(fd);
    rename((record_path + ".tmp").c_str(), record_path.c_str());  // complete records only
  }

  std::string word = statuses.empty() ? "0" : statuses[std::min<size_t>(run, statuses.size() - 1)];
  if (word == "hang") {
    while (true) {
      pause();
    }
  }
  return atoi(word.c_str());
}
