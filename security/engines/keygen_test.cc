// Prime search and the key-pair engine without an outside reference: the
// sieving primes, the slot statuses, determinism, the shape of the result and
// every allocation failure.
#include "security/engines/keygen.h"

#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "security/codec/codec_test_util.h"
#include "security/engines/keygen_test_util.h"
#include "security/engines/prime.h"
#include "security/framework/info_classes.h"

namespace {

TEST(SievingPrimes, AreTheOddPrimesBelow64515) {
  std::vector<uint16_t> want;
  for (uint32_t n = 3; n < 64515; n += 2) {
    bool prime = true;
    for (uint32_t d = 3; d * d <= n; d += 2) {
      if (n % d == 0) {
        prime = false;
        break;
      }
    }
    if (prime) want.push_back(static_cast<uint16_t>(n));
  }
  EXPECT_EQ(std::vector<uint16_t>(SIEVING_PRIMES.begin(), SIEVING_PRIMES.end()), want);
  EXPECT_EQ(SIEVING_PRIMES.back(), 64513);
}

TEST(RsaKeyPairGenerator, InfoSlot) {
  struct Row {
    int32_t bits;
    EngineStatus want;
    uint32_t want_random;
  };
  const Row rows[] = {
      {255, ENGINE_BAD_MODULUS, 0},  // one bit below the range
      {256, ENGINE_OK, 36},
      {1024, ENGINE_OK, 132},
      {1025, ENGINE_OK, 132},
      {2048, ENGINE_OK, 260},
      {2049, ENGINE_BAD_MODULUS, 0},  // one bit above
      {-1, ENGINE_BAD_MODULUS, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.bits);
    Octets e = hex("010001");
    RsaKeyGenParams params{row.bits, item_of(e)};
    uint32_t context_size = 7, second = 7, random_count = 7;
    const KeyInfoType *private_type = nullptr, *public_type = nullptr;
    EXPECT_EQ(RsaKeyPairGenerator.info(&context_size, &second, &random_count, &private_type,
                                       &public_type, &params),
              row.want);
    if (row.want == ENGINE_OK) {
      EXPECT_EQ(context_size, sizeof(RsaKeyGenContext));
      EXPECT_EQ(second, 0u);
      EXPECT_EQ(random_count, row.want_random);
      EXPECT_EQ(private_type, &KEY_RSA_PRIVATE_CRT_TYPE);
      EXPECT_EQ(public_type, &KEY_RSA_PUBLIC_TYPE);
    }
  }
}

TEST(RsaKeyPairGenerator, InitChecksTheExponent) {
  struct Row {
    const char *why;
    int32_t bits;
    Octets e;
    EngineStatus want;
  };
  const Row rows[] = {
      {"F4", 512, hex("010001"), ENGINE_OK},
      {"three with the smallest modulus", 256, hex("03"), ENGINE_OK},
      {"two is even", 512, hex("02"), ENGINE_EVEN_EXPONENT},
      {"zero is even", 512, {}, ENGINE_EVEN_EXPONENT},
      {"leading zero octets do not count", 512, hex("000003"), ENGINE_OK},
      {"as long as the modulus", 512, Octets(64, 0xFF), ENGINE_EXPONENT_TOO_LONG},
      {"one bit shorter", 512, [] { Octets e(64, 0xFF); e[0] = 0x7F; return e; }(), ENGINE_OK},
      {"long and even: the length is checked first", 256, Octets(32, 0xFE),
       ENGINE_EXPONENT_TOO_LONG},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    Octets e = row.e;
    KeyGenRun run(row.bits, e);
    EXPECT_EQ(run.init_status, row.want);
  }
}

TEST(RsaKeyPairGenerator, SameRandomInputSameKey) {
  Octets e = hex("010001");
  KeyGenRun first(512, e), second(512, e);
  ASSERT_EQ(first.generate(1), ENGINE_OK);
  ASSERT_EQ(second.generate(1), ENGINE_OK);
  EXPECT_EQ(items_of(first.result()), items_of(second.result()));
  KeyGenRun other(512, e);
  ASSERT_EQ(other.generate(2), ENGINE_OK);
  EXPECT_NE(items_of(other.result())[0], items_of(first.result())[0]);
}

TEST(RsaKeyPairGenerator, ResultShape) {
  for (int32_t bits : {256, 257, 511, 512, 1025}) {
    SCOPED_TRACE(bits);
    Octets e = hex("03");
    KeyGenRun run(bits, e);
    ASSERT_EQ(run.generate(bits), ENGINE_OK);
    const RsaPrivateValue &r = run.result();
    const std::vector<Octets> items = items_of(r);
    for (const Octets &item : items) {
      ASSERT_FALSE(item.empty());
      EXPECT_NE(item[0], 0);  // minimal: no leading zero octet
    }
    EXPECT_EQ(octets_bit_length(r.modulus.data, r.modulus.len), static_cast<uint32_t>(bits));
    EXPECT_EQ(items[1], hex("03"));
    // p > q, and with odd bits p is the first, longer prime.
    if (bits % 2 == 1) {
      EXPECT_GT(bigint_compare(&run.ctx()->prime_a, &run.ctx()->prime_b), 0);
    }
    Big p, q;
    ASSERT_EQ(bigint_from_octets(r.prime1.data, r.prime1.len, &p), BN_OK);
    ASSERT_EQ(bigint_from_octets(r.prime2.data, r.prime2.len, &q), BN_OK);
    EXPECT_GT(bigint_compare(&p, &q), 0);
    // The items lie in their slots of the context's one buffer.
    const uint8_t *buffer = run.ctx()->result_buffer;
    const size_t f = (bits + 7) / 8 + 1, h = ((bits + 1) / 2 + 7) / 8 + 1;
    EXPECT_EQ(run.ctx()->result_size, 3 * f + 5 * h);
    EXPECT_EQ(r.modulus.data, buffer);
    EXPECT_EQ(r.private_exponent.data, buffer + 2 * f);
    EXPECT_EQ(r.coefficient.data, buffer + 3 * f + 4 * h);
  }
}

TEST(RsaKeyPairGenerator, EveryAllocationFailure) {
  Octets e = hex("010001");
  long last_calls = 0;
  for (long n = 1;; n++) {
    SCOPED_TRACE(n);
    const long live = cinder_testing_live_blocks();
    EngineStatus status;
    {
      cinder_testing_reset_counters();
      cinder_testing_fail_allocation(n);
      KeyGenRun run(256, e);
      status = run.init_status == ENGINE_OK ? run.generate(5) : run.init_status;
    }
    const bool failed = cinder_testing_allocation_failed();
    cinder_testing_fail_allocation(0);
    EXPECT_EQ(cinder_testing_live_blocks(), live);
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0);
    if (!failed) {
      EXPECT_EQ(status, ENGINE_OK);
      break;
    }
    EXPECT_EQ(status, ENGINE_NO_MEMORY);
    last_calls = n;
  }
  EXPECT_GT(last_calls, 10);
}

TEST(RsaKeyPairGenerator, CancelStopsTheSearch) {
  Octets e = hex("010001");
  KeyGenRun run(512, e);
  CancelCheck stop{[](void *) { return 1; }, nullptr};
  EXPECT_EQ(run.generate(3, &stop), ENGINE_CANCELLED);
}

}  // namespace
