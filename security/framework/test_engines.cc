#include "security/framework/test_engines.h"

#include <string.h>

#include "security/framework/info_classes.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"

int test_cipher_destructor_runs = 0;
int test_keygen_attempts = 0;

namespace {

struct DigestCtx {
  uint32_t sum;
  uint32_t xored;
};

EngineStatus digest_size(uint32_t *size, const void *) {
  *size = sizeof(DigestCtx);
  return ENGINE_OK;
}
EngineStatus digest_init(void *ctx, const void *, const CancelCheck *) {
  memset(ctx, 0, sizeof(DigestCtx));
  return ENGINE_OK;
}
EngineStatus digest_update(void *ctx, const uint8_t *data, uint32_t len, const CancelCheck *) {
  DigestCtx *c = static_cast<DigestCtx *>(ctx);
  for (uint32_t i = 0; i < len; i++) {
    c->sum += data[i];
    c->xored ^= data[i];
  }
  return ENGINE_OK;
}
EngineStatus digest_final(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                          const CancelCheck *) {
  DigestCtx *c = static_cast<DigestCtx *>(ctx);
  *out_len = 4;
  if (max < 4) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  out[0] = (uint8_t)(c->sum >> 8);
  out[1] = (uint8_t)c->sum;
  out[2] = 0;
  out[3] = (uint8_t)c->xored;
  memset(c, 0, sizeof(*c));
  return ENGINE_OK;
}
EngineStatus digest_length(void *, uint32_t *len) {
  *len = 4;
  return ENGINE_OK;
}

struct CipherCtx {
  uint8_t *key;
  uint32_t key_len;
  uint32_t position;
};

EngineStatus cipher_size(uint32_t *size, const void *, const void *) {
  *size = sizeof(CipherCtx);
  return ENGINE_OK;
}
EngineStatus cipher_init(void *ctx, const void *key_value, const void *, uintptr_t,
                         const CancelCheck *cancel) {
  if (cancel_check_yields(cancel)) {
    return ENGINE_CANCELLED;
  }
  const Item *key = static_cast<const Item *>(key_value);
  if (key->len == 0) {
    return ENGINE_BAD_KEY_LENGTH;
  }
  CipherCtx *c = static_cast<CipherCtx *>(ctx);
  c->key = static_cast<uint8_t *>(cinder_alloc(key->len));
  if (c->key == nullptr) {
    return ENGINE_NO_MEMORY;
  }
  memcpy(c->key, key->data, key->len);
  c->key_len = key->len;
  c->position = 0;
  return ENGINE_OK;
}
EngineStatus cipher_update(void *ctx, uint8_t *out, uint32_t *out_len, uint32_t max,
                           const uint8_t *in, uint32_t in_len, const CancelCheck *) {
  CipherCtx *c = static_cast<CipherCtx *>(ctx);
  *out_len = 0;
  if (max < in_len) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  for (uint32_t i = 0; i < in_len; i++) {
    out[i] = in[i] ^ c->key[c->position++ % c->key_len];
  }
  *out_len = in_len;
  return ENGINE_OK;
}
EngineStatus cipher_final(void *, uint8_t *, uint32_t *out_len, uint32_t, const CancelCheck *) {
  *out_len = 0;
  return ENGINE_OK;
}
EngineStatus cipher_output_length(void *, uint32_t *len, uint32_t in_len) {
  *len = in_len;
  return ENGINE_OK;
}
EngineStatus cipher_block_size(void *, uint32_t *len) {
  *len = 1;
  return ENGINE_OK;
}
void cipher_destroy(ContextBlock *block) {
  test_cipher_destructor_runs++;
  CipherCtx *c = static_cast<CipherCtx *>(block->data);
  cinder_wipe_free(c->key, c->key_len);
  c->key = nullptr;
}
void cipher_attach(ContextBlock *block) { block->destroy = cipher_destroy; }

struct RandomCtx {
  uint8_t next;
};

EngineStatus random_size(uint32_t *size, const void *) {
  *size = sizeof(RandomCtx);
  return ENGINE_OK;
}
EngineStatus random_init(void *ctx, const void *, const CancelCheck *) {
  static_cast<RandomCtx *>(ctx)->next = 0;
  return ENGINE_OK;
}
EngineStatus random_update(void *ctx, const uint8_t *seed, uint32_t len, const CancelCheck *) {
  RandomCtx *c = static_cast<RandomCtx *>(ctx);
  for (uint32_t i = 0; i < len; i++) c->next = (uint8_t)(c->next + seed[i]);
  return ENGINE_OK;
}
EngineStatus random_generate(void *ctx, uint8_t *out, uint32_t len, const CancelCheck *) {
  RandomCtx *c = static_cast<RandomCtx *>(ctx);
  for (uint32_t i = 0; i < len; i++) out[i] = c->next++;
  return ENGINE_OK;
}

// The key "generated" from random octets r0, r1, ...: every item one octet long
// (modulus r0 | 1, public exponent 00 03 given with a leading zero octet, ...).
struct KeyGenCtx {
  const TestKeyGenParams *params;
  uint8_t *octets;  // 9 octets owned by the context
  RsaPrivateValue result;
};

constexpr uint32_t kKeyGenRandomCount = 8;

EngineStatus keygen_info(uint32_t *context_size, uint32_t *second_size, uint32_t *random_count,
                         const KeyInfoType **private_type, const KeyInfoType **public_type,
                         const void *params) {
  const TestKeyGenParams *p = static_cast<const TestKeyGenParams *>(params);
  *context_size = sizeof(KeyGenCtx);
  *second_size = 0;
  *random_count = kKeyGenRandomCount;
  *private_type = p->report_types ? &KEY_RSA_PRIVATE_CRT_TYPE : nullptr;
  *public_type = p->report_types ? &KEY_RSA_PUBLIC_TYPE : nullptr;
  return ENGINE_OK;
}
EngineStatus keygen_init(void *ctx, void *, const void *params, const CancelCheck *) {
  static_cast<KeyGenCtx *>(ctx)->params = static_cast<const TestKeyGenParams *>(params);
  return ENGINE_OK;
}
EngineStatus keygen_generate(void *ctx, const void **result, const uint8_t *random,
                             const CancelCheck *) {
  KeyGenCtx *c = static_cast<KeyGenCtx *>(ctx);
  if (test_keygen_attempts++ < c->params->retries_before_success) {
    return ENGINE_RETRY;
  }
  if (c->octets == nullptr) {
    c->octets = static_cast<uint8_t *>(cinder_alloc(9));
    if (c->octets == nullptr) {
      return ENGINE_NO_MEMORY;
    }
  }
  c->octets[0] = (uint8_t)(random[0] | 1);
  c->octets[1] = 0;
  c->octets[2] = 3;
  for (int i = 3; i < 9; i++) c->octets[i] = random[i - 1];
  Item *items = &c->result.modulus;
  items[0] = {c->octets, 1};
  items[1] = {c->octets + 1, 2};
  for (int i = 2; i < 8; i++) items[i] = {c->octets + i + 1, 1};
  *result = &c->result;
  return ENGINE_OK;
}
void keygen_destroy(ContextBlock *block) {
  KeyGenCtx *c = static_cast<KeyGenCtx *>(block->data);
  cinder_wipe_free(c->octets, 9);
  c->octets = nullptr;
}
void keygen_attach(ContextBlock *block) { block->destroy = keygen_destroy; }

}  // namespace

const DigestEngineOps kTestDigestEngine = {digest_size, digest_init, digest_update, digest_final,
                                           digest_length};
const CipherEngineOps kTestCipherEngine = {cipher_size,   cipher_init,          cipher_update,
                                           cipher_final,  cipher_output_length, cipher_block_size,
                                           cipher_attach};
const RandomEngineOps kTestRandomEngine = {random_size, random_init, random_update,
                                           random_generate};
const KeyGenEngineOps kTestKeyGenEngine = {keygen_info, keygen_init, keygen_generate,
                                           keygen_attach};

namespace {

// Key generation's parameters here are a TestKeyGenParams the caller keeps.
Status keygen_params_set(const AlgorithmInfoType *type, AlgorithmObject *object,
                         const void *info) {
  return info_store_push_info(&object->store, type, const_cast<void *>(info));
}

Handler *new_test_keygen_handler(const AlgorithmInfoType *type, AlgorithmObject *object) {
  return KEYGEN_INFO_CLASS.new_handler(type, object);
}

const InfoTypeClass kTestKeyGenClass = {keygen_params_set, new_test_keygen_handler,
                                        info_type_derive_nothing};

}  // namespace

const AlgorithmInfoType TEST_DIGEST_TYPE = {&DIGEST_INFO_CLASS, nullptr};
const AlgorithmInfoType TEST_CIPHER_TYPE = {&CIPHER_INFO_CLASS, nullptr};
const AlgorithmInfoType TEST_RANDOM_TYPE = {&RANDOM_INFO_CLASS, nullptr};
const AlgorithmInfoType TEST_KEYGEN_TYPE = {&kTestKeyGenClass, nullptr};

int TEST_DIGEST(const void **type) {
  *type = &TEST_DIGEST_TYPE;
  return INFO_TYPE_ALGORITHM;
}
int TEST_CIPHER(const void **type) {
  *type = &TEST_CIPHER_TYPE;
  return INFO_TYPE_ALGORITHM;
}
int TEST_RANDOM(const void **type) {
  *type = &TEST_RANDOM_TYPE;
  return INFO_TYPE_ALGORITHM;
}
int TEST_KEYGEN(const void **type) {
  *type = &TEST_KEYGEN_TYPE;
  return INFO_TYPE_ALGORITHM;
}

const MethodRecord TEST_DIGEST_METHOD = {&TEST_DIGEST_TYPE, METHOD_OTHER, nullptr,
                                         &kTestDigestEngine};
const MethodRecord TEST_CIPHER_ENCRYPT_METHOD = {&TEST_CIPHER_TYPE, METHOD_ENCRYPTING,
                                                 &KEY_BYTES_TYPE, &kTestCipherEngine};
const MethodRecord TEST_CIPHER_DECRYPT_METHOD = {&TEST_CIPHER_TYPE, METHOD_OTHER,
                                                 &KEY_BYTES_TYPE, &kTestCipherEngine};
const MethodRecord TEST_RANDOM_METHOD = {&TEST_RANDOM_TYPE, METHOD_OTHER, nullptr,
                                         &kTestRandomEngine};
const MethodRecord TEST_KEYGEN_METHOD = {&TEST_KEYGEN_TYPE, METHOD_OTHER, nullptr,
                                         &kTestKeyGenEngine};
