// sha1_internal.h: the SHA-1 compression kernels, visible to the tests so
// that each one is checked whichever the processor picks.
#ifndef KIT_SECURITY_ENGINES_SHA1_INTERNAL_H
#define KIT_SECURITY_ENGINES_SHA1_INTERNAL_H

#include <stddef.h>
#include <stdint.h>

#include "security/engines/sha1.h"

enum Sha1Kernel {
  SHA1_KERNEL_PORTABLE,  // FIPS 180-1 section 7, over the state's W
  SHA1_KERNEL_SHA_NI,    // the x86 SHA extensions
};

// sha1_kernel_available: whether this processor can run |kernel|.
bool sha1_kernel_available(Sha1Kernel kernel);

// sha1_kernel_compress_blocks compresses |blocks| consecutive 64-octet blocks
// of |data| into state->H with |kernel| (which must be available); the
// portable kernel passes each block through state->W.
void sha1_kernel_compress_blocks(Sha1Kernel kernel, Sha1State *state, const uint8_t *data,
                                 size_t blocks);

#endif  // KIT_SECURITY_ENGINES_SHA1_INTERNAL_H
