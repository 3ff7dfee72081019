// md2.h: the MD2 digest (RFC 1319), as direct functions and as the framework
// engine Md2Engine.
#ifndef KIT_SECURITY_ENGINES_MD2_H
#define KIT_SECURITY_ENGINES_MD2_H

#include <stdint.h>

#include "security/framework/engine_ops.h"

enum { MD2_DIGEST_LENGTH = 16, MD2_BLOCK_LENGTH = 16 };

struct Md2Context {
  uint8_t state[16];
  uint8_t checksum[16];
  uint32_t fill;  // octets in |buffer|, 0 to 15
  uint8_t buffer[MD2_BLOCK_LENGTH];
};

// md2_init starts a message (all fields zero).
void md2_init(Md2Context *ctx);
// md2_update absorbs |len| octets of |data| (which may be null when len is 0).
void md2_update(Md2Context *ctx, const uint8_t *data, uint32_t len);
// md2_final writes the 16-octet digest to |out| and leaves the context all
// zero, ready for the next message.
void md2_final(Md2Context *ctx, uint8_t out[MD2_DIGEST_LENGTH]);

// The engine table, slot behaviour as Md5Engine's.
extern const DigestEngineOps Md2Engine;

#endif  // KIT_SECURITY_ENGINES_MD2_H
