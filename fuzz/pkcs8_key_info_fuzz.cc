// Setting KEY_RSA_PRIVATE_PKCS8 from any input. What a key accepts it must
// also give back: the derived DER sets a second key, which derives the same
// octets, and the public half is always there. Nothing may leak.
#include <stddef.h>
#include <stdint.h>

#include "fuzz/fuzz_check.h"
#include "security/catalogue/pkcs8_key_info.h"
#include "security/framework/key_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  FuzzMemoryCheck memory;
  KeyObject *key = nullptr, *copy = nullptr;
  FUZZ_CHECK(create_key_object(&key) == STATUS_OK);
  FUZZ_CHECK(create_key_object(&copy) == STATUS_OK);
  const Item info = {const_cast<uint8_t *>(data), static_cast<uint32_t>(size)};
  const Status set = set_key_info(key, KEY_RSA_PRIVATE_PKCS8, &info);
  FUZZ_CHECK(set == STATUS_OK || set == STATUS_BAD_INPUT || set == STATUS_WRONG_KEY_INFO);
  if (set == STATUS_OK) {
    void *value = nullptr;
    FUZZ_CHECK(get_key_info(&value, key, KEY_RSA_PUBLIC) == STATUS_OK);
    const Status derived = get_key_info(&value, key, KEY_RSA_PRIVATE_PKCS8);
    FUZZ_CHECK(derived == STATUS_OK || derived == STATUS_TOO_LONG);
    if (derived == STATUS_OK) {
      const Item der = *static_cast<Item *>(value);
      FUZZ_CHECK(set_key_info(copy, KEY_RSA_PRIVATE_PKCS8, &der) == STATUS_OK);
      FUZZ_CHECK(get_key_info(&value, copy, KEY_RSA_PRIVATE_PKCS8) == STATUS_OK);
      FUZZ_CHECK(items_equal(der, *static_cast<Item *>(value)));
    }
  }
  destroy_key_object(&copy);
  destroy_key_object(&key);
  return 0;
}
