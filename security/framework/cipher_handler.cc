// CipherHandler: a plain Handler bound to a CipherEngineOps table. The random
// object of its update and final slots is accepted and not passed on: cipher
// engines never use randomness.
#include "security/framework/handler.h"
#include "security/framework/status.h"

namespace {

const CipherEngineOps *bound_cipher(const Handler *handler) {
  return static_cast<const CipherEngineOps *>(handler->binding.engine);
}

void cipher_release(Handler *handler) { context_block_release(&handler->binding.context); }

Status cipher_block_size(Handler *handler, uint32_t *out) {
  const CipherEngineOps *ops = bound_cipher(handler);
  if (ops == nullptr) {
    return STATUS_NOT_INITIALIZED;
  }
  return engine_status_to_status(ops->block_size(handler->binding.context.data, out));
}

Status cipher_encrypt_init(Handler *handler, KeyObject *key, MethodList methods,
                           const CancelCheck *cancel) {
  return bind_method(&handler->binding, METHOD_ENCRYPTING, key, handler->binding.extra, methods,
                     cancel);
}

Status cipher_decrypt_init(Handler *handler, KeyObject *key, MethodList methods,
                           const CancelCheck *cancel) {
  return bind_method(&handler->binding, METHOD_OTHER, key, handler->binding.extra, methods,
                     cancel);
}

Status cipher_update(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                     const uint8_t *in, uint32_t in_len, AlgorithmObject *,
                     const CancelCheck *cancel) {
  const CipherEngineOps *ops = bound_cipher(handler);
  if (ops == nullptr) {
    return STATUS_NOT_INITIALIZED;
  }
  return engine_status_to_status(
      ops->update(handler->binding.context.data, out, out_len, max, in, in_len, cancel));
}

Status cipher_final(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                    AlgorithmObject *, const CancelCheck *cancel) {
  const CipherEngineOps *ops = bound_cipher(handler);
  if (ops == nullptr) {
    return STATUS_NOT_INITIALIZED;
  }
  return engine_status_to_status(
      ops->final(handler->binding.context.data, out, out_len, max, cancel));
}

}  // namespace

const CipherHandlerClass CIPHER_HANDLER_CLASS = {
    {cipher_release, HANDLER_CIPHER},
    cipher_block_size,
    cipher_encrypt_init,
    cipher_decrypt_init,
    cipher_update,
    cipher_update,
    cipher_final,
    cipher_final,
};

Status cipher_bind(BindingRecord *binding, const void *key_value, uintptr_t extra,
                   const MethodRecord *record, const CancelCheck *cancel) {
  const CipherEngineOps *ops = static_cast<const CipherEngineOps *>(record->engine);
  uint32_t size = 0;
  Status status = engine_status_to_status(ops->context_size(&size, key_value, binding->info));
  if (status != STATUS_OK) {
    return status;
  }
  if ((status = context_block_resize(&binding->context, size)) != STATUS_OK) {
    return status;
  }
  if (ops->attach_context_destructor != nullptr) {
    ops->attach_context_destructor(&binding->context);
  }
  return engine_status_to_status(
      ops->init(binding->context.data, key_value, binding->info, extra, cancel));
}

Handler *cipher_handler_create(const AlgorithmInfoType *search_type, void *info) {
  return handler_create(sizeof(Handler), &CIPHER_HANDLER_CLASS.base, search_type, info,
                        cipher_bind);
}
