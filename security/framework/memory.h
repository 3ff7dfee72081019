// memory.h: the one allocation wrapper pair of the security library, and the
// wipe every secret-holding buffer gets before it is released.
//
// The shipped library links memory.cc (plain malloc/free). Tests link
// memory_testing.cc instead, which defines the same functions plus the hooks
// declared at the end: fail the n-th allocation, count live blocks, and count
// blocks released while not all zero (a missed wipe).
#ifndef KIT_SECURITY_FRAMEWORK_MEMORY_H
#define KIT_SECURITY_FRAMEWORK_MEMORY_H

#include <stddef.h>

// cinder_alloc returns |size| uninitialised bytes, or null when memory is
// exhausted. A size of zero still returns a distinct block.
void *cinder_alloc(size_t size);
// cinder_free releases a block of cinder_alloc (null is accepted). Use it only
// for blocks that never held key material or random state.
void cinder_free(void *p);
// cinder_wipe zeroes |size| bytes in a way the compiler cannot drop.
void cinder_wipe(void *p, size_t size);
// cinder_wipe_free wipes the first |size| bytes of |p|, then releases it.
void cinder_wipe_free(void *p, size_t size);

// Test hooks, defined only by memory_testing.cc.
// cinder_testing_fail_allocation makes the n-th cinder_alloc call from now on
// (1 = the next one) return null; 0 disables the failure.
void cinder_testing_fail_allocation(long n);
// Whether the failure armed above has happened.
bool cinder_testing_allocation_failed();
// Number of cinder_alloc calls since the counters were reset.
long cinder_testing_allocation_calls();
// Blocks allocated and not yet released.
long cinder_testing_live_blocks();
// Blocks released by cinder_wipe_free or cinder_free while holding a nonzero
// byte; cinder_free of a block that is legitimately non-secret counts too, so
// check this only around code whose every block is secret-bearing.
long cinder_testing_unwiped_releases();
// Resets the counters above (not the live-block count).
void cinder_testing_reset_counters();

#endif  // KIT_SECURITY_FRAMEWORK_MEMORY_H
