// digest_random.h: DigestRandom, the MD5-based deterministic random generator
// behind the algorithm type ALG_RANDOM. The same seed calls followed by the
// same generate calls always give the same octets.
//
// The generator keeps a 16-octet state S. Seed material is absorbed into an
// MD5 context; the next generate replaces S by the digest of what was
// absorbed. Output blocks are MD5(S); after each block S steps: by a counter
// step while the generator has been seeded at most once since init, by adding
// the odd constant C = MD5("") | 1 after that.
#ifndef KIT_SECURITY_ENGINES_DIGEST_RANDOM_H
#define KIT_SECURITY_ENGINES_DIGEST_RANDOM_H

#include <stdint.h>

#include "security/engines/md5.h"
#include "security/framework/engine_ops.h"

enum { DIGEST_RANDOM_BLOCK = MD5_DIGEST_LENGTH };

// The digest the generator runs on: update and final over its own context.
struct DigestRandomOps {
  void (*update)(Md5Context *ctx, const uint8_t *data, uint32_t len);
  void (*final)(Md5Context *ctx, uint8_t out[MD5_DIGEST_LENGTH]);
};

struct DigestRandomContext {
  int32_t pending;         // 1 when seed material waits to be folded into the state
  int32_t seed_countdown;  // 2 after init, down to 0 by the seed calls
  uint32_t block_length;   // 16
  uint8_t state[DIGEST_RANDOM_BLOCK];      // S, big-endian when stepped
  uint8_t increment[DIGEST_RANDOM_BLOCK];  // C, the odd constant of the addition step
  uint8_t output[DIGEST_RANDOM_BLOCK];     // O, the last block produced
  uint32_t available;                      // octets at the end of O not yet handed out
  const DigestRandomOps *digest;
  Md5Context md5;
};

// digest_random_counter_step: from the last octet toward the first, add 1 and
// move on only while the octet was 0 before the addition.
void digest_random_counter_step(uint8_t state[DIGEST_RANDOM_BLOCK]);
// digest_random_add_step: state = (state + increment) mod 2^128, big-endian.
void digest_random_add_step(uint8_t state[DIGEST_RANDOM_BLOCK],
                            const uint8_t increment[DIGEST_RANDOM_BLOCK]);

// The random engine table: contextSize, init, update (seed), generate. No
// slot fails; info and cancel are not used.
extern const RandomEngineOps DigestRandomEngine;

#endif  // KIT_SECURITY_ENGINES_DIGEST_RANDOM_H
