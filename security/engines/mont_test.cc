// Montgomery arithmetic and exponentiation: edge cases, the window table's
// laziness, agreement of every kernel with plain square-and-multiply,
// cancellation, and every allocation failure.
#include "security/engines/mont.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "security/engines/bigint_test_util.h"
#include "security/engines/mont_internal.h"
#include "security/engines/rsa_test_keys.h"
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

#if defined(KIT_MONT_IFMA)
// The IFMA kernel's tests run where the processor has it.
class Ifma : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!cpu_has_ifma()) {
      GTEST_SKIP() << "this processor has no AVX-512 IFMA";
    }
  }
};

// The value of 20 lanes at 52-bit steps.
void value_of_lanes(const uint64_t *lanes, Big *r) {
  ASSERT_EQ(bigint_set_word(0, r), BN_OK);
  for (int32_t j = kIfmaLimbs - 1; j >= 0; j--) {
    Big lane;
    lane.set_words({static_cast<uint32_t>(lanes[j]), static_cast<uint32_t>(lanes[j] >> 32)});
    ASSERT_EQ(bigint_shift_left_bits(kIfmaLimbBits, r), BN_OK);
    ASSERT_EQ(bigint_add_to(&lane, r), BN_OK);
  }
}

// Lanes holding excess bits and single carries that ripple through lanes of
// 2^52 - 1 all come out as 52-bit limbs of the same value.
TEST_F(Ifma, NormaliseCarriesThroughEveryLane) {
  constexpr uint64_t kFull = (uint64_t{1} << 52) - 1;
  struct Row {
    const char *what;
    std::vector<uint64_t> lanes;  // the rest are 0
  };
  std::vector<Row> rows = {
      {"a carry that ripples through seven full lanes",
       {(uint64_t{3} << 52) | 5, kFull - 2, kFull, kFull, kFull, kFull, kFull, kFull, kFull, 7}},
      {"full lanes and no carry", std::vector<uint64_t>(kIfmaLimbs, kFull)},
      {"a carry into the top lane", {uint64_t{1} << 52, kFull, kFull, kFull, kFull, kFull, kFull,
                                     kFull, kFull, kFull, kFull, kFull, kFull, kFull, kFull,
                                     kFull, kFull, kFull, kFull, 0}},
      {"lanes of 2^64 - 1", std::vector<uint64_t>(kIfmaLimbs - 1, ~uint64_t{0})},
  };
  OperandSource source(0x5eed0011);
  for (int round = 0; round < 40; round++) {
    Row row{"random lanes", {}};
    for (int32_t j = 0; j < kIfmaLimbs - 1; j++) {
      row.lanes.push_back(round % 2 ? source.next() : kFull + (source.next() % 3));
    }
    rows.push_back(row);
  }
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    uint64_t lanes[kIfmaLimbs] = {}, limbs[kIfmaLimbs];
    std::copy(row.lanes.begin(), row.lanes.end(), lanes);
    ifma_normalise(lanes, limbs);
    Big want, got;
    value_of_lanes(lanes, &want);
    value_of_lanes(limbs, &got);
    EXPECT_EQ(hex_of(&got), hex_of(&want));
    for (uint64_t limb : limbs) {
      EXPECT_LE(limb, kFull);
    }
  }
}

// Both halves at once agree with the scalar kernels one at a time: moduli
// from just over 2^992 to 2^1024 - 1, bases 0, 1, m - 1 and random, and
// exponent pairs of unequal lengths (the shorter one's leading windows are 0).
TEST_F(Ifma, HalvesAgreeWithTheScalarKernels) {
  OperandSource source(0x5eed0013);
  std::vector<Big> moduli(4);
  moduli[0].set_hex(std::string(256, 'f'));
  moduli[1].set_hex("1" + std::string(247, '0') + "1");  // 2^992 + 1
  for (int i = 2; i < 4; i++) {
    moduli[i].set_words(source.words(32));
    ASSERT_EQ(bigint_set_bit(0, &moduli[i]), BN_OK);
    ASSERT_EQ(bigint_set_bit(1023, &moduli[i]), BN_OK);
  }
  auto random_below = [&](const Big &m, Big *r) {
    Big raw, q;
    raw.set_words(source.words(33));
    ASSERT_EQ(bigint_divide(&raw, &m, &q, r), BN_OK);
  };
  auto random_bits = [&](int32_t top_bit, Big *r) {
    r->set_words(source.words(top_bit / 32 + 1));
    for (int32_t i = top_bit + 1; i < 32 * (top_bit / 32 + 1); i++) {
      ASSERT_EQ(bigint_clear_bit(i, r), BN_OK);
    }
    ASSERT_EQ(bigint_set_bit(top_bit, r), BN_OK);
  };
  for (size_t i = 0; i < moduli.size(); i++) {
    const Big &m0 = moduli[i];
    const Big &m1 = moduli[(i + 1) % moduli.size()];
    for (int b = 0; b < 4; b++) {
      Big base0, base1, m0_less_one, one("1");
      ASSERT_EQ(bigint_sub(&m0, &one, &m0_less_one), BN_OK);
      switch (b) {
        case 0: base0.set_hex("0"); break;
        case 1: base0.set_hex("1"); break;
        case 2: ASSERT_EQ(bigint_copy(&m0_less_one, &base0), BN_OK); break;
        default: random_below(m0, &base0);
      }
      random_below(m1, &base1);
      Big e_pairs[6][2];
      e_pairs[0][0].set_hex("0");
      e_pairs[0][1].set_hex("0");
      e_pairs[1][0].set_hex("1");
      e_pairs[1][1].set_hex("2");
      e_pairs[2][0].set_hex("0");
      random_bits(1023, &e_pairs[2][1]);
      e_pairs[3][0].set_hex("10001");
      random_bits(1020, &e_pairs[3][1]);
      random_bits(1023, &e_pairs[4][0]);
      random_bits(700, &e_pairs[4][1]);
      e_pairs[5][0].set_hex(std::string(256, 'f'));
      e_pairs[5][1].set_hex(std::string(250, 'f'));
      for (auto &e : e_pairs) {
        SCOPED_TRACE("modulus " + std::to_string(i) + ", base " + std::to_string(b) +
                     ", exponents " + hex_of(&e[0]) + " and " + hex_of(&e[1]));
        Snapshot sb0(&base0), sb1(&base1), se0(&e[0]), se1(&e[1]), sm0(&m0), sm1(&m1);
        Big r0("999"), r1("999"), want0, want1;
        const BigInt *const bases[2] = {&base0, &base1};
        const BigInt *const exponents[2] = {&e[0], &e[1]};
        const BigInt *const mods[2] = {&m0, &m1};
        BigInt *const results[2] = {&r0, &r1};
        ASSERT_EQ(crt_halves_ifma(bases, exponents, mods, results, nullptr), BN_OK);
        ASSERT_EQ(crt_half_with(MONT_LIMBS_64, &base0, &e[0], &m0, &want0, nullptr, nullptr),
                  BN_OK);
        ASSERT_EQ(crt_half_with(MONT_LIMBS_64, &base1, &e[1], &m1, &want1, nullptr, nullptr),
                  BN_OK);
        EXPECT_EQ(hex_of(&r0), hex_of(&want0));
        EXPECT_EQ(hex_of(&r1), hex_of(&want1));
        EXPECT_TRUE(is_normalised(&r0) && is_normalised(&r1));
        EXPECT_TRUE(sb0.same_as(&base0) && sb1.same_as(&base1) && se0.same_as(&e[0]) &&
                    se1.same_as(&e[1]) && sm0.same_as(&m0) && sm1.same_as(&m1));
      }
    }
  }
}

// Powers that vanish modulo m = 9k (base 3k) must come out as 0, never as m,
// which the kernel's redundant range may hold for them.
TEST_F(Ifma, VanishingPowerIsZero) {
  OperandSource source(0x5eed0017);
  Big k, m, base, nine("9"), three("3");
  k.set_words(source.words(32));
  ASSERT_EQ(bigint_set_bit(0, &k), BN_OK);
  ASSERT_EQ(bigint_set_bit(1018, &k), BN_OK);
  for (int32_t i = 1019; i < 1024; i++) {
    ASSERT_EQ(bigint_clear_bit(i, &k), BN_OK);
  }
  ASSERT_EQ(bigint_mul(&k, &nine, &m), BN_OK);
  ASSERT_EQ(bigint_mul(&k, &three, &base), BN_OK);
  ASSERT_EQ(m.length, kIfmaModulusWords);
  for (const char *e_hex : {"2", "3", "10001", "fedcba9876543210fedcba9876543210"}) {
    SCOPED_TRACE(e_hex);
    Big e(e_hex), r0("999"), r1("999");
    const BigInt *const bases[2] = {&base, &base};
    const BigInt *const exponents[2] = {&e, &e};
    const BigInt *const mods[2] = {&m, &m};
    BigInt *const results[2] = {&r0, &r1};
    ASSERT_EQ(crt_halves_ifma(bases, exponents, mods, results, nullptr), BN_OK);
    EXPECT_EQ(hex_of(&r0), "0");
    EXPECT_EQ(hex_of(&r1), "0");
  }
}

TEST_F(Ifma, EvenModulusInEitherHalf) {
  Big odd(std::string(256, 'f')), even(std::string(255, 'f') + "e"), base("1234"), e("10001");
  const long live_before = cinder_testing_live_blocks();
  for (int even_half = 0; even_half < 2; even_half++) {
    SCOPED_TRACE(even_half);
    Big r0, r1;
    const BigInt *const bases[2] = {&base, &base};
    const BigInt *const exponents[2] = {&e, &e};
    const BigInt *const mods[2] = {even_half == 0 ? &even : &odd, even_half == 1 ? &even : &odd};
    BigInt *const results[2] = {&r0, &r1};
    EXPECT_EQ(crt_halves_ifma(bases, exponents, mods, results, nullptr), BN_BAD_MODULUS);
    EXPECT_EQ(cinder_testing_live_blocks(), live_before);
  }
}

// A 2048-bit key's block through bigint_crt_exp, which takes the IFMA kernel
// for its 1024-bit primes: the right image, cancellation at its checks, and
// every allocation failure.
TEST_F(Ifma, CrtExpOf2048BitKey) {
  TestKey key = load_rsa_test_keys().at("rsa2048_p_above_q");
  Big p, q, dp, dq, qinv, x, y;
  p.set_octets(key.p);
  q.set_octets(key.q);
  dp.set_octets(key.dp);
  dq.set_octets(key.dq);
  qinv.set_octets(key.qinv);
  x.set_octets(key.x);
  y.set_octets(key.y);
  ASSERT_EQ(p.length, kIfmaModulusWords);
  ASSERT_EQ(q.length, kIfmaModulusWords);
  CancelCounter counting;  // never fires: counts the checks
  const CancelCheck count_checks = {&CancelCounter::check, &counting};
  {
    Big r;
    ASSERT_EQ(bigint_crt_exp(&x, &p, &q, &dp, &dq, &qinv, &r, &count_checks), BN_OK);
    EXPECT_EQ(hex_of(&r), hex_of(&y));
  }
  const int checks = counting.calls;
  EXPECT_GT(checks, 200);  // a check every window of 1024-bit exponents
  const long live_before = cinder_testing_live_blocks();
  for (int fire_at : {1, 2, 3, checks / 2, checks - 1, checks}) {
    SCOPED_TRACE(fire_at);
    CancelCounter counter;
    counter.fire_at = fire_at;
    const CancelCheck cancel = {&CancelCounter::check, &counter};
    {
      Big r;
      EXPECT_EQ(bigint_crt_exp(&x, &p, &q, &dp, &dq, &qinv, &r, &cancel), ENGINE_CANCELLED);
    }
    EXPECT_EQ(counter.calls, fire_at);
    EXPECT_EQ(cinder_testing_live_blocks(), live_before);
  }
  Snapshot sx(&x), sp(&p), sq(&q), sdp(&dp), sdq(&dq), sqinv(&qinv);
  expect_clean_allocation_failures(
      [&] {
        Big r;
        const BnStatus status = bigint_crt_exp(&x, &p, &q, &dp, &dq, &qinv, &r, nullptr);
        EXPECT_TRUE(status != BN_OK || hex_of(&r) == hex_of(&y));
        return status;
      },
      BN_NO_MEMORY, [&] {
        return sx.same_as(&x) && sp.same_as(&p) && sq.same_as(&q) && sdp.same_as(&dp) &&
               sdq.same_as(&dq) && sqinv.same_as(&qinv);
      });
}
#endif

}  // namespace
