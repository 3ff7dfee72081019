// The RSA key natives: native_init of RSAPrivateKey (a DER PKCS #8 key) and of
// RSAPublicKey (modulus and exponent octets), and the finalizers of their
// base classes, which release the native key and so wipe its material.
#include "security/catalogue/pkcs8_key_info.h"
#include "security/framework/key_types.h"
#include "security/natives/errors.h"
#include "security/natives/key_fields.h"
#include "security/natives/rsa_entry_points.h"

namespace {

Item item_of_array(const Handle *array) {
  return Item{byte_array_data(array), array_length(array)};
}

// Releases the key the Java object owns (flag set) and clears both fields.
void release_owned_key(Handle *self) {
  if (get_int_field(self, kKeyPresentField) == 0) {
    return;
  }
  KeyObject *key = native_key_of(self);
  destroy_key_object(&key);
  set_long_field_pointer(self, kKeyObjectField, nullptr);
  set_int_field(self, kKeyPresentField, 0);
}

int32_t RSAPrivateKey_native_init(Handle *self, Handle *encoded) {
  if (encoded == nullptr) {
    raise_null_pointer();
    return 0;
  }
  KeyObject *key = nullptr;
  Status status = create_key_object(&key);
  if (status == STATUS_OK) {
    Item info = item_of_array(encoded);
    status = set_key_info(key, KEY_RSA_PRIVATE_PKCS8, &info);
  }
  if (status != STATUS_OK) {
    destroy_key_object(&key);
    raise_security_error(status);
    return 0;
  }
  // A second init replaces the first key; releasing it wipes its material.
  release_owned_key(self);
  set_long_field_pointer(self, kKeyObjectField, key);
  set_int_field(self, kKeyPresentField, 1);
  void *value = nullptr;
  if ((status = get_key_info(&value, key, KEY_RSA_PRIVATE_PAIR)) != STATUS_OK) {
    raise_security_error(status);
    return 0;
  }
  return (int32_t)(8 * static_cast<RsaPrivatePairValue *>(value)->modulus.len);
}

void RSAPublicKey_native_init(Handle *self, Handle *modulus, Handle *exponent) {
  if (get_int_field(self, kKeyPresentField) != 0) {
    return;
  }
  if (modulus == nullptr || exponent == nullptr) {
    raise_null_pointer();
    return;
  }
  KeyObject *key = nullptr;
  Status status = create_key_object(&key);
  if (status == STATUS_OK) {
    RsaPublicValue value{item_of_array(modulus), item_of_array(exponent)};
    status = set_key_info(key, KEY_RSA_PUBLIC, &value);
  }
  if (status != STATUS_OK) {
    destroy_key_object(&key);
    raise_security_error(status);
    return;
  }
  // The flag makes the finalizer release the key; without it every public
  // key would stay allocated for the life of the process.
  set_long_field_pointer(self, kKeyObjectField, key);
  set_int_field(self, kKeyPresentField, 1);
}

}  // namespace

JAVA_EXPORT Slot *Java_quill_security_ember_RSAPrivateKey_native_0005finit_stub(Slot *sp,
                                                                                 ExecEnv *) {
  sp[0] = int_slot(RSAPrivateKey_native_init(slot_handle(sp[0]), slot_handle(sp[1])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ember_RSAPublicKey_native_0005finit_stub(Slot *sp,
                                                                                ExecEnv *) {
  RSAPublicKey_native_init(slot_handle(sp[0]), slot_handle(sp[1]), slot_handle(sp[2]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberPrivateKey_finalize_stub(Slot *sp, ExecEnv *) {
  release_owned_key(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberPublicKey_finalize_stub(Slot *sp, ExecEnv *) {
  release_owned_key(slot_handle(sp[0]));
  return sp;
}
