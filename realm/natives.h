// natives.h: the bodies of the realm's four native methods, each taking the
// Java operand-stack slots as the VM hands them over (slot 0 the receiver,
// then the arguments) and returning the slot pointer the VM expects back:
// unchanged for a method without result, one past the result otherwise.
//
// NTUser instance words: 0 account name (String, read), 1 home directory and
// 2 password text (Strings, written by realm_load_from_passwd).
// NTUserEnumeration instance words: 0 count of names held (int), 1 cursor
// (int, index of the next name), 2 names (String[], made by the Java side).
//
// None of them posts a Java exception.
#ifndef KIT_REALM_NATIVES_H
#define KIT_REALM_NATIVES_H

#include "platform/javai/javai.h"
#include "realm/accounts.h"

// realm_load_from_passwd looks up the receiver's account. Found: word 1 is its
// home directory, word 2 its password text. Not found or failed: one line on
// standard output ("User not found\n", "Access Denied\n",
// "Computer Name is invalid\n" or "NetUserGetInfo failed.\n") and both words
// null. A null account name counts as not found.
Slot *realm_load_from_passwd(Slot *sp, const AccountsBackend *accounts);

// realm_check_crypt stores 1 in slot 0 when the password in slot 1 logs the
// receiver's account on, else 0 (also for a null name or password). Prints
// nothing.
Slot *realm_check_crypt(Slot *sp, const AccountsBackend *accounts);

// realm_setpwent lists the normal accounts into the receiver: element i of
// the names array becomes a String of the i-th name and the count the number
// of names stored. At most the array's length are stored, so the count never
// exceeds it. On any failure (listing failed, no array, a String could not be
// made) the receiver is left exactly as it was. The cursor is never touched.
Slot *realm_setpwent(Slot *sp, const AccountsBackend *accounts);

// realm_get_next_user_name stores in slot 0 a new String of the name at the
// cursor and advances the cursor by one; stores null, cursor unchanged, when
// the cursor is not within both the count and the array.
Slot *realm_get_next_user_name(Slot *sp);

#endif  // KIT_REALM_NATIVES_H
