// RandomHandler: a plain Handler bound to a RandomEngineOps table.
#include "security/framework/handler_internal.h"

namespace {

const RandomEngineOps *bound_random(const Handler *handler) {
  return static_cast<const RandomEngineOps *>(handler->binding.engine);
}

void random_release(Handler *handler) { context_block_release(&handler->binding.context); }

Status random_handler_init(Handler *handler, MethodList methods, const CancelCheck *cancel) {
  return bind_method(&handler->binding, METHOD_OTHER, nullptr, 0, methods, cancel);
}

Status random_handler_update(Handler *handler, const uint8_t *seed, uint32_t len,
                             const CancelCheck *cancel) {
  const RandomEngineOps *ops = bound_random(handler);
  if (ops == nullptr) {
    return STATUS_RANDOM_NOT_INITIALIZED;
  }
  return engine_status_to_status(ops->update(handler->binding.context.data, seed, len, cancel));
}

Status random_handler_generate(Handler *handler, uint8_t *out, uint32_t len,
                               const CancelCheck *cancel) {
  const RandomEngineOps *ops = bound_random(handler);
  if (ops == nullptr) {
    return STATUS_RANDOM_NOT_INITIALIZED;
  }
  return engine_status_to_status(ops->generate(handler->binding.context.data, out, len, cancel));
}

}  // namespace

const RandomHandlerClass RANDOM_HANDLER_CLASS = {
    {random_release, HANDLER_RANDOM},
    random_handler_init,
    random_handler_update,
    random_handler_generate,
};

Status random_bind(BindingRecord *binding, const void *, uintptr_t, const MethodRecord *record,
                   const CancelCheck *cancel) {
  return bind_engine_by_info(binding, static_cast<const RandomEngineOps *>(record->engine),
                             cancel);
}

Handler *random_handler_create(const AlgorithmInfoType *search_type, void *info) {
  return handler_create(sizeof(Handler), &RANDOM_HANDLER_CLASS.base, search_type, info,
                        random_bind);
}
