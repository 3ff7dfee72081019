// The test allocation wrapper: every block carries a header with its size, so
// that a release can tell whether the block was wiped, and the n-th allocation
// can be made to fail. Counters are plain globals: the tests are single-threaded
// around the code they measure.
#include <stdlib.h>
#include <string.h>

#include "security/framework/memory.h"

namespace {

struct alignas(16) BlockHeader {
  size_t size;
};

long fail_countdown = 0;
bool failed = false;
long calls = 0;
long live = 0;
long unwiped = 0;

BlockHeader *header_of(void *p) { return static_cast<BlockHeader *>(p) - 1; }

void release(void *p) {
  if (p == nullptr) return;
  BlockHeader *h = header_of(p);
  const unsigned char *bytes = static_cast<const unsigned char *>(p);
  for (size_t i = 0; i < h->size; i++) {
    if (bytes[i] != 0) {
      unwiped++;
      break;
    }
  }
  live--;
  free(h);
}

}  // namespace

void *cinder_alloc(size_t size) {
  calls++;
  if (fail_countdown > 0 && --fail_countdown == 0) {
    failed = true;
    return nullptr;
  }
  BlockHeader *h = static_cast<BlockHeader *>(malloc(sizeof(BlockHeader) + (size == 0 ? 1 : size)));
  if (h == nullptr) return nullptr;
  h->size = size;
  live++;
  // Fill with junk so that code relying on fresh memory being zero is caught.
  memset(h + 1, 0xA5, size);
  return h + 1;
}

void cinder_free(void *p) { release(p); }

void cinder_wipe(void *p, size_t size) {
  if (p != nullptr) explicit_bzero(p, size);
}

void cinder_wipe_free(void *p, size_t size) {
  cinder_wipe(p, size);
  release(p);
}

void cinder_testing_fail_allocation(long n) {
  fail_countdown = n;
  failed = false;
}
bool cinder_testing_allocation_failed() { return failed; }
long cinder_testing_allocation_calls() { return calls; }
long cinder_testing_live_blocks() { return live; }
long cinder_testing_unwiped_releases() { return unwiped; }
void cinder_testing_reset_counters() {
  calls = 0;
  unwiped = 0;
  fail_countdown = 0;
  failed = false;
}
