// SHA-1 (FIPS 180-1). Bytes are packed big-endian into the message schedule W
// as they arrive; once the byte count is word aligned whole words are stored at
// a time, and whole blocks at a block boundary go straight from the caller's
// data to the compression. The compression uses the processor's SHA extensions
// when present, else the portable rounds.
#include "security/engines/sha1.h"

#include <string.h>

#include <algorithm>

#include "security/engines/sha1_internal.h"
#include "security/framework/memory.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define SHA1_HAVE_X86 1
#endif

namespace {

inline uint32_t load_be32(const uint8_t *p) {
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
}

// The word whose in-memory octets are |v| big-endian.
inline uint32_t store_order_be32(uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  return __builtin_bswap32(v);
#else
  return v;
#endif
}

inline uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void add_to_count(Sha1State *state, uint32_t bytes) {
  uint32_t low = state->count[0] + bytes;
  if (low < state->count[0]) {
    state->count[1]++;
  }
  state->count[0] = low;
}

// FIPS 180-1 section 7: expand W[16..79], then the four groups of twenty
// rounds.
void compress_portable(Sha1State *state) {
  uint32_t *W = state->W;
  for (int t = 16; t < 80; t++) {
    W[t] = rotl(W[t - 3] ^ W[t - 8] ^ W[t - 14] ^ W[t - 16], 1);
  }
  uint32_t a = state->H[0], b = state->H[1], c = state->H[2], d = state->H[3], e = state->H[4];
  for (int t = 0; t < 20; t++) {
    uint32_t temp = rotl(a, 5) + ((b & c) | (~b & d)) + e + W[t] + 0x5A827999;
    e = d, d = c, c = rotl(b, 30), b = a, a = temp;
  }
  for (int t = 20; t < 40; t++) {
    uint32_t temp = rotl(a, 5) + (b ^ c ^ d) + e + W[t] + 0x6ED9EBA1;
    e = d, d = c, c = rotl(b, 30), b = a, a = temp;
  }
  for (int t = 40; t < 60; t++) {
    uint32_t temp = rotl(a, 5) + ((b & c) | (b & d) | (c & d)) + e + W[t] + 0x8F1BBCDC;
    e = d, d = c, c = rotl(b, 30), b = a, a = temp;
  }
  for (int t = 60; t < 80; t++) {
    uint32_t temp = rotl(a, 5) + (b ^ c ^ d) + e + W[t] + 0xCA62C1D6;
    e = d, d = c, c = rotl(b, 30), b = a, a = temp;
  }
  state->H[0] += a;
  state->H[1] += b;
  state->H[2] += c;
  state->H[3] += d;
  state->H[4] += e;
}

#if SHA1_HAVE_X86

#if defined(__clang__)
// clang's run-time library has no "sha" feature name, so ask the processor
// (leaf 7 EBX bit 29: SHA; leaf 1 ECX bits 19 and 9: SSE4.1, SSSE3).
bool cpu_has_sha_ni() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & (1u << 19)) || !(ecx & (1u << 9))) {
    return false;
  }
  return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & (1u << 29));
}
#else
// The run-time library reads the processor's features once at load time.
bool cpu_has_sha_ni() {
  return __builtin_cpu_supports("sha") && __builtin_cpu_supports("sse4.1") &&
         __builtin_cpu_supports("ssse3");
}
#endif

// Four rounds with the SHA extensions: |e_next| receives the E value for the
// next group, |abcd| the new working state.
#define SHA1_ROUNDS4(abcd, e_in, e_next, msg, func)     \
  do {                                                  \
    e_in = _mm_sha1nexte_epu32(e_in, msg);              \
    e_next = abcd;                                      \
    abcd = _mm_sha1rnds4_epu32(abcd, e_in, func);       \
  } while (0)

// Runs the 80 rounds of one block over (abcd, e0) with the message words in
// m0..m3 (word 0 in the highest lane).
__attribute__((target("sha,sse4.1,ssse3"), always_inline)) inline void sha_ni_block(__m128i &abcd, __m128i &e0,
                                                                    __m128i m0, __m128i m1,
                                                                    __m128i m2, __m128i m3) {
  const __m128i abcd_save = abcd;
  const __m128i e_save = e0;
  __m128i e1;

  // Rounds 0-3: the first E is added directly.
  e0 = _mm_add_epi32(e0, m0);
  e1 = abcd;
  abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
  // Rounds 4-15, starting the schedule.
  SHA1_ROUNDS4(abcd, e1, e0, m1, 0);
  m0 = _mm_sha1msg1_epu32(m0, m1);
  SHA1_ROUNDS4(abcd, e0, e1, m2, 0);
  m1 = _mm_sha1msg1_epu32(m1, m2);
  m0 = _mm_xor_si128(m0, m2);
  e1 = _mm_sha1nexte_epu32(e1, m3);
  e0 = abcd;
  m0 = _mm_sha1msg2_epu32(m0, m3);
  abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);
  m2 = _mm_sha1msg1_epu32(m2, m3);
  m1 = _mm_xor_si128(m1, m3);

// One group of four rounds in the steady state of the schedule.
#define SHA1_STEADY(ea, eb, ma, mb, mc, md, func) \
  do {                                            \
    ea = _mm_sha1nexte_epu32(ea, ma);             \
    eb = abcd;                                    \
    mb = _mm_sha1msg2_epu32(mb, ma);              \
    abcd = _mm_sha1rnds4_epu32(abcd, ea, func);   \
    md = _mm_sha1msg1_epu32(md, ma);              \
    mc = _mm_xor_si128(mc, ma);                   \
  } while (0)

  SHA1_STEADY(e0, e1, m0, m1, m2, m3, 0);  // rounds 16-19
  SHA1_STEADY(e1, e0, m1, m2, m3, m0, 1);  // 20-23
  SHA1_STEADY(e0, e1, m2, m3, m0, m1, 1);  // 24-27
  SHA1_STEADY(e1, e0, m3, m0, m1, m2, 1);  // 28-31
  SHA1_STEADY(e0, e1, m0, m1, m2, m3, 1);  // 32-35
  SHA1_STEADY(e1, e0, m1, m2, m3, m0, 1);  // 36-39
  SHA1_STEADY(e0, e1, m2, m3, m0, m1, 2);  // 40-43
  SHA1_STEADY(e1, e0, m3, m0, m1, m2, 2);  // 44-47
  SHA1_STEADY(e0, e1, m0, m1, m2, m3, 2);  // 48-51
  SHA1_STEADY(e1, e0, m1, m2, m3, m0, 2);  // 52-55
  SHA1_STEADY(e0, e1, m2, m3, m0, m1, 2);  // 56-59
  SHA1_STEADY(e1, e0, m3, m0, m1, m2, 3);  // 60-63
  SHA1_STEADY(e0, e1, m0, m1, m2, m3, 3);  // 64-67
#undef SHA1_STEADY

  // Rounds 68-79: the schedule winds down.
  e1 = _mm_sha1nexte_epu32(e1, m1);
  e0 = abcd;
  m2 = _mm_sha1msg2_epu32(m2, m1);
  abcd = _mm_sha1rnds4_epu32(abcd, e1, 3);
  m3 = _mm_xor_si128(m3, m1);
  e0 = _mm_sha1nexte_epu32(e0, m2);
  e1 = abcd;
  m3 = _mm_sha1msg2_epu32(m3, m2);
  abcd = _mm_sha1rnds4_epu32(abcd, e0, 3);
  SHA1_ROUNDS4(abcd, e1, e0, m3, 3);

  e0 = _mm_sha1nexte_epu32(e0, e_save);
  abcd = _mm_add_epi32(abcd, abcd_save);
}
#undef SHA1_ROUNDS4

__attribute__((target("sha,sse4.1,ssse3"))) void sha_ni_blocks(uint32_t H[5],
                                                              const uint8_t *data,
                                                              size_t blocks) {
  // Reverses the 16 octets of a lane group: big-endian words, word 0 on top.
  const __m128i byte_flip = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(H)), 0x1B);
  __m128i e0 = _mm_set_epi32((int)H[4], 0, 0, 0);
  for (; blocks > 0; blocks--, data += SHA1_BLOCK_LENGTH) {
    const __m128i *p = reinterpret_cast<const __m128i *>(data);
    sha_ni_block(abcd, e0, _mm_shuffle_epi8(_mm_loadu_si128(p), byte_flip),
                 _mm_shuffle_epi8(_mm_loadu_si128(p + 1), byte_flip),
                 _mm_shuffle_epi8(_mm_loadu_si128(p + 2), byte_flip),
                 _mm_shuffle_epi8(_mm_loadu_si128(p + 3), byte_flip));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i *>(H), _mm_shuffle_epi32(abcd, 0x1B));
  H[4] = (uint32_t)_mm_extract_epi32(e0, 3);
}

// The same over W[0..15], whose words are already numbers.
__attribute__((target("sha,sse4.1,ssse3"))) void sha_ni_words(uint32_t H[5], const uint32_t *W) {
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(H)), 0x1B);
  __m128i e0 = _mm_set_epi32((int)H[4], 0, 0, 0);
  const __m128i *p = reinterpret_cast<const __m128i *>(W);
  sha_ni_block(abcd, e0, _mm_shuffle_epi32(_mm_loadu_si128(p), 0x1B),
               _mm_shuffle_epi32(_mm_loadu_si128(p + 1), 0x1B),
               _mm_shuffle_epi32(_mm_loadu_si128(p + 2), 0x1B),
               _mm_shuffle_epi32(_mm_loadu_si128(p + 3), 0x1B));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(H), _mm_shuffle_epi32(abcd, 0x1B));
  H[4] = (uint32_t)_mm_extract_epi32(e0, 3);
}

#endif  // SHA1_HAVE_X86

bool sha_ni_available() {
#if SHA1_HAVE_X86
  return cpu_has_sha_ni();
#else
  return false;
#endif
}

// Chosen once: the processor does not change, and small digests would
// otherwise pay for the feature test on every compression.
Sha1Kernel best_kernel() {
  static const Sha1Kernel kernel = sha_ni_available() ? SHA1_KERNEL_SHA_NI : SHA1_KERNEL_PORTABLE;
  return kernel;
}

// The initial chaining words and a zero count, with the first |w_bytes|
// octets of W zeroed (the rest must be zero already).
void reset_state(Sha1State *state, size_t w_bytes) {
  memset(state->W, 0, w_bytes);
  state->count[0] = 0;
  state->count[1] = 0;
  state->H[0] = 0x67452301;
  state->H[1] = 0xEFCDAB89;
  state->H[2] = 0x98BADCFE;
  state->H[3] = 0x10325476;
  state->H[4] = 0xC3D2E1F0;
}

// One compression of W[0..15] into H with |kernel|.
void compress_schedule(Sha1Kernel kernel, Sha1State *state) {
#if SHA1_HAVE_X86
  if (kernel == SHA1_KERNEL_SHA_NI) {
    sha_ni_words(state->H, state->W);
    return;
  }
#endif
  compress_portable(state);
}

}  // namespace

bool sha1_kernel_available(Sha1Kernel kernel) {
  switch (kernel) {
    case SHA1_KERNEL_PORTABLE:
      return true;
    case SHA1_KERNEL_SHA_NI:
      return sha_ni_available();
  }
  return false;
}

void sha1_kernel_compress_blocks(Sha1Kernel kernel, Sha1State *state, const uint8_t *data,
                                 size_t blocks) {
#if SHA1_HAVE_X86
  if (kernel == SHA1_KERNEL_SHA_NI) {
    sha_ni_blocks(state->H, data, blocks);
    return;
  }
#endif
  for (; blocks > 0; blocks--, data += SHA1_BLOCK_LENGTH) {
    for (int i = 0; i < 16; i++) {
      state->W[i] = load_be32(data + 4 * i);
    }
    compress_portable(state);
  }
}

void sha1_compress(Sha1State *state) { compress_schedule(best_kernel(), state); }

void sha1_init(Sha1State *state) { reset_state(state, sizeof(state->W)); }

void sha1_update_byte(Sha1State *state, uint8_t b) {
  const uint32_t position = state->count[0] % SHA1_BLOCK_LENGTH;
  const int shift = 8 * (3 - (int)(position % 4));
  uint32_t &word = state->W[position / 4];
  word = (word & ~(0xFFu << shift)) | (uint32_t)b << shift;
  if (position == SHA1_BLOCK_LENGTH - 1) {
    sha1_compress(state);
  }
  add_to_count(state, 1);
}

void sha1_update(Sha1State *state, const uint8_t *data, uint32_t offset, uint32_t length) {
  const uint8_t *p = data + offset;
  uint32_t n = length;
  for (; n > 0 && state->count[0] % 4 != 0; n--) {
    sha1_update_byte(state, *p++);
  }
  while (n >= 4) {
    const uint32_t position = state->count[0] % SHA1_BLOCK_LENGTH;
    if (position == 0 && n >= SHA1_BLOCK_LENGTH) {
      const uint32_t blocks = n / SHA1_BLOCK_LENGTH;
      sha1_kernel_compress_blocks(best_kernel(), state, p, blocks);
      const uint32_t bytes = blocks * SHA1_BLOCK_LENGTH;
      add_to_count(state, bytes);
      p += bytes;
      n -= bytes;
      continue;
    }
    // Whole words up to the end of the input or of the block, counted once.
    const uint32_t bytes = std::min(n & ~3u, SHA1_BLOCK_LENGTH - position);
    for (uint32_t i = 0; i < bytes; i += 4) {
      state->W[(position + i) / 4] = load_be32(p + i);
    }
    add_to_count(state, bytes);
    if (position + bytes == SHA1_BLOCK_LENGTH) {
      sha1_compress(state);
    }
    p += bytes;
    n -= bytes;
  }
  for (; n > 0; n--) {
    sha1_update_byte(state, *p++);
  }
}

void sha1_final(Sha1State *state, uint8_t out[SHA1_DIGEST_LENGTH]) {
  const uint32_t bits_high = state->count[1] << 3 | state->count[0] >> 29;
  const uint32_t bits_low = state->count[0] << 3;
  // The 0x80 octet and the zero octets that complete its word, in one store:
  // the octets already in the word stay, those after the marker become zero.
  uint32_t position = state->count[0] % SHA1_BLOCK_LENGTH;
  const int shift = 8 * (3 - (int)(position % 4));
  const uint32_t kept = shift == 24 ? 0 : state->W[position / 4] & (0xFFFFFFFFu << (shift + 8));
  state->W[position / 4] = kept | 0x80u << shift;
  position += 4 - position % 4;
  // Zero words up to 56 mod 64, as feeding zero octets one by one would.
  if (position > 56) {
    memset(&state->W[position / 4], 0, SHA1_BLOCK_LENGTH - position);
    sha1_compress(state);
    position = 0;
  }
  memset(&state->W[position / 4], 0, 56 - position);
  state->W[14] = bits_high;
  state->W[15] = bits_low;
  const Sha1Kernel kernel = best_kernel();
  compress_schedule(kernel, state);
  // The chaining words are read into locals first: |out| may point into the
  // state as far as the compiler knows, which would make it reload each word.
  uint32_t digest[5];
  for (int i = 0; i < 5; i++) {
    digest[i] = store_order_be32(state->H[i]);
  }
  memcpy(out, digest, sizeof digest);
  // Back to the initial state. The SHA extensions never write W[16..79], so
  // after them only the block words need zeroing; the portable rounds leave
  // their schedule there.
  reset_state(state, kernel == SHA1_KERNEL_SHA_NI ? (size_t)SHA1_BLOCK_LENGTH : sizeof(state->W));
}
