#include <string.h>

#include "security/framework/engine_ops.h"
#include "security/framework/memory.h"

namespace {

void context_block_run_destroy(ContextBlock *block) {
  if (block->destroy != nullptr) {
    void (*destroy)(ContextBlock *) = block->destroy;
    block->destroy = nullptr;
    destroy(block);
  }
}

}  // namespace

// The block is left all zero so that an engine whose init fails half way, and
// whose destructor then runs, never sees stale pointers of an earlier binding.
Status context_block_resize(ContextBlock *block, uint32_t size) {
  context_block_run_destroy(block);
  if (block->data != nullptr && block->size == size) {
    cinder_wipe(block->data, size);
    return STATUS_OK;
  }
  cinder_wipe_free(block->data, block->size);
  block->data = nullptr;
  block->size = 0;
  void *data = cinder_alloc(size);
  if (data == nullptr) {
    return STATUS_NO_MEMORY;
  }
  memset(data, 0, size);
  block->data = data;
  block->size = size;
  return STATUS_OK;
}

void context_block_release(ContextBlock *block) {
  context_block_run_destroy(block);
  cinder_wipe_free(block->data, block->size);
  block->data = nullptr;
  block->size = 0;
}
