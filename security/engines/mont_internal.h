// mont_internal.h: the exponentiation with its kernels and window table made
// visible, for tests that check the portable path and the table's laziness.
#ifndef KIT_SECURITY_ENGINES_MONT_INTERNAL_H
#define KIT_SECURITY_ENGINES_MONT_INTERNAL_H

#include <stdint.h>

#include "security/engines/bigint.h"
#include "security/engines/mont_ifma.h"
#include "security/framework/base.h"

// Limb width and kernels of the Montgomery arithmetic. 64-bit limbs (over the
// same 32-bit word arrays) exist where the compiler has a 128-bit product;
// MONT_LIMBS_64_ADX adds the x86-64 BMI2/ADX kernels for the fixed sizes of
// RSA primes and moduli where the processor has them (else it is
// MONT_LIMBS_64). MONT_LIMBS_64 is the portable C++ path.
enum MontLimbs { MONT_LIMBS_32, MONT_LIMBS_64, MONT_LIMBS_64_ADX };

// Whether 64-bit limbs are available in this build.
bool mont_limbs64_available();
// Whether the BMI2/ADX kernels exist in this build and this processor has them.
bool mont_adx_available();

// mod_exp_with is bigint_mod_exp with the given kernels (64-bit limbs fall
// back to 32-bit ones where unavailable). When |built_entries| is not
// null it receives a mask of the window-table entries that were computed
// (bit v for entry v).
BnStatus mod_exp_with(MontLimbs limbs, const BigInt *base, const BigInt *e, const BigInt *m,
                      BigInt *r, const CancelCheck *cancel, uint32_t *built_entries);

// crt_half_with is one half of bigint_crt_exp, base^e mod m: mod_exp_with with
// a 5-bit window for exponents of more than 640 bits (the window of
// bigint_mod_exp otherwise), its entries still computed only when needed.
BnStatus crt_half_with(MontLimbs limbs, const BigInt *base, const BigInt *e, const BigInt *m,
                       BigInt *r, const CancelCheck *cancel, uint32_t *built_entries);

// mont_product_with is bigint_mont_mul (bigint_mont_square when |b| is null)
// with the given kernels; 64-bit limbs are used only for an even number of
// words, where R is the same either way.
BnStatus mont_product_with(MontLimbs limbs, const BigInt *a, const BigInt *b, const BigInt *m,
                           uint32_t mu, BigInt *r);

#if defined(KIT_MONT_IFMA)
// crt_halves_ifma: r[s] = base[s]^e[s] mod m[s] for s = 0 and 1, the two
// exponentiations side by side on the IFMA kernel (mont_ifma.h) with a 5-bit
// window whose table is built whole. For moduli of exactly kIfmaModulusWords
// words and base[s] < m[s], where cpu_has_ifma(). BN_BAD_MODULUS for an even
// modulus; BN_NO_MEMORY; ENGINE_CANCELLED.
BnStatus crt_halves_ifma(const BigInt *const base[2], const BigInt *const e[2],
                         const BigInt *const m[2], BigInt *const r[2],
                         const CancelCheck *cancel);
#endif

#endif  // KIT_SECURITY_ENGINES_MONT_INTERNAL_H
