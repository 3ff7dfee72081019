// DigestHandler: a plain Handler bound to a DigestEngineOps table.
#include "security/framework/handler_internal.h"

namespace {

const DigestEngineOps *bound_digest(const Handler *handler) {
  return static_cast<const DigestEngineOps *>(handler->binding.engine);
}

void digest_release(Handler *handler) { context_block_release(&handler->binding.context); }

Status digest_handler_init(Handler *handler, KeyObject *key, MethodList methods,
                           const CancelCheck *cancel) {
  return bind_method(&handler->binding, METHOD_OTHER, key, 0, methods, cancel);
}

Status digest_handler_update(Handler *handler, const uint8_t *data, uint32_t len,
                             const CancelCheck *cancel) {
  const DigestEngineOps *ops = bound_digest(handler);
  if (ops == nullptr) {
    return STATUS_NOT_INITIALIZED;
  }
  return engine_status_to_status(ops->update(handler->binding.context.data, data, len, cancel));
}

Status digest_handler_final(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                            const CancelCheck *cancel) {
  const DigestEngineOps *ops = bound_digest(handler);
  if (ops == nullptr) {
    return STATUS_NOT_INITIALIZED;
  }
  return engine_status_to_status(
      ops->final(handler->binding.context.data, out, out_len, max, cancel));
}

}  // namespace

const DigestHandlerClass DIGEST_HANDLER_CLASS = {
    {digest_release, HANDLER_DIGEST},
    digest_handler_init,
    digest_handler_update,
    digest_handler_final,
};

Status digest_bind(BindingRecord *binding, const void *, uintptr_t, const MethodRecord *record,
                   const CancelCheck *cancel) {
  return bind_engine_by_info(binding, static_cast<const DigestEngineOps *>(record->engine),
                             cancel);
}

Handler *digest_handler_create(const AlgorithmInfoType *search_type, void *info) {
  return handler_create(sizeof(Handler), &DIGEST_HANDLER_CLASS.base, search_type, info,
                        digest_bind);
}
