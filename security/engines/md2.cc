// MD2 as RFC 1319 and its reference implementation compute it.
#include "security/engines/md2.h"

#include <string.h>

#include "security/framework/memory.h"

namespace {

// The permutation of RFC 1319 section 3.2, built from the digits of pi.
constexpr uint8_t kS[256] = {
    41,  46,  67,  201, 162, 216, 124, 1,   61,  54,  84,  161, 236, 240, 6,   19,
    98,  167, 5,   243, 192, 199, 115, 140, 152, 147, 43,  217, 188, 76,  130, 202,
    30,  155, 87,  60,  253, 212, 224, 22,  103, 66,  111, 24,  138, 23,  229, 18,
    190, 78,  196, 214, 218, 158, 222, 73,  160, 251, 245, 142, 187, 47,  238, 122,
    169, 104, 121, 145, 21,  178, 7,   63,  148, 194, 16,  137, 11,  34,  95,  33,
    128, 127, 93,  154, 90,  144, 50,  39,  53,  62,  204, 231, 191, 247, 151, 3,
    255, 25,  48,  179, 72,  165, 181, 209, 215, 94,  146, 42,  172, 86,  170, 198,
    79,  184, 56,  210, 150, 164, 125, 182, 118, 252, 107, 226, 156, 116, 4,   241,
    69,  157, 112, 89,  100, 113, 135, 32,  134, 91,  207, 101, 230, 45,  168, 2,
    27,  96,  37,  173, 174, 176, 185, 246, 28,  70,  97,  105, 52,  64,  126, 15,
    85,  71,  163, 35,  221, 81,  175, 58,  195, 92,  249, 206, 186, 197, 234, 38,
    44,  83,  13,  110, 133, 40,  132, 9,   211, 223, 205, 244, 65,  129, 77,  82,
    106, 220, 55,  200, 108, 193, 171, 250, 36,  225, 123, 8,   12,  189, 177, 74,
    120, 136, 149, 139, 227, 99,  232, 109, 233, 203, 213, 254, 59,  0,   29,  57,
    242, 239, 183, 14,  102, 88,  208, 228, 166, 119, 114, 248, 235, 117, 75,  10,
    49,  68,  80,  180, 143, 237, 31,  26,  219, 153, 141, 51,  159, 17,  131, 20,
};

// The same permutation widened to words: the rounds below index it with a
// word and get a word back, so no octet has to be widened on the way.
struct WideTable {
  uint32_t entry[256];
};
constexpr WideTable widen(const uint8_t (&table)[256]) {
  WideTable wide = {};
  for (int i = 0; i < 256; i++) wide.entry[i] = table[i];
  return wide;
}
constexpr WideTable kSWide = widen(kS);

}  // namespace

namespace {

// Transforms one 16-octet block (RFC 1319 sections 3.3 and 3.4): the state is
// mixed through 18 rounds over a 48-octet work area, and the checksum absorbs
// the block, each checksum octet XORed with the table value as the reference
// code does.
void md2_transform(Md2Context *ctx, const uint8_t *block) {
  // The work area holds octet values in words (every value stays below 256).
  uint32_t x[48];
  for (int i = 0; i < 16; i++) {
    x[i] = ctx->state[i];
    x[16 + i] = block[i];
    x[32 + i] = (uint32_t)(ctx->state[i] ^ block[i]);
  }
  // The rounds are one long chain through t: each step is one table load and
  // one xor.
  uint32_t t = 0;
  for (uint32_t j = 0; j < 18; j++) {
    for (int k = 0; k < 48; k++) {
      t = x[k] ^ kSWide.entry[t];
      x[k] = t;
    }
    t = (t + j) & 0xff;
  }
  for (int i = 0; i < 16; i++) {
    ctx->state[i] = (uint8_t)x[i];
  }
  uint8_t l = ctx->checksum[15];
  for (int i = 0; i < 16; i++) {
    l = ctx->checksum[i] ^= kS[block[i] ^ l];
  }
  cinder_wipe(x, sizeof(x));
}

}  // namespace

void md2_init(Md2Context *ctx) { memset(ctx, 0, sizeof(*ctx)); }

void md2_update(Md2Context *ctx, const uint8_t *data, uint32_t len) {
  uint32_t fill = ctx->fill;
  ctx->fill = (fill + len) % MD2_BLOCK_LENGTH;
  uint32_t room = MD2_BLOCK_LENGTH - fill;
  if (len < room) {
    if (len > 0) {
      memcpy(ctx->buffer + fill, data, len);
    }
    return;
  }
  memcpy(ctx->buffer + fill, data, room);
  md2_transform(ctx, ctx->buffer);
  data += room;
  len -= room;
  for (; len >= MD2_BLOCK_LENGTH; len -= MD2_BLOCK_LENGTH, data += MD2_BLOCK_LENGTH) {
    md2_transform(ctx, data);
  }
  if (len > 0) {
    memcpy(ctx->buffer, data, len);
  }
}

void md2_final(Md2Context *ctx, uint8_t out[MD2_DIGEST_LENGTH]) {
  uint8_t padding[MD2_BLOCK_LENGTH];
  uint32_t p = MD2_BLOCK_LENGTH - ctx->fill;
  memset(padding, (int)p, p);
  md2_update(ctx, padding, p);
  uint8_t checksum[16];
  memcpy(checksum, ctx->checksum, sizeof(checksum));
  md2_update(ctx, checksum, sizeof(checksum));
  memcpy(out, ctx->state, MD2_DIGEST_LENGTH);
  cinder_wipe(checksum, sizeof(checksum));
  cinder_wipe(ctx, sizeof(*ctx));
}

namespace {

EngineStatus md2_engine_context_size(uint32_t *size, const void *) {
  *size = sizeof(Md2Context);
  return ENGINE_OK;
}

EngineStatus md2_engine_init(void *ctx, const void *, const CancelCheck *) {
  md2_init(static_cast<Md2Context *>(ctx));
  return ENGINE_OK;
}

EngineStatus md2_engine_update(void *ctx, const uint8_t *data, uint32_t len, const CancelCheck *) {
  md2_update(static_cast<Md2Context *>(ctx), data, len);
  return ENGINE_OK;
}

EngineStatus md2_engine_final(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                              const CancelCheck *) {
  *out_len = MD2_DIGEST_LENGTH;
  if (max < MD2_DIGEST_LENGTH) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  md2_final(static_cast<Md2Context *>(ctx), out);
  return ENGINE_OK;
}

EngineStatus md2_engine_digest_length(void *, uint32_t *len) {
  *len = MD2_DIGEST_LENGTH;
  return ENGINE_OK;
}

}  // namespace

const DigestEngineOps Md2Engine = {
    md2_engine_context_size,   // contextSize
    md2_engine_init,           // init
    md2_engine_update,         // update
    md2_engine_final,          // final
    md2_engine_digest_length,  // digestLength
};
