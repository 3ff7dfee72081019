// Helpers of the key-generation tests: the engine run on its own context
// block, with deterministic random blocks, one per attempt.
#ifndef KIT_SECURITY_ENGINES_KEYGEN_TEST_UTIL_H
#define KIT_SECURITY_ENGINES_KEYGEN_TEST_UTIL_H

#include <stdint.h>

#include <vector>

#include "security/engines/bigint_test_util.h"
#include "security/engines/keygen.h"
#include "security/framework/info_classes.h"

// Deterministic octets: the same (seed, attempt) always gives the same block.
inline std::vector<uint8_t> test_random_block(uint32_t count, uint32_t seed, uint32_t attempt) {
  std::mt19937 gen(seed * 7919u + attempt);
  std::vector<uint8_t> out(count);
  for (uint8_t &b : out) b = static_cast<uint8_t>(gen());
  return out;
}

// What KeyGenRun::generate returns when a success leaves *result elsewhere.
constexpr EngineStatus kResultNotInContext = 99;

// The key-pair engine sized and initialised as the key-generation handler does.
struct KeyGenRun {
  ContextBlock block{};
  uint32_t random_count = 0;
  EngineStatus init_status;
  int attempts = 0;

  KeyGenRun(int32_t bits, std::vector<uint8_t> &exponent) {
    RsaKeyGenParams params{bits, Item{exponent.data(), static_cast<uint32_t>(exponent.size())}};
    uint32_t size = 0, second = 0;
    const KeyInfoType *private_type = nullptr, *public_type = nullptr;
    init_status = RsaKeyPairGenerator.info(&size, &second, &random_count, &private_type,
                                           &public_type, &params);
    if (init_status != ENGINE_OK) return;
    if (context_block_resize(&block, size) != 0) {
      init_status = ENGINE_NO_MEMORY;
      return;
    }
    RsaKeyPairGenerator.attach_context_destructor(&block);
    init_status = RsaKeyPairGenerator.init(block.data, nullptr, &params, nullptr);
  }
  ~KeyGenRun() { context_block_release(&block); }
  KeyGenRun(const KeyGenRun &) = delete;
  KeyGenRun &operator=(const KeyGenRun &) = delete;

  // Attempts with fresh blocks until the engine stops asking for a retry.
  EngineStatus generate(uint32_t seed, const CancelCheck *cancel = nullptr) {
    for (;;) {
      std::vector<uint8_t> random = test_random_block(random_count, seed, attempts++);
      const void *out = nullptr;
      EngineStatus status = RsaKeyPairGenerator.generate(block.data, &out, random.data(), cancel);
      if (status != ENGINE_RETRY) {
        if (status == ENGINE_OK && out != &ctx()->result) return kResultNotInContext;
        return status;
      }
    }
  }
  RsaKeyGenContext *ctx() const { return static_cast<RsaKeyGenContext *>(block.data); }
  const RsaPrivateValue &result() const { return ctx()->result; }
};

inline std::vector<std::vector<uint8_t>> items_of(const RsaPrivateValue &r) {
  std::vector<std::vector<uint8_t>> out;
  for (const Item *item : {&r.modulus, &r.public_exponent, &r.private_exponent, &r.prime1,
                           &r.prime2, &r.exponent1, &r.exponent2, &r.coefficient}) {
    out.emplace_back(item->data, item->data + item->len);
  }
  return out;
}

#endif  // KIT_SECURITY_ENGINES_KEYGEN_TEST_UTIL_H
