// The digest natives: EmberDigest (with MD5's constructor) over the framework,
// and SHA1 over the SHA-1 engine directly. Both keep their native state in the
// 32-bit field at byte offset 8 of the Java object.
#include <string.h>

#include "platform/javai/javai.h"
#include "security/catalogue/algorithms.h"
#include "security/catalogue/methods.h"
#include "security/engines/sha1.h"
#include "security/framework/memory.h"
#include "security/framework/objects.h"
#include "security/framework/operations.h"
#include "security/natives/entry_points.h"
#include "security/natives/errors.h"

namespace {

constexpr size_t kDigestField = 8;
constexpr uint32_t kDigestBufferLength = 32;

// Lines reported with kEmberDigestSource.
constexpr int kLineUpdateByte = 61;
constexpr int kLineUpdateBytes = 79;
constexpr int kLineDigest = 92;
constexpr int kLineReset = 117;
constexpr int kLineCreate = 136;
constexpr int kLineSetInfo = 141;
constexpr int kLineInit = 142;

AlgorithmObject *digest_object(const Handle *self) {
  return static_cast<AlgorithmObject *>(get_field_pointer(self, kDigestField));
}

void destroy_digest_object(Handle *self) {
  AlgorithmObject *object = digest_object(self);
  destroy_algorithm_object(&object);
  set_field_pointer(self, kDigestField, nullptr);
}

void EmberDigest_nativeUpdateByte(Handle *self, int32_t b) {
  const uint8_t octet = (uint8_t)b;
  check_status_at(digest_update(digest_object(self), &octet, 1, nullptr), kEmberDigestSource,
                  kLineUpdateByte);
}

void EmberDigest_nativeUpdateBytes(Handle *self, Handle *data, int32_t offset, int32_t length) {
  if (!byte_range_is_valid(data, offset, length)) {
    return;
  }
  check_status_at(digest_update(digest_object(self), byte_array_data(data) + offset,
                                (uint32_t)length, nullptr),
                  kEmberDigestSource, kLineUpdateBytes);
}

Handle *EmberDigest_nativeDigest(Handle *self) {
  uint8_t digest[kDigestBufferLength];
  uint32_t digest_len = 0;
  Handle *result = nullptr;
  if (check_status_at(digest_final(digest_object(self), digest, &digest_len, sizeof(digest),
                                   nullptr),
                      kEmberDigestSource, kLineDigest)) {
    result = new_byte_array_result(digest, digest_len);
  }
  cinder_wipe(digest, sizeof(digest));
  return result;
}

// Finishing into scratch space discards the input and restarts the engine.
void EmberDigest_nativeReset(Handle *self) {
  uint8_t scratch[kDigestBufferLength];
  uint32_t scratch_len = 0;
  check_status_at(digest_final(digest_object(self), scratch, &scratch_len, sizeof(scratch),
                               nullptr),
                  kEmberDigestSource, kLineReset);
  cinder_wipe(scratch, sizeof(scratch));
}

void EmberDigest_nativeFinalize(Handle *self) { destroy_digest_object(self); }

void MD5_nativeConstructor(Handle *self) {
  // A second construction replaces the first object instead of leaking it.
  if (digest_object(self) != nullptr) {
    destroy_digest_object(self);
  }
  AlgorithmObject *object = nullptr;
  if (!check_status_at(create_algorithm_object(&object), kEmberDigestSource, kLineCreate)) {
    return;
  }
  set_field_pointer(self, kDigestField, object);
  if (!check_status_at(set_algorithm_info(object, ALG_MD5, nullptr), kEmberDigestSource,
                       kLineSetInfo) ||
      !check_status_at(digest_init(object, nullptr, METHODS_MD5, nullptr), kEmberDigestSource,
                       kLineInit)) {
    destroy_digest_object(self);
  }
}

Sha1State *sha1_state(const Handle *self) {
  return static_cast<Sha1State *>(get_field_pointer(self, kDigestField));
}

void SHA1_nativeFinalize(Handle *self);

void SHA1_nativeConstructor(Handle *self) {
  if (sha1_state(self) != nullptr) {
    SHA1_nativeFinalize(self);
  }
  Sha1State *state = static_cast<Sha1State *>(cinder_alloc(sizeof(Sha1State)));
  if (state == nullptr) {
    set_field_pointer(self, kDigestField, nullptr);
    raise_out_of_memory();
    return;
  }
  sha1_init(state);
  set_field_pointer(self, kDigestField, state);
}

void SHA1_nativeUpdateByte(Handle *self, int32_t b) {
  Sha1State *state = sha1_state(self);
  if (state != nullptr) {
    sha1_update_byte(state, (uint8_t)b);
  }
}

void SHA1_nativeUpdateBytes(Handle *self, Handle *data, int32_t offset, int32_t length) {
  Sha1State *state = sha1_state(self);
  if (state == nullptr || !byte_range_is_valid(data, offset, length)) {
    return;
  }
  sha1_update(state, byte_array_data(data), (uint32_t)offset, (uint32_t)length);
}

Handle *SHA1_nativeDigest(Handle *self) {
  Sha1State *state = sha1_state(self);
  if (state == nullptr) {
    return nullptr;
  }
  uint8_t digest[SHA1_DIGEST_LENGTH];
  sha1_final(state, digest);
  Handle *result = new_byte_array_result(digest, sizeof(digest));
  cinder_wipe(digest, sizeof(digest));
  return result;
}

void SHA1_nativeReset(Handle *self) {
  Sha1State *state = sha1_state(self);
  if (state != nullptr) {
    sha1_init(state);
  }
}

// Wipes and frees the state and clears the field, so that a second call finds
// nothing to free.
void SHA1_nativeFinalize(Handle *self) {
  Sha1State *state = sha1_state(self);
  set_field_pointer(self, kDigestField, nullptr);
  cinder_wipe_free(state, sizeof(Sha1State));
}

}  // namespace

JAVA_EXPORT Slot *Java_quill_security_ember_EmberDigest_nativeUpdateByte_stub(Slot *sp, ExecEnv *) {
  EmberDigest_nativeUpdateByte(slot_handle(sp[0]), slot_int(sp[1]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberDigest_nativeUpdateBytes_stub(Slot *sp,
                                                                                ExecEnv *) {
  EmberDigest_nativeUpdateBytes(slot_handle(sp[0]), slot_handle(sp[1]), slot_int(sp[2]),
                                slot_int(sp[3]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberDigest_nativeDigest_stub(Slot *sp, ExecEnv *) {
  sp[0] = handle_slot(EmberDigest_nativeDigest(slot_handle(sp[0])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberDigest_nativeReset_stub(Slot *sp, ExecEnv *) {
  EmberDigest_nativeReset(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_EmberDigest_nativeFinalize_stub(Slot *sp, ExecEnv *) {
  EmberDigest_nativeFinalize(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_MD5_nativeConstructor_stub(Slot *sp, ExecEnv *) {
  MD5_nativeConstructor(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_SHA1_nativeConstructor_stub(Slot *sp, ExecEnv *) {
  SHA1_nativeConstructor(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_SHA1_nativeDigest_stub(Slot *sp, ExecEnv *) {
  sp[0] = handle_slot(SHA1_nativeDigest(slot_handle(sp[0])));
  return sp + 1;
}

JAVA_EXPORT Slot *Java_quill_security_ember_SHA1_nativeFinalize_stub(Slot *sp, ExecEnv *) {
  SHA1_nativeFinalize(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_SHA1_nativeReset_stub(Slot *sp, ExecEnv *) {
  SHA1_nativeReset(slot_handle(sp[0]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_SHA1_nativeUpdateByte_stub(Slot *sp, ExecEnv *) {
  SHA1_nativeUpdateByte(slot_handle(sp[0]), slot_int(sp[1]));
  return sp;
}

JAVA_EXPORT Slot *Java_quill_security_ember_SHA1_nativeUpdateBytes_stub(Slot *sp, ExecEnv *) {
  SHA1_nativeUpdateBytes(slot_handle(sp[0]), slot_handle(sp[1]), slot_int(sp[2]),
                         slot_int(sp[3]));
  return sp;
}
