// mont.h: Montgomery arithmetic, modular exponentiation and the private-key
// operation by the Chinese remainder theorem.
//
// For an odd modulus m of n words, R = 2^(32n) and a value x is held in
// Montgomery form as x*R mod m. All functions return a big-number status
// (bigint.h); the long-running ones return ENGINE_CANCELLED (1) as soon as
// their cancel check asks them to stop. Inputs are unchanged; outputs must be
// distinct from inputs and are undefined after a failure. Every temporary is
// zeroed before it is released.
#ifndef KIT_SECURITY_ENGINES_MONT_H
#define KIT_SECURITY_ENGINES_MONT_H

#include <stdint.h>

#include "security/engines/bigint.h"
#include "security/framework/base.h"

// bigint_mont_constant: *mu = -m0^-1 mod 2^32 for m's lowest word m0;
// BN_BAD_MODULUS when m is even.
BnStatus bigint_mont_constant(const BigInt *m, uint32_t *mu);
// bigint_to_mont: r = x*R mod m; BN_NOT_REDUCED when x >= m.
BnStatus bigint_to_mont(const BigInt *x, const BigInt *m, BigInt *r);
// bigint_from_mont: r = x*R^-1 mod m (x < m).
BnStatus bigint_from_mont(const BigInt *x, const BigInt *m, uint32_t mu, BigInt *r);
// bigint_mont_mul: r = a*b*R^-1 mod m; BN_NOT_REDUCED when a or b is not below
// m, BN_BAD_MODULUS when m is even.
BnStatus bigint_mont_mul(const BigInt *a, const BigInt *b, const BigInt *m, uint32_t mu,
                         BigInt *r);
// bigint_mont_square: r = a^2*R^-1 mod m; statuses as bigint_mont_mul.
BnStatus bigint_mont_square(const BigInt *a, const BigInt *m, uint32_t mu, BigInt *r);
// bigint_mod_exp: r = base^e mod m by a left-to-right fixed window (1 to 4
// bits, by the exponent's length) whose table entries are computed only when
// a window needs them. BN_BAD_MODULUS for an even m, BN_NOT_REDUCED when
// base >= m (and for m = 1).
BnStatus bigint_mod_exp(const BigInt *base, const BigInt *e, const BigInt *m, BigInt *r,
                        const CancelCheck *cancel);
// bigint_crt_exp: r = x^d mod pq from dP = d mod (p-1), dQ = d mod (q-1) and
// qInv = q^-1 mod p. p and q must be odd (else BN_BAD_MODULUS); either may be
// the larger.
BnStatus bigint_crt_exp(const BigInt *x, const BigInt *p, const BigInt *q, const BigInt *dP,
                        const BigInt *dQ, const BigInt *qInv, BigInt *r,
                        const CancelCheck *cancel);

#endif  // KIT_SECURITY_ENGINES_MONT_H
