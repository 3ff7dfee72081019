// The handler core: dispatch, construction, and the engine binding that every
// init runs.
#include "security/framework/handler.h"

#include <string.h>

#include "security/framework/memory.h"

void handler_release(Handler *handler) { handler->handler_class->release(handler); }

bool handler_is_framework_handler(const Handler *handler) {
  return handler != nullptr && handler->dispatch_release == &handler_release;
}

void handler_init(Handler *handler, const HandlerClass *handler_class,
                  const AlgorithmInfoType *search_type, void *info, BindCallback bind) {
  memset(handler, 0, sizeof(*handler));
  handler->dispatch_release = &handler_release;
  handler->handler_class = handler_class;
  handler->binding.search_type = search_type;
  handler->binding.info = info;
  handler->binding.bind = bind;
}

Handler *handler_create(size_t size, const HandlerClass *handler_class,
                        const AlgorithmInfoType *search_type, void *info, BindCallback bind) {
  Handler *handler = static_cast<Handler *>(cinder_alloc(size));
  if (handler == nullptr) {
    return nullptr;
  }
  memset(handler, 0, size);
  handler_init(handler, handler_class, search_type, info, bind);
  handler->allocation_size = size;
  return handler;
}

void handler_destroy(Handler *handler) {
  if (handler == nullptr) {
    return;
  }
  handler_release(handler);
  cinder_wipe_free(handler, handler->allocation_size);
}

Handler *handler_of_binding(BindingRecord *binding) {
  return reinterpret_cast<Handler *>(reinterpret_cast<char *>(binding) -
                                     offsetof(Handler, binding));
}

Status bind_method(BindingRecord *binding, int direction, KeyObject *key, uintptr_t extra,
                   MethodList methods, const CancelCheck *cancel) {
  Status result = STATUS_NO_METHOD;
  if (methods == nullptr) {
    return result;
  }
  for (size_t i = 0; methods[i] != nullptr; i++) {
    const MethodRecord *record = methods[i];
    if (record->algorithm != binding->search_type || record->direction != direction) {
      continue;
    }
    void *key_value = nullptr;
    if (record->key_type != nullptr) {
      Status status = get_key_info_of_type(&key_value, key, record->key_type);
      if (status == STATUS_NO_MEMORY || status == STATUS_CANCELLED) {
        return status;
      }
      if (status != STATUS_OK) {
        result = status;
        continue;
      }
    }
    // The callback reshapes the context, so the engine bound before no longer
    // owns it: until a callback succeeds the handler is unbound.
    binding->engine = nullptr;
    Status status = binding->bind(binding, key_value, extra, record, cancel);
    if (status == STATUS_OK) {
      binding->engine = record->engine;
      return STATUS_OK;
    }
    if (status == STATUS_NO_MEMORY || status == STATUS_CANCELLED) {
      return status;
    }
    result = status;
  }
  return result;
}
