// Big-number operations: edge cases as tables, algebraic identities on
// deterministic random operands (no outside reference needed, so they run in
// every build), storage discipline and every allocation failure.
#include "security/engines/bigint.h"

#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "security/engines/bigint_test_util.h"
#include "security/framework/memory.h"

namespace {

std::vector<uint8_t> octets_of(const std::string &hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::string hex_octets(const uint8_t *p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; i++) {
    out.push_back(kDigits[p[i] >> 4]);
    out.push_back(kDigits[p[i] & 15]);
  }
  return out;
}

TEST(BigIntConversion, FromOctets) {
  struct Row {
    std::string octets;
    std::string want;
    int32_t want_length;
  };
  const Row rows[] = {
      {"000001", "1", 1},                   // leading zero octets are ignored
      {"", "0", 1},                         // nothing loads as zero
      {"00000000000000", "0", 1},           // all zero: one word 0
      {std::string(66, 'f'), std::string(66, 'f'), 9},  // 33 octets: a short top group
      {"0102030405", "102030405", 2},
      {"80000000", "80000000", 1},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.octets);
    Big r;
    std::vector<uint8_t> bytes = octets_of(row.octets);
    ASSERT_EQ(bigint_from_octets(bytes.data(), bytes.size(), &r), BN_OK);
    EXPECT_EQ(hex_of(&r), row.want);
    EXPECT_EQ(r.length, row.want_length);
  }
}

TEST(BigIntConversion, ToOctetsMinimalAndFixed) {
  struct Row {
    std::string value;
    bool fixed;
    size_t length;
    size_t space;
    BnStatus want_status;
    std::string want;  // octets written
  };
  const std::string v128 = "ff" + std::string(254, '1');
  const Row rows[] = {
      {"0", false, 0, 8, BN_OK, "00"},               // zero is one octet
      {"0", true, 4, 4, BN_OK, "00000000"},
      {"1234", false, 0, 2, BN_OK, "1234"},
      {"1234", false, 0, 1, BN_OUTPUT_TOO_SMALL, ""},  // space below the encoding
      {"1234", true, 5, 5, BN_OK, "0000001234"},
      {v128, true, 128, 128, BN_OK, v128},
      {v128, true, 127, 128, BN_TOO_LONG, ""},       // value longer than the length
      {v128, true, 128, 127, BN_TOO_LONG, ""},       // space shorter than the length
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.value + (row.fixed ? " fixed" : " minimal"));
    Big a(row.value);
    std::vector<uint8_t> out(row.space + 1, 0xEE);
    size_t written = 999;
    BnStatus status = row.fixed
                          ? bigint_to_octets_fixed(&a, row.length, row.space, &written, out.data())
                          : bigint_to_octets(&a, row.space, &written, out.data());
    ASSERT_EQ(status, row.want_status);
    if (status == BN_OK) {
      EXPECT_EQ(hex_octets(out.data(), written), row.want);
    }
    EXPECT_EQ(out[row.space], 0xEE) << "wrote beyond the space";
  }
}

TEST(BigIntConversion, ToOctetsRejectsUnnormalisedValue) {
  uint32_t words[2] = {5, 0};
  const BigInt bad = {2, 2, words};
  uint8_t out[8];
  size_t written;
  EXPECT_EQ(bigint_to_octets(&bad, sizeof out, &written, out), BN_INTERNAL);
}

TEST(BigIntBits, Lengths) {
  Big empty;
  EXPECT_EQ(bigint_bit_length(&empty), 0);
  struct Row {
    std::string value;
    int32_t want;
  };
  const Row rows[] = {{"0", 1}, {"1", 1}, {"2", 2}, {"100000000", 33}, {"ffffffff", 32},
                      {"80000000000000000", 68}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.value);
    Big a(row.value);
    EXPECT_EQ(bigint_bit_length(&a), row.want);
  }
  struct OctetRow {
    std::string octets;
    uint32_t want;
  };
  const OctetRow octet_rows[] = {{"", 0}, {"0000", 0}, {"0001", 1}, {"00ff00", 16},
                                 {"7f", 7}, {"80" + std::string(510, '0'), 2048},
                                 {"01" + std::string(512, '0'), 2049}};
  for (const OctetRow &row : octet_rows) {
    SCOPED_TRACE(row.octets);
    std::vector<uint8_t> bytes = octets_of(row.octets);
    EXPECT_EQ(octets_bit_length(bytes.data(), bytes.size()), row.want);
  }
}

TEST(BigIntBits, SetClearGet) {
  Big x("1");
  ASSERT_EQ(bigint_set_bit(100, &x), BN_OK);  // beyond the value: grows
  EXPECT_EQ(hex_of(&x), "10000000000000000000000001");
  EXPECT_EQ(x.length, 4);
  ASSERT_EQ(bigint_set_bit(33, &x), BN_OK);
  int bit = 7;
  bigint_get_bit(33, &x, &bit);
  EXPECT_EQ(bit, 1);
  bigint_get_bit(5000, &x, &bit);
  EXPECT_EQ(bit, 0);
  ASSERT_EQ(bigint_clear_bit(100, &x), BN_OK);  // renormalises
  EXPECT_EQ(x.length, 2);
  EXPECT_EQ(hex_of(&x), "200000001");
  ASSERT_EQ(bigint_clear_bit(5000, &x), BN_OK);  // beyond: no effect
  EXPECT_EQ(hex_of(&x), "200000001");
  EXPECT_EQ(bigint_set_bit(-1, &x), BN_INTERNAL);
}

// Rows of two- and three-operand operations with their documented results.
TEST(BigIntArithmetic, EdgeCases) {
  using Op = std::function<BnStatus(const BigInt *, const BigInt *, const BigInt *, BigInt *)>;
  const Op add = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    return bigint_add(a, b, r);
  };
  const Op sub = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    return bigint_sub(a, b, r);
  };
  const Op quotient = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    Big rem;
    return bigint_divide(a, b, r, &rem);
  };
  const Op remainder = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    Big q;
    return bigint_divide(a, b, &q, r);
  };
  const Op mod = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    return bigint_mod(a, b, r);
  };
  const Op gcd = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    return bigint_gcd(a, b, r);
  };
  const Op inverse = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    return bigint_mod_inverse(a, b, r);
  };
  const Op mod_sub = [](const BigInt *a, const BigInt *b, const BigInt *m, BigInt *r) {
    return bigint_mod_sub(a, b, m, r);
  };
  const Op mod_mul = [](const BigInt *a, const BigInt *b, const BigInt *m, BigInt *r) {
    return bigint_mod_mul(a, b, m, r);
  };
  const Op sub_from = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    BnStatus s = bigint_copy(b, r);
    return s != BN_OK ? s : bigint_sub_from(a, r);
  };
  const Op add_to = [](const BigInt *a, const BigInt *b, const BigInt *, BigInt *r) {
    BnStatus s = bigint_copy(b, r);
    return s != BN_OK ? s : bigint_add_to(a, r);
  };
  struct Row {
    const char *what;
    const Op *op;
    std::string a, b, m;
    BnStatus want_status;
    std::string want;
    int32_t want_length;  // 0: not checked
  };
  const Row rows[] = {
      {"carry into a third word", &add, "ffffffffffffffff", "1", "", BN_OK, "10000000000000000", 3},
      {"add to zero", &add, "0", "0", "", BN_OK, "0", 1},
      {"self minus self", &sub, "ffffffffffffffff", "ffffffffffffffff", "", BN_OK, "0", 1},
      {"equal lengths, no borrow", &sub, "100000005", "100000003", "", BN_OK, "2", 1},
      {"below zero", &sub, "5", "7", "", BN_NEGATIVE_RESULT, "", 0},
      {"shorter minus longer", &sub, "5", "100000000", "", BN_NEGATIVE_RESULT, "", 0},
      {"in-place below zero", &sub_from, "7", "5", "", BN_NEGATIVE_RESULT, "", 0},
      {"in-place borrow through words", &sub_from, "1", "1000000000000000000000000", "", BN_OK,
       "ffffffffffffffffffffffff", 3},
      {"in-place carry out of the top", &add_to, "1", "ffffffffffffffff", "", BN_OK,
       "10000000000000000", 3},
      {"in-place longer addend", &add_to, "ffffffffffffffff00000000", "1", "", BN_OK,
       "ffffffffffffffff00000001", 3},
      {"divide by zero", &quotient, "5", "0", "", BN_DIVIDE_BY_ZERO, "", 0},
      {"mod by zero", &mod, "5", "0", "", BN_BAD_MODULUS, "", 0},
      {"dividend below divisor", &mod, "c", "d", "", BN_OK, "c", 1},
      {"2^64 / (2^32 + 1): quotient", &quotient, "10000000000000000", "100000001", "", BN_OK,
       "ffffffff", 1},
      {"2^64 / (2^32 + 1): remainder", &remainder, "10000000000000000", "100000001", "", BN_OK,
       "1", 1},
      {"quotient correction on a normalised divisor", &quotient,
       "7fffffff800000010000000000000000", "800000008000000200000005", "", BN_OK, "fffffffd", 1},
      {"remainder after quotient correction", &remainder, "7fffffff800000010000000000000000",
       "800000008000000200000005", "", BN_OK, "80000000800000010000000f", 3},
      {"exact division", &remainder, "fffffffe00000001", "ffffffff", "", BN_OK, "0", 1},
      {"gcd of zeros", &gcd, "0", "0", "", BN_ZERO_GCD, "", 0},
      {"gcd with zero", &gcd, "0", "c", "", BN_OK, "c", 1},
      {"gcd(12, 18)", &gcd, "c", "12", "", BN_OK, "6", 1},
      {"inverse of 3 mod 7", &inverse, "3", "7", "", BN_OK, "5", 1},
      {"inverse of 1 mod 2", &inverse, "1", "2", "", BN_OK, "1", 1},
      {"operand equal to modulus", &inverse, "7", "7", "", BN_NOT_REDUCED, "", 0},
      {"no inverse", &inverse, "2", "4", "", BN_NO_INVERSE, "", 0},
      {"zero modulus", &inverse, "1", "0", "", BN_BAD_MODULUS, "", 0},
      {"zero has no inverse", &inverse, "0", "5", "", BN_NO_INVERSE, "", 0},
      {"mod_sub wrapping", &mod_sub, "2", "5", "7", BN_OK, "4", 1},
      {"mod_sub to zero", &mod_sub, "2", "9", "7", BN_OK, "0", 1},
      {"mod_sub reducing", &mod_sub, "14", "3", "7", BN_OK, "3", 1},
      {"mod_sub large negative difference", &mod_sub, "1", "64", "7", BN_OK, "6", 1},
      {"mod_sub zero modulus", &mod_sub, "9", "2", "0", BN_BAD_MODULUS, "", 0},
      {"mod_mul", &mod_mul, "ffffffff", "ffffffff", "fffffffb", BN_OK, "10", 1},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Big a(row.a), b(row.b), m(row.m), r("123456789abcdef0123");
    Snapshot sa(&a), sb(&b), sm(&m);
    ASSERT_EQ((*row.op)(&a, &b, &m, &r), row.want_status);
    EXPECT_TRUE(sa.same_as(&a) && sb.same_as(&b) && sm.same_as(&m)) << "an input changed";
    if (row.want_status == BN_OK) {
      EXPECT_EQ(hex_of(&r), row.want);
      EXPECT_TRUE(is_normalised(&r));
      if (row.want_length != 0) {
        EXPECT_EQ(r.length, row.want_length);
      }
    }
  }
}

TEST(BigIntArithmetic, WordOperations) {
  struct Row {
    const char *what;
    std::string x;
    uint32_t w;
    int op;  // 0 add_word, 1 sub_word, 2 mod_word, 3 shift_in_word
    BnStatus want_status;
    std::string want;
  };
  const Row rows[] = {
      {"add carries out of the top", "ffffffffffffffff", 1, 0, BN_OK, "10000000000000000"},
      {"add without carry", "5", 7, 0, BN_OK, "c"},
      {"sub below zero", "0", 1, 1, BN_NEGATIVE_RESULT, ""},
      {"sub shrinks the length", "100000000", 1, 1, BN_OK, "ffffffff"},
      {"sub borrows through words", "10000000000000000", 1, 1, BN_OK, "ffffffffffffffff"},
      {"mod 16-bit divisor", "10000000000000007", 0xFFFF, 2, BN_OK, "8"},
      {"mod 17-bit divisor", "10000000000000007", 0x10000, 2, BN_OK, "7"},
      {"mod largest divisor", "10000000000000007", 0xFFFFFFFF, 2, BN_OK, "8"},
      {"mod by zero", "10000000000000007", 0, 2, BN_BAD_MODULUS, ""},
      {"shift into zero", "0", 9, 3, BN_OK, "9"},
      {"shift into a value", "5", 9, 3, BN_OK, "500000009"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Big x(row.x);
    BnStatus status;
    uint32_t rem = 0;
    switch (row.op) {
      case 0:
        status = bigint_add_word(row.w, &x);
        break;
      case 1:
        status = bigint_sub_word(row.w, &x);
        break;
      case 2:
        status = bigint_mod_word(&x, row.w, &rem);
        break;
      default:
        status = bigint_shift_in_word(row.w, &x);
        break;
    }
    ASSERT_EQ(status, row.want_status);
    if (status == BN_OK) {
      if (row.op == 2) {
        EXPECT_EQ(rem, std::stoul(row.want, nullptr, 16));
        EXPECT_EQ(hex_of(&x), row.x) << "the operand changed";
      } else {
        EXPECT_EQ(hex_of(&x), row.want);
        EXPECT_TRUE(is_normalised(&x));
      }
    }
  }
}

TEST(BigIntShift, EdgeCases) {
  struct Row {
    const char *what;
    std::string x;
    int32_t amount;
    int op;  // 0 left words, 1 right words, 2 left bits, 3 right bits
    std::string want;
  };
  const Row rows[] = {
      {"left words by 0", "5", 0, 0, "5"},
      {"left words by -3", "5", -3, 0, "5"},
      {"left words", "5", 2, 0, "50000000000000000"},
      {"left words of zero", "0", 2, 0, "0"},
      {"right words past the end", "123456789", 2, 1, "0"},
      {"right words", "123456789abcdef01", 1, 1, "123456789"},
      {"left bits across a word", "80000001", 1, 2, "100000002"},
      {"left bits by 36", "f", 36, 2, "f000000000"},
      {"left bits by whole words", "3", 64, 2, "30000000000000000"},
      {"right bits dropping the top word", "100000000", 1, 3, "80000000"},
      {"right bits by 36", "f000000001", 36, 3, "f"},
      {"right bits to zero", "1", 1, 3, "0"},
      {"right bits by -1", "6", -1, 3, "6"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Big x(row.x);
    BnStatus status;
    switch (row.op) {
      case 0:
        status = bigint_shift_left_words(row.amount, &x);
        break;
      case 1:
        status = bigint_shift_right_words(row.amount, &x);
        break;
      case 2:
        status = bigint_shift_left_bits(row.amount, &x);
        break;
      default:
        status = bigint_shift_right_bits(row.amount, &x);
        break;
    }
    ASSERT_EQ(status, BN_OK);
    EXPECT_EQ(hex_of(&x), row.want);
    EXPECT_TRUE(is_normalised(&x));
  }
}

TEST(BigIntStatus, ToEngine) {
  struct Row {
    BnStatus in;
    EngineStatus want;
  };
  const Row rows[] = {
      {BN_OK, ENGINE_OK},
      {ENGINE_CANCELLED, ENGINE_CANCELLED},
      {BN_NO_MEMORY, ENGINE_NO_MEMORY},
      {257, ENGINE_BAD_INPUT},
      {BN_INTERNAL, ENGINE_BAD_INPUT},
      {BN_DIVIDE_BY_ZERO, ENGINE_BAD_INPUT},
      {BN_BAD_MODULUS, ENGINE_BAD_MODULUS},
      {BN_NOT_REDUCED, ENGINE_BAD_INPUT},
      {BN_NO_INVERSE, ENGINE_BAD_INPUT},
      {BN_TOO_LONG, ENGINE_OUTPUT_TOO_SMALL},
      {ENGINE_BAD_INPUT_LENGTH, ENGINE_BAD_INPUT_LENGTH},
      {ENGINE_NO_MEMORY, ENGINE_NO_MEMORY},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(bn_status_to_engine(row.in), row.want);
  }
}

TEST(BigIntStorage, GrowKeepsReserveDiscards) {
  Big x("123456789abcdef");
  const uint32_t *before = x.words;
  ASSERT_EQ(bigint_grow(x.capacity, &x), BN_OK);  // enough already: nothing changes
  EXPECT_EQ(x.words, before);
  ASSERT_EQ(bigint_grow(40, &x), BN_OK);
  EXPECT_GE(x.capacity, 40);
  EXPECT_EQ(hex_of(&x), "123456789abcdef");
  ASSERT_EQ(bigint_reserve(80, &x), BN_OK);
  EXPECT_GE(x.capacity, 80);
  EXPECT_EQ(x.length, 0);
  bigint_free(&x);
  EXPECT_EQ(x.capacity, 0);
  EXPECT_EQ(x.length, 0);
  EXPECT_EQ(x.words, nullptr);
  bigint_free(&x);  // an empty value is accepted
}

TEST(BigIntStorage, OutputStorageIsReusedWhenLargeEnough) {
  Big a("ffffffffffffffffffff"), b("12345"), r;
  ASSERT_EQ(bigint_reserve(64, &r), BN_OK);
  const uint32_t *storage = r.words;
  ASSERT_EQ(bigint_mul(&a, &b, &r), BN_OK);
  ASSERT_EQ(bigint_add(&a, &b, &r), BN_OK);
  ASSERT_EQ(bigint_mod(&a, &b, &r), BN_OK);
  EXPECT_EQ(r.words, storage);
}

// Quotient and remainder recombine to the dividend; the product divides back;
// sums and differences undo each other; shifts undo each other.
TEST(BigIntIdentities, RandomOperands) {
  OperandSource source(0x5eed0001);
  for (int round = 0; round < 1500; round++) {
    Big a, d;
    a.set_words(source.words(source.size(70)));
    d.set_words(source.words(source.size(70)));
    if (d.length == 1 && d.words[0] == 0) {
      continue;
    }
    SCOPED_TRACE(hex_of(&a) + " / " + hex_of(&d));
    Snapshot sa(&a), sd(&d);
    Big q, rem, back, sum, diff;
    ASSERT_EQ(bigint_divide(&a, &d, &q, &rem), BN_OK);
    ASSERT_LT(bigint_compare(&rem, &d), 0);
    ASSERT_EQ(bigint_mul(&q, &d, &back), BN_OK);
    ASSERT_EQ(bigint_add_to(&rem, &back), BN_OK);
    ASSERT_EQ(bigint_compare(&back, &a), 0);
    EXPECT_TRUE(is_normalised(&q) && is_normalised(&rem) && is_normalised(&back));

    ASSERT_EQ(bigint_add(&a, &d, &sum), BN_OK);
    ASSERT_EQ(bigint_sub(&sum, &d, &diff), BN_OK);
    ASSERT_EQ(bigint_compare(&diff, &a), 0);
    ASSERT_EQ(bigint_sub_from(&a, &sum), BN_OK);
    ASSERT_EQ(bigint_compare(&sum, &d), 0);

    int32_t s = static_cast<int32_t>(source.next() % 100);
    ASSERT_EQ(bigint_copy(&a, &diff), BN_OK);
    ASSERT_EQ(bigint_shift_left_bits(s, &diff), BN_OK);
    ASSERT_EQ(bigint_shift_right_bits(s, &diff), BN_OK);
    ASSERT_EQ(bigint_compare(&diff, &a), 0);
    EXPECT_TRUE(sa.same_as(&a) && sd.same_as(&d));
  }
}

TEST(BigIntIdentities, InverseTimesOperandIsOne) {
  OperandSource source(0x5eed0002);
  int inverses = 0;
  for (int round = 0; round < 300; round++) {
    Big m, a, r, product, g;
    m.set_words(source.words(source.size(20)));
    a.set_words(source.words(source.size(20)));
    if (bigint_compare(&a, &m) >= 0) {
      continue;
    }
    SCOPED_TRACE(hex_of(&a) + " mod " + hex_of(&m));
    ASSERT_EQ(bigint_gcd(&a, &m, &g), BN_OK);
    BnStatus status = bigint_mod_inverse(&a, &m, &r);
    if (g.length == 1 && g.words[0] == 1) {
      ASSERT_EQ(status, BN_OK);
      ASSERT_LT(bigint_compare(&r, &m), 0);
      ASSERT_EQ(bigint_mod_mul(&a, &r, &m, &product), BN_OK);
      EXPECT_EQ(hex_of(&product), m.length == 1 && m.words[0] == 1 ? "0" : "1");
      inverses++;
    } else {
      EXPECT_EQ(status, BN_NO_INVERSE);
    }
  }
  EXPECT_GT(inverses, 50);
}

// Every allocation of an operation failed in turn: the status is BN_NO_MEMORY,
// the inputs are intact, nothing is left allocated and every released block
// was wiped.
TEST(BigIntAllocation, EveryFailureIsCleanAndWiped) {
  struct Case {
    const char *what;
    std::function<BnStatus(const BigInt *, const BigInt *, const BigInt *, BigInt *, BigInt *)> run;
  };
  const Case cases[] = {
      {"add", [](auto a, auto b, auto, auto r, auto) { return bigint_add(a, b, r); }},
      {"sub", [](auto a, auto b, auto, auto r, auto) { return bigint_sub(a, b, r); }},
      {"mul", [](auto a, auto b, auto, auto r, auto) { return bigint_mul(a, b, r); }},
      {"divide", [](auto a, auto b, auto, auto r, auto s) { return bigint_divide(a, b, r, s); }},
      {"divide by a word",
       [](auto a, auto, auto m, auto r, auto s) { return bigint_divide(a, m, r, s); }},
      {"mod", [](auto a, auto b, auto, auto r, auto) { return bigint_mod(a, b, r); }},
      {"gcd", [](auto a, auto b, auto, auto r, auto) { return bigint_gcd(a, b, r); }},
      {"mod_inverse", [](auto, auto b, auto m, auto r, auto) {
         return bigint_mod_inverse(m, b, r);
       }},
      {"mod_sub", [](auto a, auto b, auto m, auto r, auto) { return bigint_mod_sub(m, a, b, r); }},
      {"mod_mul", [](auto a, auto b, auto m, auto r, auto) { return bigint_mod_mul(a, m, b, r); }},
      {"copy then grow in place", [](auto a, auto, auto, auto r, auto) {
         BnStatus s = bigint_copy(a, r);
         if (s == BN_OK) s = bigint_shift_left_bits(200, r);
         if (s == BN_OK) s = bigint_set_bit(900, r);
         if (s == BN_OK) s = bigint_shift_in_word(7, r);
         if (s == BN_OK) s = bigint_add_word(1, r);
         return s;
       }},
  };
  Big a("f123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef01");
  Big b("fedcba98765432100123456789abcdef1");
  Big m("fffffffb");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Snapshot sa(&a), sb(&b), sm(&m);
    expect_clean_allocation_failures(
        [&] {
          Big r, s;
          return c.run(&a, &b, &m, &r, &s);
        },
        BN_NO_MEMORY, [&] { return sa.same_as(&a) && sb.same_as(&b) && sm.same_as(&m); });
  }
}

TEST(BigIntAllocation, FailedGrowLeavesTheValueEmptyAndWiped) {
  Big x("123456789abcdef0123456789");
  cinder_testing_reset_counters();
  cinder_testing_fail_allocation(1);
  EXPECT_EQ(bigint_grow(100, &x), BN_NO_MEMORY);
  cinder_testing_fail_allocation(0);
  EXPECT_EQ(x.capacity, 0);
  EXPECT_EQ(x.length, 0);
  EXPECT_EQ(x.words, nullptr);
  EXPECT_EQ(cinder_testing_unwiped_releases(), 0);
}

}  // namespace
