// RC4: the key schedule and the stream transform, four octets per loop step.
#include "security/engines/rc4.h"

#include <string.h>

namespace {

EngineStatus rc4_context_size(uint32_t *size, const void *key_value, const void *) {
  const Item *key = static_cast<const Item *>(key_value);
  if (key == nullptr || key->data == nullptr || key->len < RC4_MIN_KEY_LENGTH ||
      key->len > RC4_MAX_KEY_LENGTH) {
    return ENGINE_BAD_KEY_LENGTH;
  }
  *size = sizeof(Rc4Context);
  return ENGINE_OK;
}

EngineStatus rc4_init(void *ctx, const void *key_value, const void *, uintptr_t,
                      const CancelCheck *) {
  const Item *key = static_cast<const Item *>(key_value);
  rc4_key_schedule(static_cast<Rc4Context *>(ctx), key->data, key->len);
  return ENGINE_OK;
}

EngineStatus rc4_update(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                        const uint8_t *in, uint32_t in_len, const CancelCheck *) {
  Rc4Context *rc4 = static_cast<Rc4Context *>(ctx);
  if (in_len > max) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  if (in_len == 0) {
    *out_len = 0;
    return ENGINE_OK;
  }
  if (!rc4->initialized) {
    return ENGINE_NOT_READY;
  }
  if (out != in) {
    memmove(out, in, in_len);
  }
  rc4_transform(rc4, out, in_len);
  *out_len = in_len;
  return ENGINE_OK;
}

EngineStatus rc4_final(void *ctx, uint8_t *, uint32_t *out_len, uint32_t, const CancelCheck *) {
  Rc4Context *rc4 = static_cast<Rc4Context *>(ctx);
  *out_len = 0;
  if (!rc4->initialized) {
    return ENGINE_NOT_READY;
  }
  rc4->initialized = 0;
  return ENGINE_OK;
}

EngineStatus rc4_output_length(void *, uint32_t *len, uint32_t in_len) {
  *len = in_len;
  return ENGINE_OK;
}

EngineStatus rc4_block_size(void *, uint32_t *len) {
  *len = 1;
  return ENGINE_OK;
}

}  // namespace

void rc4_key_schedule(Rc4Context *ctx, const uint8_t *key, uint32_t len) {
  ctx->initialized = 1;
  ctx->i = 0;
  ctx->j = 0;
  for (int n = 0; n < 256; n++) {
    ctx->S[n] = (uint8_t)n;
  }
  uint8_t t = 0;
  uint32_t k = 0;
  for (int n = 0; n < 256; n++) {
    const uint8_t s = ctx->S[n];
    t = (uint8_t)(t + s + key[k]);
    ctx->S[n] = ctx->S[t];
    ctx->S[t] = s;
    if (++k == len) {
      k = 0;
    }
  }
}

// One octet of key stream: i += 1, j += S[i], swap S[i] and S[j], output
// S[S[i] + S[j]]. The indices live in registers as 8-bit values for the whole
// call and are stored back at the end.
#define RC4_STEP(x)                          \
  do {                                       \
    i = (uint8_t)(i + 1);                    \
    const uint8_t si = S[i];                 \
    j = (uint8_t)(j + si);                   \
    const uint8_t sj = S[j];                 \
    S[i] = sj;                               \
    S[j] = si;                               \
    (x) ^= S[(uint8_t)(si + sj)];            \
  } while (0)

void rc4_transform(Rc4Context *ctx, uint8_t *data, uint32_t len) {
  uint8_t *S = ctx->S;
  uint8_t i = (uint8_t)ctx->i;
  uint8_t j = (uint8_t)ctx->j;
  uint32_t n = len;
  for (; n >= 4; n -= 4, data += 4) {
    RC4_STEP(data[0]);
    RC4_STEP(data[1]);
    RC4_STEP(data[2]);
    RC4_STEP(data[3]);
  }
  for (; n > 0; n--, data++) {
    RC4_STEP(data[0]);
  }
  ctx->i = i;
  ctx->j = j;
}

const CipherEngineOps Rc4Engine = {
    rc4_context_size,   // key length 1..256
    rc4_init,           // key schedule
    rc4_update,         // in-place or copying transform
    rc4_final,          // ends the stream
    rc4_output_length,  // same as the input
    rc4_block_size,     // 1
    nullptr,            // the context owns nothing
};
