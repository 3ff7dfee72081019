// seeded_random.h: the per-call random generators of the pre-master secret
// and key-generation natives, and the one-shot PKCS #1 RSA operation the
// pre-master secret and RSASignature natives share.
#ifndef KIT_SECURITY_NATIVES_SEEDED_RANDOM_H
#define KIT_SECURITY_NATIVES_SEEDED_RANDOM_H

#include <stdint.h>

#include "security/framework/method.h"
#include "security/framework/objects.h"

// new_seeded_random returns a new initialised random object seeded with the
// |len| octets at |seed|, or, when |len| is 0, with the 16-octet UTC time
// record followed by 32 octets of the system's random source (so that the
// output cannot be recomputed from the time alone). Returns null after
// posting "CINDER error %d" (518 when memory runs out, 539 when the system's
// random source fails). The caller destroys the object.
AlgorithmObject *new_seeded_random(const uint8_t *seed, uint32_t len);

// run_padded_rsa runs one whole PKCS #1 RSA operation on a fresh algorithm
// object of |type|: init (encrypting or decrypting) with |key| and |methods|,
// one update with the |in_len| octets at |in|, then the final, the output
// going to |out| (|max| octets; *out_len written). The update never produces
// output, so the final gets the whole |max|. The object is destroyed before
// it returns the first failing status, or 0.
Status run_padded_rsa(InfoTypeAccessor type, bool encrypt, KeyObject *key, MethodList methods,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random, uint8_t *out,
                      uint32_t max, uint32_t *out_len);

#endif  // KIT_SECURITY_NATIVES_SEEDED_RANDOM_H
