// operations.h: the operations callers drive algorithm objects through.
//
// Every operation checks, in order: the algorithm object
// (STATUS_BAD_ALGORITHM_OBJECT; the random operations STATUS_BAD_RANDOM_OBJECT);
// then a key passed to it (STATUS_BAD_KEY_OBJECT; a null key is accepted where
// the key is optional) or a random object (STATUS_BAD_RANDOM_OBJECT; null
// accepted); then the handler (STATUS_NO_ALGORITHM when none,
// STATUS_WRONG_OPERATION when it is not a framework handler or not of the
// operation's kind); then, except for inits, that an init succeeded
// (STATUS_NOT_INITIALIZED; the random operations STATUS_RANDOM_NOT_INITIALIZED).
// Then the handler's slot runs and its status is returned. An init sets the
// initialized flag on success and leaves it as it was on failure; finals do not
// clear it. |cancel| may be null.
#ifndef KIT_SECURITY_FRAMEWORK_OPERATIONS_H
#define KIT_SECURITY_FRAMEWORK_OPERATIONS_H

#include <stdint.h>

#include "security/framework/base.h"
#include "security/framework/method.h"
#include "security/framework/objects.h"

Status digest_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel);
Status digest_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                     const CancelCheck *cancel);
// digest_final writes the digest into |out| (at most |max| octets) and sets
// *out_len to its length; the engine starts a new message.
Status digest_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                    const CancelCheck *cancel);

Status encrypt_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                    const CancelCheck *cancel);
Status decrypt_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                    const CancelCheck *cancel);
Status encrypt_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                      const CancelCheck *cancel);
Status decrypt_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                      const CancelCheck *cancel);
Status encrypt_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     AlgorithmObject *random, const CancelCheck *cancel);
Status decrypt_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     AlgorithmObject *random, const CancelCheck *cancel);

Status sign_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                 const CancelCheck *cancel);
Status verify_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel);
Status sign_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                   const CancelCheck *cancel);
Status verify_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                     const CancelCheck *cancel);
Status sign_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                  AlgorithmObject *random, const CancelCheck *cancel);
// verify_final returns 0 when |signature| verifies.
Status verify_final(AlgorithmObject *object, const uint8_t *signature, uint32_t len,
                    AlgorithmObject *random, const CancelCheck *cancel);

Status random_init(AlgorithmObject *object, MethodList methods, const CancelCheck *cancel);
Status random_update(AlgorithmObject *object, const uint8_t *seed, uint32_t len,
                     const CancelCheck *cancel);
Status random_generate(AlgorithmObject *object, uint8_t *out, uint32_t len,
                       const CancelCheck *cancel);

Status generate_init(AlgorithmObject *object, MethodList methods, const CancelCheck *cancel);
// generate_key_pair makes a key pair with random input from |random|: the
// private key gets the engine's private representation, the public key the
// public one derived from it. Both keys must be live and empty.
Status generate_key_pair(AlgorithmObject *object, KeyObject *public_key, KeyObject *private_key,
                         AlgorithmObject *random, const CancelCheck *cancel);

#endif  // KIT_SECURITY_FRAMEWORK_OPERATIONS_H
