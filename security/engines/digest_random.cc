// DigestRandom: seeding, block production and the two state steps.
#include "security/engines/digest_random.h"

#include <string.h>

namespace {

const DigestRandomOps kMd5Ops = {md5_update, md5_final};

DigestRandomContext *as_random(void *ctx) { return static_cast<DigestRandomContext *>(ctx); }

EngineStatus digest_random_context_size(uint32_t *size, const void *) {
  *size = sizeof(DigestRandomContext);
  return ENGINE_OK;
}

// The output block and the increment are left as they are: the first seed
// sets the increment and the first generate the output block.
EngineStatus digest_random_init(void *ctx, const void *, const CancelCheck *) {
  DigestRandomContext *rng = as_random(ctx);
  rng->pending = 0;
  rng->seed_countdown = 2;
  rng->block_length = DIGEST_RANDOM_BLOCK;
  memset(rng->state, 0, sizeof rng->state);
  rng->available = 0;
  md5_init(&rng->md5);
  rng->digest = &kMd5Ops;
  return ENGINE_OK;
}

EngineStatus digest_random_seed(void *ctx, const uint8_t *seed, uint32_t len,
                                const CancelCheck *) {
  DigestRandomContext *rng = as_random(ctx);
  if (rng->seed_countdown == 2) {
    // Nothing has been absorbed since init: this is MD5 of the empty string.
    rng->digest->final(&rng->md5, rng->increment);
    rng->increment[DIGEST_RANDOM_BLOCK - 1] |= 1;
  }
  if (rng->seed_countdown > 0) {
    rng->seed_countdown--;
  }
  if (rng->seed_countdown == 0 && !rng->pending) {
    // A reseed after output chains the current state into the new one.
    rng->digest->update(&rng->md5, rng->state, DIGEST_RANDOM_BLOCK);
  }
  rng->digest->update(&rng->md5, seed, len);
  rng->pending = 1;
  return ENGINE_OK;
}

EngineStatus digest_random_generate(void *ctx, uint8_t *out, uint32_t len, const CancelCheck *) {
  DigestRandomContext *rng = as_random(ctx);
  if (rng->pending) {
    rng->pending = 0;
    rng->available = 0;
    rng->digest->final(&rng->md5, rng->state);
  }
  while (rng->available < len) {
    memcpy(out, rng->output + DIGEST_RANDOM_BLOCK - rng->available, rng->available);
    out += rng->available;
    len -= rng->available;
    rng->digest->update(&rng->md5, rng->state, DIGEST_RANDOM_BLOCK);
    rng->digest->final(&rng->md5, rng->output);
    rng->available = DIGEST_RANDOM_BLOCK;
    if (rng->seed_countdown != 0) {
      digest_random_counter_step(rng->state);
    } else {
      digest_random_add_step(rng->state, rng->increment);
    }
  }
  if (len > 0) {
    memcpy(out, rng->output + DIGEST_RANDOM_BLOCK - rng->available, len);
    rng->available -= len;
  }
  return ENGINE_OK;
}

}  // namespace

void digest_random_counter_step(uint8_t state[DIGEST_RANDOM_BLOCK]) {
  for (int k = DIGEST_RANDOM_BLOCK - 1; k >= 0; k--) {
    const uint8_t before = state[k];
    state[k] = (uint8_t)(before + 1);
    if (before != 0) {
      return;
    }
  }
}

void digest_random_add_step(uint8_t state[DIGEST_RANDOM_BLOCK],
                            const uint8_t increment[DIGEST_RANDOM_BLOCK]) {
  unsigned carry = 0;
  for (int k = DIGEST_RANDOM_BLOCK - 1; k >= 0; k--) {
    const unsigned sum = (unsigned)state[k] + increment[k] + carry;
    state[k] = (uint8_t)sum;
    carry = sum >> 8;
  }
}

const RandomEngineOps DigestRandomEngine = {
    digest_random_context_size,  // sizeof(DigestRandomContext)
    digest_random_init,          // fresh generator, zero state
    digest_random_seed,          // absorbs seed material
    digest_random_generate,      // hands out octets
};
