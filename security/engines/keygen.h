// keygen.h: RsaKeyPairGenerator, the key-generation engine of ALG_RSA_KEYGEN.
// From a modulus size and a public exponent (RsaKeyGenParams) and one block of
// random octets per attempt it finds two primes and assembles the eight
// integers of an RSA private key in PKCS #1 order.
#ifndef KIT_SECURITY_ENGINES_KEYGEN_H
#define KIT_SECURITY_ENGINES_KEYGEN_H

#include <stdint.h>

#include "security/engines/bigint.h"
#include "security/framework/engine_ops.h"
#include "security/framework/key_types.h"

enum { RSA_KEYGEN_MIN_BITS = 256, RSA_KEYGEN_MAX_BITS = 2048 };

// The engine context. p is the larger of the two primes found, q the smaller;
// |result| points into |result_buffer|, which the context owns.
struct RsaKeyGenContext {
  int32_t modulus_bits;
  BigInt n;
  BigInt e;
  BigInt d;
  BigInt prime_a;  // the first prime found, ceil(bits / 2) bits
  BigInt prime_b;  // the second, floor(bits / 2) bits
  BigInt dP;
  BigInt dQ;
  BigInt qInv;
  RsaPrivateValue result;
  uint8_t *result_buffer;
  uint32_t result_size;
};

// rsa_keygen_random_count: random octets one attempt reads for |bits|.
uint32_t rsa_keygen_random_count(int32_t bits);

// The engine table.
// info: ENGINE_BAD_MODULUS unless 256 <= bits <= 2048 (also for null
//   parameters); sizes (context, 0, rsa_keygen_random_count) and the result
//   types KEY_RSA_PRIVATE_CRT and KEY_RSA_PUBLIC.
// init: loads the parameters; ENGINE_EXPONENT_TOO_LONG when the exponent has
//   as many bits as the modulus or more, then ENGINE_EVEN_EXPONENT for an even
//   exponent (0 included); ENGINE_NO_MEMORY.
// generate: one attempt on the random block; ENGINE_RETRY when either prime
//   window holds no prime or an inverse does not exist; ENGINE_BAD_INPUT when
//   the primes are equal or e is not below (p - 1)(q - 1); ENGINE_CANCELLED;
//   ENGINE_NO_MEMORY. On success *result is the context's RsaPrivateValue,
//   valid until the next attempt or the context's destruction.
// attachContextDestructor: frees (zeroing) every integer and the result.
extern const KeyGenEngineOps RsaKeyPairGenerator;

#endif  // KIT_SECURITY_ENGINES_KEYGEN_H
