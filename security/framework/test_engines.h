// test_engines.h: small engines of the framework's tests, standing in for the
// real ones (which sit above the framework), and the algorithm types and
// method records that bind them.
#ifndef KIT_SECURITY_FRAMEWORK_TEST_ENGINES_H
#define KIT_SECURITY_FRAMEWORK_TEST_ENGINES_H

#include "security/framework/engine_ops.h"
#include "security/framework/method.h"
#include "security/framework/objects.h"

// A 4-octet digest: the running sum and xor of the octets, two octets each.
extern const DigestEngineOps kTestDigestEngine;
// XORs the data with a KEY_BYTES key repeated; the context owns a copy of the
// key (freed by its attached destructor). An empty key gives ENGINE_BAD_KEY_LENGTH.
// Its init reports ENGINE_CANCELLED when the cancel check yields.
extern const CipherEngineOps kTestCipherEngine;
// Emits seed octets plus a counter: octet i of the stream is (seed sum + i).
extern const RandomEngineOps kTestRandomEngine;
// "Generates" an RSA private value from its random input: the first
// retries_before_success attempts ask for fresh input (ENGINE_RETRY).
struct TestKeyGenParams {
  int32_t retries_before_success;
  bool report_types;  // false: the info slot names no result types
};
extern const KeyGenEngineOps kTestKeyGenEngine;

// Counters the test engines keep (test code only).
extern int test_cipher_destructor_runs;
extern int test_keygen_attempts;

// Algorithm types of the tests, with accessors.
extern const AlgorithmInfoType TEST_DIGEST_TYPE;
extern const AlgorithmInfoType TEST_CIPHER_TYPE;
extern const AlgorithmInfoType TEST_RANDOM_TYPE;
extern const AlgorithmInfoType TEST_KEYGEN_TYPE;
int TEST_DIGEST(const void **type);
int TEST_CIPHER(const void **type);
int TEST_RANDOM(const void **type);
int TEST_KEYGEN(const void **type);

extern const MethodRecord TEST_DIGEST_METHOD;
extern const MethodRecord TEST_CIPHER_ENCRYPT_METHOD;  // direction 1, needs KEY_BYTES
extern const MethodRecord TEST_CIPHER_DECRYPT_METHOD;  // direction 0, needs KEY_BYTES
extern const MethodRecord TEST_RANDOM_METHOD;
extern const MethodRecord TEST_KEYGEN_METHOD;

#endif  // KIT_SECURITY_FRAMEWORK_TEST_ENGINES_H
