// generator_methods.h: the method records and lists of RC4, the random
// generator and RSA key-pair generation.
#ifndef KIT_SECURITY_CATALOGUE_GENERATOR_METHODS_H
#define KIT_SECURITY_CATALOGUE_GENERATOR_METHODS_H

#include "security/framework/method.h"

extern const MethodRecord METHOD_RC4;         // ALG_RC4, encrypting, KEY_BYTES, Rc4Engine
extern const MethodRecord METHOD_RANDOM;      // ALG_RANDOM, DigestRandomEngine
extern const MethodRecord METHOD_RSA_KEYGEN;  // ALG_RSA_KEYGEN, RsaKeyPairGenerator

// CipherRC4: RC4.
extern const MethodRecord *const METHODS_RC4[];
// Seeded random generators: random.
extern const MethodRecord *const METHODS_RANDOM[];
// RSAKeyGen: random, key generation.
extern const MethodRecord *const METHODS_RSA_KEYGEN[];

#endif  // KIT_SECURITY_CATALOGUE_GENERATOR_METHODS_H
