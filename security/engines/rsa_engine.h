// rsa_engine.h: the raw RSA block engines. They transform whole blocks of
// exactly k octets (k = the modulus's octet length) and know nothing of
// padding; the method records of ALG_RSA_PUBLIC_RAW and ALG_RSA_PRIVATE_RAW
// name them.
//
// RsaPublicEngine takes a RsaPublicValue (modulus, public exponent) and
// computes y = x^e mod n; RsaPrivateEngine takes the eight items of a
// RsaPrivateValue and computes y = x^d mod n by the Chinese remainder theorem
// (e and d are loaded but the block operation uses only p, q, dP, dQ, qInv).
//
// Slots (engine codes):
// - context_size: ENGINE_BAD_MODULUS when the modulus has more than 2048
//   significant bits (leading zero octets do not count).
// - init: loads the key; ENGINE_NO_MEMORY when memory runs out.
// - update: collects input into blocks; each complete block is transformed
//   into exactly k octets of output (leading zeros kept). Per block:
//   ENGINE_OUTPUT_TOO_SMALL when fewer than k octets of output space remain,
//   ENGINE_BAD_INPUT for a block value >= n, ENGINE_BAD_MODULUS for an even
//   modulus or prime, ENGINE_CANCELLED when the cancel check fires. An error
//   ends the update at once: *out_len covers the blocks completed before it,
//   and the partly collected block is dropped.
// - final: *out_len = 0; ENGINE_BAD_INPUT_LENGTH when a partial block is held.
// - output_length: the input length rounded up to a multiple of k
//   (ENGINE_BAD_INPUT_LENGTH when that does not fit 32 bits).
// - block_size: k.
// - attach_context_destructor: the destructor zeroes and frees the block
//   buffer and every integer of the key.
#ifndef KIT_SECURITY_ENGINES_RSA_ENGINE_H
#define KIT_SECURITY_ENGINES_RSA_ENGINE_H

#include "security/framework/engine_ops.h"

// The largest modulus the engines accept, in bits.
constexpr uint32_t kRsaMaxModulusBits = 2048;

extern const CipherEngineOps RsaPublicEngine;
extern const CipherEngineOps RsaPrivateEngine;

#endif  // KIT_SECURITY_ENGINES_RSA_ENGINE_H
