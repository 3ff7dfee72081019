// Prime search and key generation checked by OpenSSL's libcrypto: every
// prime is prime and the first usable one of its window, an exhausted window
// really holds none, and generated keys satisfy the RSA and CRT relations.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <openssl/bn.h>

#include "security/codec/codec_test_util.h"
#include "security/engines/keygen.h"
#include "security/engines/keygen_test_util.h"
#include "security/engines/prime.h"

namespace {

struct BnFree {
  void operator()(BIGNUM *b) const { BN_clear_free(b); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;
struct CtxFree {
  void operator()(BN_CTX *c) const { BN_CTX_free(c); }
};

Bn bn_of(const uint8_t *data, size_t len) { return Bn(BN_bin2bn(data, static_cast<int>(len), nullptr)); }
Bn bn_of(const Item &item) { return bn_of(item.data, item.len); }
Bn bn_of(const BigInt *x) {
  Octets out(static_cast<size_t>(x->length) * 4 + 1);
  size_t written = 0;
  EXPECT_EQ(bigint_to_octets(x, out.size(), &written, out.data()), BN_OK);
  return bn_of(out.data(), written);
}

bool is_prime(const BIGNUM *n, BN_CTX *ctx) { return BN_check_prime(n, ctx, nullptr) == 1; }

// The starting point find_prime derives from |random|, computed the other way
// the format allows: reverse the order of the octet pairs, load big-endian,
// then shape.
Bn expected_start(const Octets &random, int bits) {
  const size_t count = find_prime_random_length(bits);
  Octets reversed;
  for (size_t k = count; k >= 2; k -= 2) {
    reversed.push_back(random[k - 2]);
    reversed.push_back(random[k - 1]);
  }
  Bn x = bn_of(reversed.data(), reversed.size());
  BN_mask_bits(x.get(), bits);
  BN_set_bit(x.get(), bits - 1);
  BN_set_bit(x.get(), bits - 2);
  BN_set_bit(x.get(), 0);
  return x;
}

// Whether candidate c is usable: prime and gcd(e, c - 1) = 1.
bool usable(const BIGNUM *c, const BIGNUM *e, BN_CTX *ctx) {
  Bn t(BN_dup(c)), g(BN_new());
  BN_sub_word(t.get(), 1);
  BN_gcd(g.get(), e, t.get(), ctx);
  return BN_is_one(g.get()) && is_prime(c, ctx);
}

TEST(FindPrime, FirstUsablePrimeOfTheWindowOrRetry) {
  std::unique_ptr<BN_CTX, CtxFree> ctx(BN_CTX_new());
  int found = 0, retries = 0;
  for (int bits : {128, 257, 512}) {
    for (uint32_t seed = 0; seed < 40 && (retries == 0 || found < 12); seed++) {
      SCOPED_TRACE(testing::Message() << bits << " bits, seed " << seed);
      const Octets random = test_random_block(find_prime_random_length(bits), seed, bits);
      for (uint32_t exponent : {3u, 65537u}) {
        Big e, prime;
        ASSERT_EQ(bigint_set_word(exponent, &e), BN_OK);
        const EngineStatus status = find_prime(random.data(), bits, &e, &prime, nullptr);
        ASSERT_TRUE(status == ENGINE_OK || status == ENGINE_RETRY) << status;
        Bn start = expected_start(random, bits), be(BN_new());
        BN_set_word(be.get(), exponent);
        Bn c(BN_dup(start.get()));
        int index = 0;
        for (; index < FIND_PRIME_WINDOW && !usable(c.get(), be.get(), ctx.get()); index++) {
          BN_add_word(c.get(), 2);
        }
        if (status == ENGINE_RETRY) {
          EXPECT_EQ(index, FIND_PRIME_WINDOW);
          retries++;
          continue;
        }
        found++;
        ASSERT_LT(index, FIND_PRIME_WINDOW);
        EXPECT_EQ(BN_cmp(bn_of(&prime).get(), c.get()), 0);
        EXPECT_EQ(BN_num_bits(c.get()), bits);
      }
    }
  }
  EXPECT_GT(found, 0);
  EXPECT_GT(retries, 0);  // 512-bit windows come up empty about one time in sixteen
}

TEST(RsaKeyPairGenerator, KeysSatisfyTheRsaRelations) {
  std::unique_ptr<BN_CTX, CtxFree> ctx(BN_CTX_new());
  struct Row {
    int bits;
    Octets e;
  };
  const Row rows[] = {{256, hex("03")},   {256, hex("010001")}, {512, hex("010001")},
                      {777, hex("11")},   {1024, hex("010001")}, {1025, hex("03")},
                      {2048, hex("010001")}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.bits);
    Octets e = row.e;
    KeyGenRun run(row.bits, e);
    ASSERT_EQ(run.init_status, ENGINE_OK);
    ASSERT_EQ(run.generate(static_cast<uint32_t>(row.bits)), ENGINE_OK);
    const RsaPrivateValue &r = run.result();
    Bn n = bn_of(r.modulus), be = bn_of(r.public_exponent), d = bn_of(r.private_exponent),
       p = bn_of(r.prime1), q = bn_of(r.prime2), dp = bn_of(r.exponent1),
       dq = bn_of(r.exponent2), qinv = bn_of(r.coefficient);
    EXPECT_EQ(BN_num_bits(n.get()), row.bits);
    EXPECT_TRUE(is_prime(p.get(), ctx.get()));
    EXPECT_TRUE(is_prime(q.get(), ctx.get()));
    EXPECT_GT(BN_cmp(p.get(), q.get()), 0);
    Bn t(BN_new()), p1(BN_dup(p.get())), q1(BN_dup(q.get())), phi(BN_new());
    BN_mul(t.get(), p.get(), q.get(), ctx.get());
    EXPECT_EQ(BN_cmp(t.get(), n.get()), 0);
    BN_sub_word(p1.get(), 1);
    BN_sub_word(q1.get(), 1);
    BN_mul(phi.get(), p1.get(), q1.get(), ctx.get());
    BN_mod_mul(t.get(), d.get(), be.get(), phi.get(), ctx.get());
    EXPECT_TRUE(BN_is_one(t.get()));
    BN_mod(t.get(), d.get(), p1.get(), ctx.get());
    EXPECT_EQ(BN_cmp(t.get(), dp.get()), 0);
    BN_mod(t.get(), d.get(), q1.get(), ctx.get());
    EXPECT_EQ(BN_cmp(t.get(), dq.get()), 0);
    BN_mod_mul(t.get(), q.get(), qinv.get(), p.get(), ctx.get());
    EXPECT_TRUE(BN_is_one(t.get()));
  }
}

}  // namespace
