// Helpers shared by the big-number tests: owned values, hexadecimal in and
// out, snapshots that show an input was left alone, and a deterministic
// source of operands of mixed sizes rich in 0 and 0xFFFFFFFF words.
#ifndef KIT_SECURITY_ENGINES_BIGINT_TEST_UTIL_H
#define KIT_SECURITY_ENGINES_BIGINT_TEST_UTIL_H

#include <stdint.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "security/engines/bigint.h"
#include "security/framework/memory.h"

// A BigInt freed on scope exit; &big is usable wherever a BigInt * is.
struct Big : BigInt {
  Big() { bigint_init(this); }
  explicit Big(const std::string &hex) : Big() { set_hex(hex); }
  ~Big() { bigint_free(this); }
  Big(const Big &) = delete;
  Big &operator=(const Big &) = delete;

  // Loads a hexadecimal text (no prefix; empty is zero).
  void set_hex(const std::string &hex) {
    std::vector<uint8_t> bytes;
    std::string digits = (hex.size() % 2 != 0 ? "0" : "") + hex;
    for (size_t i = 0; i < digits.size(); i += 2) {
      bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    set_octets(bytes);
  }
  void set_octets(const std::vector<uint8_t> &bytes) {
    if (bigint_from_octets(bytes.data(), bytes.size(), this) != BN_OK) {
      abort();
    }
  }
  void set_words(const std::vector<uint32_t> &words) {
    std::vector<uint8_t> bytes;
    for (size_t i = words.size(); i-- > 0;) {
      for (int s = 24; s >= 0; s -= 8) {
        bytes.push_back(static_cast<uint8_t>(words[i] >> s));
      }
    }
    set_octets(bytes);
  }
};

// Lower-case hexadecimal without leading zeros ("0" for zero).
inline std::string hex_of(const BigInt *a) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (int32_t i = a->length - 1; i >= 0; i--) {
    for (int s = 28; s >= 0; s -= 4) {
      out.push_back(kDigits[(a->words[i] >> s) & 0xF]);
    }
  }
  size_t first = out.find_first_not_of('0');
  return first == std::string::npos ? "0" : out.substr(first);
}

// Whether |a| is normalised: length >= 1 and no zero top word except for zero.
inline bool is_normalised(const BigInt *a) {
  return a->length >= 1 && a->length <= a->capacity &&
         (a->length == 1 || a->words[a->length - 1] != 0);
}

// The words in use and the storage of a value, to show that it did not change.
struct Snapshot {
  std::vector<uint32_t> words;
  const uint32_t *storage;
  int32_t capacity;
  explicit Snapshot(const BigInt *a)
      : words(a->words, a->words + a->length), storage(a->words), capacity(a->capacity) {}
  bool same_as(const BigInt *a) const {
    return a->words == storage && a->capacity == capacity &&
           std::vector<uint32_t>(a->words, a->words + a->length) == words;
  }
};

// Deterministic operands: sizes of 1 to max_words words, words drawn from
// 0, 0xFFFFFFFF and uniform values.
class OperandSource {
 public:
  explicit OperandSource(uint64_t seed) : rng_(seed) {}

  uint32_t word() {
    switch (rng_() % 4) {
      case 0:
        return 0;
      case 1:
        return 0xFFFFFFFFu;
      default:
        return static_cast<uint32_t>(rng_());
    }
  }
  std::vector<uint32_t> words(int count) {
    std::vector<uint32_t> w(count);
    for (auto &x : w) {
      x = word();
    }
    return w;
  }
  int size(int max_words) { return 1 + static_cast<int>(rng_() % max_words); }
  uint64_t next() { return rng_(); }

 private:
  std::mt19937_64 rng_;
};

// Runs |operation| with its first, second, ... allocation failed until a run
// sees no failure. Every failed run must return |no_memory|, and every run must
// leave no block allocated, release only wiped blocks and keep
// |inputs_intact| true; the last run must succeed (0). |operation| must free
// what it creates before it returns.
inline void expect_clean_allocation_failures(const std::function<int()> &operation, int no_memory,
                                             const std::function<bool()> &inputs_intact) {
  const long live_before = cinder_testing_live_blocks();
  for (long n = 1;; n++) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
    cinder_testing_reset_counters();
    cinder_testing_fail_allocation(n);
    const int status = operation();
    const bool failed = cinder_testing_allocation_failed();
    cinder_testing_fail_allocation(0);
    EXPECT_EQ(cinder_testing_live_blocks(), live_before);
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0);
    EXPECT_TRUE(inputs_intact());
    if (!failed) {
      EXPECT_EQ(status, 0);
      EXPECT_GT(n, 1) << "the operation allocates nothing";
      return;
    }
    EXPECT_EQ(status, no_memory);
  }
}

#endif  // KIT_SECURITY_ENGINES_BIGINT_TEST_UTIL_H
