// rc4.h: the RC4 stream cipher as the cipher engine Rc4Engine, bound to the
// algorithm type ALG_RC4 with a KEY_BYTES key.
#ifndef KIT_SECURITY_ENGINES_RC4_H
#define KIT_SECURITY_ENGINES_RC4_H

#include <stdint.h>

#include "security/framework/engine_ops.h"

enum { RC4_MIN_KEY_LENGTH = 1, RC4_MAX_KEY_LENGTH = 256 };

struct Rc4Context {
  uint32_t initialized;  // 1 after the key schedule, 0 after final
  uint32_t i;            // only the low 8 bits are used
  uint32_t j;
  uint8_t S[256];        // a permutation of 0..255
};

// rc4_key_schedule loads |key| (1 to 256 octets, unchecked) into |ctx|.
void rc4_key_schedule(Rc4Context *ctx, const uint8_t *key, uint32_t len);

// rc4_transform xors |len| octets at |data| in place with the key stream and
// keeps the stream position for the next call.
void rc4_transform(Rc4Context *ctx, uint8_t *data, uint32_t len);

// The engine table. contextSize: ENGINE_BAD_KEY_LENGTH unless the key item
// holds 1 to 256 octets. init: the key schedule. update: ENGINE_NOT_READY
// before init or after final, ENGINE_OUTPUT_TOO_SMALL when the input is longer
// than |max| (nothing changes), else the output (which may be the input
// itself) receives the transformed input. final: no output; ends the stream
// (ENGINE_NOT_READY when not running). outputLength = input length, blockSize
// 1, no context destructor (the framework wipes the context).
extern const CipherEngineOps Rc4Engine;

#endif  // KIT_SECURITY_ENGINES_RC4_H
