// md5.h: the MD5 digest (RFC 1321), as direct functions and as the framework
// engine Md5Engine.
#ifndef KIT_SECURITY_ENGINES_MD5_H
#define KIT_SECURITY_ENGINES_MD5_H

#include <stdint.h>

#include "security/framework/engine_ops.h"

enum { MD5_DIGEST_LENGTH = 16, MD5_BLOCK_LENGTH = 64 };

struct Md5Context {
  uint32_t state[4];      // chaining values A, B, C, D
  uint32_t bit_count[2];  // message bits absorbed mod 2^64, low word first
  uint8_t buffer[MD5_BLOCK_LENGTH];  // partial block, (bit count / 8) mod 64 octets
};

// md5_init starts a message.
void md5_init(Md5Context *ctx);
// md5_update absorbs |len| octets of |data| (which may be null when len is 0).
void md5_update(Md5Context *ctx, const uint8_t *data, uint32_t len);
// md5_final writes the 16-octet digest to |out| and restarts the context, so
// the next message may follow at once.
void md5_final(Md5Context *ctx, uint8_t out[MD5_DIGEST_LENGTH]);

// The engine table: contextSize, init, update, final (ENGINE_OUTPUT_TOO_SMALL
// below 16 octets, length still reported, context untouched), digestLength.
extern const DigestEngineOps Md5Engine;

#endif  // KIT_SECURITY_ENGINES_MD5_H
