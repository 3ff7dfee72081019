// The realm natives driven through operand-stack slots, over a scripted
// accounts backend. Instance words are read back by cell index, so the test
// checks the layout the VM sees, not just the natives' own accessors.
#include "realm/natives.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/javai/javai_testing.h"

namespace {

// What the scripted backend answers and what it was asked.
struct FakeAccounts {
  int look_up_status = ACCOUNT_OK;
  std::string home;
  std::string password;
  std::vector<std::string> asked;  // names passed to look_up
  std::string accepted_name;
  std::string accepted_password;
  std::vector<std::string> listing;
  int listing_status = ACCOUNT_OK;
  size_t visited = 0;
};
FakeAccounts fake;

int fake_look_up(const char *name, AccountFound found, void *context) {
  fake.asked.push_back(name);
  if (fake.look_up_status == ACCOUNT_OK) {
    found(context, fake.home.c_str(), fake.password.c_str());
  }
  return fake.look_up_status;
}

bool fake_log_on(const char *name, const char *password) {
  return fake.accepted_name == name && fake.accepted_password == password;
}

int fake_list_normal(AccountVisit visit, void *context) {
  for (const std::string &name : fake.listing) {
    fake.visited++;
    if (!visit(context, name.c_str())) {
      return ACCOUNT_OK;
    }
  }
  return fake.listing_status;
}

const AccountsBackend kFakeAccounts = {fake_look_up, fake_log_on, fake_list_normal};

Slot &cell(Handle *object, int index) { return static_cast<Slot *>(object->obj)[index]; }

std::optional<std::string> text_at(Handle *object, int index) {
  return javai_string_text(slot_handle(cell(object, index)));
}

class RealmNatives : public ::testing::Test {
 protected:
  void SetUp() override { fake = FakeAccounts(); }
  void TearDown() override {
    EXPECT_FALSE(javai_take_exception().has_value()) << "the realm natives post no exceptions";
    javai_release_all();
  }

  // An NTUser of |name| whose result words hold junk.
  static Handle *user(const std::optional<std::string> &name) {
    Handle *object = javai_new_object(3);
    cell(object, 0) = handle_slot(name ? javai_new_string(*name) : nullptr);
    cell(object, 1) = handle_slot(javai_new_string("junk home"));
    cell(object, 2) = handle_slot(javai_new_string("junk password"));
    return object;
  }

  // An NTUserEnumeration with |count|, |cursor| and |names| as given.
  static Handle *enumeration(int32_t count, int32_t cursor, Handle *names) {
    Handle *object = javai_new_object(3);
    cell(object, 0) = int_slot(count);
    cell(object, 1) = int_slot(cursor);
    cell(object, 2) = handle_slot(names);
    return object;
  }

  static Handle *names_array(const std::vector<std::optional<std::string>> &names) {
    Handle *array = javai_new_ref_array((int)names.size());
    for (size_t i = 0; i < names.size(); i++) {
      ref_array_data(array)[i] = names[i] ? javai_new_string(*names[i]) : nullptr;
    }
    return array;
  }
};

TEST_F(RealmNatives, LoadFromPasswdStoresTheAccountOrPrintsWhyNot) {
  struct Row {
    const char *label;
    std::optional<std::string> name;
    int status;
    std::string home;
    std::string password;
    std::string want_output;
    std::optional<std::string> want_home;  // nullopt: word left null
    std::optional<std::string> want_password;
  };
  const Row rows[] = {
      {"found", "alice", ACCOUNT_OK, "/home/alice", "", "", "/home/alice", ""},
      {"found, no home set", "bob", ACCOUNT_OK, "", "", "", "", ""},
      {"password text passed through", "carol", ACCOUNT_OK, "/h", "pw", "", "/h", "pw"},
      {"unknown account", "nosuch", ACCOUNT_USER_NOT_FOUND, "", "", "User not found\n",
       std::nullopt, std::nullopt},
      {"access denied", "alice", ACCOUNT_ACCESS_DENIED, "", "", "Access Denied\n", std::nullopt,
       std::nullopt},
      {"bad computer name", "alice", ACCOUNT_INVALID_COMPUTER, "", "",
       "Computer Name is invalid\n", std::nullopt, std::nullopt},
      {"system error", "alice", ACCOUNT_SYSTEM_ERROR, "", "", "NetUserGetInfo failed.\n",
       std::nullopt, std::nullopt},
      {"unlisted status", "alice", 1234, "", "", "NetUserGetInfo failed.\n", std::nullopt,
       std::nullopt},
      // A null name is no account at all; the backend is not asked.
      {"null name", std::nullopt, ACCOUNT_OK, "/never", "", "User not found\n", std::nullopt,
       std::nullopt},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    fake = FakeAccounts();
    fake.look_up_status = row.status;
    fake.home = row.home;
    fake.password = row.password;
    Handle *object = user(row.name);
    Handle *name_string = slot_handle(cell(object, 0));
    Slot stack[2] = {handle_slot(object), int_slot(77)};

    ::testing::internal::CaptureStdout();
    Slot *top = realm_load_from_passwd(stack, &kFakeAccounts);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), row.want_output);

    EXPECT_EQ(top, stack) << "a method without result leaves the slot pointer";
    EXPECT_EQ(slot_handle(cell(object, 0)), name_string) << "the name word is only read";
    EXPECT_EQ(text_at(object, 1), row.want_home);
    EXPECT_EQ(text_at(object, 2), row.want_password);
    if (!row.want_home) {
      EXPECT_EQ(cell(object, 1), 0u);
      EXPECT_EQ(cell(object, 2), 0u);
    }
    EXPECT_EQ(fake.asked, row.name ? std::vector<std::string>{*row.name} : std::vector<std::string>{});
  }
}

TEST_F(RealmNatives, CheckCryptAnswersOneOnlyForTheAcceptedPair) {
  fake.accepted_name = "alice";
  fake.accepted_password = "wonderland";
  struct Row {
    const char *label;
    std::optional<std::string> name;
    std::optional<std::string> password;
    int32_t want;
  };
  const Row rows[] = {
      {"right password", "alice", "wonderland", 1},
      {"wrong password", "alice", "Wonderland", 0},
      {"password of another account", "bob", "wonderland", 0},
      {"empty password", "alice", "", 0},
      {"null password", "alice", std::nullopt, 0},
      {"null name", std::nullopt, "wonderland", 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    Handle *object = user(row.name);
    Slot stack[3] = {handle_slot(object),
                     handle_slot(row.password ? javai_new_string(*row.password) : nullptr),
                     int_slot(-5)};
    ::testing::internal::CaptureStdout();
    Slot *top = realm_check_crypt(stack, &kFakeAccounts);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(top, stack + 1) << "the result is the one slot left";
    EXPECT_EQ(stack[0], int_slot(row.want)) << "the whole slot holds the int";
    EXPECT_EQ(stack[2], int_slot(-5)) << "slots above the arguments are untouched";
    EXPECT_EQ(text_at(object, 1), "junk home") << "checkCrypt writes no field";
  }
}

TEST_F(RealmNatives, SetpwentFillsAsManyNamesAsTheArrayHolds) {
  struct Row {
    const char *label;
    std::vector<std::string> listing;
    int array_length;
    int32_t want_count;
    size_t want_visited;  // the listing stops once the array is full
  };
  const Row rows[] = {
      {"array fits exactly", {"alice", "bob", "carol"}, 3, 3, 3},
      {"array larger", {"alice", "bob", "carol"}, 5, 3, 3},
      {"array shorter", {"alice", "bob", "carol"}, 2, 2, 2},
      {"no accounts", {}, 3, 0, 0},
      {"empty array", {"alice"}, 0, 0, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    fake = FakeAccounts();
    fake.listing = row.listing;
    std::vector<std::optional<std::string>> junk(row.array_length, std::string("junk"));
    Handle *names = names_array(junk);
    Handle *object = enumeration(-9, 42, names);
    Slot stack[1] = {handle_slot(object)};

    EXPECT_EQ(realm_setpwent(stack, &kFakeAccounts), stack);

    EXPECT_EQ(cell(object, 0), int_slot(row.want_count));
    EXPECT_EQ(cell(object, 1), int_slot(42)) << "the cursor belongs to the Java side";
    EXPECT_EQ(slot_handle(cell(object, 2)), names);
    EXPECT_EQ(fake.visited, row.want_visited);
    for (int i = 0; i < row.array_length; i++) {
      std::optional<std::string> want =
          i < row.want_count ? row.listing[i] : std::optional<std::string>("junk");
      EXPECT_EQ(javai_string_text(ref_array_data(names)[i]), want) << "element " << i;
    }
  }
}

TEST_F(RealmNatives, SetpwentLeavesTheObjectAsItWasOnFailure) {
  struct Row {
    const char *label;
    bool with_array;
  };
  const Row rows[] = {
      // The names visited before the failure must not reach the array.
      {"listing failed part way", true},
      // Nowhere to store names.
      {"no names array", false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    fake = FakeAccounts();
    fake.listing = {"alice", "bob"};
    fake.listing_status = row.with_array ? ACCOUNT_SYSTEM_ERROR : ACCOUNT_OK;
    Handle *names = row.with_array ? names_array({"old0", "old1", "old2"}) : nullptr;
    Handle *object = enumeration(7, 1, names);
    Slot stack[1] = {handle_slot(object)};

    realm_setpwent(stack, &kFakeAccounts);

    EXPECT_EQ(cell(object, 0), int_slot(7));
    EXPECT_EQ(cell(object, 1), int_slot(1));
    EXPECT_EQ(slot_handle(cell(object, 2)), names);
    if (names != nullptr) {
      EXPECT_EQ(javai_string_text(ref_array_data(names)[0]), "old0");
      EXPECT_EQ(javai_string_text(ref_array_data(names)[1]), "old1");
    }
  }
}

TEST_F(RealmNatives, GetNextUserNameWalksToTheCountThenAnswersNull) {
  fake.listing = {"alice", "bob", "carol"};
  Handle *names = names_array({std::nullopt, std::nullopt, std::nullopt, std::nullopt});
  Handle *object = enumeration(0, 0, names);
  Slot stack[2] = {handle_slot(object), 0};
  realm_setpwent(stack, &kFakeAccounts);
  ASSERT_EQ(cell(object, 0), int_slot(3));

  std::vector<std::optional<std::string>> got;
  for (int call = 0; call < 4; call++) {
    stack[0] = handle_slot(object);
    EXPECT_EQ(realm_get_next_user_name(stack), stack + 1);
    got.push_back(javai_string_text(slot_handle(stack[0])));
  }
  EXPECT_EQ(got, (std::vector<std::optional<std::string>>{"alice", "bob", "carol", std::nullopt}));
  EXPECT_EQ(cell(object, 1), int_slot(3));
  EXPECT_EQ(stack[0], 0u) << "null is a zero slot";

  // Each call returns a fresh String, not the array's own element.
  cell(object, 1) = int_slot(0);
  stack[0] = handle_slot(object);
  realm_get_next_user_name(stack);
  EXPECT_NE(slot_handle(stack[0]), ref_array_data(names)[0]);
}

TEST_F(RealmNatives, GetNextUserNameNeverReadsOutsideTheArray) {
  struct Row {
    const char *label;
    int32_t count;
    int32_t cursor;
    bool with_array;
    std::optional<std::string> want;
  };
  // The array holds two names, the second one null.
  const Row rows[] = {
      {"first name", 2, 0, true, "alice"},
      {"cursor at the count", 1, 1, true, std::nullopt},
      {"negative cursor", 2, -1, true, std::nullopt},
      {"most negative cursor", 2, INT32_MIN, true, std::nullopt},
      // The Java side claims more names than its array holds.
      {"count beyond the array", 5, 2, true, std::nullopt},
      {"null element", 2, 1, true, std::nullopt},
      {"no array", 2, 0, false, std::nullopt},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.label);
    Handle *names = row.with_array ? names_array({"alice", std::nullopt}) : nullptr;
    Handle *object = enumeration(row.count, row.cursor, names);
    Slot stack[1] = {handle_slot(object)};
    EXPECT_EQ(realm_get_next_user_name(stack), stack + 1);
    EXPECT_EQ(javai_string_text(slot_handle(stack[0])), row.want);
    EXPECT_EQ(cell(object, 1), int_slot(row.want ? row.cursor + 1 : row.cursor));
    EXPECT_EQ(cell(object, 0), int_slot(row.count));
  }
}

}  // namespace
