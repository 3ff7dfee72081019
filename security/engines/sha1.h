// sha1.h: the SHA-1 digest (FIPS 180-1) behind the Java SHA1 class. It works
// outside the framework on its own state record, whose message schedule
// doubles as the block buffer: bytes are packed big-endian into W[0..15] as
// they arrive, whole words at a time once the byte count is word aligned.
#ifndef KIT_SECURITY_ENGINES_SHA1_H
#define KIT_SECURITY_ENGINES_SHA1_H

#include <stdint.h>

enum { SHA1_DIGEST_LENGTH = 20, SHA1_BLOCK_LENGTH = 64 };

struct Sha1State {
  uint32_t W[80];     // message schedule; W[0..15] the current block
  uint32_t count[2];  // message bytes fed so far, low word first
  uint32_t H[5];      // chaining words
};

// sha1_init sets the initial chaining words and zeroes W and the count.
void sha1_init(Sha1State *state);
// sha1_update_byte feeds one octet.
void sha1_update_byte(Sha1State *state, uint8_t b);
// sha1_update feeds data[offset .. offset + length).
void sha1_update(Sha1State *state, const uint8_t *data, uint32_t offset, uint32_t length);
// sha1_final writes the 20-octet digest to |out| and re-initialises the state.
void sha1_final(Sha1State *state, uint8_t out[SHA1_DIGEST_LENGTH]);
// sha1_compress runs one compression over W[0..15] into H (W[16..79] are
// overwritten with the schedule).
void sha1_compress(Sha1State *state);

#endif  // KIT_SECURITY_ENGINES_SHA1_H
