// The shipped allocation wrapper: malloc and free, and explicit_bzero for wipes.
#include "security/framework/memory.h"

#include <stdlib.h>
#include <string.h>

void *cinder_alloc(size_t size) { return malloc(size == 0 ? 1 : size); }

void cinder_free(void *p) { free(p); }

void cinder_wipe(void *p, size_t size) {
  if (p != nullptr) explicit_bzero(p, size);
}

void cinder_wipe_free(void *p, size_t size) {
  cinder_wipe(p, size);
  free(p);
}
