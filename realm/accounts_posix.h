// accounts_posix.h: the accounts backend of a POSIX system.
//   look up: getpwnam_r; home is pw_dir, the password text is always empty
//            (the system never reveals it);
//   log on:  PAM, service from SKIFF_REALM_PAM_SERVICE (default "skiff"),
//            pam_authenticate then pam_acct_mgmt, both must succeed;
//   list:    getpwent order, normal = uid within UID_MIN..UID_MAX of
//            /etc/login.defs (1000..60000 when absent).
#ifndef KIT_REALM_ACCOUNTS_POSIX_H
#define KIT_REALM_ACCOUNTS_POSIX_H

#include "realm/accounts.h"

extern const AccountsBackend kPosixAccounts;

#endif  // KIT_REALM_ACCOUNTS_POSIX_H
