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
  Handle *modulus = nullptr, *exponent_array = nullptr, *pkcs8 = nullptr;
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
      (status = get_key_info(&public_value, public_key, KEY_RSA_PUBLIC)) != STATUS_OK ||
      (status = get_key_info(&encoded, private_key, KEY_RSA_PRIVATE_PKCS8)) != STATUS_OK) {
    raise_security_error(status);
    goto done;
  }
  // All three arrays are made before any field is set, so a failed call
  // leaves no half-new pair (a new modulus beside an old private key).
  // The private key's array comes last: a failure leaves no unreferenced
  // copy of it.
  if ((modulus = new_byte_array_result(
           static_cast<RsaPublicValue *>(public_value)->modulus.data,
           static_cast<RsaPublicValue *>(public_value)->modulus.len)) == nullptr ||
      (exponent_array = new_byte_array_result(
           static_cast<RsaPublicValue *>(public_value)->public_exponent.data,
           static_cast<RsaPublicValue *>(public_value)->public_exponent.len)) == nullptr ||
      (pkcs8 = new_byte_array_result(static_cast<Item *>(encoded)->data,
                                     static_cast<Item *>(encoded)->len)) == nullptr) {
    goto done;
  }
  set_ref_field(self, kModulusField, modulus);
  set_ref_field(self, kExponentField, exponent_array);
  set_ref_field(self, kPrivateKeyField, pkcs8);
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
