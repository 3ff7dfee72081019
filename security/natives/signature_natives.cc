// The signature natives: EmberSig with MD2RSA and MD5RSA (digest, DigestInfo,
// PKCS #1 type 1 block, RSA) and RSASignature (type 1 block around the
// caller's own bytes, and its recovery).
#include "security/catalogue/pkcs1_algorithms.h"
#include "security/catalogue/rsa_methods.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/natives/errors.h"
#include "security/natives/key_fields.h"
#include "security/natives/rsa_entry_points.h"
#include "security/natives/seeded_random.h"

namespace {

// EmberSig fields: the key objects used by initSign and initVerify, and the
// signature and random algorithm objects (64-bit fields).
constexpr size_t kSignKeyField = 8;
constexpr size_t kVerifyKeyField = 12;
constexpr size_t kSignatureField = 36;
constexpr size_t kRandomField = 44;

constexpr uint32_t kSignBufferLength = 1024;
constexpr uint32_t kRawSignBufferLength = 512;
constexpr uint32_t kRecoverBufferLength = 501;

AlgorithmObject *object_in(const Handle *self, size_t field) {
  return static_cast<AlgorithmObject *>(get_field_pointer(self, field));
}

void release_field_object(Handle *self, size_t field) {
  AlgorithmObject *object = object_in(self, field);
  if (object != nullptr) {
    destroy_algorithm_object(&object);
    set_long_field_pointer(self, field, nullptr);
  }
}

void release_sig_objects(Handle *self) {
  release_field_object(self, kSignatureField);
  release_field_object(self, kRandomField);
}

void EmberSig_initAlg(Handle *self) {
  AlgorithmObject *object = nullptr;
  const Status status = create_algorithm_object(&object);
  if (status != STATUS_OK) {
    raise_security_error(status);
    return;
  }
  release_sig_objects(self);
  set_long_field_pointer(self, kSignatureField, object);
}

// initSign and initVerify of MD2RSA and MD5RSA.
void init_signature(Handle *self, InfoTypeAccessor type, MethodList methods, bool signing) {
  AlgorithmObject *object = object_in(self, kSignatureField);
  KeyObject *key = native_key_of(get_ref_field(self, signing ? kSignKeyField : kVerifyKeyField));
  Status status = set_algorithm_info(object, type, nullptr);
  if (status == STATUS_OK) {
    status = signing ? sign_init(object, key, methods, nullptr)
                     : verify_init(object, key, methods, nullptr);
  }
  if (status != STATUS_OK) {
    raise_security_error(status);
  }
}

void EmberSig_update(Handle *self, Handle *data, int32_t offset, int32_t length, bool signing) {
  if (!byte_range_is_valid(data, offset, length)) {
    return;
  }
  AlgorithmObject *object = object_in(self, kSignatureField);
  const uint8_t *bytes = byte_array_data(data) + offset;
  const Status status = signing ? sign_update(object, bytes, (uint32_t)length, nullptr)
                                : verify_update(object, bytes, (uint32_t)length, nullptr);
  if (status != STATUS_OK) {
    raise_security_error(status);
  }
}

Handle *EmberSig_doSign(Handle *self, int32_t maximum) {
  const uint32_t max = (uint32_t)maximum < kSignBufferLength ? (uint32_t)maximum
                                                             : kSignBufferLength;
  uint8_t signature[kSignBufferLength];
  uint32_t len = 0;
  const Status status = sign_final(object_in(self, kSignatureField), signature, &len, max,
                                   object_in(self, kRandomField), nullptr);
  if (status != STATUS_OK) {
    raise_security_error(status);
    return nullptr;
  }
  Handle *result = new_byte_array_result(signature, len);
  if (result != nullptr) {
    release_sig_objects(self);
  }
  return result;
}

int32_t EmberSig_doVerify(Handle *self, Handle *signature) {
  if (signature == nullptr) {
    raise_null_pointer();
    return 0;
  }
  const Status status = verify_final(object_in(self, kSignatureField),
                                     byte_array_data(signature), array_length(signature),
                                     nullptr, nullptr);
  release_sig_objects(self);
  return status == STATUS_OK ? 1 : 0;
}

Handle *RSASignature_sign(Handle *data, Handle *private_key) {
  if (data == nullptr || private_key == nullptr) {
    raise_null_pointer();
    return nullptr;
  }
  uint8_t signature[kRawSignBufferLength];
  uint32_t len = 0;
  const Status status = run_padded_rsa(ALG_RSA_PKCS1_PRIVATE, true, native_key_of(private_key),
                                       METHODS_RSA_SIGNATURE, byte_array_data(data),
                                       array_length(data), nullptr, signature, sizeof signature,
                                       &len);
  if (status != STATUS_OK) {
    raise_security_error(status);
    return nullptr;
  }
  return new_byte_array_result(signature, len);
}

Handle *RSASignature_XXXverify(Handle *public_key, Handle *signature) {
  if (public_key == nullptr || signature == nullptr) {
    raise_null_pointer();
    return nullptr;
  }
  uint8_t data[kRecoverBufferLength];
  uint32_t len = 0;
  const Status status = run_padded_rsa(ALG_RSA_PKCS1_PUBLIC, false, native_key_of(public_key),
                                       METHODS_RSA_SIGNATURE, byte_array_data(signature),
                                       array_length(signature), nullptr, data, sizeof data,
                                       &len);
  if (status != STATUS_OK) {
    raise_security_error(status);
    return nullptr;
  }
  return new_byte_array_result(data, len);
}

}  // namespace

JAVA_EXPORT Slot *Java_quill_security_ember_EmberSig_initAlg_stub(Slot *sp, ExecEnv *) {
  EmberSig_initAlg(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_MD2RSA_initSign_stub(Slot *sp, ExecEnv *) {
  init_signature(slot_handle(sp[0]), ALG_MD2_WITH_RSA, METHODS_MD2_RSA, true);
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_MD2RSA_initVerify_stub(Slot *sp, ExecEnv *) {
  init_signature(slot_handle(sp[0]), ALG_MD2_WITH_RSA, METHODS_MD2_RSA, false);
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_MD5RSA_initSign_stub(Slot *sp, ExecEnv *) {
  init_signature(slot_handle(sp[0]), ALG_MD5_WITH_RSA, METHODS_MD5_RSA, true);
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_MD5RSA_initVerify_stub(Slot *sp, ExecEnv *) {
  init_signature(slot_handle(sp[0]), ALG_MD5_WITH_RSA, METHODS_MD5_RSA, false);
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberSig_updateSign_stub(Slot *sp, ExecEnv *) {
  EmberSig_update(slot_handle(sp[0]), slot_handle(sp[1]), slot_int(sp[2]), slot_int(sp[3]), true);
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberSig_updateVerify_stub(Slot *sp, ExecEnv *) {
  EmberSig_update(slot_handle(sp[0]), slot_handle(sp[1]), slot_int(sp[2]), slot_int(sp[3]),
                  false);
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberSig_doSign_stub(Slot *sp, ExecEnv *) {
  sp[0] = handle_slot(EmberSig_doSign(slot_handle(sp[0]), slot_int(sp[1])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberSig_doVerify_stub(Slot *sp, ExecEnv *) {
  sp[0] = int_slot(EmberSig_doVerify(slot_handle(sp[0]), slot_handle(sp[1])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberSig_finalize_stub(Slot *sp, ExecEnv *) {
  release_sig_objects(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ssl_RSASignature_sign_stub(Slot *sp, ExecEnv *) {
  sp[0] = handle_slot(RSASignature_sign(slot_handle(sp[1]), slot_handle(sp[2])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ssl_RSASignature_XXXverify_stub(Slot *sp, ExecEnv *) {
  sp[0] = handle_slot(RSASignature_XXXverify(slot_handle(sp[1]), slot_handle(sp[2])));
  return sp + 1;
}
