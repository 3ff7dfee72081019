// Cross-checks of the big-number and Montgomery operations against GMP on
// thousands of deterministic operands of 1 to 70 words, rich in 0 and
// 0xFFFFFFFF words; every input must be unchanged afterwards.
#include <gmp.h>
#include <gtest/gtest.h>

#include <string>

#include "security/engines/bigint.h"
#include "security/engines/bigint_test_util.h"
#include "security/engines/mont.h"
#include "security/engines/mont_internal.h"

namespace {

// An mpz_t freed on scope exit.
struct Mpz {
  mpz_t z;
  Mpz() { mpz_init(z); }
  explicit Mpz(const BigInt *a) : Mpz() { mpz_import(z, a->length, -1, 4, 0, 0, a->words); }
  ~Mpz() { mpz_clear(z); }
  Mpz(const Mpz &) = delete;
  Mpz &operator=(const Mpz &) = delete;
  std::string hex() const {
    char *text = mpz_get_str(nullptr, 16, z);
    std::string out(text);
    free(text);
    return out;
  }
};

void load(const Mpz &value, Big *out) { out->set_hex(value.hex() == "0" ? "" : value.hex()); }

// Operand pairs for the two-operand operations.
class BigIntVsGmp : public ::testing::Test {
 protected:
  OperandSource source{0x9e3779b97f4a7c15};

  void random(Big *x, int max_words = 70) { x->set_words(source.words(source.size(max_words))); }
};

TEST_F(BigIntVsGmp, AddSubMul) {
  for (int round = 0; round < 3000; round++) {
    Big a, b;
    random(&a);
    random(&b);
    SCOPED_TRACE(hex_of(&a) + " , " + hex_of(&b));
    Snapshot sa(&a), sb(&b);
    Mpz za(&a), zb(&b), want;
    Big r;

    ASSERT_EQ(bigint_add(&a, &b, &r), BN_OK);
    mpz_add(want.z, za.z, zb.z);
    ASSERT_EQ(hex_of(&r), want.hex());
    ASSERT_TRUE(is_normalised(&r));

    BnStatus status = bigint_sub(&a, &b, &r);
    if (mpz_cmp(za.z, zb.z) < 0) {
      ASSERT_EQ(status, BN_NEGATIVE_RESULT);
    } else {
      ASSERT_EQ(status, BN_OK);
      mpz_sub(want.z, za.z, zb.z);
      ASSERT_EQ(hex_of(&r), want.hex());
      ASSERT_TRUE(is_normalised(&r));
    }

    ASSERT_EQ(bigint_mul(&a, &b, &r), BN_OK);
    mpz_mul(want.z, za.z, zb.z);
    ASSERT_EQ(hex_of(&r), want.hex());
    ASSERT_TRUE(is_normalised(&r));
    ASSERT_TRUE(sa.same_as(&a) && sb.same_as(&b));
  }
}

TEST_F(BigIntVsGmp, DivideModModWord) {
  for (int round = 0; round < 3000; round++) {
    Big a, d;
    random(&a);
    random(&d);
    SCOPED_TRACE(hex_of(&a) + " / " + hex_of(&d));
    Snapshot sa(&a), sd(&d);
    Mpz za(&a), zd(&d), want_q, want_r;
    Big q, r, m;
    if (mpz_sgn(zd.z) == 0) {
      ASSERT_EQ(bigint_divide(&a, &d, &q, &r), BN_DIVIDE_BY_ZERO);
      ASSERT_EQ(bigint_mod(&a, &d, &m), BN_BAD_MODULUS);
      continue;
    }
    mpz_tdiv_qr(want_q.z, want_r.z, za.z, zd.z);
    ASSERT_EQ(bigint_divide(&a, &d, &q, &r), BN_OK);
    ASSERT_EQ(hex_of(&q), want_q.hex());
    ASSERT_EQ(hex_of(&r), want_r.hex());
    ASSERT_TRUE(is_normalised(&q) && is_normalised(&r));
    ASSERT_EQ(bigint_mod(&a, &d, &m), BN_OK);
    ASSERT_EQ(hex_of(&m), want_r.hex());

    const uint32_t w = source.word();
    uint32_t rem = 0xDEADBEEF;
    if (w == 0) {
      ASSERT_EQ(bigint_mod_word(&a, w, &rem), BN_BAD_MODULUS);
    } else {
      ASSERT_EQ(bigint_mod_word(&a, w, &rem), BN_OK);
      ASSERT_EQ(rem, mpz_fdiv_ui(za.z, w));
      const uint32_t small = 1 + w % 0xFFFF;  // the 16-bit range too
      ASSERT_EQ(bigint_mod_word(&a, small, &rem), BN_OK);
      ASSERT_EQ(rem, mpz_fdiv_ui(za.z, small));
    }
    ASSERT_TRUE(sa.same_as(&a) && sd.same_as(&d));
  }
}

TEST_F(BigIntVsGmp, GcdAndInverse) {
  int inverses = 0;
  for (int round = 0; round < 2000; round++) {
    Big a, m;
    random(&a, 40);
    random(&m, 40);
    SCOPED_TRACE(hex_of(&a) + " , " + hex_of(&m));
    Snapshot sa(&a), sm(&m);
    Mpz za(&a), zm(&m), want;
    Big g, r;
    if (mpz_sgn(za.z) == 0 && mpz_sgn(zm.z) == 0) {
      ASSERT_EQ(bigint_gcd(&a, &m, &g), BN_ZERO_GCD);
    } else {
      ASSERT_EQ(bigint_gcd(&a, &m, &g), BN_OK);
      mpz_gcd(want.z, za.z, zm.z);
      ASSERT_EQ(hex_of(&g), want.hex());
    }

    // Reduce a so that most pairs reach the extended algorithm.
    Big reduced;
    if (mpz_sgn(zm.z) != 0) {
      Mpz zr;
      mpz_mod(zr.z, za.z, zm.z);
      load(zr, &reduced);
    } else {
      ASSERT_EQ(bigint_copy(&a, &reduced), BN_OK);
    }
    Mpz zreduced(&reduced);
    BnStatus status = bigint_mod_inverse(&reduced, &m, &r);
    if (mpz_sgn(zm.z) == 0) {
      ASSERT_EQ(status, BN_BAD_MODULUS);
    } else if (mpz_invert(want.z, zreduced.z, zm.z) == 0 ||
               (mpz_cmp_ui(zm.z, 1) != 0 && mpz_sgn(zreduced.z) == 0)) {
      ASSERT_EQ(status, BN_NO_INVERSE);
    } else {
      ASSERT_EQ(status, BN_OK);
      mpz_mod(want.z, want.z, zm.z);
      ASSERT_EQ(hex_of(&r), want.hex());
      inverses++;
    }
    if (mpz_sgn(zm.z) != 0 && mpz_cmp(za.z, zm.z) >= 0) {
      ASSERT_EQ(bigint_mod_inverse(&a, &m, &r), BN_NOT_REDUCED);
    }
    ASSERT_TRUE(sa.same_as(&a) && sm.same_as(&m));
  }
  EXPECT_GT(inverses, 500);
}

TEST_F(BigIntVsGmp, ModSubModMul) {
  for (int round = 0; round < 2000; round++) {
    Big a, b, m;
    random(&a, 30);
    random(&b, 30);
    random(&m, 20);
    if (m.length == 1 && m.words[0] == 0) {
      continue;
    }
    SCOPED_TRACE(hex_of(&a) + " , " + hex_of(&b) + " mod " + hex_of(&m));
    Mpz za(&a), zb(&b), zm(&m), want;
    Big r;
    ASSERT_EQ(bigint_mod_sub(&a, &b, &m, &r), BN_OK);
    mpz_sub(want.z, za.z, zb.z);
    mpz_mod(want.z, want.z, zm.z);
    ASSERT_EQ(hex_of(&r), want.hex());
    ASSERT_EQ(bigint_mod_mul(&a, &b, &m, &r), BN_OK);
    mpz_mul(want.z, za.z, zb.z);
    mpz_mod(want.z, want.z, zm.z);
    ASSERT_EQ(hex_of(&r), want.hex());
  }
}

// An odd modulus of 1 to |max_words| words and a base below it.
void odd_modulus_and_base(OperandSource &source, int max_words, Big *m, Big *base) {
  m->set_words(source.words(source.size(max_words)));
  ASSERT_EQ(bigint_set_bit(0, m), BN_OK);
  if (m->length == 1 && m->words[0] == 1) {
    ASSERT_EQ(bigint_set_bit(1, m), BN_OK);
  }
  Big raw, q;
  raw.set_words(source.words(source.size(max_words)));
  ASSERT_EQ(bigint_divide(&raw, m, &q, base), BN_OK);
}

TEST_F(BigIntVsGmp, MontgomeryProductAndSquare) {
  for (int round = 0; round < 2000; round++) {
    Big m, a, b;
    odd_modulus_and_base(source, 70, &m, &a);
    Big raw, q;
    raw.set_words(source.words(source.size(70)));
    ASSERT_EQ(bigint_divide(&raw, &m, &q, &b), BN_OK);
    SCOPED_TRACE(hex_of(&a) + " , " + hex_of(&b) + " mod " + hex_of(&m));
    Snapshot sa(&a), sb(&b), sm(&m);
    Mpz za(&a), zb(&b), zm(&m), r_inverse, want;
    mpz_setbit(r_inverse.z, 32 * m.length);
    ASSERT_NE(mpz_invert(r_inverse.z, r_inverse.z, zm.z), 0);

    uint32_t mu;
    ASSERT_EQ(bigint_mont_constant(&m, &mu), BN_OK);
    ASSERT_EQ(static_cast<uint32_t>(mu * m.words[0]), 0xFFFFFFFFu);
    Big r;
    ASSERT_EQ(bigint_mont_mul(&a, &b, &m, mu, &r), BN_OK);
    mpz_mul(want.z, za.z, zb.z);
    mpz_mul(want.z, want.z, r_inverse.z);
    mpz_mod(want.z, want.z, zm.z);
    ASSERT_EQ(hex_of(&r), want.hex());

    ASSERT_EQ(bigint_mont_square(&a, &m, mu, &r), BN_OK);
    mpz_mul(want.z, za.z, za.z);
    mpz_mul(want.z, want.z, r_inverse.z);
    mpz_mod(want.z, want.z, zm.z);
    ASSERT_EQ(hex_of(&r), want.hex());

    Big mont, back;
    ASSERT_EQ(bigint_to_mont(&a, &m, &mont), BN_OK);
    ASSERT_EQ(bigint_from_mont(&mont, &m, mu, &back), BN_OK);
    ASSERT_EQ(bigint_compare(&back, &a), 0);
    ASSERT_TRUE(sa.same_as(&a) && sb.same_as(&b) && sm.same_as(&m));
  }
}

TEST_F(BigIntVsGmp, ModExpOnEveryKernel) {
  for (int round = 0; round < 300; round++) {
    Big m, base, e;
    odd_modulus_and_base(source, 70, &m, &base);
    random(&e, round % 5 == 0 ? 70 : 3);
    SCOPED_TRACE(hex_of(&base) + " ^ " + hex_of(&e) + " mod " + hex_of(&m));
    Snapshot sb(&base), se(&e), sm(&m);
    Mpz zb(&base), ze(&e), zm(&m), want;
    mpz_powm(want.z, zb.z, ze.z, zm.z);
    for (MontLimbs limbs : {MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
      Big r;
      ASSERT_EQ(mod_exp_with(limbs, &base, &e, &m, &r, nullptr, nullptr), BN_OK);
      ASSERT_EQ(hex_of(&r), want.hex()) << "limbs " << limbs;
      ASSERT_TRUE(is_normalised(&r));
    }
    ASSERT_TRUE(sb.same_as(&base) && se.same_as(&e) && sm.same_as(&m));
  }
}

// The fixed-size kernels (the sizes of RSA primes and moduli) of every kind
// against GMP, on moduli and operands rich in 0 and 0xFFFFFFFF words, with
// the largest operand m - 1 and zero among them.
TEST_F(BigIntVsGmp, MontgomeryKernelsAtRsaSizes) {
  for (int words : {16, 32, 64}) {
    for (int round = 0; round < 300; round++) {
      Big m, a, b;
      m.set_words(source.words(words));
      ASSERT_EQ(bigint_set_bit(0, &m), BN_OK);
      ASSERT_EQ(bigint_set_bit(32 * words - 1 - round % 3, &m), BN_OK);
      Mpz zm(&m), za, zb, r_inverse, want;
      Big raw;
      raw.set_words(source.words(words + 1));
      Mpz zraw(&raw);
      if (round % 7 == 0) {
        mpz_sub_ui(za.z, zm.z, 1);
      } else {
        mpz_mod(za.z, zraw.z, zm.z);
      }
      raw.set_words(source.words(words));
      Mpz zraw2(&raw);
      if (round % 11 == 0) {
        mpz_set_ui(zb.z, 0);
      } else if (round % 5 == 0) {
        mpz_sub_ui(zb.z, zm.z, 1);
      } else {
        mpz_mod(zb.z, zraw2.z, zm.z);
      }
      load(za, &a);
      load(zb, &b);
      SCOPED_TRACE(hex_of(&a) + " , " + hex_of(&b) + " mod " + hex_of(&m));
      mpz_setbit(r_inverse.z, 32 * words);
      ASSERT_NE(mpz_invert(r_inverse.z, r_inverse.z, zm.z), 0);
      uint32_t mu;
      ASSERT_EQ(bigint_mont_constant(&m, &mu), BN_OK);
      Mpz product, square;
      mpz_mul(product.z, za.z, zb.z);
      mpz_mul(product.z, product.z, r_inverse.z);
      mpz_mod(product.z, product.z, zm.z);
      mpz_mul(square.z, za.z, za.z);
      mpz_mul(square.z, square.z, r_inverse.z);
      mpz_mod(square.z, square.z, zm.z);
      for (MontLimbs limbs : {MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
        SCOPED_TRACE(limbs);
        Big r;
        ASSERT_EQ(mont_product_with(limbs, &a, &b, &m, mu, &r), BN_OK);
        ASSERT_EQ(hex_of(&r), product.hex());
        ASSERT_EQ(mont_product_with(limbs, &a, nullptr, &m, mu, &r), BN_OK);
        ASSERT_EQ(hex_of(&r), square.hex());
        ASSERT_TRUE(is_normalised(&r));
      }
      if (round % 30 == 0) {
        Big e;
        e.set_words(source.words(words));
        Mpz ze(&e), power;
        mpz_powm(power.z, za.z, ze.z, zm.z);
        for (MontLimbs limbs : {MONT_LIMBS_64, MONT_LIMBS_64_ADX}) {
          Big r;
          ASSERT_EQ(mod_exp_with(limbs, &a, &e, &m, &r, nullptr, nullptr), BN_OK);
          ASSERT_EQ(hex_of(&r), power.hex()) << "limbs " << limbs;
        }
      }
    }
  }
}

// A random prime of about |words| words.
void random_prime(OperandSource &source, int words, Big *p) {
  Big raw;
  raw.set_words(source.words(words));
  Mpz z(&raw), prime;
  mpz_setbit(z.z, 32 * words - 1);
  mpz_nextprime(prime.z, z.z);
  load(prime, p);
}

TEST_F(BigIntVsGmp, CrtExpMatchesTheFullExponent) {
  for (int round = 0; round < 200; round++) {
    Big p, q;
    random_prime(source, 1 + round % 24, &p);
    random_prime(source, 1 + static_cast<int>(source.next() % 24), &q);
    Mpz zp(&p), zq(&q), zn, zd, zx, t, want;
    if (mpz_cmp(zp.z, zq.z) == 0) {
      continue;
    }
    mpz_mul(zn.z, zp.z, zq.z);
    Big raw;
    raw.set_words(source.words(48));
    Mpz zraw(&raw);
    mpz_mod(zd.z, zraw.z, zn.z);
    raw.set_words(source.words(48));
    Mpz zraw2(&raw);
    mpz_mod(zx.z, zraw2.z, zn.z);
    Big x, d, dp, dq, qinv;
    load(zx, &x);
    mpz_sub_ui(t.z, zp.z, 1);
    mpz_mod(t.z, zd.z, t.z);
    load(t, &dp);
    mpz_sub_ui(t.z, zq.z, 1);
    mpz_mod(t.z, zd.z, t.z);
    load(t, &dq);
    ASSERT_NE(mpz_invert(t.z, zq.z, zp.z), 0);
    load(t, &qinv);
    SCOPED_TRACE(hex_of(&x) + " with p " + hex_of(&p) + " q " + hex_of(&q));
    Snapshot sx(&x), sp(&p), sq(&q), sdp(&dp), sdq(&dq), sqi(&qinv);
    Big r;
    ASSERT_EQ(bigint_crt_exp(&x, &p, &q, &dp, &dq, &qinv, &r, nullptr), BN_OK);
    mpz_powm(want.z, zx.z, zd.z, zn.z);
    ASSERT_EQ(hex_of(&r), want.hex());
    ASSERT_TRUE(sx.same_as(&x) && sp.same_as(&p) && sq.same_as(&q) && sdp.same_as(&dp) &&
                sdq.same_as(&dq) && sqi.same_as(&qinv));
  }
}

}  // namespace
