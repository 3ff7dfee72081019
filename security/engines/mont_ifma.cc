// The AVX-512 IFMA Montgomery kernel (vpmadd52luq / vpmadd52huq: the low and
// high 52 bits of a 52 x 52-bit product added to a 64-bit lane), after
// S. Gueron and V. Krasnov, "Accelerating big integer arithmetic using Intel
// IFMA extensions" (ARITH 2016).
//
// A product is operand scanning over the limbs of b: each step adds the low
// halves of a * b[i] and of u * m to the 20 lanes of the accumulator, where u
// clears the low 52 bits of lane 0; the accumulator then moves down one lane
// (lane 0's excess carried into the new lane 0) and takes the high halves,
// which belong one lane up. Lanes are not normalised inside the loop: each
// takes at most four 52-bit terms a step, so 20 steps stay far below 2^64.
// Two independent products are interleaved so that one's dependency chain
// (lane 0, u, the shift) runs while the other's multiplies issue.
#include "security/engines/mont_ifma.h"

#if defined(KIT_MONT_IFMA)

#include <immintrin.h>

namespace {

#define KIT_IFMA_TARGET __attribute__((target("avx512f,avx512vl,avx512ifma")))
#define KIT_IFMA_INLINE KIT_IFMA_TARGET __attribute__((always_inline)) inline

constexpr int kVectors = kIfmaLimbs / 4;  // four 64-bit lanes a vector
constexpr uint64_t kLimbMask = (uint64_t{1} << kIfmaLimbBits) - 1;

struct Accumulator {
  __m256i lane[kVectors];
};

KIT_IFMA_INLINE void load_vectors(const uint64_t *x, __m256i *v) {
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    v[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + 4 * j));
  }
}

// One step of the product for limb b_i of b.
KIT_IFMA_INLINE void product_step(Accumulator &t, const __m256i *a, const __m256i *m,
                                  __m256i k0, uint64_t b_i) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i b = _mm256_set1_epi64x(static_cast<long long>(b_i));
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    t.lane[j] = _mm256_madd52lo_epu64(t.lane[j], a[j], b);
  }
  // u = lane0 * k0 mod 2^52, in every lane.
  __m256i u = _mm256_madd52lo_epu64(zero, t.lane[0], k0);
  u = _mm256_broadcastq_epi64(_mm256_castsi256_si128(u));
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    t.lane[j] = _mm256_madd52lo_epu64(t.lane[j], m[j], u);
  }
  // Lane 0 is now a multiple of 2^52: drop it, keeping its carry.
  const __m256i carry = _mm256_srli_epi64(t.lane[0], kIfmaLimbBits);
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors - 1; j++) {
    t.lane[j] = _mm256_alignr_epi64(t.lane[j + 1], t.lane[j], 1);
  }
  t.lane[kVectors - 1] = _mm256_alignr_epi64(zero, t.lane[kVectors - 1], 1);
  t.lane[0] = _mm256_mask_add_epi64(t.lane[0], 1, t.lane[0], carry);
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    t.lane[j] = _mm256_madd52hi_epu64(t.lane[j], a[j], b);
  }
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    t.lane[j] = _mm256_madd52hi_epu64(t.lane[j], m[j], u);
  }
}

// Writes the accumulator as 52-bit limbs. One vector pass moves every lane's
// excess (below 2^12) one lane up; what carries remain are single bits, which
// ripple through lanes equal to 2^52 - 1. Their lanes are found as an integer
// sum over lane masks, so the time does not depend on the value.
KIT_IFMA_INLINE void normalise_store(Accumulator &t, uint64_t *r) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i mask = _mm256_set1_epi64x(static_cast<long long>(kLimbMask));
  const __m256i one = _mm256_set1_epi64x(1);
  __m256i carry[kVectors];
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    carry[j] = _mm256_srli_epi64(t.lane[j], kIfmaLimbBits);
    t.lane[j] = _mm256_and_si256(t.lane[j], mask);
  }
  // The value is below 2m < 2^1025, so the top lane carries nothing out.
  t.lane[0] = _mm256_add_epi64(t.lane[0], _mm256_alignr_epi64(carry[0], zero, 3));
  #pragma GCC unroll 5
  for (int j = 1; j < kVectors; j++) {
    t.lane[j] = _mm256_add_epi64(t.lane[j], _mm256_alignr_epi64(carry[j], carry[j - 1], 3));
  }
  uint32_t generate = 0;
  uint32_t propagate = 0;
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    generate |= static_cast<uint32_t>(_mm256_cmpgt_epu64_mask(t.lane[j], mask)) << (4 * j);
    propagate |= static_cast<uint32_t>(_mm256_cmpeq_epu64_mask(t.lane[j], mask)) << (4 * j);
  }
  const uint32_t plus_one = ((generate << 1) + propagate) ^ propagate;
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    const __mmask8 lanes = static_cast<__mmask8>((plus_one >> (4 * j)) & 0xF);
    t.lane[j] = _mm256_and_si256(_mm256_mask_add_epi64(t.lane[j], lanes, t.lane[j], one), mask);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(r + 4 * j), t.lane[j]);
  }
}

}  // namespace

bool cpu_has_ifma() {
  static const bool has = __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("avx512vl") &&
                          __builtin_cpu_supports("avx512ifma");
  return has;
}

void ifma_modulus_init(const BigInt *m, uint64_t mu64, IfmaModulus *mod) {
  ifma_load(m, mod->m);
  mod->k0 = mu64 & kLimbMask;
}

void ifma_load(const BigInt *x, uint64_t *limbs) {
  unsigned __int128 pending = 0;
  int pending_bits = 0;
  int32_t word = 0;
  for (int32_t j = 0; j < kIfmaLimbs; j++) {
    while (pending_bits < kIfmaLimbBits) {
      const uint64_t w = word < x->length ? x->words[word] : 0;
      pending |= static_cast<unsigned __int128>(w) << pending_bits;
      pending_bits += 32;
      word++;
    }
    limbs[j] = static_cast<uint64_t>(pending) & kLimbMask;
    pending >>= kIfmaLimbBits;
    pending_bits -= kIfmaLimbBits;
  }
}

BnStatus ifma_store(const uint64_t *limbs, BigInt *r) {
  constexpr int32_t words = (kIfmaLimbs * kIfmaLimbBits + 31) / 32;
  BnStatus status = bigint_reserve(words + 1, r);
  if (status != BN_OK) {
    return status;
  }
  unsigned __int128 pending = 0;
  int pending_bits = 0;
  int32_t j = 0;
  for (int32_t i = 0; i < words; i++) {
    if (pending_bits < 32 && j < kIfmaLimbs) {
      pending |= static_cast<unsigned __int128>(limbs[j++]) << pending_bits;
      pending_bits += kIfmaLimbBits;
    }
    r->words[i] = static_cast<uint32_t>(pending);
    pending >>= 32;
    pending_bits -= 32;
  }
  r->length = words;
  while (r->length > 1 && r->words[r->length - 1] == 0) {
    r->length--;
  }
  return BN_OK;
}

KIT_IFMA_TARGET void ifma_mont_mul_pair(const uint64_t *a0, const uint64_t *b0,
                                        const IfmaModulus &m0, uint64_t *r0, const uint64_t *a1,
                                        const uint64_t *b1, const IfmaModulus &m1,
                                        uint64_t *r1) {
  __m256i va0[kVectors], vm0[kVectors], va1[kVectors], vm1[kVectors];
  load_vectors(a0, va0);
  load_vectors(m0.m, vm0);
  load_vectors(a1, va1);
  load_vectors(m1.m, vm1);
  const __m256i k0 = _mm256_set1_epi64x(static_cast<long long>(m0.k0));
  const __m256i k1 = _mm256_set1_epi64x(static_cast<long long>(m1.k0));
  Accumulator t0, t1;
  #pragma GCC unroll 5
  for (int j = 0; j < kVectors; j++) {
    t0.lane[j] = _mm256_setzero_si256();
    t1.lane[j] = _mm256_setzero_si256();
  }
  for (int32_t i = 0; i < kIfmaLimbs; i++) {
    product_step(t0, va0, vm0, k0, b0[i]);
    product_step(t1, va1, vm1, k1, b1[i]);
  }
  normalise_store(t0, r0);
  normalise_store(t1, r1);
}

KIT_IFMA_TARGET void ifma_normalise(const uint64_t *lanes, uint64_t *limbs) {
  Accumulator t;
  load_vectors(lanes, t.lane);
  normalise_store(t, limbs);
}

#endif  // KIT_MONT_IFMA
