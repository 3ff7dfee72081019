// The two PKCS #1 unpad operations over a block of k octets, k the input's
// length. Each must accept exactly the blocks of its format (checked against
// a plain scan written here), point the message at the octets after the
// separator, and read nothing outside the block. A type 1 block it accepts
// must come back, octet for octet, when its message is padded again.
#include <stddef.h>
#include <stdint.h>

#include "fuzz/fuzz_check.h"
#include "security/engines/pkcs1.h"

namespace {

// The index of the separator of a well-formed block of |type|, or 0 when the
// block is not one: 00, type, padding octets (FF for type 1, nonzero for
// type 2), then a 00.
uint32_t separator_of(const uint8_t *block, uint32_t k, uint8_t type) {
  if (k < 2 || block[0] != 0x00 || block[1] != type) {
    return 0;
  }
  for (uint32_t i = 2; i < k; i++) {
    if (block[i] == 0x00) {
      return i;
    }
    if (type == 0x01 && block[i] != 0xFF) {
      return 0;
    }
  }
  return 0;
}

// A cipher whose block buffer (exactly k octets, so that ASan sees any read
// past it) holds a copy of the input.
struct BlockCipher {
  PaddedRsaCipher cipher = {};
  explicit BlockCipher(const uint8_t *data, uint32_t k) {
    cipher.block = static_cast<uint8_t *>(cinder_alloc(k));
    FUZZ_CHECK(cipher.block != nullptr);
    memcpy(cipher.block, data, k);
    cipher.block_size = k;
  }
  ~BlockCipher() { cinder_wipe_free(cipher.block, cipher.block_size); }
  BlockCipher(const BlockCipher &) = delete;
};

void check_unpad(uint8_t type, const uint8_t *data, uint32_t k) {
  BlockCipher bare(data, k);
  Item message = {nullptr, 0};
  const Status status = type == 0x01 ? pkcs1_unpad_type1(&bare.cipher, &message, k)
                                     : pkcs1_unpad_type2(&bare.cipher, &message, k);
  const uint32_t separator = separator_of(data, k, type);
  FUZZ_CHECK(status == (separator != 0 ? STATUS_OK : STATUS_BAD_INPUT));
  FUZZ_CHECK(memcmp(bare.cipher.block, data, k) == 0);
  if (status != STATUS_OK) {
    return;
  }
  FUZZ_CHECK(message.data == bare.cipher.block + separator + 1);
  FUZZ_CHECK(message.len == k - separator - 1);
  if (type != 0x01) {
    return;
  }
  memmove(bare.cipher.block, message.data, message.len);
  bare.cipher.collected = message.len;
  FUZZ_CHECK(pkcs1_pad_type1(&bare.cipher) == STATUS_OK);
  FUZZ_CHECK(memcmp(bare.cipher.block, data, k) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0 || size > UINT32_MAX) {
    return 0;
  }
  FuzzMemoryCheck memory;
  check_unpad(0x01, data, static_cast<uint32_t>(size));
  check_unpad(0x02, data, static_cast<uint32_t>(size));
  return 0;
}
