// The realm natives over an accounts backend. Texts cross to Java as narrow
// strings: makeCString for Java to C, makeJavaString for C to Java. The
// library keeps nothing between calls; everything lives in the Java objects.
#include "realm/natives.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Byte offsets of the instance words.
constexpr size_t kUserName = 0;
constexpr size_t kUserHome = 4;
constexpr size_t kUserPassword = 8;
constexpr size_t kEnumCount = 0;
constexpr size_t kEnumCursor = 4;
constexpr size_t kEnumNames = 8;

Handle *java_string(const char *text) { return makeJavaString(text, (int)strlen(text)); }

const char *c_string(Handle *string) { return string != nullptr ? makeCString(string) : nullptr; }

const char *look_up_message(int status) {
  switch (status) {
    case ACCOUNT_ACCESS_DENIED:
      return "Access Denied\n";
    case ACCOUNT_INVALID_COMPUTER:
      return "Computer Name is invalid\n";
    case ACCOUNT_USER_NOT_FOUND:
      return "User not found\n";
    default:
      return "NetUserGetInfo failed.\n";
  }
}

struct FoundAccount {
  Handle *home;
  Handle *password;
};

void keep_found_account(void *context, const char *home, const char *password) {
  FoundAccount *found = static_cast<FoundAccount *>(context);
  found->home = java_string(home);
  found->password = java_string(password);
}

// The Strings made while listing, held back until the listing has succeeded
// so that a failure leaves the Java object untouched.
struct NameList {
  Handle **names;
  uint32_t count;
  uint32_t room;      // how many the Java array can take
  uint32_t capacity;  // of |names|
  bool failed;
};

bool keep_name(void *context, const char *name) {
  NameList *list = static_cast<NameList *>(context);
  if (list->count == list->capacity) {
    uint32_t grown = list->capacity < 16 ? 16 : list->capacity * 2;
    if (grown > list->room) {
      grown = list->room;
    }
    Handle **names = grown <= SIZE_MAX / sizeof(Handle *)
                         ? static_cast<Handle **>(realloc(list->names, sizeof(Handle *) * grown))
                         : nullptr;
    if (names == nullptr) {
      list->failed = true;
      return false;
    }
    list->names = names;
    list->capacity = grown;
  }
  Handle *string = java_string(name);
  if (string == nullptr) {
    list->failed = true;
    return false;
  }
  list->names[list->count++] = string;
  return list->count < list->room;
}

}  // namespace

Slot *realm_load_from_passwd(Slot *sp, const AccountsBackend *accounts) {
  Handle *user = slot_handle(sp[0]);
  FoundAccount found = {nullptr, nullptr};
  const char *name = c_string(get_ref_field(user, kUserName));
  int status = name != nullptr ? accounts->look_up(name, keep_found_account, &found)
                               : (int)ACCOUNT_USER_NOT_FOUND;
  if (status != ACCOUNT_OK) {
    // The VM's own output goes through other buffers: flush so the line
    // appears where it happened.
    fputs(look_up_message(status), stdout);
    fflush(stdout);
    found = {nullptr, nullptr};
  }
  set_ref_field(user, kUserHome, found.home);
  set_ref_field(user, kUserPassword, found.password);
  return sp;
}

Slot *realm_check_crypt(Slot *sp, const AccountsBackend *accounts) {
  Handle *user = slot_handle(sp[0]);
  const char *name = c_string(get_ref_field(user, kUserName));
  const char *password = c_string(slot_handle(sp[1]));
  bool logged_on = name != nullptr && password != nullptr && accounts->log_on(name, password);
  sp[0] = int_slot(logged_on ? 1 : 0);
  return sp + 1;
}

Slot *realm_setpwent(Slot *sp, const AccountsBackend *accounts) {
  Handle *enumeration = slot_handle(sp[0]);
  Handle *array = get_ref_field(enumeration, kEnumNames);
  if (array == nullptr) {
    return sp;
  }
  // The count is a Java int: never hold more names than it can say.
  uint32_t room = array_length(array);
  if (room > INT32_MAX) {
    room = INT32_MAX;
  }
  NameList list = {nullptr, 0, room, 0, false};
  int status = room > 0 ? accounts->list_normal(keep_name, &list) : (int)ACCOUNT_OK;
  if (status == ACCOUNT_OK && !list.failed) {
    Handle **elements = ref_array_data(array);
    for (uint32_t i = 0; i < list.count; i++) {
      elements[i] = list.names[i];
    }
    set_int_field(enumeration, kEnumCount, (int32_t)list.count);
  }
  free(list.names);
  return sp;
}

Slot *realm_get_next_user_name(Slot *sp) {
  Handle *enumeration = slot_handle(sp[0]);
  int32_t cursor = get_int_field(enumeration, kEnumCursor);
  int32_t count = get_int_field(enumeration, kEnumCount);
  Handle *array = get_ref_field(enumeration, kEnumNames);
  Handle *next = nullptr;
  // The Java side owns cursor, count and array: check all three so that no
  // value of theirs reads outside the array.
  if (cursor >= 0 && cursor < count && array != nullptr && (uint32_t)cursor < array_length(array)) {
    const char *name = c_string(ref_array_data(array)[cursor]);
    next = name != nullptr ? java_string(name) : nullptr;
    if (next != nullptr) {
      set_int_field(enumeration, kEnumCursor, cursor + 1);
    }
  }
  sp[0] = handle_slot(next);
  return sp + 1;
}
