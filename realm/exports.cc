// The exported native methods of libserver: the realm natives bound to the
// POSIX accounts backend. These four are the library's only exports.
#include "platform/javai/javai.h"
#include "realm/accounts_posix.h"
#include "realm/natives.h"

JAVA_EXPORT Slot *Java_com_quill_server_realm_nt_NTUser_loadFromPasswd_stub(Slot *sp, ExecEnv *) {
  return realm_load_from_passwd(sp, &kPosixAccounts);
}

JAVA_EXPORT Slot *Java_com_quill_server_realm_nt_NTUser_checkCrypt_stub(Slot *sp, ExecEnv *) {
  return realm_check_crypt(sp, &kPosixAccounts);
}

JAVA_EXPORT Slot *Java_com_quill_server_realm_nt_NTUserEnumeration_setpwent_stub(Slot *sp,
                                                                                ExecEnv *) {
  return realm_setpwent(sp, &kPosixAccounts);
}

JAVA_EXPORT Slot *Java_com_quill_server_realm_nt_NTUserEnumeration_getNextUserName_stub(
    Slot *sp, ExecEnv *) {
  return realm_get_next_user_name(sp);
}
