// engine_ops.h: the engine context block and the engine tables a method record
// names. The slot orders are fixed; every slot returns an engine code. |ctx| is
// the context memory of the handler's ContextBlock (ContextBlock::data).
#ifndef KIT_SECURITY_FRAMEWORK_ENGINE_OPS_H
#define KIT_SECURITY_FRAMEWORK_ENGINE_OPS_H

#include <stdint.h>

#include "security/framework/base.h"

struct KeyInfoType;

// ContextBlock: an engine's context memory. An engine that owns further memory
// through its context attaches a destroy function, which must release that
// memory (wiping what is secret).
struct ContextBlock {
  void *data;
  uint32_t size;
  void (*destroy)(ContextBlock *block);
};

// context_block_resize prepares |block| for a fresh engine init of |size|
// bytes: runs and detaches the destroy function, then keeps the same memory
// when the size is unchanged, else wipes and frees the old memory and
// allocates |size| bytes. Either way the block afterwards holds |size| zero
// bytes. Returns 0, or STATUS_NO_MEMORY with the block empty (size 0).
Status context_block_resize(ContextBlock *block, uint32_t size);

// context_block_release runs the destroy function, wipes and frees the memory,
// and leaves the block empty. An empty block is accepted.
void context_block_release(ContextBlock *block);

struct DigestEngineOps {
  // *size = bytes of context the engine needs for |info|.
  EngineStatus (*context_size)(uint32_t *size, const void *info);
  // Starts a message.
  EngineStatus (*init)(void *ctx, const void *info, const CancelCheck *cancel);
  // Absorbs |len| octets.
  EngineStatus (*update)(void *ctx, const uint8_t *data, uint32_t len, const CancelCheck *cancel);
  // Writes the digest (*out_len = its length) and starts a new message;
  // ENGINE_OUTPUT_TOO_SMALL, context untouched, when |max| is short.
  EngineStatus (*final)(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                        const CancelCheck *cancel);
  // *len = the digest length.
  EngineStatus (*digest_length)(void *ctx, uint32_t *len);
};

struct CipherEngineOps {
  // *size = bytes of context needed for this key value and info.
  EngineStatus (*context_size)(uint32_t *size, const void *key_value, const void *info);
  // Loads the key; |extra| is the binding record's extra word (always 0).
  EngineStatus (*init)(void *ctx, const void *key_value, const void *info, uintptr_t extra,
                       const CancelCheck *cancel);
  // Transforms input into at most |max| octets of output (*out_len written).
  EngineStatus (*update)(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                         const uint8_t *in, uint32_t in_len, const CancelCheck *cancel);
  // Ends the message (*out_len written).
  EngineStatus (*final)(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                        const CancelCheck *cancel);
  // *len = output octets that |in_len| input octets produce.
  EngineStatus (*output_length)(void *ctx, uint32_t *len, uint32_t in_len);
  // *len = the engine's block size.
  EngineStatus (*block_size)(void *ctx, uint32_t *len);
  // Sets block->destroy; null for engines whose context owns nothing.
  void (*attach_context_destructor)(ContextBlock *block);
};

struct RandomEngineOps {
  // *size = bytes of context needed.
  EngineStatus (*context_size)(uint32_t *size, const void *info);
  // Resets the generator.
  EngineStatus (*init)(void *ctx, const void *info, const CancelCheck *cancel);
  // Absorbs seed material (any length, 0 included).
  EngineStatus (*update)(void *ctx, const uint8_t *seed, uint32_t len, const CancelCheck *cancel);
  // Writes |len| random octets.
  EngineStatus (*generate)(void *ctx, uint8_t *out, uint32_t len, const CancelCheck *cancel);
};

struct KeyGenEngineOps {
  // For the parameter record |params|: the sizes of the engine context, of a
  // second block and of the random input per attempt, and the key info types
  // of the private result and of the public value derived from it.
  EngineStatus (*info)(uint32_t *context_size, uint32_t *second_size, uint32_t *random_count,
                       const KeyInfoType **private_type, const KeyInfoType **public_type,
                       const void *params);
  // Validates and loads the parameters into the (zeroed) context.
  EngineStatus (*init)(void *ctx, void *second, const void *params, const CancelCheck *cancel);
  // One attempt on |random| (random_count octets): *result = the private value
  // (owned by the context), or ENGINE_RETRY to ask for fresh random input.
  EngineStatus (*generate)(void *ctx, const void **result, const uint8_t *random,
                           const CancelCheck *cancel);
  // Sets block->destroy (required: the context owns the result).
  void (*attach_context_destructor)(ContextBlock *block);
};

#endif  // KIT_SECURITY_FRAMEWORK_ENGINE_OPS_H
