// The operations: argument checks in their fixed order, then the handler's
// class slot.
#include "security/framework/operations.h"

#include "security/framework/handler.h"

namespace {

// Checks, in order: the object, an optional key, an optional random object,
// the handler (present, a framework handler, of |kind|), and for non-init
// operations a preceding init. |key| and |random| are checked only when not
// null.
Status prepare(AlgorithmObject *object, HandlerKind kind, bool needs_init, const KeyObject *key,
               const AlgorithmObject *random, Handler **out) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  if (key != nullptr && !key_object_is_live(key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  if (random != nullptr && !algorithm_object_is_live(random)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Handler *handler = object->handler;
  if (handler == nullptr) {
    return STATUS_NO_ALGORITHM;
  }
  if (!handler_is_framework_handler(handler) || handler->handler_class->kind != kind) {
    return STATUS_WRONG_OPERATION;
  }
  if (needs_init && (object->flags & ALGORITHM_INITIALIZED) == 0) {
    return STATUS_NOT_INITIALIZED;
  }
  *out = handler;
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

// The random operations report their own codes for a bad object and a missing
// init.
Status prepare_random(AlgorithmObject *object, bool needs_init, Handler **handler) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_RANDOM_OBJECT;
  }
  Status status = prepare(object, HANDLER_RANDOM, needs_init, nullptr, nullptr, handler);
  return status == STATUS_NOT_INITIALIZED ? STATUS_RANDOM_NOT_INITIALIZED : status;
}

}  // namespace

Status digest_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_DIGEST, false, key, nullptr, &h);
  return status != STATUS_OK
             ? status
             : finish_init(object, class_of<DigestHandlerClass>(h)->init(h, key, methods, cancel));
}

Status digest_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                     const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_DIGEST, true, nullptr, nullptr, &h);
  return status != STATUS_OK ? status
                             : class_of<DigestHandlerClass>(h)->update(h, data, len, cancel);
}

Status digest_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                    const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_DIGEST, true, nullptr, nullptr, &h);
  return status != STATUS_OK
             ? status
             : class_of<DigestHandlerClass>(h)->final(h, out, out_len, max, cancel);
}

Status encrypt_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                    const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_CIPHER, false, key, nullptr, &h);
  return status != STATUS_OK ? status
                             : finish_init(object, class_of<CipherHandlerClass>(h)->encrypt_init(
                                                       h, key, methods, cancel));
}

Status decrypt_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                    const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_CIPHER, false, key, nullptr, &h);
  return status != STATUS_OK ? status
                             : finish_init(object, class_of<CipherHandlerClass>(h)->decrypt_init(
                                                       h, key, methods, cancel));
}

Status encrypt_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                      const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_CIPHER, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<CipherHandlerClass>(h)->encrypt_update(
                                   h, out, out_len, max, in, in_len, random, cancel);
}

Status decrypt_update(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random,
                      const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_CIPHER, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<CipherHandlerClass>(h)->decrypt_update(
                                   h, out, out_len, max, in, in_len, random, cancel);
}

Status encrypt_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_CIPHER, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<CipherHandlerClass>(h)->encrypt_final(h, out, out_len,
                                                                              max, random, cancel);
}

Status decrypt_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                     AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_CIPHER, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<CipherHandlerClass>(h)->decrypt_final(h, out, out_len,
                                                                              max, random, cancel);
}

Status sign_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                 const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_SIGNATURE, false, key, nullptr, &h);
  return status != STATUS_OK ? status
                             : finish_init(object, class_of<SignatureHandlerClass>(h)->sign_init(
                                                       h, key, methods, cancel));
}

Status verify_init(AlgorithmObject *object, KeyObject *key, MethodList methods,
                   const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_SIGNATURE, false, key, nullptr, &h);
  return status != STATUS_OK ? status
                             : finish_init(object, class_of<SignatureHandlerClass>(h)->verify_init(
                                                       h, key, methods, cancel));
}

Status sign_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                   const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_SIGNATURE, true, nullptr, nullptr, &h);
  return status != STATUS_OK
             ? status
             : class_of<SignatureHandlerClass>(h)->sign_update(h, data, len, cancel);
}

Status verify_update(AlgorithmObject *object, const uint8_t *data, uint32_t len,
                     const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_SIGNATURE, true, nullptr, nullptr, &h);
  return status != STATUS_OK
             ? status
             : class_of<SignatureHandlerClass>(h)->verify_update(h, data, len, cancel);
}

Status sign_final(AlgorithmObject *object, uint8_t *out, uint32_t *out_len, uint32_t max,
                  AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_SIGNATURE, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<SignatureHandlerClass>(h)->sign_final(h, out, out_len, max,
                                                                              random, cancel);
}

Status verify_final(AlgorithmObject *object, const uint8_t *signature, uint32_t len,
                    AlgorithmObject *random, const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_SIGNATURE, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<SignatureHandlerClass>(h)->verify_final(
                                   h, signature, len, random, cancel);
}

Status random_init(AlgorithmObject *object, MethodList methods, const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare_random(object, false, &h);
  return status != STATUS_OK
             ? status
             : finish_init(object, class_of<RandomHandlerClass>(h)->init(h, methods, cancel));
}

Status random_update(AlgorithmObject *object, const uint8_t *seed, uint32_t len,
                     const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare_random(object, true, &h);
  return status != STATUS_OK ? status
                             : class_of<RandomHandlerClass>(h)->update(h, seed, len, cancel);
}

Status random_generate(AlgorithmObject *object, uint8_t *out, uint32_t len,
                       const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare_random(object, true, &h);
  return status != STATUS_OK ? status
                             : class_of<RandomHandlerClass>(h)->generate(h, out, len, cancel);
}

Status generate_init(AlgorithmObject *object, MethodList methods, const CancelCheck *cancel) {
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_KEYGEN, false, nullptr, nullptr, &h);
  return status != STATUS_OK
             ? status
             : finish_init(object, class_of<KeyGenHandlerClass>(h)->init(h, methods, cancel));
}

Status generate_key_pair(AlgorithmObject *object, KeyObject *public_key, KeyObject *private_key,
                         AlgorithmObject *random, const CancelCheck *cancel) {
  if (!algorithm_object_is_live(object)) {
    return STATUS_BAD_ALGORITHM_OBJECT;
  }
  // Both keys are required here, not optional.
  if (!key_object_is_live(public_key) || !key_object_is_live(private_key)) {
    return STATUS_BAD_KEY_OBJECT;
  }
  Handler *h = nullptr;
  Status status = prepare(object, HANDLER_KEYGEN, true, nullptr, random, &h);
  return status != STATUS_OK ? status
                             : class_of<KeyGenHandlerClass>(h)->generate_key_pair(
                                   h, public_key, private_key, random, cancel);
}
