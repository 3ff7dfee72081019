// The operations: argument checks in their fixed order, then the handler's
// class slot.
#include "security/framework/operations.h"

#include "security/framework/handler.h"

namespace {

// The handler of |object| when it is a framework handler of |kind|.
Status object_handler(AlgorithmObject *object, HandlerKind kind, Handler **out) {
  Handler *handler = object->handler;
  if (handler == nullptr) {
    return STATUS_NO_ALGORITHM;
  }
  if (!handler_is_framework_handler(handler) || handler->handler_class->kind != kind) {
    return STATUS_WRONG_OPERATION;
  }
  *out = handler;
  return STATUS_OK;
}

bool optional_key_is_valid(const KeyObject *key) {
  return key == nullptr || key_object_is_live(key);
}

bool optional_random_is_valid(const AlgorithmObject *random) {
  return random == nullptr || algorithm_object_is_live(random);
}

// Checks shared by every non-random operation; |initialized| says whether the
// operation needs a preceding init.
Status check_operation(AlgorithmObject *object, HandlerKind kind, bool needs_init,
                       Handler **handler) {
  Status status = object_handler(object, kind, handler);
  if (status != STATUS_OK) {
    return status;
  }
  if (needs_init && (object->flags & ALGORITHM_INITIALIZED) == 0) {
    return STATUS_NOT_INITIALIZED;
  }
  return STATUS_OK;
}

Status finish_init(AlgorithmObject *object, Status status) {
  if (status == STATUS_OK) {
    object->flags |= ALGORITHM_INITIALIZED;
  }
  return status;
}

template <typename Class>
const Class *class_of(const Handler *handler) {
  return reinterpret_cast<const Class *>(handler->handler_class);
}

}  // namespace

Status digest_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_key_is_valid(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  Status status = check_operation(object, HANDLER_DIGEST, false, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return finish_init(object,
                     class_of<DigestHandlerClass>(handler)->init(handler, key, methods, cancel));
}

Status digest_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                     const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_DIGEST, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<DigestHandlerClass>(handler)->update(handler, data, len, cancel);
}

Status digest_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                    const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_DIGEST, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<DigestHandlerClass>(handler)->final(handler, out, out_len, max, cancel);
}

namespace {

Status cipher_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel, bool encrypting) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_key_is_valid(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  Status status = check_operation(object, HANDLER_CIPHER, false, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  const CipherHandlerClass *cls = class_of<CipherHandlerClass>(handler);
  return finish_init(object, (encrypting ? cls->encrypt_init : cls->decrypt_init)(
                                 handler, key, methods, cancel));
}

Status cipher_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                     const CancelCheck *cancel, bool encrypting) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_random_is_valid(random)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_CIPHER, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  const CipherHandlerClass *cls = class_of<CipherHandlerClass>(handler);
  return (encrypting ? cls->encrypt_update : cls->decrypt_update)(handler, out, out_len, max, in,
                                                                  in_len, random, cancel);
}

Status cipher_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                    AlgorithmObject *random, const CancelCheck *cancel, bool encrypting) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_random_is_valid(random)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_CIPHER, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  const CipherHandlerClass *cls = class_of<CipherHandlerClass>(handler);
  return (encrypting ? cls->encrypt_final : cls->decrypt_final)(handler, out, out_len, max,
                                                                random, cancel);
}

}  // namespace

Status encrypt_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                    const CancelCheck *cancel) {
  return cipher_init(object, key, methods, cancel, true);
}

Status decrypt_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                    const CancelCheck *cancel) {
  return cipher_init(object, key, methods, cancel, false);
}

Status encrypt_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                      const CancelCheck *cancel) {
  return cipher_update(object, out, out_len, max, in, in_len, random, cancel, true);
}

Status decrypt_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                      const CancelCheck *cancel) {
  return cipher_update(object, out, out_len, max, in, in_len, random, cancel, false);
}

Status encrypt_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     AlgorithmObject *random, const CancelCheck *cancel) {
  return cipher_final(object, out, out_len, max, random, cancel, true);
}

Status decrypt_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     AlgorithmObject *random, const CancelCheck *cancel) {
  return cipher_final(object, out, out_len, max, random, cancel, false);
}

namespace {

Status signature_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                      const CancelCheck *cancel, bool signing) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_key_is_valid(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  Status status = check_operation(object, HANDLER_SIGNATURE, false, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  const SignatureHandlerClass *cls = class_of<SignatureHandlerClass>(handler);
  return finish_init(object,
                     (signing ? cls->sign_init : cls->verify_init)(handler, key, methods, cancel));
}

Status signature_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                        const CancelCheck *cancel, bool signing) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_SIGNATURE, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  const SignatureHandlerClass *cls = class_of<SignatureHandlerClass>(handler);
  return (signing ? cls->sign_update : cls->verify_update)(handler, data, len, cancel);
}

}  // namespace

Status sign_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                 const CancelCheck *cancel) {
  return signature_init(object, key, methods, cancel, true);
}

Status verify_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel) {
  return signature_init(object, key, methods, cancel, false);
}

Status sign_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                   const CancelCheck *cancel) {
  return signature_update(object, data, len, cancel, true);
}

Status verify_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                     const CancelCheck *cancel) {
  return signature_update(object, data, len, cancel, false);
}

Status sign_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                  AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_random_is_valid(random)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_SIGNATURE, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<SignatureHandlerClass>(handler)->sign_final(handler, out, out_len, max, random,
                                                              cancel);
}

Status verify_final(AlgorithmObject *object, const uint8_t *signature, uint32_t len,
                    AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!optional_random_is_valid(random)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_SIGNATURE, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<SignatureHandlerClass>(handler)->verify_final(handler, signature, len, random,
                                                                cancel);
}

namespace {

// The random operations report their own codes for a bad object and a missing
// init.
Status check_random(AlgorithmObject *object, bool needs_init, Handler **handler) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = object_handler(object, HANDLER_RANDOM, handler);
  if (status != STATUS_OK) {
    return status;
  }
  if (needs_init && (object->flags & ALGORITHM_INITIALIZED) == 0) {
    return STATUS_RANDOM_NOT_INITIALIZED;
  }
  return STATUS_OK;
}

}  // namespace

Status random_init(AlgorithmObject *object, MethodList methods, const CancelCheck *cancel) {
  Handler *handler = nullptr;
  Status status = check_random(object, false, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return finish_init(object,
                     class_of<RandomHandlerClass>(handler)->init(handler, methods, cancel));
}

Status random_update(AlgorithmObject *object, const uint8_t *seed, uint32_t len,
                     const CancelCheck *cancel) {
  Handler *handler = nullptr;
  Status status = check_random(object, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<RandomHandlerClass>(handler)->update(handler, seed, len, cancel);
}

Status random_generate(AlgorithmObject *object, uint8_t *out, uint32_t len,
                       const CancelCheck *cancel) {
  Handler *handler = nullptr;
  Status status = check_random(object, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<RandomHandlerClass>(handler)->generate(handler, out, len, cancel);
}

Status generate_init(AlgorithmObject *object, MethodList methods, const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_KEYGEN, false, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return finish_init(object,
                     class_of<KeyGenHandlerClass>(handler)->init(handler, methods, cancel));
}

Status generate_key_pair(AlgorithmObject *object, KeyObject *public_key, KeyObject *private_key,
                         AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *handler = nullptr;
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (!key_object_is_live(public_key) || !key_object_is_live(private_key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  if (!optional_random_is_valid(random)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = check_operation(object, HANDLER_KEYGEN, true, &handler);
  if (status != STATUS_OK) {
    return status;
  }
  return class_of<KeyGenHandlerClass>(handler)->generate_key_pair(handler, public_key,
                                                                  private_key, random, cancel);
}
