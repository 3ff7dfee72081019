// mont_ifma.h: the AVX-512 IFMA Montgomery kernel for 1024-bit moduli, two
// products at a time (x86-64 builds only; chosen at run time).
//
// Values are 20 limbs of 52 bits (1040 bits), so R = 2^1040. The kernel is
// an "almost Montgomery" product: for a, b < 2m it returns a value below 2m
// congruent to a * b * R^-1, with no final subtraction; 4m < R keeps it in
// that range from one product to the next. The product with 1 of a value
// below 2m is at most m, and equals m only for a multiple of m.
#ifndef KIT_SECURITY_ENGINES_MONT_IFMA_H
#define KIT_SECURITY_ENGINES_MONT_IFMA_H

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KIT_MONT_IFMA 1

#include <stdint.h>

#include "security/engines/bigint.h"

constexpr int32_t kIfmaLimbs = 20;
constexpr int32_t kIfmaLimbBits = 52;
// The words of the moduli the kernel serves (at most 1024 bits, so 4m < R).
constexpr int32_t kIfmaModulusWords = 32;

struct IfmaModulus {
  uint64_t m[kIfmaLimbs];
  uint64_t k0;  // -m^-1 mod 2^52
};

// Whether this processor has AVX-512 F, VL and IFMA.
bool cpu_has_ifma();

// ifma_modulus_init: the limbs of m (odd, at most kIfmaModulusWords words) and
// its constant from mu64 = -m^-1 mod 2^64.
void ifma_modulus_init(const BigInt *m, uint64_t mu64, IfmaModulus *mod);

// ifma_load: the limbs of x (below 2^1040).
void ifma_load(const BigInt *x, uint64_t *limbs);
// ifma_store: r = the value of the limbs.
BnStatus ifma_store(const uint64_t *limbs, BigInt *r);

// ifma_mont_mul_pair: r0 = a0 * b0 * R^-1 modulo m0 and r1 = a1 * b1 * R^-1
// modulo m1, both as above. Each r may be its a or b.
void ifma_mont_mul_pair(const uint64_t *a0, const uint64_t *b0, const IfmaModulus &m0,
                        uint64_t *r0, const uint64_t *a1, const uint64_t *b1,
                        const IfmaModulus &m1, uint64_t *r1);

// ifma_normalise: the kernel's last step on its own, for tests: limbs = the
// value of 20 lanes of any 64-bit values at 52-bit steps, which must be
// below 2^1040.
void ifma_normalise(const uint64_t *lanes, uint64_t *limbs);

#endif
#endif  // KIT_SECURITY_ENGINES_MONT_IFMA_H
