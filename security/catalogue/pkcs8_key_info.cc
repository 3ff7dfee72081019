// KEY_RSA_PRIVATE_PKCS8 over the codec's PrivateKeyInfo and RSAPrivateKey
// templates (RFC 5208 section 5, RFC 8017 appendix A.1.2).
#include "security/catalogue/pkcs8_key_info.h"

#include <string.h>

#include "security/codec/ber_templates.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"

// The eight numbers are consecutive Items, in the template's order.
static_assert(sizeof(RsaPrivateValue) == 8 * sizeof(Item));

namespace {

// The value slots of TEMPLATE_RSA_PRIVATE_KEY over the eight numbers of an
// RsaPrivateValue.
void rsa_key_slots(uint16_t *version, RsaPrivateValue *value, void *slots[RSA_KEY_VALUE_COUNT]) {
  Item *numbers = &value->modulus;
  slots[0] = nullptr;
  slots[RSA_KEY_VALUE_VERSION] = version;
  for (int i = 0; i < 8; i++) {
    slots[RSA_KEY_VALUE_MODULUS + i] = &numbers[i];
  }
}

Status pkcs8_set(KeyObject *key, const void *info) {
  const Item *encoding = static_cast<const Item *>(info);
  if (encoding == nullptr || (encoding->data == nullptr && encoding->len > 0)) {
    return STATUS_BAD_KEY_INFO;
  }
  Item algorithm = {nullptr, 0}, private_key = {nullptr, 0};
  Status status = decode_private_key_info(&algorithm, nullptr, &private_key, encoding);
  if (status != STATUS_OK) {
    return status;
  }
  if (algorithm.len != sizeof kRsaEncryptionOid ||
      memcmp(algorithm.data, kRsaEncryptionOid, sizeof kRsaEncryptionOid) != 0) {
    return STATUS_WRONG_KEY_INFO;
  }
  // The decoded numbers point into the caller's octets until the CRT set
  // copies them into the store.
  uint16_t version = 0;
  RsaPrivateValue value = {};
  void *slots[RSA_KEY_VALUE_COUNT];
  rsa_key_slots(&version, &value, slots);
  if ((status = ber_decode(TEMPLATE_RSA_PRIVATE_KEY, slots, private_key.data, private_key.len)) !=
      STATUS_OK) {
    return status;
  }
  return KEY_RSA_PRIVATE_CRT_TYPE.set(key, &value);
}

Status pkcs8_derive(void **out, KeyObject *key) {
  void *held = nullptr;
  Status status = get_key_info_of_type(&held, key, &KEY_RSA_PRIVATE_CRT_TYPE);
  if (status != STATUS_OK) {
    return status;
  }
  uint16_t version = 0;
  RsaPrivateValue crt = *static_cast<const RsaPrivateValue *>(held);
  void *slots[RSA_KEY_VALUE_COUNT];
  rsa_key_slots(&version, &crt, slots);
  static const Item kOid = {const_cast<uint8_t *>(kRsaEncryptionOid), sizeof kRsaEncryptionOid};
  static const Item kParameters = {const_cast<uint8_t *>(kNullParameters), sizeof kNullParameters};
  Item rsa_key = {nullptr, 0}, encoding = {nullptr, 0};
  void *record = nullptr;
  if ((status = ber_encode_to_item(&rsa_key, TEMPLATE_RSA_PRIVATE_KEY, slots)) != STATUS_OK) {
    goto done;
  }
  if ((status = encode_private_key_info(&encoding, &kOid, &kParameters, &rsa_key)) !=
      STATUS_OK) {
    goto done;
  }
  // From here the store owns the encoding (and frees it if registering fails).
  if ((status = info_store_register(&key->store, encoding.data, encoding.len)) != STATUS_OK) {
    goto done;
  }
  if ((status = info_store_alloc(&key->store, sizeof(Item), &record)) != STATUS_OK) {
    goto done;
  }
  *static_cast<Item *>(record) = encoding;
  *out = record;
done:
  cinder_wipe_free(rsa_key.data, rsa_key.len);
  return status;
}

}  // namespace

const KeyInfoType KEY_RSA_PRIVATE_PKCS8_TYPE = {pkcs8_set, pkcs8_derive};

int KEY_RSA_PRIVATE_PKCS8(const void **type) {
  *type = &KEY_RSA_PRIVATE_PKCS8_TYPE;
  return INFO_TYPE_KEY;
}
