// libserver.so end to end: the four exported natives driven through slot
// arrays against accounts of the test's own. The binary re-executes itself
// with nss_wrapper (a passwd and group file written here) and pam_wrapper (a
// PAM service directory written here, pam_matrix holding the passwords)
// preloaded, so real getpwnam_r, getpwent and PAM calls run without root and
// without touching the machine's accounts.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/javai/javai_testing.h"
#include "realm/login_defs.h"

namespace {

constexpr const char *kFixturesVariable = "REALM_TEST_FIXTURES";

// System order of the passwd file; the normal accounts (uid 1000..60000) are
// alice, bob and carol, the others lie just outside or far outside.
constexpr const char *kPasswd =
    "root:x:0:0:root:/root:/bin/sh\n"
    "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n"
    "alice:x:1000:1000:Alice:/home/alice:/bin/sh\n"
    "svc:x:999:999:service:/var/lib/svc:/usr/sbin/nologin\n"
    "bob:x:1001:1001:Bob:/srv/users/bob:/bin/sh\n"
    "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n"
    "carol:x:60000:60000:Carol::/bin/sh\n"
    "dave:x:60001:60001:Dave:/home/dave:/bin/sh\n";
constexpr const char *kGroup =
    "root:x:0:\n"
    "users:x:100:alice,bob,carol\n";
// pam_matrix: name:password:the one service that may log the account on.
constexpr const char *kPassdb =
    "alice:wonderland:skiff\n"
    "bob:builder:realmalt\n"
    "dora:explorer:chatty\n"
    "erin:secret:echoing\n";

void write_file(const std::filesystem::path &path, const std::string &text) {
  std::ofstream(path) << text;
}

void write_service(const std::filesystem::path &dir, const std::string &service,
                   const std::filesystem::path &passdb, const std::string &options = "") {
  std::string module =
      std::string(REALM_PAM_MATRIX) + " passdb=" + passdb.string() + options + "\n";
  write_file(dir / service, "auth required " + module + "account required " + module);
}

// Writes the fixtures, runs this binary again under the wrappers and returns
// its exit status.
int run_under_wrappers(char **argv) {
  char pattern[] = "/tmp/realm_accounts_test.XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  std::filesystem::path dir = pattern;
  std::filesystem::path services = dir / "pam.d";
  std::filesystem::create_directory(services);
  write_file(dir / "passwd", kPasswd);
  write_file(dir / "group", kGroup);
  write_file(dir / "passdb", kPassdb);
  write_service(services, "skiff", dir / "passdb");
  write_service(services, "realmalt", dir / "passdb");
  // pam_matrix's "verbose" sends informational messages; "echo" asks for the
  // password with a prompt that shows what is typed.
  write_service(services, "chatty", dir / "passdb", " verbose");
  write_service(services, "echoing", dir / "passdb", " echo");
  // Where a service has no file of its own PAM takes "other"; as on a Debian
  // system it refuses everyone.
  write_file(services / "other", "auth required pam_deny.so\naccount required pam_deny.so\n");

  setenv(kFixturesVariable, dir.c_str(), 1);
  setenv("NSS_WRAPPER_PASSWD", (dir / "passwd").c_str(), 1);
  setenv("NSS_WRAPPER_GROUP", (dir / "group").c_str(), 1);
  setenv("PAM_WRAPPER", "1", 1);
  setenv("PAM_WRAPPER_SERVICE_DIR", services.c_str(), 1);
  setenv("LD_PRELOAD", REALM_NSS_WRAPPER ":" REALM_PAM_WRAPPER, 1);
  // The sanitizer runtime wants to be first in the link order, and pam_wrapper's
  // deep binding of its private libpam copy does not mix with it.
  const char *asan = getenv("ASAN_OPTIONS");
  std::string asan_options = std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0";
  setenv("ASAN_OPTIONS", asan_options.c_str(), 1);
  // pam_wrapper 1.1.4 reads the switch under uid_wrapper's name; set both.
  setenv("PAM_WRAPPER_DISABLE_DEEPBIND", "1", 1);
  setenv("UID_WRAPPER_DISABLE_DEEPBIND", "1", 1);
  unsetenv("SKIFF_REALM_PAM_SERVICE");

  int status = 1;
  pid_t child = fork();
  if (child == 0) {
    execv("/proc/self/exe", argv);
    perror("execv");
    _exit(127);
  }
  if (child > 0 && waitpid(child, &status, 0) == child) {
    status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::filesystem::remove_all(dir);
  return status;
}

using Stub = Slot *(*)(Slot *, ExecEnv *);

struct Server {
  Stub load_from_passwd;
  Stub check_crypt;
  Stub setpwent;
  Stub get_next_user_name;
};

Slot &cell(Handle *object, int index) { return static_cast<Slot *>(object->obj)[index]; }

std::optional<std::string> text_at(Handle *object, int index) {
  return javai_string_text(slot_handle(cell(object, index)));
}

// The lines of a command's standard output.
std::set<std::string> command_lines(const std::string &command) {
  std::set<std::string> lines;
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return lines;
  }
  char line[512];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') {
      text.pop_back();
    }
    lines.insert(text);
  }
  pclose(pipe);
  return lines;
}

class RealmAccounts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = dlopen(REALM_SERVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    server_.load_from_passwd =
        stub("Java_com_quill_server_realm_nt_NTUser_loadFromPasswd_stub");
    server_.check_crypt = stub("Java_com_quill_server_realm_nt_NTUser_checkCrypt_stub");
    server_.setpwent = stub("Java_com_quill_server_realm_nt_NTUserEnumeration_setpwent_stub");
    server_.get_next_user_name =
        stub("Java_com_quill_server_realm_nt_NTUserEnumeration_getNextUserName_stub");
  }

  void SetUp() override {
    ASSERT_NE(library_, nullptr);
    unsetenv("SKIFF_REALM_PAM_SERVICE");
  }
  void TearDown() override {
    EXPECT_FALSE(javai_take_exception().has_value()) << "the realm natives post no exceptions";
    javai_release_all();
    unsetenv("SKIFF_REALM_PAM_SERVICE");
  }

  static Stub stub(const char *name) { return reinterpret_cast<Stub>(dlsym(library_, name)); }

  static Handle *user(const std::string &name) {
    Handle *object = javai_new_object(3);
    cell(object, 0) = handle_slot(javai_new_string(name));
    cell(object, 1) = handle_slot(javai_new_string("junk"));
    cell(object, 2) = handle_slot(javai_new_string("junk"));
    return object;
  }

  static Handle *enumeration(int names) {
    Handle *object = javai_new_object(3);
    cell(object, 2) = handle_slot(javai_new_ref_array(names));
    return object;
  }

  // setpwent, then getNextUserName from cursor 0 until it answers null.
  static std::vector<std::string> list_names(Handle *object) {
    Slot stack[1] = {handle_slot(object)};
    EXPECT_EQ(server_.setpwent(stack, nullptr), stack);
    cell(object, 1) = int_slot(0);
    std::vector<std::string> names;
    for (;;) {
      stack[0] = handle_slot(object);
      EXPECT_EQ(server_.get_next_user_name(stack, nullptr), stack + 1);
      std::optional<std::string> name = javai_string_text(slot_handle(stack[0]));
      if (!name || names.size() > 10) {
        break;
      }
      names.push_back(*name);
    }
    return names;
  }

  // The listing expectations assume the usual normal-account range.
  static bool machine_has_usual_uid_range() {
    UidRange range = login_defs_uid_range("/etc/login.defs");
    return range.min == 1000 && range.max == 60000;
  }

  static void *library_;
  static Server server_;
};

void *RealmAccounts::library_ = nullptr;
Server RealmAccounts::server_;

TEST_F(RealmAccounts, ExportsOnlyTheFourNativesAndLeavesTheVmServicesUndefined) {
  std::string library = REALM_SERVER_LIBRARY;
  std::set<std::string> defined =
      command_lines("nm -D --defined-only --format=just-symbols " + library);
  EXPECT_EQ(defined, (std::set<std::string>{
                         "Java_com_quill_server_realm_nt_NTUser_checkCrypt_stub",
                         "Java_com_quill_server_realm_nt_NTUser_loadFromPasswd_stub",
                         "Java_com_quill_server_realm_nt_NTUserEnumeration_getNextUserName_stub",
                         "Java_com_quill_server_realm_nt_NTUserEnumeration_setpwent_stub",
                     }));
  std::set<std::string> undefined =
      command_lines("nm -D --undefined-only --format=just-symbols " + library);
  EXPECT_TRUE(undefined.count("makeCString"));
  EXPECT_TRUE(undefined.count("makeJavaString"));
  std::set<std::string> dynamic = command_lines("readelf -d " + library + " | grep NEEDED");
  for (const std::string &entry : dynamic) {
    EXPECT_EQ(entry.find("javai"), std::string::npos) << "the VM is never linked in: " << entry;
  }
}

TEST_F(RealmAccounts, LoadFromPasswdReadsTheAccountDatabase) {
  struct Row {
    const char *name;
    std::string want_output;
    std::optional<std::string> want_home;  // nullopt: both words null
  };
  const Row rows[] = {
      {"alice", "", "/home/alice"},
      {"bob", "", "/srv/users/bob"},
      {"carol", "", ""},  // no home directory set
      {"root", "", "/root"},
      {"nosuch", "User not found\n", std::nullopt},
      {"", "User not found\n", std::nullopt},
      {"Alice", "User not found\n", std::nullopt},  // names are case-sensitive here
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Handle *object = user(row.name);
    Slot stack[1] = {handle_slot(object)};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(server_.load_from_passwd(stack, nullptr), stack);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), row.want_output);
    EXPECT_EQ(text_at(object, 1), row.want_home);
    if (row.want_home) {
      EXPECT_EQ(text_at(object, 2), "") << "the system never reveals the password";
    } else {
      EXPECT_EQ(cell(object, 1), 0u);
      EXPECT_EQ(cell(object, 2), 0u);
    }
  }
}

TEST_F(RealmAccounts, CheckCryptLogsOnThroughTheConfiguredPamService) {
  struct Row {
    const char *label;
    const char *service;  // SKIFF_REALM_PAM_SERVICE, null for unset
    const char *name;
    const char *password;
    int32_t want;
  };
  const Row rows[] = {
      {"right password", nullptr, "alice", "wonderland", 1},
      {"wrong password", nullptr, "alice", "wonderlan", 0},
      {"empty password", nullptr, "alice", "", 0},
      {"unknown account", nullptr, "nosuch", "wonderland", 0},
      {"account without a password entry", nullptr, "carol", "wonderland", 0},
      // Authenticates, but the account check refuses this service.
      {"account not allowed on the service", nullptr, "bob", "builder", 0},
      {"empty variable means the default", "", "alice", "wonderland", 1},
      {"service from the environment", "realmalt", "bob", "builder", 1},
      {"other service refuses alice", "realmalt", "alice", "wonderland", 0},
      {"service without configuration falls to other", "nowhere", "alice", "wonderland", 0},
      {"informational messages are not shown", "chatty", "dora", "explorer", 1},
      // The password goes only to a prompt that hides it.
      {"echoing prompt gets no password", "echoing", "erin", "secret", 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    if (row.service != nullptr) {
      setenv("SKIFF_REALM_PAM_SERVICE", row.service, 1);
    } else {
      unsetenv("SKIFF_REALM_PAM_SERVICE");
    }
    Slot stack[2] = {handle_slot(user(row.name)), handle_slot(javai_new_string(row.password))};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(server_.check_crypt(stack, nullptr), stack + 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(stack[0], int_slot(row.want));
  }
}

TEST_F(RealmAccounts, SetpwentListsTheNormalAccountsInSystemOrder) {
  if (!machine_has_usual_uid_range()) {
    GTEST_SKIP() << "/etc/login.defs sets a normal-account range other than 1000..60000";
  }
  Handle *object = enumeration(5);
  EXPECT_EQ(list_names(object), (std::vector<std::string>{"alice", "bob", "carol"}));
  EXPECT_EQ(cell(object, 0), int_slot(3));
  EXPECT_EQ(cell(object, 1), int_slot(3)) << "the cursor stays at the count";
  EXPECT_EQ(ref_array_data(slot_handle(cell(object, 2)))[3], nullptr);
}

TEST_F(RealmAccounts, SetpwentStopsAtTheEndOfAShortNamesArray) {
  if (!machine_has_usual_uid_range()) {
    GTEST_SKIP() << "/etc/login.defs sets a normal-account range other than 1000..60000";
  }
  Handle *object = enumeration(2);
  EXPECT_EQ(list_names(object), (std::vector<std::string>{"alice", "bob"}));
  EXPECT_EQ(cell(object, 0), int_slot(2));

  // The next listing starts again from the first account.
  Handle *again = enumeration(3);
  EXPECT_EQ(list_names(again), (std::vector<std::string>{"alice", "bob", "carol"}));
}

TEST_F(RealmAccounts, ListingsOnSeveralThreadsEachSeeEveryAccount) {
  if (!machine_has_usual_uid_range()) {
    GTEST_SKIP() << "/etc/login.defs sets a normal-account range other than 1000..60000";
  }
  constexpr int kThreads = 4;
  constexpr int kRounds = 40;
  std::vector<Handle *> objects;
  for (int i = 0; i < kThreads * kRounds; i++) {
    objects.push_back(enumeration(4));
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; t++) {
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRounds; r++) {
        Slot stack[1] = {handle_slot(objects[t * kRounds + r])};
        server_.setpwent(stack, nullptr);
      }
    });
  }
  for (std::thread &thread : threads) {
    thread.join();
  }
  for (Handle *object : objects) {
    ASSERT_EQ(cell(object, 0), int_slot(3));
    Handle **names = ref_array_data(slot_handle(cell(object, 2)));
    EXPECT_EQ(javai_string_text(names[0]), "alice");
    EXPECT_EQ(javai_string_text(names[1]), "bob");
    EXPECT_EQ(javai_string_text(names[2]), "carol");
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (getenv(kFixturesVariable) == nullptr) {
    return run_under_wrappers(argv);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
