#include "security/framework/info_classes.h"

#include "security/framework/handler.h"
#include "security/framework/key_types.h"

Status info_type_set_parameterless(const AlgorithmInfoType *type, AlgorithmObject *object,
                                   const void *) {
  return info_store_push_info(&object->store, type, nullptr);
}

Status info_type_derive_nothing(const AlgorithmInfoType *, void **, AlgorithmObject *) {
  return STATUS_WRONG_ALGORITHM_INFO;
}

void *info_type_held_value(const AlgorithmInfoType *type, AlgorithmObject *object) {
  void *value = nullptr;
  info_store_find_info(&object->store, type, &value);
  return value;
}

namespace {

Handler *new_digest_handler(const AlgorithmInfoType *type, AlgorithmObject *object) {
  return digest_handler_create(type, info_type_held_value(type, object));
}

Handler *new_cipher_handler(const AlgorithmInfoType *type, AlgorithmObject *object) {
  return cipher_handler_create(type, info_type_held_value(type, object));
}

Handler *new_random_handler(const AlgorithmInfoType *type, AlgorithmObject *object) {
  return random_handler_create(type, info_type_held_value(type, object));
}

Handler *new_keygen_handler(const AlgorithmInfoType *type, AlgorithmObject *object) {
  return keygen_handler_create(type, info_type_held_value(type, object));
}

// Copies the caller's parameters into the object's store: the record and the
// exponent octets without their leading zeros.
Status keygen_set(const AlgorithmInfoType *type, AlgorithmObject *object, const void *info) {
  const RsaKeyGenParams *source = static_cast<const RsaKeyGenParams *>(info);
  if (source == nullptr ||
      (source->public_exponent.data == nullptr && source->public_exponent.len > 0)) {
    return STATUS_BAD_ALGORITHM_INFO;
  }
  Item exponent = item_strip_leading_zeros(source->public_exponent);
  void *block = nullptr;
  Status status = info_store_alloc(&object->store, sizeof(RsaKeyGenParams), &block);
  if (status != STATUS_OK) {
    return status;
  }
  RsaKeyGenParams *params = static_cast<RsaKeyGenParams *>(block);
  void *octets = nullptr;
  if ((status = info_store_copy(&object->store, exponent.data, exponent.len, &octets)) != 0) {
    return status;
  }
  params->modulus_bits = source->modulus_bits;
  params->public_exponent.data = static_cast<uint8_t *>(octets);
  params->public_exponent.len = exponent.len;
  return info_store_push_info(&object->store, type, params);
}

}  // namespace

const InfoTypeClass DIGEST_INFO_CLASS = {info_type_set_parameterless, new_digest_handler,
                                         info_type_derive_nothing};
const InfoTypeClass CIPHER_INFO_CLASS = {info_type_set_parameterless, new_cipher_handler,
                                         info_type_derive_nothing};
const InfoTypeClass RANDOM_INFO_CLASS = {info_type_set_parameterless, new_random_handler,
                                         info_type_derive_nothing};
const InfoTypeClass KEYGEN_INFO_CLASS = {keygen_set, new_keygen_handler, info_type_derive_nothing};
