// The key info types that need no codec. Every value and every octet string it
// names lives in the key's store, so clearing the store wipes all of it.
#include "security/framework/key_types.h"

#include <string.h>

namespace {

// An item a caller passes must name its octets unless it is empty.
bool item_is_valid(const Item &item) { return item.data != nullptr || item.len == 0; }

Status key_bytes_set(KeyObject *key, const void *info) {
  const Item *source = static_cast<const Item *>(info);
  if (source == nullptr || !item_is_valid(*source)) {
    return STATUS_BAD_KEY_INFO;
  }
  void *record = nullptr;
  Status status = info_store_alloc(&key->store, sizeof(Item), &record);
  if (status != STATUS_OK) {
    return status;
  }
  Item *value = static_cast<Item *>(record);
  if ((status = key_store_copy_item(key, *source, value)) != STATUS_OK) {
    return status;
  }
  return info_store_push_info(&key->store, &KEY_BYTES_TYPE, value);
}

Status derive_impossible(void **, KeyObject *) { return STATUS_WRONG_KEY_INFO; }

// Copies |count| items, each without its leading zero octets, into the key's
// store as a new record of |count| items.
Status copy_number_items(KeyObject *key, const Item *source, size_t count, Item **out) {
  for (size_t i = 0; i < count; i++) {
    if (!item_is_valid(source[i])) {
      return STATUS_BAD_KEY_INFO;
    }
  }
  void *record = nullptr;
  Status status = info_store_alloc(&key->store, count * sizeof(Item), &record);
  if (status != STATUS_OK) {
    return status;
  }
  Item *items = static_cast<Item *>(record);
  for (size_t i = 0; i < count; i++) {
    if ((status = key_store_copy_item(key, item_strip_leading_zeros(source[i]), &items[i])) != 0) {
      return status;
    }
  }
  *out = items;
  return STATUS_OK;
}

Status rsa_public_set(KeyObject *key, const void *info) {
  if (info == nullptr) {
    return STATUS_BAD_KEY_INFO;
  }
  const RsaPublicValue *source = static_cast<const RsaPublicValue *>(info);
  Item *items = nullptr;
  Status status = copy_number_items(key, &source->modulus, 2, &items);
  if (status != STATUS_OK) {
    return status;
  }
  return info_store_push_info(&key->store, &KEY_RSA_PUBLIC_TYPE, items);
}

Status private_record(KeyObject *key, RsaPrivateValue **record) {
  void *value = nullptr;
  if (info_store_find_info(&key->store, &KEY_RSA_PRIVATE_RECORD_TYPE, &value) != STATUS_OK) {
    return STATUS_WRONG_KEY_INFO;
  }
  *record = static_cast<RsaPrivateValue *>(value);
  return STATUS_OK;
}

// Builds a two-item value from items of the private record; the octets stay
// where the record keeps them.
Status derive_pair(KeyObject *key, Item RsaPrivateValue::*second, void **out) {
  RsaPrivateValue *record = nullptr;
  Status status = private_record(key, &record);
  if (status != STATUS_OK) {
    return status;
  }
  void *block = nullptr;
  if ((status = info_store_alloc(&key->store, 2 * sizeof(Item), &block)) != STATUS_OK) {
    return status;
  }
  Item *items = static_cast<Item *>(block);
  items[0] = record->modulus;
  items[1] = record->*second;
  *out = items;
  return STATUS_OK;
}

Status rsa_public_derive(void **out, KeyObject *key) {
  return derive_pair(key, &RsaPrivateValue::public_exponent, out);
}

Status rsa_private_crt_set(KeyObject *key, const void *info) {
  if (info == nullptr) {
    return STATUS_BAD_KEY_INFO;
  }
  const RsaPrivateValue *source = static_cast<const RsaPrivateValue *>(info);
  Item *items = nullptr;
  Status status = copy_number_items(key, &source->modulus, 8, &items);
  if (status != STATUS_OK) {
    return status;
  }
  if ((status = info_store_push_info(&key->store, &KEY_RSA_PRIVATE_RECORD_TYPE, items)) != 0) {
    return status;
  }
  return info_store_push_info(&key->store, &KEY_RSA_PRIVATE_CRT_TYPE, items);
}

Status rsa_private_crt_derive(void **out, KeyObject *key) {
  RsaPrivateValue *record = nullptr;
  Status status = private_record(key, &record);
  if (status == STATUS_OK) {
    *out = record;
  }
  return status;
}

Status rsa_private_record_set(KeyObject *, const void *) { return STATUS_WRONG_OPERATION; }

Status rsa_private_pair_set(KeyObject *key, const void *info) {
  if (info == nullptr) {
    return STATUS_BAD_KEY_INFO;
  }
  const RsaPrivatePairValue *source = static_cast<const RsaPrivatePairValue *>(info);
  Item *items = nullptr;
  Status status = copy_number_items(key, &source->modulus, 2, &items);
  if (status != STATUS_OK) {
    return status;
  }
  return info_store_push_info(&key->store, &KEY_RSA_PRIVATE_PAIR_TYPE, items);
}

Status rsa_private_pair_derive(void **out, KeyObject *key) {
  return derive_pair(key, &RsaPrivateValue::private_exponent, out);
}

}  // namespace

// The value records are laid out as arrays of Items, which the copies above
// rely on.
static_assert(sizeof(RsaPublicValue) == 2 * sizeof(Item));
static_assert(sizeof(RsaPrivatePairValue) == 2 * sizeof(Item));
static_assert(sizeof(RsaPrivateValue) == 8 * sizeof(Item));

const KeyInfoType KEY_BYTES_TYPE = {key_bytes_set, derive_impossible};
const KeyInfoType KEY_RSA_PUBLIC_TYPE = {rsa_public_set, rsa_public_derive};
const KeyInfoType KEY_RSA_PRIVATE_CRT_TYPE = {rsa_private_crt_set, rsa_private_crt_derive};
const KeyInfoType KEY_RSA_PRIVATE_RECORD_TYPE = {rsa_private_record_set, derive_impossible};
const KeyInfoType KEY_RSA_PRIVATE_PAIR_TYPE = {rsa_private_pair_set, rsa_private_pair_derive};

int KEY_BYTES(const void **type) {
  *type = &KEY_BYTES_TYPE;
  return INFO_TYPE_KEY;
}

int KEY_RSA_PUBLIC(const void **type) {
  *type = &KEY_RSA_PUBLIC_TYPE;
  return INFO_TYPE_KEY;
}

int KEY_RSA_PRIVATE_PAIR(const void **type) {
  *type = &KEY_RSA_PRIVATE_PAIR_TYPE;
  return INFO_TYPE_KEY;
}

Item item_strip_leading_zeros(Item item) {
  while (item.len > 0 && item.data[0] == 0) {
    item.data++;
    item.len--;
  }
  return item;
}

Status key_store_copy_item(KeyObject *key, Item source, Item *out) {
  void *copy = nullptr;
  Status status = info_store_copy(&key->store, source.data, source.len, &copy);
  if (status != STATUS_OK) {
    return status;
  }
  out->data = static_cast<uint8_t *>(copy);
  out->len = source.len;
  return STATUS_OK;
}
