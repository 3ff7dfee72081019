// handler_internal.h: what the framework's handler kinds share.
#ifndef KIT_SECURITY_FRAMEWORK_HANDLER_INTERNAL_H
#define KIT_SECURITY_FRAMEWORK_HANDLER_INTERNAL_H

#include "security/framework/handler.h"
#include "security/framework/status.h"

// bind_engine_by_info sizes the binding's context from the engine's
// contextSize(size, info) slot, then runs its init(ctx, info, cancel) slot:
// the bind of every engine whose context depends on the parameters only
// (digests, random generators).
template <typename Ops>
Status bind_engine_by_info(BindingRecord *binding, const Ops *ops, const CancelCheck *cancel) {
  uint32_t size = 0;
  Status status = engine_status_to_status(ops->context_size(&size, binding->info));
  if (status != STATUS_OK) {
    return status;
  }
  if ((status = context_block_resize(&binding->context, size)) != STATUS_OK) {
    return status;
  }
  return engine_status_to_status(ops->init(binding->context.data, binding->info, cancel));
}

#endif  // KIT_SECURITY_FRAMEWORK_HANDLER_INTERNAL_H
