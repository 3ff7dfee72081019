// info_store.h: the store at the start of every algorithm and key object. It
// owns every buffer the object allocates for itself (key copies, parameter
// records, its info list) and wipes them all when cleared, and it holds the
// object's info list: the (info type, value) pairs set on or derived for it.
#ifndef KIT_SECURITY_FRAMEWORK_INFO_STORE_H
#define KIT_SECURITY_FRAMEWORK_INFO_STORE_H

#include <stddef.h>
#include <stdint.h>

#include "security/framework/base.h"

// The owned-block array grows by this many entries at a time.
enum { kInfoStoreGrowth = 10 };

struct OwnedBlock {
  void *data;
  size_t size;
};

// InfoEntry: one held representation. |type| is the address of an
// AlgorithmInfoType or KeyInfoType (identity is the address); |value| is the
// type's value record (may be null for parameterless types).
struct InfoEntry {
  const void *type;
  void *value;
};

struct InfoStore {
  uint32_t block_count;
  uint32_t block_capacity;
  OwnedBlock *blocks;
  uint32_t info_count;
  InfoEntry *infos;  // itself an owned block, exactly info_count entries
};

// info_store_register makes |block| (|size| bytes, from cinder_alloc) owned by
// |store|. Returns 0, or STATUS_NO_MEMORY when the owned-block array cannot
// grow; in that case |block| has been wiped and freed.
Status info_store_register(InfoStore *store, void *block, size_t size);

// info_store_alloc allocates |size| zeroed bytes owned by |store| into *out.
// Returns 0 or STATUS_NO_MEMORY (*out untouched, nothing allocated).
Status info_store_alloc(InfoStore *store, size_t size, void **out);

// info_store_copy is info_store_alloc followed by a copy of |size| bytes of
// |data|.
Status info_store_copy(InfoStore *store, const void *data, size_t size, void **out);

// info_store_push_info appends (type, value) to the info list, re-allocating
// the list to exactly one more entry. Returns 0 or STATUS_NO_MEMORY (the list
// is then unchanged).
Status info_store_push_info(InfoStore *store, const void *type, void *value);

// info_store_find_info finds the first entry of |type| and stores its value in
// *value. Returns 0, or STATUS_NOT_SUPPORTED when the store holds no such entry
// (*value untouched).
Status info_store_find_info(const InfoStore *store, const void *type, void **value);

// info_store_clear wipes every owned block over its registered size, frees it,
// frees the owned-block array and leaves the store empty (all fields zero).
void info_store_clear(InfoStore *store);

#endif  // KIT_SECURITY_FRAMEWORK_INFO_STORE_H
