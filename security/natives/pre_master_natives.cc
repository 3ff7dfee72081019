// The PreMasterSecret natives: PKCS #1 type 2 encryption of the SSL
// pre-master secret with the server's public key, and its decryption.
#include "security/catalogue/pkcs1_algorithms.h"
#include "security/catalogue/rsa_methods.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/natives/errors.h"
#include "security/natives/key_fields.h"
#include "security/natives/rsa_entry_points.h"
#include "security/natives/seeded_random.h"

namespace {

constexpr uint32_t kEncryptBufferLength = 512;
constexpr uint32_t kDecryptBufferLength = 501;

Handle *PreMasterSecret_padAndEncrypt(Handle *secret, Handle *public_key, Handle *seed) {
  if (secret == nullptr || public_key == nullptr || seed == nullptr) {
    raise_null_pointer();
    return nullptr;
  }
  AlgorithmObject *random = new_seeded_random(byte_array_data(seed), array_length(seed));
  if (random == nullptr) {
    return nullptr;
  }
  uint8_t block[kEncryptBufferLength];
  uint32_t len = 0;
  Handle *result = nullptr;
  const Status status =
      run_padded_rsa(ALG_RSA_PKCS1_PUBLIC, true, native_key_of(public_key),
                     METHODS_PRE_MASTER_SECRET, byte_array_data(secret), array_length(secret),
                     random, block, sizeof block, &len);
  destroy_algorithm_object(&random);
  if (status != STATUS_OK) {
    raise_security_error(status);
  } else {
    result = new_byte_array_result(block, len);
  }
  cinder_wipe(block, sizeof block);
  return result;
}

Handle *PreMasterSecret_decryptAndUnpad(Handle *private_key, Handle *data) {
  if (private_key == nullptr || data == nullptr) {
    raise_null_pointer();
    return nullptr;
  }
  uint8_t secret[kDecryptBufferLength];
  uint32_t len = 0;
  Handle *result = nullptr;
  const Status status =
      run_padded_rsa(ALG_RSA_PKCS1_PRIVATE, false, native_key_of(private_key),
                     METHODS_PRE_MASTER_SECRET, byte_array_data(data), array_length(data),
                     nullptr, secret, sizeof secret, &len);
  if (status != STATUS_OK) {
    raise_security_error(status);
  } else {
    result = new_byte_array_result(secret, len);
  }
  cinder_wipe(secret, sizeof secret);
  return result;
}

}  // namespace

JAVA_EXPORT Slot *Java_quill_security_ssl_PreMasterSecret_padAndEncrypt_stub(Slot *sp,
                                                                             ExecEnv *) {
  sp[0] = handle_slot(
      PreMasterSecret_padAndEncrypt(slot_handle(sp[1]), slot_handle(sp[2]), slot_handle(sp[3])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ssl_PreMasterSecret_decryptAndUnpad_stub(Slot *sp,
                                                                               ExecEnv *) {
  sp[0] = handle_slot(PreMasterSecret_decryptAndUnpad(slot_handle(sp[1]), slot_handle(sp[2])));
  return sp + 1;
}
