#include "platform/entropy/entropy.h"

#include <gtest/gtest.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

unsigned le16_at(const uint8_t *record, int field) {
  return record[2 * field] | (unsigned)record[2 * field + 1] << 8;
}

TEST(EntropySystemTime, RecordIsTheCurrentUtcTime) {
  uint8_t record[SYSTEM_TIME_RECORD_LENGTH];
  memset(record, 0xA5, sizeof record);
  const time_t before = time(nullptr);
  entropy_system_time(record);
  const time_t after = time(nullptr);

  struct tm fields = {};
  fields.tm_year = (int)le16_at(record, 0) - 1900;
  fields.tm_mon = (int)le16_at(record, 1) - 1;
  fields.tm_mday = (int)le16_at(record, 3);
  fields.tm_hour = (int)le16_at(record, 4);
  fields.tm_min = (int)le16_at(record, 5);
  fields.tm_sec = (int)le16_at(record, 6);
  const time_t recorded = timegm(&fields);
  EXPECT_GE(recorded, before);
  EXPECT_LE(recorded, after);
  // timegm normalises out-of-range fields, so a wrong field shows here too.
  EXPECT_EQ(fields.tm_mday, (int)le16_at(record, 3));
  EXPECT_EQ(fields.tm_wday, (int)le16_at(record, 2));
  EXPECT_LT(le16_at(record, 7), 1000u);
}

TEST(EntropySystemRandom, FillsEveryOctetWithFreshValues) {
  // Large enough that one getrandom call may return short.
  std::vector<uint8_t> first(70000, 0), second(70000, 0);
  ASSERT_TRUE(entropy_system_random(first.data(), (uint32_t)first.size()));
  ASSERT_TRUE(entropy_system_random(second.data(), (uint32_t)second.size()));
  EXPECT_NE(first, second);
  // Every 1 KiB stretch, the last included, holds many distinct octets, so
  // none was left at its zero fill.
  for (size_t at = 0; at < first.size(); at += 1024) {
    SCOPED_TRACE(at);
    const size_t end = std::min(first.size(), at + 1024);
    std::set<uint8_t> seen(first.begin() + (long)at, first.begin() + (long)end);
    EXPECT_GT(seen.size(), (end - at) / 8);
  }
  uint8_t untouched = 0x5A;
  EXPECT_TRUE(entropy_system_random(&untouched, 0));
  EXPECT_EQ(untouched, 0x5A);
}

TEST(EntropySystemRandom, ReportsAFailingSource) {
  // The kernel cannot write to address 0, so getrandom fails with EFAULT.
  EXPECT_FALSE(entropy_system_random(nullptr, 32));
}

}  // namespace
