// KeyGenHandler: binds a KeyGenEngineOps table with three context blocks (the
// engine context, a second block, the random input of one attempt) and runs
// the engine until it stops asking for fresh random input.
#include "security/framework/handler.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/framework/status.h"

namespace {

KeyGenHandler *as_keygen(Handler *handler) { return reinterpret_cast<KeyGenHandler *>(handler); }

void keygen_release(Handler *handler) {
  KeyGenHandler *keygen = as_keygen(handler);
  context_block_release(&handler->binding.context);
  context_block_release(&keygen->second);
  context_block_release(&keygen->random_input);
}

Status keygen_handler_init(Handler *handler, MethodList methods, const CancelCheck *cancel) {
  return bind_method(&handler->binding, METHOD_OTHER, nullptr, 0, methods, cancel);
}

Status keygen_generate_key_pair(Handler *handler, KeyObject *public_key, KeyObject *private_key,
                                AlgorithmObject *random, const CancelCheck *cancel) {
  KeyGenHandler *keygen = as_keygen(handler);
  const KeyGenEngineOps *ops = static_cast<const KeyGenEngineOps *>(handler->binding.engine);
  if (ops == nullptr) {
    return STATUS_NOT_INITIALIZED;
  }
  if (keygen->private_type == nullptr || keygen->public_type == nullptr) {
    return STATUS_WRONG_OPERATION;
  }
  uint8_t *random_input = static_cast<uint8_t *>(keygen->random_input.data);
  const void *result = nullptr;
  void *public_value = nullptr;
  Status status = STATUS_OK;
  for (;;) {
    if ((status = random_generate(random, random_input, keygen->random_count, cancel)) != 0) {
      goto done;
    }
    EngineStatus code =
        ops->generate(handler->binding.context.data, &result, random_input, cancel);
    if (code == ENGINE_OK) {
      break;
    }
    if (code != ENGINE_RETRY) {
      status = engine_status_to_status(code);
      goto done;
    }
  }
  if ((status = set_key_info_of_type(private_key, keygen->private_type, result)) != 0) {
    goto done;
  }
  if ((status = get_key_info_of_type(&public_value, private_key, keygen->public_type)) != 0) {
    goto done;
  }
  status = set_key_info_of_type(public_key, keygen->public_type, public_value);
done:
  cinder_wipe(keygen->random_input.data, keygen->random_input.size);
  return status;
}

// RSA key generation has no domain parameters to generate.
Status keygen_generate_parameters(Handler *, AlgorithmObject *, AlgorithmObject *,
                                  const CancelCheck *) {
  return STATUS_NOT_SUPPORTED;
}

}  // namespace

const KeyGenHandlerClass KEYGEN_HANDLER_CLASS = {
    {keygen_release, HANDLER_KEYGEN},
    keygen_handler_init,
    keygen_generate_key_pair,
    keygen_generate_parameters,
};

Status keygen_bind(BindingRecord *binding, const void *, uintptr_t, const MethodRecord *record,
                   const CancelCheck *cancel) {
  KeyGenHandler *keygen = as_keygen(handler_of_binding(binding));
  const KeyGenEngineOps *ops = static_cast<const KeyGenEngineOps *>(record->engine);
  uint32_t context_size = 0;
  uint32_t second_size = 0;
  uint32_t random_count = 0;
  const KeyInfoType *private_type = nullptr;
  const KeyInfoType *public_type = nullptr;
  keygen->private_type = nullptr;
  keygen->public_type = nullptr;
  Status status = engine_status_to_status(ops->info(&context_size, &second_size, &random_count,
                                                    &private_type, &public_type, binding->info));
  if (status != STATUS_OK) {
    return status;
  }
  if ((status = context_block_resize(&binding->context, context_size)) != STATUS_OK ||
      (status = context_block_resize(&keygen->second, second_size)) != STATUS_OK ||
      (status = context_block_resize(&keygen->random_input, random_count)) != STATUS_OK) {
    return status;
  }
  if (ops->attach_context_destructor != nullptr) {
    ops->attach_context_destructor(&binding->context);
  }
  status = engine_status_to_status(
      ops->init(binding->context.data, keygen->second.data, binding->info, cancel));
  if (status != STATUS_OK) {
    return status;
  }
  keygen->random_count = random_count;
  keygen->private_type = private_type;
  keygen->public_type = public_type;
  return STATUS_OK;
}

Handler *keygen_handler_create(const AlgorithmInfoType *search_type, void *info) {
  return handler_create(sizeof(KeyGenHandler), &KEYGEN_HANDLER_CLASS.base, search_type, info,
                        keygen_bind);
}
