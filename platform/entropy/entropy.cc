#include "platform/entropy/entropy.h"

#include <errno.h>
#include <sys/random.h>
#include <time.h>

namespace {

void put_le16(uint8_t *p, unsigned v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
}

}  // namespace

void entropy_system_time(uint8_t out[SYSTEM_TIME_RECORD_LENGTH]) {
  struct timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm utc = {};
  gmtime_r(&now.tv_sec, &utc);
  const unsigned fields[8] = {(unsigned)utc.tm_year + 1900, (unsigned)utc.tm_mon + 1,
                              (unsigned)utc.tm_wday,        (unsigned)utc.tm_mday,
                              (unsigned)utc.tm_hour,        (unsigned)utc.tm_min,
                              (unsigned)utc.tm_sec,         (unsigned)(now.tv_nsec / 1000000)};
  for (int i = 0; i < 8; i++) {
    put_le16(out + 2 * i, fields[i]);
  }
}

bool entropy_system_random(uint8_t *out, uint32_t len) {
  while (len > 0) {
    const ssize_t got = getrandom(out, len, 0);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    out += got;
    len -= (uint32_t)got;
  }
  return true;
}
