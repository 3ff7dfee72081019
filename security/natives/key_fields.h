// key_fields.h: the native key object of a Java RSAPrivateKey or RSAPublicKey
// (the EmberPrivateKey / EmberPublicKey fields), as every RSA native reads it.
#ifndef KIT_SECURITY_NATIVES_KEY_FIELDS_H
#define KIT_SECURITY_NATIVES_KEY_FIELDS_H

#include "platform/javai/javai.h"
#include "security/framework/objects.h"

// Byte offsets in the key classes: the key-present flag (int) and the
// KeyObject (64-bit field, pointer in the low word).
constexpr size_t kKeyPresentField = 12;
constexpr size_t kKeyObjectField = 16;

// native_key_of: the KeyObject held by the Java key |key| (null when it holds
// none, or when |key| itself is null).
inline KeyObject *native_key_of(const Handle *key) {
  return key == nullptr ? nullptr : static_cast<KeyObject *>(get_field_pointer(key, kKeyObjectField));
}

#endif  // KIT_SECURITY_NATIVES_KEY_FIELDS_H
