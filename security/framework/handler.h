// handler.h: handlers, the per-object state an algorithm info type creates,
// their class tables, the binding of an engine at init (bind_method), and the
// handler kinds of the framework.
//
// Every handler kind begins with a Handler. Its first field is always
// handler_release, whose identity the operations check; its class table begins
// with a HandlerClass (release slot and kind), followed by the kind's slots.
#ifndef KIT_SECURITY_FRAMEWORK_HANDLER_H
#define KIT_SECURITY_FRAMEWORK_HANDLER_H

#include <stddef.h>
#include <stdint.h>

#include "security/framework/engine_ops.h"
#include "security/framework/method.h"
#include "security/framework/objects.h"

struct BindingRecord;

// Bind callback: sizes and initialises the engine of |record| in the binding's
// context for |key_value| (null when the record needs no key).
typedef Status (*BindCallback)(BindingRecord *binding, const void *key_value, uintptr_t extra,
                               const MethodRecord *record, const CancelCheck *cancel);

struct BindingRecord {
  const void *engine;                    // bound engine table, null until bound
  const AlgorithmInfoType *search_type;  // algorithm type looked for in method lists
  void *info;                            // the type's parameter record, or null
  BindCallback bind;
  ContextBlock context;                  // the engine's context
  uintptr_t extra;                       // passed to cipher engine init (always 0)
};

enum HandlerKind {
  HANDLER_DIGEST = 1,
  HANDLER_CIPHER = 2,
  HANDLER_SIGNATURE = 3,
  HANDLER_RANDOM = 4,
  HANDLER_KEYGEN = 5,
};

struct HandlerClass {
  void (*release)(Handler *handler);  // releases what the handler owns, not the handler
  HandlerKind kind;
};

struct Handler {
  void (*dispatch_release)(Handler *handler);  // always handler_release
  const HandlerClass *handler_class;
  BindingRecord binding;
  size_t allocation_size;  // bytes of the handler's own allocation (0 when embedded)
};

// handler_release: the release dispatcher every handler carries; calls the
// class's release slot.
void handler_release(Handler *handler);

// handler_is_framework_handler: whether |handler|'s first field is
// handler_release.
bool handler_is_framework_handler(const Handler *handler);

// handler_init initialises the common part of a handler of any kind
// (embedded or allocated) to unbound.
void handler_init(Handler *handler, const HandlerClass *handler_class,
                  const AlgorithmInfoType *search_type, void *info, BindCallback bind);

// handler_create allocates |size| zeroed bytes (size >= sizeof(Handler)) and
// initialises the common part; null when memory is exhausted.
Handler *handler_create(size_t size, const HandlerClass *handler_class,
                        const AlgorithmInfoType *search_type, void *info, BindCallback bind);

// handler_destroy releases |handler| through its dispatcher, then wipes and
// frees its allocation. A null handler is accepted.
void handler_destroy(Handler *handler);

// handler_of_binding: the handler whose binding record is |binding|.
Handler *handler_of_binding(BindingRecord *binding);

// bind_method walks |methods| for the first record of the binding's search
// type and |direction| whose key representation |key| can supply (derived and
// cached if need be) and whose bind callback succeeds; stores its engine in the
// binding and returns 0. STATUS_NO_MEMORY and STATUS_CANCELLED end the walk at
// once; other failures are remembered and the last one returned when the list
// is exhausted, STATUS_NO_METHOD when no record matched at all (also for a null
// or empty list). |key| may be null.
Status bind_method(BindingRecord *binding, int direction, KeyObject *key, uintptr_t extra,
                   MethodList methods, const CancelCheck *cancel);

// Bind callbacks of the framework's handler kinds.
Status digest_bind(BindingRecord *binding, const void *key_value, uintptr_t extra,
                   const MethodRecord *record, const CancelCheck *cancel);
Status cipher_bind(BindingRecord *binding, const void *key_value, uintptr_t extra,
                   const MethodRecord *record, const CancelCheck *cancel);
Status random_bind(BindingRecord *binding, const void *key_value, uintptr_t extra,
                   const MethodRecord *record, const CancelCheck *cancel);
Status keygen_bind(BindingRecord *binding, const void *key_value, uintptr_t extra,
                   const MethodRecord *record, const CancelCheck *cancel);

// Class tables of the handler kinds (slots after the HandlerClass, in order).
struct DigestHandlerClass {
  HandlerClass base;
  Status (*init)(Handler *handler, KeyObject *key, MethodList methods, const CancelCheck *cancel);
  Status (*update)(Handler *handler, const uint8_t *data, uint32_t len, const CancelCheck *cancel);
  Status (*final)(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                  const CancelCheck *cancel);
};

struct CipherHandlerClass {
  HandlerClass base;
  Status (*block_size)(Handler *handler, uint32_t *out);
  Status (*encrypt_init)(Handler *handler, KeyObject *key, MethodList methods,
                         const CancelCheck *cancel);
  Status (*decrypt_init)(Handler *handler, KeyObject *key, MethodList methods,
                         const CancelCheck *cancel);
  Status (*encrypt_update)(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                           const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                           const CancelCheck *cancel);
  Status (*decrypt_update)(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                           const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                           const CancelCheck *cancel);
  Status (*encrypt_final)(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                          AlgorithmObject *random, const CancelCheck *cancel);
  Status (*decrypt_final)(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                          AlgorithmObject *random, const CancelCheck *cancel);
};

struct SignatureHandlerClass {
  HandlerClass base;
  Status (*sign_init)(Handler *handler, KeyObject *key, MethodList methods,
                      const CancelCheck *cancel);
  Status (*verify_init)(Handler *handler, KeyObject *key, MethodList methods,
                        const CancelCheck *cancel);
  Status (*sign_update)(Handler *handler, const uint8_t *data, uint32_t len,
                        const CancelCheck *cancel);
  Status (*verify_update)(Handler *handler, const uint8_t *data, uint32_t len,
                          const CancelCheck *cancel);
  Status (*sign_final)(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                       AlgorithmObject *random, const CancelCheck *cancel);
  Status (*verify_final)(Handler *handler, const uint8_t *signature, uint32_t len,
                         AlgorithmObject *random, const CancelCheck *cancel);
};

struct RandomHandlerClass {
  HandlerClass base;
  Status (*init)(Handler *handler, MethodList methods, const CancelCheck *cancel);
  Status (*update)(Handler *handler, const uint8_t *seed, uint32_t len, const CancelCheck *cancel);
  Status (*generate)(Handler *handler, uint8_t *out, uint32_t len, const CancelCheck *cancel);
};

struct KeyGenHandlerClass {
  HandlerClass base;
  Status (*init)(Handler *handler, MethodList methods, const CancelCheck *cancel);
  Status (*generate_key_pair)(Handler *handler, KeyObject *public_key, KeyObject *private_key,
                              AlgorithmObject *random, const CancelCheck *cancel);
  Status (*generate_parameters)(Handler *handler, AlgorithmObject *result,
                                AlgorithmObject *random, const CancelCheck *cancel);
};

// KeyGenHandler: the key-generation handler; its binding's context is the
// engine context, followed by the engine's second block and the buffer of
// random input for one attempt.
struct KeyGenHandler {
  Handler handler;
  ContextBlock second;
  ContextBlock random_input;
  uint32_t random_count;
  const KeyInfoType *private_type;  // null until an init succeeded
  const KeyInfoType *public_type;
};

// Constructors of the framework's handler kinds (null when memory is
// exhausted). DigestHandler, CipherHandler and RandomHandler are plain
// Handlers with their kind's class.
Handler *digest_handler_create(const AlgorithmInfoType *search_type, void *info);
Handler *cipher_handler_create(const AlgorithmInfoType *search_type, void *info);
Handler *random_handler_create(const AlgorithmInfoType *search_type, void *info);
Handler *keygen_handler_create(const AlgorithmInfoType *search_type, void *info);

extern const DigestHandlerClass DIGEST_HANDLER_CLASS;
extern const CipherHandlerClass CIPHER_HANDLER_CLASS;
extern const RandomHandlerClass RANDOM_HANDLER_CLASS;
extern const KeyGenHandlerClass KEYGEN_HANDLER_CLASS;

#endif  // KIT_SECURITY_FRAMEWORK_HANDLER_H
