// MD5 as RFC 1321 describes it. Full blocks are compressed straight from the
// caller's data; the compression is unrolled over its 64 steps with the
// constants inline.
#include "security/engines/md5.h"

#include <string.h>

#include "security/framework/memory.h"

namespace {

inline uint32_t load_le32(const uint8_t *p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline void store_le32(uint8_t *p, uint32_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
  p[2] = (uint8_t)(v >> 16);
  p[3] = (uint8_t)(v >> 24);
}

inline uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The four auxiliary functions of RFC 1321 section 3.4, in forms with fewer
// operations but the same values.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, k, s, t)       \
  do {                                         \
    (a) += f((b), (c), (d)) + X[k] + (uint32_t)(t); \
    (a) = rotl((a), (s)) + (b);                \
  } while (0)

// Compresses |blocks| consecutive 64-octet blocks of |data| into |state|.
void md5_compress(uint32_t state[4], const uint8_t *data, size_t blocks) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t X[16];
  for (; blocks > 0; blocks--, data += MD5_BLOCK_LENGTH) {
    for (int i = 0; i < 16; i++) {
      X[i] = load_le32(data + 4 * i);
    }
    const uint32_t aa = a, bb = b, cc = c, dd = d;

    MD5_STEP(MD5_F, a, b, c, d, 0, 7, 0xd76aa478);
    MD5_STEP(MD5_F, d, a, b, c, 1, 12, 0xe8c7b756);
    MD5_STEP(MD5_F, c, d, a, b, 2, 17, 0x242070db);
    MD5_STEP(MD5_F, b, c, d, a, 3, 22, 0xc1bdceee);
    MD5_STEP(MD5_F, a, b, c, d, 4, 7, 0xf57c0faf);
    MD5_STEP(MD5_F, d, a, b, c, 5, 12, 0x4787c62a);
    MD5_STEP(MD5_F, c, d, a, b, 6, 17, 0xa8304613);
    MD5_STEP(MD5_F, b, c, d, a, 7, 22, 0xfd469501);
    MD5_STEP(MD5_F, a, b, c, d, 8, 7, 0x698098d8);
    MD5_STEP(MD5_F, d, a, b, c, 9, 12, 0x8b44f7af);
    MD5_STEP(MD5_F, c, d, a, b, 10, 17, 0xffff5bb1);
    MD5_STEP(MD5_F, b, c, d, a, 11, 22, 0x895cd7be);
    MD5_STEP(MD5_F, a, b, c, d, 12, 7, 0x6b901122);
    MD5_STEP(MD5_F, d, a, b, c, 13, 12, 0xfd987193);
    MD5_STEP(MD5_F, c, d, a, b, 14, 17, 0xa679438e);
    MD5_STEP(MD5_F, b, c, d, a, 15, 22, 0x49b40821);

    MD5_STEP(MD5_G, a, b, c, d, 1, 5, 0xf61e2562);
    MD5_STEP(MD5_G, d, a, b, c, 6, 9, 0xc040b340);
    MD5_STEP(MD5_G, c, d, a, b, 11, 14, 0x265e5a51);
    MD5_STEP(MD5_G, b, c, d, a, 0, 20, 0xe9b6c7aa);
    MD5_STEP(MD5_G, a, b, c, d, 5, 5, 0xd62f105d);
    MD5_STEP(MD5_G, d, a, b, c, 10, 9, 0x02441453);
    MD5_STEP(MD5_G, c, d, a, b, 15, 14, 0xd8a1e681);
    MD5_STEP(MD5_G, b, c, d, a, 4, 20, 0xe7d3fbc8);
    MD5_STEP(MD5_G, a, b, c, d, 9, 5, 0x21e1cde6);
    MD5_STEP(MD5_G, d, a, b, c, 14, 9, 0xc33707d6);
    MD5_STEP(MD5_G, c, d, a, b, 3, 14, 0xf4d50d87);
    MD5_STEP(MD5_G, b, c, d, a, 8, 20, 0x455a14ed);
    MD5_STEP(MD5_G, a, b, c, d, 13, 5, 0xa9e3e905);
    MD5_STEP(MD5_G, d, a, b, c, 2, 9, 0xfcefa3f8);
    MD5_STEP(MD5_G, c, d, a, b, 7, 14, 0x676f02d9);
    MD5_STEP(MD5_G, b, c, d, a, 12, 20, 0x8d2a4c8a);

    MD5_STEP(MD5_H, a, b, c, d, 5, 4, 0xfffa3942);
    MD5_STEP(MD5_H, d, a, b, c, 8, 11, 0x8771f681);
    MD5_STEP(MD5_H, c, d, a, b, 11, 16, 0x6d9d6122);
    MD5_STEP(MD5_H, b, c, d, a, 14, 23, 0xfde5380c);
    MD5_STEP(MD5_H, a, b, c, d, 1, 4, 0xa4beea44);
    MD5_STEP(MD5_H, d, a, b, c, 4, 11, 0x4bdecfa9);
    MD5_STEP(MD5_H, c, d, a, b, 7, 16, 0xf6bb4b60);
    MD5_STEP(MD5_H, b, c, d, a, 10, 23, 0xbebfbc70);
    MD5_STEP(MD5_H, a, b, c, d, 13, 4, 0x289b7ec6);
    MD5_STEP(MD5_H, d, a, b, c, 0, 11, 0xeaa127fa);
    MD5_STEP(MD5_H, c, d, a, b, 3, 16, 0xd4ef3085);
    MD5_STEP(MD5_H, b, c, d, a, 6, 23, 0x04881d05);
    MD5_STEP(MD5_H, a, b, c, d, 9, 4, 0xd9d4d039);
    MD5_STEP(MD5_H, d, a, b, c, 12, 11, 0xe6db99e5);
    MD5_STEP(MD5_H, c, d, a, b, 15, 16, 0x1fa27cf8);
    MD5_STEP(MD5_H, b, c, d, a, 2, 23, 0xc4ac5665);

    MD5_STEP(MD5_I, a, b, c, d, 0, 6, 0xf4292244);
    MD5_STEP(MD5_I, d, a, b, c, 7, 10, 0x432aff97);
    MD5_STEP(MD5_I, c, d, a, b, 14, 15, 0xab9423a7);
    MD5_STEP(MD5_I, b, c, d, a, 5, 21, 0xfc93a039);
    MD5_STEP(MD5_I, a, b, c, d, 12, 6, 0x655b59c3);
    MD5_STEP(MD5_I, d, a, b, c, 3, 10, 0x8f0ccc92);
    MD5_STEP(MD5_I, c, d, a, b, 10, 15, 0xffeff47d);
    MD5_STEP(MD5_I, b, c, d, a, 1, 21, 0x85845dd1);
    MD5_STEP(MD5_I, a, b, c, d, 8, 6, 0x6fa87e4f);
    MD5_STEP(MD5_I, d, a, b, c, 15, 10, 0xfe2ce6e0);
    MD5_STEP(MD5_I, c, d, a, b, 6, 15, 0xa3014314);
    MD5_STEP(MD5_I, b, c, d, a, 13, 21, 0x4e0811a1);
    MD5_STEP(MD5_I, a, b, c, d, 4, 6, 0xf7537e82);
    MD5_STEP(MD5_I, d, a, b, c, 11, 10, 0xbd3af235);
    MD5_STEP(MD5_I, c, d, a, b, 2, 15, 0x2ad7d2bb);
    MD5_STEP(MD5_I, b, c, d, a, 9, 21, 0xeb86d391);

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  cinder_wipe(X, sizeof(X));
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I
#undef MD5_STEP

}  // namespace

void md5_init(Md5Context *ctx) {
  ctx->state[0] = 0x67452301;
  ctx->state[1] = 0xefcdab89;
  ctx->state[2] = 0x98badcfe;
  ctx->state[3] = 0x10325476;
  ctx->bit_count[0] = 0;
  ctx->bit_count[1] = 0;
}

void md5_update(Md5Context *ctx, const uint8_t *data, uint32_t len) {
  uint32_t fill = (ctx->bit_count[0] >> 3) & 63;
  uint32_t low = ctx->bit_count[0] + (len << 3);
  if (low < ctx->bit_count[0]) {
    ctx->bit_count[1]++;
  }
  ctx->bit_count[0] = low;
  ctx->bit_count[1] += len >> 29;

  uint32_t room = MD5_BLOCK_LENGTH - fill;
  if (len < room) {
    if (len > 0) {
      memcpy(ctx->buffer + fill, data, len);
    }
    return;
  }
  if (fill > 0) {
    memcpy(ctx->buffer + fill, data, room);
    md5_compress(ctx->state, ctx->buffer, 1);
    data += room;
    len -= room;
  }
  size_t blocks = len / MD5_BLOCK_LENGTH;
  if (blocks > 0) {
    md5_compress(ctx->state, data, blocks);
    data += blocks * MD5_BLOCK_LENGTH;
    len -= (uint32_t)(blocks * MD5_BLOCK_LENGTH);
  }
  if (len > 0) {
    memcpy(ctx->buffer, data, len);
  }
}

void md5_final(Md5Context *ctx, uint8_t out[MD5_DIGEST_LENGTH]) {
  static const uint8_t kPadding[64] = {0x80};
  uint8_t count[8];
  store_le32(count, ctx->bit_count[0]);
  store_le32(count + 4, ctx->bit_count[1]);
  uint32_t fill = (ctx->bit_count[0] >> 3) & 63;
  md5_update(ctx, kPadding, fill < 56 ? 56 - fill : 120 - fill);
  md5_update(ctx, count, sizeof(count));
  for (int i = 0; i < 4; i++) {
    store_le32(out + 4 * i, ctx->state[i]);
  }
  cinder_wipe(ctx->buffer, sizeof(ctx->buffer));
  md5_init(ctx);
}

namespace {

EngineStatus md5_engine_context_size(uint32_t *size, const void *) {
  *size = sizeof(Md5Context);
  return ENGINE_OK;
}

EngineStatus md5_engine_init(void *ctx, const void *, const CancelCheck *) {
  md5_init(static_cast<Md5Context *>(ctx));
  return ENGINE_OK;
}

EngineStatus md5_engine_update(void *ctx, const uint8_t *data, uint32_t len, const CancelCheck *) {
  md5_update(static_cast<Md5Context *>(ctx), data, len);
  return ENGINE_OK;
}

EngineStatus md5_engine_final(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                              const CancelCheck *) {
  *out_len = MD5_DIGEST_LENGTH;
  if (max < MD5_DIGEST_LENGTH) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  md5_final(static_cast<Md5Context *>(ctx), out);
  return ENGINE_OK;
}

EngineStatus md5_engine_digest_length(void *, uint32_t *len) {
  *len = MD5_DIGEST_LENGTH;
  return ENGINE_OK;
}

}  // namespace

const DigestEngineOps Md5Engine = {
    md5_engine_context_size,   // contextSize
    md5_engine_init,           // init
    md5_engine_update,         // update
    md5_engine_final,          // final
    md5_engine_digest_length,  // digestLength
};
