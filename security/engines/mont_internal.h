// mont_internal.h: the exponentiation with its limb width and window table made
// visible, for tests that check the portable path and the table's laziness.
#ifndef KIT_SECURITY_ENGINES_MONT_INTERNAL_H
#define KIT_SECURITY_ENGINES_MONT_INTERNAL_H

#include <stdint.h>

#include "security/engines/bigint.h"
#include "security/framework/base.h"

// Limb width of the Montgomery kernels. 64-bit limbs (over the same 32-bit
// word arrays) exist where the compiler has a 128-bit product.
enum MontLimbs { MONT_LIMBS_32, MONT_LIMBS_64 };

// Whether 64-bit limbs are available in this build.
bool mont_limbs64_available();

// mod_exp_with is bigint_mod_exp on limbs of the given width (MONT_LIMBS_64
// falls back to 32-bit limbs where unavailable). When |built_entries| is not
// null it receives a mask of the window-table entries that were computed
// (bit v for entry v).
BnStatus mod_exp_with(MontLimbs limbs, const BigInt *base, const BigInt *e, const BigInt *m,
                      BigInt *r, const CancelCheck *cancel, uint32_t *built_entries);

#endif  // KIT_SECURITY_ENGINES_MONT_INTERNAL_H
