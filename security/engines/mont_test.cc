// Montgomery arithmetic and exponentiation: edge cases, the window table's
// laziness, agreement of every kernel with plain square-and-multiply,
// cancellation, and every allocation failure.
#include "security/engines/mont.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "security/engines/bigint_test_util.h"
#include "security/engines/mont_internal.h"
#include "security/framework/memory.h"

namespace {

// base^e mod m by right-to-left binary exponentiation on bigint_mod_mul.
void reference_mod_exp(const BigInt *base, const BigInt *e, const BigInt *m, Big *r) {
  Big power, next;
  ASSERT_EQ(bigint_set_word(1, r), BN_OK);
  ASSERT_EQ(bigint_mod(r, m, &next), BN_OK);
  ASSERT_EQ(bigint_copy(&next, r), BN_OK);
  ASSERT_EQ(bigint_copy(base, &power), BN_OK);
  for (int32_t i = 0; i < bigint_bit_length(e); i++) {
    int bit;
    bigint_get_bit(i, e, &bit);
    if (bit) {
      ASSERT_EQ(bigint_mod_mul(r, &power, m, &next), BN_OK);
      ASSERT_EQ(bigint_copy(&next, r), BN_OK);
    }
    ASSERT_EQ(bigint_mod_mul(&power, &power, m, &next), BN_OK);
    ASSERT_EQ(bigint_copy(&next, &power), BN_OK);
  }
}

TEST(Montgomery, ConstantAndConversionStatuses) {
  uint32_t mu = 0;
  Big even("10"), odd("ffffffff00000001"), big("ffffffff00000002"), zero("0"), empty;
  EXPECT_EQ(bigint_mont_constant(&even, &mu), BN_BAD_MODULUS);
  ASSERT_EQ(bigint_mont_constant(&odd, &mu), BN_OK);
  EXPECT_EQ(static_cast<uint32_t>(mu * odd.words[0]), 0xFFFFFFFFu);
  Big r;
  EXPECT_EQ(bigint_to_mont(&big, &odd, &r), BN_NOT_REDUCED);   // x >= m
  EXPECT_EQ(bigint_to_mont(&odd, &odd, &r), BN_NOT_REDUCED);   // x = m
  EXPECT_EQ(bigint_to_mont(&zero, &empty, &r), BN_NOT_REDUCED);  // no modulus
  EXPECT_EQ(bigint_mont_mul(&big, &zero, &odd, mu, &r), BN_NOT_REDUCED);
  EXPECT_EQ(bigint_mont_square(&odd, &odd, mu, &r), BN_NOT_REDUCED);
  EXPECT_EQ(bigint_mont_mul(&zero, &zero, &even, mu, &r), BN_BAD_MODULUS);
  // 2^64 mod m = 2^32 - 1 for m = 2^64 - 2^32 + 1, so 2R mod m = 2^33 - 2.
  Big two("2");
  ASSERT_EQ(bigint_to_mont(&two, &odd, &r), BN_OK);
  EXPECT_EQ(hex_of(&r), "1fffffffe");
  Big back;
  ASSERT_EQ(bigint_from_mont(&r, &odd, mu, &back), BN_OK);
  EXPECT_EQ(hex_of(&back), "2");
}

TEST(ModExp, EdgeCases) {
  struct Row {
    const char *what;
    std::string base, e, m;
    BnStatus want_status;
    std::string want;
  };
  const Row rows[] = {
      {"exponent 0", "1234", "0", "fffffffb", BN_OK, "1"},
      {"exponent 1", "1234", "1", "fffffffb", BN_OK, "1234"},
      {"base 0", "0", "10001", "fffffffb", BN_OK, "0"},
      {"base 0 exponent 0", "0", "0", "fffffffb", BN_OK, "1"},
      {"small", "3", "5", "7", BN_OK, "5"},
      {"modulus - 1 squared", "fffffffa", "2", "fffffffb", BN_OK, "1"},
      {"even modulus", "3", "5", "8", BN_BAD_MODULUS, ""},
      {"zero modulus", "0", "5", "0", BN_BAD_MODULUS, ""},
      {"base equal to modulus", "7", "5", "7", BN_NOT_REDUCED, ""},
      {"base above modulus", "9", "5", "7", BN_NOT_REDUCED, ""},
      {"modulus 1", "0", "5", "1", BN_NOT_REDUCED, ""},  // 1 is not below it
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    for (MontLimbs limbs : {MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
      Big base(row.base), e(row.e), m(row.m), r("999");
      ASSERT_EQ(mod_exp_with(limbs, &base, &e, &m, &r, nullptr, nullptr), row.want_status);
      if (row.want_status == BN_OK) {
        EXPECT_EQ(hex_of(&r), row.want);
        EXPECT_TRUE(is_normalised(&r));
      }
    }
  }
}

// Only the entries a window needs are ever computed.
TEST(ModExp, WindowTableIsBuiltLazily) {
  struct Row {
    const char *what;
    std::string e;
    uint32_t want_built;
  };
  const Row rows[] = {
      {"exponent 3: one-bit windows", "3", 0x3},
      {"exponent 65537: entries 0, 1, 2, 4", "10001", 0x17},
      {"64 ones: entry 15 through 12 and 3", "ffffffffffffffff", 0x911F},
      {"windows 8, 7, 13: entries 3, 7, then 5 and 13", "87d0000000000000", 0x21BF},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    for (MontLimbs limbs : {MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
      Big base("123456789abcdef"), e(row.e), m("fedcba9876543210fedcba987654321"), r, want;
      uint32_t built = 0;
      ASSERT_EQ(mod_exp_with(limbs, &base, &e, &m, &r, nullptr, &built), BN_OK);
      EXPECT_EQ(built, row.want_built);
      reference_mod_exp(&base, &e, &m, &want);
      EXPECT_EQ(hex_of(&r), hex_of(&want));
    }
  }
}

// Every kernel against square-and-multiply, odd and even word counts.
TEST(ModExp, AgreesWithSquareAndMultiply) {
  OperandSource source(0x5eed0003);
  for (int round = 0; round < 120; round++) {
    Big m, base, e, raw, q;
    m.set_words(source.words(source.size(12)));
    ASSERT_EQ(bigint_set_bit(0, &m), BN_OK);
    ASSERT_EQ(bigint_set_bit(1, &m), BN_OK);
    raw.set_words(source.words(source.size(12)));
    ASSERT_EQ(bigint_divide(&raw, &m, &q, &base), BN_OK);
    e.set_words(source.words(source.size(round % 3 == 0 ? 8 : 2)));
    SCOPED_TRACE(hex_of(&base) + " ^ " + hex_of(&e) + " mod " + hex_of(&m));
    Snapshot sb(&base), se(&e), sm(&m);
    Big want;
    reference_mod_exp(&base, &e, &m, &want);
    for (MontLimbs limbs : {MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
      Big r;
      ASSERT_EQ(mod_exp_with(limbs, &base, &e, &m, &r, nullptr, nullptr), BN_OK);
      ASSERT_EQ(hex_of(&r), hex_of(&want));
    }
    Big r;
    ASSERT_EQ(bigint_mod_exp(&base, &e, &m, &r, nullptr), BN_OK);
    ASSERT_EQ(hex_of(&r), hex_of(&want));
    EXPECT_TRUE(sb.same_as(&base) && se.same_as(&e) && sm.same_as(&m));
  }
}

// The private-key halves take a 5-bit window for long exponents, still built
// lazily, and agree with the general exponentiation on every kernel.
TEST(CrtHalf, WiderWindowForLongExponents) {
  struct Row {
    const char *what;
    int32_t top_bit;
    uint32_t want_built;
  };
  const Row rows[] = {
      {"512 bits: 4-bit window, entries 0, 1, 2, 4, 8", 511, 0x117},
      {"640 bits: still 4 bits", 639, 0x117},
      {"704 bits: 5-bit window, entries 0, 1, 2, 4, 8, 16", 703, 0x10117},
  };
  OperandSource source(0x5eed0007);
  Big m, base, raw, q;
  m.set_words(source.words(32));
  ASSERT_EQ(bigint_set_bit(0, &m), BN_OK);
  ASSERT_EQ(bigint_set_bit(1023, &m), BN_OK);
  raw.set_words(source.words(32));
  ASSERT_EQ(bigint_divide(&raw, &m, &q, &base), BN_OK);
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Big power_of_two("0"), mixed;
    ASSERT_EQ(bigint_set_bit(row.top_bit, &power_of_two), BN_OK);
    mixed.set_words(source.words((row.top_bit + 1) / 32));
    ASSERT_EQ(bigint_set_bit(row.top_bit, &mixed), BN_OK);
    for (MontLimbs limbs : {MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
      Big r, want;
      uint32_t built = 0;
      ASSERT_EQ(crt_half_with(limbs, &base, &power_of_two, &m, &r, nullptr, &built), BN_OK);
      EXPECT_EQ(built, row.want_built);
      ASSERT_EQ(mod_exp_with(limbs, &base, &power_of_two, &m, &want, nullptr, nullptr), BN_OK);
      EXPECT_EQ(hex_of(&r), hex_of(&want));
      ASSERT_EQ(crt_half_with(limbs, &base, &mixed, &m, &r, nullptr, nullptr), BN_OK);
      ASSERT_EQ(mod_exp_with(limbs, &base, &mixed, &m, &want, nullptr, nullptr), BN_OK);
      EXPECT_EQ(hex_of(&r), hex_of(&want));
    }
  }
}

// A small CRT key: p = 61, q = 53, n = 3233, d = 2753.
struct SmallKey {
  Big p{"3d"}, q{"35"}, dp{"35"}, dq{"31"}, qinv{"26"};
};

TEST(CrtExp, SmallKeyBothPrimeOrders) {
  SmallKey key;
  Big x("ae6"), r;  // 2790^2753 mod 3233 = 65
  ASSERT_EQ(bigint_crt_exp(&x, &key.p, &key.q, &key.dp, &key.dq, &key.qinv, &r, nullptr), BN_OK);
  EXPECT_EQ(hex_of(&r), "41");
  // Swapped primes: dP and dQ swap, qInv = 61^-1 mod 53 = 20.
  Big qinv_swapped("14");
  ASSERT_EQ(bigint_crt_exp(&x, &key.q, &key.p, &key.dq, &key.dp, &qinv_swapped, &r, nullptr),
            BN_OK);
  EXPECT_EQ(hex_of(&r), "41");
  Big even("3c");
  EXPECT_EQ(bigint_crt_exp(&x, &even, &key.q, &key.dp, &key.dq, &key.qinv, &r, nullptr),
            BN_BAD_MODULUS);
}

struct CancelCounter {
  int calls = 0;
  int fire_at = 0;  // the call that asks to stop
  static int check(void *self) {
    CancelCounter *c = static_cast<CancelCounter *>(self);
    return ++c->calls == c->fire_at;
  }
};

// Cancelled at each of its checks in turn, an operation stops with
// ENGINE_CANCELLED and leaves nothing allocated.
TEST(CrtExp, CancelledAtEveryCheck) {
  Big p, q, dp, dq, qinv, x;
  p.set_hex("f7e75fdc469067ffdc4e847c51f452df");  // odd moduli of 128 bits
  q.set_hex("e85cc0be41f5b2b0d6c4d3c2f35e6fe5");
  dp.set_hex("123456789abcdef0123456789abcdef");
  dq.set_hex("fedcba9876543210fedcba98765432");
  qinv.set_hex("3");
  x.set_hex("abcdef");
  const long live_before = cinder_testing_live_blocks();
  int checks = 0;
  for (int fire_at = 1;; fire_at++) {
    SCOPED_TRACE(fire_at);
    CancelCounter counter;
    counter.fire_at = fire_at;
    const CancelCheck cancel = {&CancelCounter::check, &counter};
    BnStatus status;
    {
      Big r;
      status = bigint_crt_exp(&x, &p, &q, &dp, &dq, &qinv, &r, &cancel);
    }
    EXPECT_EQ(cinder_testing_live_blocks(), live_before);
    if (counter.calls < fire_at) {
      EXPECT_EQ(status, BN_OK);
      checks = counter.calls;
      break;
    }
    EXPECT_EQ(status, ENGINE_CANCELLED);
    EXPECT_EQ(counter.calls, fire_at) << "went on after the check fired";
  }
  // The windows of two 128-bit exponents, and the steps between them.
  EXPECT_GT(checks, 50);
}

TEST(Montgomery, EveryAllocationFailureIsCleanAndWiped) {
  Big m("f7e75fdc469067ffdc4e847c51f452dfe85cc0be41f5b2b0d6c4d3c2f35e6fe5");
  Big a("123456789abcdef0123456789abcdef"), e("10001"), big_e("fedcba9876543210fedcba98765432");
  Big p("f7e75fdc469067ffdc4e847c51f452df"), q("e85cc0be41f5b2b0d6c4d3c2f35e6fe5");
  uint32_t mu;
  ASSERT_EQ(bigint_mont_constant(&m, &mu), BN_OK);
  struct Case {
    const char *what;
    std::function<BnStatus(BigInt *)> run;
  };
  const Case cases[] = {
      {"to_mont", [&](BigInt *r) { return bigint_to_mont(&a, &m, r); }},
      {"mont_mul", [&](BigInt *r) { return bigint_mont_mul(&a, &a, &m, mu, r); }},
      {"mont_square", [&](BigInt *r) { return bigint_mont_square(&a, &m, mu, r); }},
      {"from_mont", [&](BigInt *r) { return bigint_from_mont(&a, &m, mu, r); }},
      {"mod_exp 32", [&](BigInt *r) { return mod_exp_with(MONT_LIMBS_32, &a, &big_e, &m, r, nullptr, nullptr); }},
      {"mod_exp 64", [&](BigInt *r) { return mod_exp_with(MONT_LIMBS_64, &a, &e, &m, r, nullptr, nullptr); }},
      {"crt_exp", [&](BigInt *r) { return bigint_crt_exp(&a, &p, &q, &big_e, &e, &a, r, nullptr); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Snapshot sm(&m), sa(&a), se(&e), sbe(&big_e), sp(&p), sq(&q);
    expect_clean_allocation_failures(
        [&] {
          Big r;
          return c.run(&r);
        },
        BN_NO_MEMORY, [&] {
          return sm.same_as(&m) && sa.same_as(&a) && se.same_as(&e) && sbe.same_as(&big_e) &&
                 sp.same_as(&p) && sq.same_as(&q);
        });
  }
}

}  // namespace
