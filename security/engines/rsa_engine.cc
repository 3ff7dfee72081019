// Raw RSA block engines (RFC 8017 sections 5.1 and 5.2: RSAEP/RSAVP1 with the
// public key, RSADP/RSASP1 with the CRT form of the private key).
#include "security/engines/rsa_engine.h"

#include <string.h>

#include "security/engines/bigint.h"
#include "security/engines/mont.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"

namespace {

// Input collected toward the next block; the first member of both contexts.
struct BlockBuffer {
  uint32_t block_length;  // k
  uint8_t *block;         // k octets
  uint32_t buffered;      // 0 .. k - 1 between calls
};

struct RsaPublicContext {
  BlockBuffer blocks;
  BigInt n;
  BigInt e;
};

// The integers of the private key, in the order of RsaPrivateValue.
enum { KEY_N, KEY_E, KEY_D, KEY_P, KEY_Q, KEY_DP, KEY_DQ, KEY_QINV, KEY_INTEGERS };

struct RsaPrivateContext {
  BlockBuffer blocks;
  BigInt key[KEY_INTEGERS];
};

// The arithmetic of one block: y from x.
typedef BnStatus (*BlockOperation)(void *ctx, const BigInt *x, BigInt *y,
                                   const CancelCheck *cancel);

EngineStatus check_modulus_length(const Item &modulus) {
  return octets_bit_length(modulus.data, modulus.len) > kRsaMaxModulusBits ? ENGINE_BAD_MODULUS
                                                                            : ENGINE_OK;
}

EngineStatus load_integer(const Item &item, BigInt *out) {
  return bn_status_to_engine(bigint_from_octets(item.data, item.len, out));
}

// k from the loaded modulus, and the k-octet buffer.
EngineStatus start_blocks(const BigInt *n, BlockBuffer *blocks) {
  blocks->block_length = static_cast<uint32_t>((bigint_bit_length(n) + 7) / 8);
  blocks->buffered = 0;
  blocks->block = static_cast<uint8_t *>(cinder_alloc(blocks->block_length));
  return blocks->block == nullptr ? ENGINE_NO_MEMORY : ENGINE_OK;
}

void release_blocks(BlockBuffer *blocks) {
  if (blocks->block != nullptr) {
    cinder_wipe_free(blocks->block, blocks->block_length);
  }
  blocks->block = nullptr;
  blocks->buffered = 0;
}

// Transforms the k octets at |in| into exactly k octets at |out|.
EngineStatus transform_block(uint32_t k, BlockOperation operation, void *ctx, const uint8_t *in,
                             uint8_t *out, uint32_t max, const CancelCheck *cancel) {
  if (max < k) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  BigInt x, y;
  bigint_init(&x);
  bigint_init(&y);
  size_t written;
  BnStatus status;
  if ((status = bigint_from_octets(in, k, &x)) == BN_OK &&
      (status = operation(ctx, &x, &y, cancel)) == BN_OK) {
    status = bigint_to_octets_fixed(&y, k, max, &written, out);
  }
  bigint_free(&x);
  bigint_free(&y);
  return bn_status_to_engine(status);
}

// Block collection shared by both engines: complete the buffered block first,
// then transform whole blocks straight from the input, then keep the rest.
EngineStatus collect_blocks(BlockBuffer *blocks, BlockOperation operation, void *ctx,
                            uint8_t *out, uint32_t *out_len, uint32_t max, const uint8_t *in,
                            uint32_t in_len, const CancelCheck *cancel) {
  const uint32_t k = blocks->block_length;
  *out_len = 0;
  if (static_cast<uint64_t>(blocks->buffered) + in_len < k) {
    memcpy(blocks->block + blocks->buffered, in, in_len);
    blocks->buffered += in_len;
    return ENGINE_OK;
  }
  EngineStatus status;
  if (blocks->buffered > 0) {
    const uint32_t fill = k - blocks->buffered;
    memcpy(blocks->block + blocks->buffered, in, fill);
    in += fill;
    in_len -= fill;
    blocks->buffered = 0;
    if ((status = transform_block(k, operation, ctx, blocks->block, out, max, cancel)) !=
        ENGINE_OK) {
      return status;
    }
    out += k;
    max -= k;
    *out_len += k;
  }
  while (in_len >= k) {
    if ((status = transform_block(k, operation, ctx, in, out, max, cancel)) != ENGINE_OK) {
      return status;
    }
    in += k;
    in_len -= k;
    out += k;
    max -= k;
    *out_len += k;
  }
  memcpy(blocks->block, in, in_len);
  blocks->buffered = in_len;
  return ENGINE_OK;
}

// y = x^e mod n; x >= n fails in the exponentiation as not reduced.
BnStatus public_block(void *ctx, const BigInt *x, BigInt *y, const CancelCheck *cancel) {
  RsaPublicContext *c = static_cast<RsaPublicContext *>(ctx);
  return bigint_mod_exp(x, &c->e, &c->n, y, cancel);
}

// y = x^d mod n by the CRT.
BnStatus private_block(void *ctx, const BigInt *x, BigInt *y, const CancelCheck *cancel) {
  const BigInt *key = static_cast<RsaPrivateContext *>(ctx)->key;
  if (bigint_compare(x, &key[KEY_N]) >= 0) {
    return BN_NOT_REDUCED;
  }
  return bigint_crt_exp(x, &key[KEY_P], &key[KEY_Q], &key[KEY_DP], &key[KEY_DQ], &key[KEY_QINV], y,
                        cancel);
}

EngineStatus rsa_final(void *ctx, uint8_t *, uint32_t *out_len, uint32_t, const CancelCheck *) {
  const BlockBuffer *blocks = static_cast<const BlockBuffer *>(ctx);
  *out_len = 0;
  return blocks->buffered != 0 ? ENGINE_BAD_INPUT_LENGTH : ENGINE_OK;
}

EngineStatus rsa_output_length(void *ctx, uint32_t *len, uint32_t in_len) {
  const uint64_t k = static_cast<const BlockBuffer *>(ctx)->block_length;
  const uint64_t rounded = (in_len + k - 1) / k * k;
  if (rounded > UINT32_MAX) {
    return ENGINE_BAD_INPUT_LENGTH;
  }
  *len = static_cast<uint32_t>(rounded);
  return ENGINE_OK;
}

EngineStatus rsa_block_size(void *ctx, uint32_t *len) {
  *len = static_cast<const BlockBuffer *>(ctx)->block_length;
  return ENGINE_OK;
}

// RsaPublicEngine slots.

EngineStatus public_context_size(uint32_t *size, const void *key_value, const void *) {
  const RsaPublicValue *key = static_cast<const RsaPublicValue *>(key_value);
  *size = sizeof(RsaPublicContext);
  return check_modulus_length(key->modulus);
}

EngineStatus public_init(void *ctx, const void *key_value, const void *, uintptr_t,
                         const CancelCheck *) {
  RsaPublicContext *c = static_cast<RsaPublicContext *>(ctx);
  const RsaPublicValue *key = static_cast<const RsaPublicValue *>(key_value);
  EngineStatus status;
  if ((status = load_integer(key->modulus, &c->n)) != ENGINE_OK ||
      (status = load_integer(key->public_exponent, &c->e)) != ENGINE_OK) {
    return status;
  }
  return start_blocks(&c->n, &c->blocks);
}

EngineStatus public_update(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                           const uint8_t *in, uint32_t in_len, const CancelCheck *cancel) {
  RsaPublicContext *c = static_cast<RsaPublicContext *>(ctx);
  return collect_blocks(&c->blocks, public_block, c, out, out_len, max, in, in_len, cancel);
}

void public_destroy(ContextBlock *block) {
  RsaPublicContext *c = static_cast<RsaPublicContext *>(block->data);
  if (c == nullptr) {
    return;
  }
  release_blocks(&c->blocks);
  bigint_free(&c->n);
  bigint_free(&c->e);
}

void public_attach_destructor(ContextBlock *block) { block->destroy = public_destroy; }

// RsaPrivateEngine slots.

EngineStatus private_context_size(uint32_t *size, const void *key_value, const void *) {
  const RsaPrivateValue *key = static_cast<const RsaPrivateValue *>(key_value);
  *size = sizeof(RsaPrivateContext);
  return check_modulus_length(key->modulus);
}

EngineStatus private_init(void *ctx, const void *key_value, const void *, uintptr_t,
                          const CancelCheck *) {
  RsaPrivateContext *c = static_cast<RsaPrivateContext *>(ctx);
  const RsaPrivateValue *key = static_cast<const RsaPrivateValue *>(key_value);
  const Item items[KEY_INTEGERS] = {key->modulus,  key->public_exponent, key->private_exponent,
                                    key->prime1,   key->prime2,          key->exponent1,
                                    key->exponent2, key->coefficient};
  for (int i = 0; i < KEY_INTEGERS; i++) {
    EngineStatus status = load_integer(items[i], &c->key[i]);
    if (status != ENGINE_OK) {
      return status;
    }
  }
  return start_blocks(&c->key[KEY_N], &c->blocks);
}

EngineStatus private_update(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                            const uint8_t *in, uint32_t in_len, const CancelCheck *cancel) {
  RsaPrivateContext *c = static_cast<RsaPrivateContext *>(ctx);
  return collect_blocks(&c->blocks, private_block, c, out, out_len, max, in, in_len, cancel);
}

void private_destroy(ContextBlock *block) {
  RsaPrivateContext *c = static_cast<RsaPrivateContext *>(block->data);
  if (c == nullptr) {
    return;
  }
  release_blocks(&c->blocks);
  for (BigInt &integer : c->key) {
    bigint_free(&integer);
  }
}

void private_attach_destructor(ContextBlock *block) { block->destroy = private_destroy; }

}  // namespace

const CipherEngineOps RsaPublicEngine = {
    public_context_size,       // the 2048-bit limit, sizeof(RsaPublicContext)
    public_init,               // n, e, k and the block buffer
    public_update,             // blocks of x^e mod n
    rsa_final,                 // no partial block may remain
    rsa_output_length,         // input rounded up to k
    rsa_block_size,            // k
    public_attach_destructor,  // releases the buffer and the integers
};

const CipherEngineOps RsaPrivateEngine = {
    private_context_size,       // the 2048-bit limit, sizeof(RsaPrivateContext)
    private_init,               // the eight integers, k and the block buffer
    private_update,             // blocks of x^d mod n by the CRT
    rsa_final,                  // no partial block may remain
    rsa_output_length,          // input rounded up to k
    rsa_block_size,             // k
    private_attach_destructor,  // releases the buffer and the integers
};
