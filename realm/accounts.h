// accounts.h: the accounts service the realm natives run over. A backend
// answers three questions about the local computer's accounts: an account's
// home directory and password text, whether a password logs an account on, and
// which accounts are normal user accounts. The natives never see how.
#ifndef KIT_REALM_ACCOUNTS_H
#define KIT_REALM_ACCOUNTS_H

// Look-up statuses. The natives pick their messages by these numbers, which
// are the ones the account service of the original platform reports.
enum AccountStatus {
  ACCOUNT_OK = 0,
  ACCOUNT_ACCESS_DENIED = 5,
  ACCOUNT_USER_NOT_FOUND = 2221,
  ACCOUNT_INVALID_COMPUTER = 2351,
  ACCOUNT_SYSTEM_ERROR = -1,  // anything else that went wrong
};

// Receives a found account's texts; they are valid only during the call.
typedef void (*AccountFound)(void *context, const char *home, const char *password);
// Receives one account name, valid only during the call; returns false to end
// the listing early (which is not a failure).
typedef bool (*AccountVisit)(void *context, const char *name);

struct AccountsBackend {
  // look_up finds account |name|, calls |found| once with its home directory
  // (empty when none is set) and password text, and returns ACCOUNT_OK; on any
  // other status |found| is not called.
  int (*look_up)(const char *name, AccountFound found, void *context);
  // log_on returns true when |password| logs account |name| on.
  bool (*log_on)(const char *name, const char *password);
  // list_normal calls |visit| with the name of every normal user account, in
  // the order the system lists them, and returns ACCOUNT_OK, or another status
  // when the listing failed part way (names already visited may then be
  // incomplete and must be dropped by the caller).
  int (*list_normal)(AccountVisit visit, void *context);
};

#endif  // KIT_REALM_ACCOUNTS_H
