#include "security/framework/objects.h"

#include <string.h>

#include "security/framework/handler.h"
#include "security/framework/memory.h"

namespace {

// Private markers: an object is recognised by holding the address of its kind's
// marker, so a stale or foreign pointer is refused instead of used.
const char kAlgorithmObjectMarker = 'A';
const char kKeyObjectMarker = 'K';

}  // namespace

bool algorithm_object_is_live(const AlgorithmObject *object) {
  return object != nullptr && object->self == object && object->tag == &kAlgorithmObjectMarker;
}

bool key_object_is_live(const KeyObject *key) {
  return key != nullptr && key->self == key && key->tag == &kKeyObjectMarker;
}

Status create_algorithm_object(AlgorithmObject **out) {
  AlgorithmObject *object = static_cast<AlgorithmObject *>(cinder_alloc(sizeof(AlgorithmObject)));
  if (object == nullptr) {
    return STATUS_NO_MEMORY;
  }
  memset(object, 0, sizeof(*object));
  object->tag = &kAlgorithmObjectMarker;
  object->self = object;
  *out = object;
  return STATUS_OK;
}

Status destroy_algorithm_object(AlgorithmObject **object) {
  if (object == nullptr) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  AlgorithmObject *o = *object;
  *object = nullptr;
  if (!algorithm_object_is_live(o)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  o->self = nullptr;
  handler_destroy(o->handler);
  o->handler = nullptr;
  info_store_clear(&o->store);
  cinder_wipe_free(o, sizeof(*o));
  return STATUS_OK;
}

Status create_key_object(KeyObject **out) {
  KeyObject *key = static_cast<KeyObject *>(cinder_alloc(sizeof(KeyObject)));
  if (key == nullptr) {
    return STATUS_NO_MEMORY;
  }
  memset(key, 0, sizeof(*key));
  key->tag = &kKeyObjectMarker;
  key->self = key;
  *out = key;
  return STATUS_OK;
}

Status destroy_key_object(KeyObject **key) {
  if (key == nullptr || *key == nullptr) {
    return STATUS_OK;
  }
  KeyObject *k = *key;
  *key = nullptr;
  if (!key_object_is_live(k)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  k->self = nullptr;
  info_store_clear(&k->store);
  cinder_wipe_free(k, sizeof(*k));
  return STATUS_OK;
}

Status set_algorithm_info(AlgorithmObject *object, InfoTypeAccessor accessor, const void *info) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  const void *named = nullptr;
  if (accessor == nullptr || accessor(&named) != INFO_TYPE_ALGORITHM || named == nullptr) {
    return STATUS_NOT_ALGORITHM_INFO;
  }
  if (object->store.info_count > 0) {
    return STATUS_INFO_ALREADY_SET;
  }
  const AlgorithmInfoType *type = static_cast<const AlgorithmInfoType *>(named);
  Status status = type->type_class->set(type, object, info);
  if (status != STATUS_OK) {
    return status;
  }
  Handler *handler = type->type_class->new_handler(type, object);
  if (handler == nullptr) {
    return STATUS_NO_MEMORY;
  }
  object->handler = handler;
  return STATUS_OK;
}

Status get_algorithm_info_of_type(AlgorithmObject *object, void **out,
                                  const AlgorithmInfoType *type) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (object->store.info_count == 0) {
    return STATUS_NO_ALGORITHM;
  }
  void *value = nullptr;
  if (info_store_find_info(&object->store, type, &value) == STATUS_OK) {
    *out = value;
    return STATUS_OK;
  }
  Status status = type->type_class->derive(type, &value, object);
  if (status != STATUS_OK) {
    return status;
  }
  status = info_store_push_info(&object->store, type, value);
  if (status != STATUS_OK) {
    return status;
  }
  *out = value;
  return STATUS_OK;
}

Status get_algorithm_info(AlgorithmObject *object, void **out, InfoTypeAccessor accessor) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  const void *named = nullptr;
  if (accessor == nullptr || accessor(&named) != INFO_TYPE_ALGORITHM || named == nullptr) {
    return STATUS_NOT_ALGORITHM_INFO;
  }
  return get_algorithm_info_of_type(object, out, static_cast<const AlgorithmInfoType *>(named));
}

Status set_key_info_of_type(KeyObject *key, const KeyInfoType *type, const void *info) {
  if (!key_object_is_live(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  if (key->store.info_count > 0) {
    return STATUS_KEY_ALREADY_SET;
  }
  return type->set(key, info);
}

Status set_key_info(KeyObject *key, InfoTypeAccessor accessor, const void *info) {
  if (!key_object_is_live(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  const void *named = nullptr;
  if (accessor == nullptr || accessor(&named) != INFO_TYPE_KEY || named == nullptr) {
    return STATUS_WRONG_OPERATION;
  }
  return set_key_info_of_type(key, static_cast<const KeyInfoType *>(named), info);
}

Status get_key_info_of_type(void **out, KeyObject *key, const KeyInfoType *type) {
  if (!key_object_is_live(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  if (key->store.info_count == 0) {
    return STATUS_KEY_EMPTY;
  }
  void *value = nullptr;
  if (info_store_find_info(&key->store, type, &value) == STATUS_OK) {
    *out = value;
    return STATUS_OK;
  }
  Status status = type->derive(&value, key);
  if (status != STATUS_OK) {
    return status;
  }
  status = info_store_push_info(&key->store, type, value);
  if (status != STATUS_OK) {
    return status;
  }
  *out = value;
  return STATUS_OK;
}

Status get_key_info(void **out, KeyObject *key, InfoTypeAccessor accessor) {
  if (!key_object_is_live(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  const void *named = nullptr;
  if (accessor == nullptr || accessor(&named) != INFO_TYPE_KEY || named == nullptr) {
    return STATUS_WRONG_OPERATION;
  }
  return get_key_info_of_type(out, key, static_cast<const KeyInfoType *>(named));
}
