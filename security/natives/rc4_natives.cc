// The CipherRC4 natives: one RC4 algorithm object and its key object per Java
// object, transforming byte ranges in place.
#include <string.h>

#include "security/catalogue/algorithms.h"
#include "security/catalogue/generator_methods.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/natives/errors.h"
#include "security/natives/rsa_entry_points.h"

namespace {

constexpr size_t kCipherField = 0;
constexpr size_t kKeyField = 8;
constexpr uint32_t kTransferLength = 32768;

void release_rc4_objects(Handle *self) {
  KeyObject *key = static_cast<KeyObject *>(get_field_pointer(self, kKeyField));
  AlgorithmObject *cipher = static_cast<AlgorithmObject *>(get_field_pointer(self, kCipherField));
  destroy_key_object(&key);
  destroy_algorithm_object(&cipher);
  set_field_pointer(self, kKeyField, nullptr);
  set_field_pointer(self, kCipherField, nullptr);
}

void CipherRC4_nativeInit(Handle *self, Handle *key_bytes) {
  if (key_bytes == nullptr) {
    raise_null_pointer();
    return;
  }
  KeyObject *key = nullptr;
  AlgorithmObject *cipher = nullptr;
  Item item{byte_array_data(key_bytes), array_length(key_bytes)};
  Status status = create_key_object(&key);
  if (status == STATUS_OK && (status = set_key_info(key, KEY_BYTES, &item)) == STATUS_OK &&
      (status = create_algorithm_object(&cipher)) == STATUS_OK &&
      (status = set_algorithm_info(cipher, ALG_RC4, nullptr)) == STATUS_OK) {
    status = encrypt_init(cipher, key, METHODS_RC4, nullptr);
  }
  if (status != STATUS_OK) {
    destroy_algorithm_object(&cipher);
    destroy_key_object(&key);
    raise_security_error(status);
    return;
  }
  // A second init replaces the first pair instead of leaking it.
  release_rc4_objects(self);
  set_field_pointer(self, kCipherField, cipher);
  set_field_pointer(self, kKeyField, key);
}

void CipherRC4_xor(Handle *self, Handle *data, int32_t offset, int32_t length) {
  if (!byte_range_is_valid(data, offset, length)) {
    return;
  }
  uint8_t transfer[kTransferLength];
  uint32_t len = 0;
  uint8_t *bytes = byte_array_data(data) + offset;
  const Status status =
      encrypt_update(static_cast<AlgorithmObject *>(get_field_pointer(self, kCipherField)),
                     transfer, &len, sizeof transfer, bytes, (uint32_t)length, nullptr, nullptr);
  if (status != STATUS_OK) {
    raise_security_error(status);
    return;
  }
  memcpy(bytes, transfer, len);
  cinder_wipe(transfer, len);
}

}  // namespace

JAVA_EXPORT Slot *Java_quill_security_ssl_CipherRC4_nativeInit_stub(Slot *sp, ExecEnv *) {
  CipherRC4_nativeInit(slot_handle(sp[0]), slot_handle(sp[1]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ssl_CipherRC4_xor_stub(Slot *sp, ExecEnv *) {
  CipherRC4_xor(slot_handle(sp[0]), slot_handle(sp[1]), slot_int(sp[2]), slot_int(sp[3]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ssl_CipherRC4_finalize_stub(Slot *sp, ExecEnv *) {
  release_rc4_objects(slot_handle(sp[0]));
  return sp;
}
