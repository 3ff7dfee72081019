// Reading login.defs: lines of "KEY value", blanks around, "#" comments.
#include "realm/login_defs.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Parses a whole token as an unsigned id; false when it is anything else.
bool parse_uid(const char *text, uint32_t *uid) {
  if (!isdigit((unsigned char)text[0])) {
    return false;  // strtoul would take a sign or blanks
  }
  errno = 0;
  char *end = nullptr;
  unsigned long long value = strtoull(text, &end, 0);
  // (uid_t)-1 means "no id" to the system, so it is no bound either.
  if (errno != 0 || *end != '\0' || value >= UINT32_MAX) {
    return false;
  }
  *uid = (uint32_t)value;
  return true;
}

}  // namespace

UidRange login_defs_uid_range(const char *path) {
  UidRange range = kDefaultUidRange;
  FILE *file = fopen(path, "r");
  if (file == nullptr) {
    return range;
  }
  char *line = nullptr;
  size_t size = 0;
  while (getline(&line, &size, file) >= 0) {
    const char *separators = " \t\r\n";
    char *rest = nullptr;
    char *key = strtok_r(line, separators, &rest);
    if (key == nullptr || key[0] == '#') {
      continue;
    }
    char *value = strtok_r(nullptr, separators, &rest);
    uint32_t *bound = nullptr;
    uint32_t fallback = 0;
    if (strcmp(key, "UID_MIN") == 0) {
      bound = &range.min;
      fallback = kDefaultUidRange.min;
    } else if (strcmp(key, "UID_MAX") == 0) {
      bound = &range.max;
      fallback = kDefaultUidRange.max;
    } else {
      continue;
    }
    // Like the shadow tools: the last line for a key decides, and a bad value
    // there means the default.
    uint32_t uid = 0;
    *bound = value != nullptr && parse_uid(value, &uid) ? uid : fallback;
  }
  free(line);
  fclose(file);
  return range;
}

bool uid_range_holds(UidRange range, uint32_t uid) { return uid >= range.min && uid <= range.max; }
