// genKeys of RSAKeyGen: a key pair from the key-pair engine, handed to Java
// as the modulus, the public exponent and the DER PKCS #8 private key.
#include "security/catalogue/algorithms.h"
#include "security/catalogue/generator_methods.h"
#include "security/catalogue/pkcs8_key_info.h"
#include "security/framework/info_classes.h"
#include "security/framework/key_types.h"
#include "security/framework/operations.h"
#include "security/natives/errors.h"
#include "security/natives/rsa_entry_points.h"
#include "security/natives/seeded_random.h"

namespace {

constexpr size_t kModulusField = 24;
constexpr size_t kExponentField = 28;
constexpr size_t kPrivateKeyField = 32;

// Stores a new byte array of |item| in |field|; false after posting the
// OutOfMemoryException.
bool store_array(Handle *self, size_t field, const Item &item) {
  Handle *array = new_byte_array_result(item.data, item.len);
  if (array == nullptr) {
    return false;
  }
  set_ref_field(self, field, array);
  return true;
}

void RSAKeyGen_genKeys(Handle *self, int32_t modulus_bits, int32_t public_exponent, Handle *seed) {
  if (seed == nullptr) {
    raise_null_pointer();
    return;
  }
  uint8_t exponent[4] = {(uint8_t)((uint32_t)public_exponent >> 24),
                         (uint8_t)((uint32_t)public_exponent >> 16),
                         (uint8_t)((uint32_t)public_exponent >> 8), (uint8_t)public_exponent};
  RsaKeyGenParams params{modulus_bits, Item{exponent, sizeof exponent}};
  AlgorithmObject *generator = nullptr, *random = nullptr;
  KeyObject *public_key = nullptr, *private_key = nullptr;
  void *public_value = nullptr, *encoded = nullptr;
  Status status = create_algorithm_object(&generator);
  if (status != STATUS_OK ||
      (status = set_algorithm_info(generator, ALG_RSA_KEYGEN, &params)) != STATUS_OK ||
      (status = generate_init(generator, METHODS_RSA_KEYGEN, nullptr)) != STATUS_OK) {
    raise_security_error(status);
    goto done;
  }
  if ((random = new_seeded_random(byte_array_data(seed), array_length(seed))) == nullptr) {
    goto done;
  }
  if ((status = create_key_object(&public_key)) != STATUS_OK ||
      (status = create_key_object(&private_key)) != STATUS_OK ||
      (status = generate_key_pair(generator, public_key, private_key, random, nullptr)) !=
          STATUS_OK ||
      (status = get_key_info(&public_value, public_key, KEY_RSA_PUBLIC)) != STATUS_OK) {
    raise_security_error(status);
    goto done;
  }
  if (!store_array(self, kModulusField, static_cast<RsaPublicValue *>(public_value)->modulus) ||
      !store_array(self, kExponentField,
                   static_cast<RsaPublicValue *>(public_value)->public_exponent)) {
    goto done;
  }
  if ((status = get_key_info(&encoded, private_key, KEY_RSA_PRIVATE_PKCS8)) != STATUS_OK) {
    raise_security_error(status);
    goto done;
  }
  store_array(self, kPrivateKeyField, *static_cast<Item *>(encoded));
done:
  destroy_algorithm_object(&random);
  destroy_algorithm_object(&generator);
  destroy_key_object(&private_key);
  destroy_key_object(&public_key);
}

}  // namespace

JAVA_EXPORT Slot *Java_quill_security_ember_RSAKeyGen_genKeys_stub(Slot *sp, ExecEnv *) {
  RSAKeyGen_genKeys(slot_handle(sp[0]), slot_int(sp[1]), slot_int(sp[2]), slot_handle(sp[3]));
  return sp;
}
