// fuzz_check.h: the checks the fuzz targets make besides "no crash".
#ifndef KIT_FUZZ_FUZZ_CHECK_H
#define KIT_FUZZ_FUZZ_CHECK_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "security/framework/base.h"
#include "security/framework/memory.h"

// A property that does not hold is a finding: report it and abort, which both
// libFuzzer and the corpus replay treat as a crash.
#define FUZZ_CHECK(condition)                                                          \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);    \
      abort();                                                                         \
    }                                                                                  \
  } while (0)

inline bool items_equal(const Item &a, const Item &b) {
  return a.len == b.len && (a.len == 0 || memcmp(a.data, b.data, a.len) == 0);
}

// Every block allocated while one input ran must be released, and wiped.
struct FuzzMemoryCheck {
  long live_before = cinder_testing_live_blocks();
  FuzzMemoryCheck() { cinder_testing_reset_counters(); }
  ~FuzzMemoryCheck() {
    FUZZ_CHECK(cinder_testing_live_blocks() == live_before);
    FUZZ_CHECK(cinder_testing_unwiped_releases() == 0);
  }
};

#endif  // KIT_FUZZ_FUZZ_CHECK_H
