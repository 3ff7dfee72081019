// Helpers shared by the codec's tests: hex octet strings, fixtures, and a
// rewrite of DER into BER with indefinite lengths.
#ifndef KIT_SECURITY_CODEC_CODEC_TEST_UTIL_H
#define KIT_SECURITY_CODEC_CODEC_TEST_UTIL_H

#include <stdint.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "security/framework/base.h"
#include "security/framework/memory.h"

using Octets = std::vector<uint8_t>;

// "30 03 02 01 00" -> octets; blanks are ignored.
inline Octets hex(const std::string &text) {
  Octets out;
  std::string digits;
  for (char c : text) {
    if (c != ' ') digits += c;
  }
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return out;
}

inline Octets octets_of(const Item &item) {
  return item.data == nullptr ? Octets{} : Octets(item.data, item.data + item.len);
}

inline Item item_of(Octets &octets) { return Item{octets.data(), static_cast<uint32_t>(octets.size())}; }

inline Octets read_testdata(const std::string &name) {
  std::ifstream in(std::string(CODEC_TESTDATA) + "/" + name, std::ios::binary);
  return Octets(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Rewrites a DER encoding so that every constructed element uses the
// indefinite length form (30 80 ... 00 00). Input must be valid DER.
inline Octets to_indefinite(const Octets &der, size_t pos = 0, size_t end = SIZE_MAX) {
  if (end == SIZE_MAX) end = der.size();
  Octets out;
  while (pos < end) {
    const uint8_t identifier = der[pos];
    size_t n = pos + 1;
    size_t len = der[n];
    if (len & 0x80) {
      const size_t count = len & 0x7F;
      len = 0;
      for (size_t k = 0; k < count; k++) len = (len << 8) | der[n + 1 + k];
      n += count;
    }
    n++;
    if (identifier & 0x20) {
      out.push_back(identifier);
      out.push_back(0x80);
      Octets inner = to_indefinite(der, n, n + len);
      out.insert(out.end(), inner.begin(), inner.end());
      out.push_back(0x00);
      out.push_back(0x00);
    } else {
      out.insert(out.end(), der.begin() + pos, der.begin() + n + len);
    }
    pos = n + len;
  }
  return out;
}

// Runs |attempt| (a callable returning a Status and releasing whatever it
// made on success) with its n-th allocation failing, for n = 1, 2, ... until
// it succeeds. Every failed run must return 518, leave no block behind and
// release nothing unwiped. Returns how many allocations the successful run made.
template <typename Attempt>
long expect_clean_allocation_failures(Attempt attempt) {
  const long live_before = cinder_testing_live_blocks();
  for (long n = 1;; n++) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    cinder_testing_reset_counters();
    cinder_testing_fail_allocation(n);
    const Status status = attempt();
    const bool failed = cinder_testing_allocation_failed();
    cinder_testing_fail_allocation(0);
    EXPECT_EQ(cinder_testing_live_blocks(), live_before);
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0);
    if (!failed) {
      EXPECT_EQ(status, STATUS_OK);
      return n - 1;
    }
    EXPECT_EQ(status, STATUS_NO_MEMORY);
    if (status != STATUS_NO_MEMORY) {
      return -1;
    }
  }
}

#endif  // KIT_SECURITY_CODEC_CODEC_TEST_UTIL_H
