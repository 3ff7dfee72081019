#include "security/framework/info_store.h"

#include <string.h>

#include "security/framework/memory.h"

Status info_store_register(InfoStore *store, void *block, size_t size) {
  if (store->block_count == store->block_capacity) {
    uint32_t capacity = store->block_capacity + kInfoStoreGrowth;
    OwnedBlock *grown = static_cast<OwnedBlock *>(cinder_alloc(capacity * sizeof(OwnedBlock)));
    if (grown == nullptr) {
      cinder_wipe_free(block, size);
      return STATUS_NO_MEMORY;
    }
    if (store->block_count > 0) {
      memcpy(grown, store->blocks, store->block_count * sizeof(OwnedBlock));
    }
    cinder_wipe_free(store->blocks, store->block_capacity * sizeof(OwnedBlock));
    store->blocks = grown;
    store->block_capacity = capacity;
  }
  store->blocks[store->block_count].data = block;
  store->blocks[store->block_count].size = size;
  store->block_count++;
  return STATUS_OK;
}

Status info_store_alloc(InfoStore *store, size_t size, void **out) {
  void *block = cinder_alloc(size);
  if (block == nullptr) {
    return STATUS_NO_MEMORY;
  }
  memset(block, 0, size);
  Status status = info_store_register(store, block, size);
  if (status != STATUS_OK) {
    return status;
  }
  *out = block;
  return STATUS_OK;
}

Status info_store_copy(InfoStore *store, const void *data, size_t size, void **out) {
  void *block = nullptr;
  Status status = info_store_alloc(store, size, &block);
  if (status != STATUS_OK) {
    return status;
  }
  if (size > 0) {
    memcpy(block, data, size);
  }
  *out = block;
  return STATUS_OK;
}

// The info list is re-allocated to its exact size on every push. Once it
// exists its owned-block entry is updated in place, so only the first push can
// fail to register.
Status info_store_push_info(InfoStore *store, const void *type, void *value) {
  size_t old_size = store->info_count * sizeof(InfoEntry);
  size_t new_size = old_size + sizeof(InfoEntry);
  InfoEntry *list = static_cast<InfoEntry *>(cinder_alloc(new_size));
  if (list == nullptr) {
    return STATUS_NO_MEMORY;
  }
  if (old_size > 0) {
    memcpy(list, store->infos, old_size);
  }
  list[store->info_count].type = type;
  list[store->info_count].value = value;
  if (store->infos == nullptr) {
    Status status = info_store_register(store, list, new_size);
    if (status != STATUS_OK) {
      return status;
    }
  } else {
    for (uint32_t i = 0; i < store->block_count; i++) {
      if (store->blocks[i].data == store->infos) {
        store->blocks[i].data = list;
        store->blocks[i].size = new_size;
        break;
      }
    }
    cinder_wipe_free(store->infos, old_size);
  }
  store->infos = list;
  store->info_count++;
  return STATUS_OK;
}

Status info_store_find_info(const InfoStore *store, const void *type, void **value) {
  for (uint32_t i = 0; i < store->info_count; i++) {
    if (store->infos[i].type == type) {
      *value = store->infos[i].value;
      return STATUS_OK;
    }
  }
  return STATUS_NOT_SUPPORTED;
}

void info_store_clear(InfoStore *store) {
  for (uint32_t i = 0; i < store->block_count; i++) {
    cinder_wipe_free(store->blocks[i].data, store->blocks[i].size);
  }
  cinder_wipe_free(store->blocks, store->block_capacity * sizeof(OwnedBlock));
  memset(store, 0, sizeof(*store));
}
