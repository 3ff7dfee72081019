// login_defs.h: the range of user ids that login.defs(5) reserves for normal
// user accounts.
#ifndef KIT_REALM_LOGIN_DEFS_H
#define KIT_REALM_LOGIN_DEFS_H

#include <stdint.h>

struct UidRange {
  uint32_t min;  // inclusive
  uint32_t max;  // inclusive
};

// The range used for a key that the file does not set validly.
constexpr UidRange kDefaultUidRange = {1000, 60000};

// login_defs_uid_range reads UID_MIN and UID_MAX from the file at |path|.
// The last line naming a key decides its value; a key the file lacks, or whose
// last value is not a whole unsigned number (decimal, 0x hex or leading-0
// octal) below 2^32 - 1, takes its default. A missing or unreadable file gives
// the defaults.
UidRange login_defs_uid_range(const char *path);

// uid_range_holds returns true when |uid| lies within |range|.
bool uid_range_holds(UidRange range, uint32_t uid);

#endif  // KIT_REALM_LOGIN_DEFS_H
