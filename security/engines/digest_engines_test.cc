// The digest engines against their published vectors (RFC 1321 A.5, RFC 1319
// A.5, FIPS 180-1 appendices A and B), the padding boundaries, and every way of
// splitting a message.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "security/engines/md2.h"
#include "security/engines/md5.h"
#include "security/engines/sha1.h"
#include "security/engines/sha1_internal.h"

namespace {

std::string hex(const uint8_t *p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; i++) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s;
}

std::vector<uint8_t> bytes_of(const std::string &s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// "abcd...zabc..." of |n| octets: the messages of the boundary rows.
std::string alphabet_run(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; i++) s += (char)('a' + i % 26);
  return s;
}

struct Vector {
  std::string message;
  const char *digest;
};

const char kAlnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
const char kDigits80[] =
    "12345678901234567890123456789012345678901234567890123456789012345678901234567890";

const std::vector<Vector> &md5_vectors() {
  static const std::vector<Vector> v = {
      // RFC 1321 A.5
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {kAlnum, "d174ab98d277d9f5a5611c2c9f419d9f"},
      {kDigits80, "57edf4a22be3c955ac49da2e2107b67a"},
      // Padding boundaries: 55 leaves room for the count, 56 does not, 63 and
      // 64 end at the block's last octet and at the block, 65 starts another.
      {alphabet_run(55), "0d7ae056b2f015cd7dc67494efd658f1"},
      {alphabet_run(56), "31fcfb5165169eb55898e7e4cf34d19a"},
      {alphabet_run(63), "1b30c0670c15e7da3c2ba7bce77ebe99"},
      {alphabet_run(64), "a2eaf6295c32adc403865fd96a2f182b"},
      {alphabet_run(65), "eba2cce0ca8df47e62414a736b3105a2"},
      {alphabet_run(119), "b05187e08da41fa3ef16bd56afaafd99"},
      {alphabet_run(120), "62af9b597a9f55e16ab2b897387fc052"},
      {alphabet_run(128), "3e8c1ccbd71838ef3df4b72e57fb9bf6"},
  };
  return v;
}

const std::vector<Vector> &md2_vectors() {
  static const std::vector<Vector> v = {
      // RFC 1319 A.5
      {"", "8350e5a3e24c153df2275c9f80692773"},
      {"a", "32ec01ec4a6dac72c0ab96fb34c0b5d1"},
      {"abc", "da853b0d3f88d99b30283a69e6ded6bb"},
      {"message digest", "ab4f496bfb2a530b219ff33031fe06b0"},
      {"abcdefghijklmnopqrstuvwxyz", "4e8ddff3650292ab5a4108c3aa47940b"},
      {kAlnum, "da33def2a42df13975352846c30338cd"},
      {kDigits80, "d5976f79d83d3a0dc9806c3c66f3efd8"},
      // Padding boundaries: 15 pads one octet, 16 a whole block, 17 fifteen.
      {alphabet_run(15), "879f1ddf42343b52e24e125a0f341b2f"},
      {alphabet_run(16), "7f17759865db3f1cd4f77daa7b203a72"},
      {alphabet_run(17), "1dad5ac3d40d6d941ba781a6ef3e5dfe"},
      {alphabet_run(32), "658390b7b7a6fbd1d86a820d8787a8e1"},
      {alphabet_run(33), "b28343990d2b602363dd30992c729349"},
  };
  return v;
}

const std::vector<Vector> &sha1_vectors() {
  static const std::vector<Vector> v = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      // FIPS 180-1 appendices A and B
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {alphabet_run(55), "a617d006d1ca12671785098a19a87fe58443bde9"},
      {alphabet_run(56), "4ad5bb7ae3c4024768d364b77c52128ea3cffebe"},
      {alphabet_run(63), "fc8a5ab77259625085ead3ec96515b3b8d933fad"},
      {alphabet_run(64), "93249d4c2f8903ebf41ac358473148ae6ddd7042"},
      {alphabet_run(65), "cf2a63cc308225cf07b498d2309a01dd0df52f67"},
      {alphabet_run(119), "edd0f1133d0e4ca5f3e98bb7e0295f31d20d2cdb"},
      {alphabet_run(127), "4add81c7de2e43d621cdb34132bbb23178f4c500"},
      {alphabet_run(128), "3698f9beb7cdf5b1e1ce786672fb234143d4df89"},
  };
  return v;
}

// A digest through direct functions, fed as the pieces that |cuts| marks.
template <typename Ctx, void (*Init)(Ctx *), void (*Update)(Ctx *, const uint8_t *, uint32_t),
          void (*Final)(Ctx *, uint8_t *)>
std::string direct_digest(const std::vector<uint8_t> &m, const std::vector<size_t> &cuts) {
  Ctx ctx;
  Init(&ctx);
  size_t start = 0;
  for (size_t cut : cuts) {
    Update(&ctx, m.data() + start, (uint32_t)(cut - start));
    start = cut;
  }
  Update(&ctx, m.data() + start, (uint32_t)(m.size() - start));
  uint8_t out[16];
  Final(&ctx, out);
  return hex(out, 16);
}

// A digest through an engine table, as the framework drives it.
std::string engine_digest(const DigestEngineOps &ops, const std::vector<uint8_t> &m,
                          const std::vector<size_t> &cuts) {
  uint32_t size = 0;
  EXPECT_EQ(ops.context_size(&size, nullptr), ENGINE_OK);
  std::vector<uint8_t> ctx(size, 0xA5);
  EXPECT_EQ(ops.init(ctx.data(), nullptr, nullptr), ENGINE_OK);
  size_t start = 0;
  for (size_t cut : cuts) {
    EXPECT_EQ(ops.update(ctx.data(), m.data() + start, (uint32_t)(cut - start), nullptr), ENGINE_OK);
    start = cut;
  }
  EXPECT_EQ(ops.update(ctx.data(), m.data() + start, (uint32_t)(m.size() - start), nullptr),
            ENGINE_OK);
  uint8_t out[32];
  uint32_t out_len = 0;
  EXPECT_EQ(ops.final(ctx.data(), out, &out_len, sizeof(out), nullptr), ENGINE_OK);
  EXPECT_EQ(out_len, 16u);
  return hex(out, out_len);
}

std::string sha1_digest(const std::vector<uint8_t> &m, const std::vector<size_t> &cuts) {
  Sha1State state;
  sha1_init(&state);
  size_t start = 0;
  for (size_t cut : cuts) {
    sha1_update(&state, m.data(), (uint32_t)start, (uint32_t)(cut - start));
    start = cut;
  }
  sha1_update(&state, m.data(), (uint32_t)start, (uint32_t)(m.size() - start));
  uint8_t out[SHA1_DIGEST_LENGTH];
  sha1_final(&state, out);
  return hex(out, sizeof(out));
}

constexpr auto md5_direct = direct_digest<Md5Context, md5_init, md5_update, md5_final>;
constexpr auto md2_direct = direct_digest<Md2Context, md2_init, md2_update, md2_final>;

// Every split into two pieces, every split into three around a moving middle
// piece of 1 to 5 octets, and octet by octet.
std::vector<std::vector<size_t>> splits_of(size_t n) {
  std::vector<std::vector<size_t>> all = {{}};
  for (size_t i = 0; i <= n; i++) all.push_back({i});
  for (size_t width = 1; width <= 5; width++) {
    for (size_t i = 0; i + width <= n; i++) all.push_back({i, i + width});
  }
  std::vector<size_t> each;
  for (size_t i = 1; i < n; i++) each.push_back(i);
  all.push_back(each);
  return all;
}

TEST(Md5, PublishedAndBoundaryVectorsUnderEverySplit) {
  for (const Vector &row : md5_vectors()) {
    SCOPED_TRACE("length " + std::to_string(row.message.size()));
    std::vector<uint8_t> m = bytes_of(row.message);
    for (const auto &cuts : splits_of(m.size())) {
      ASSERT_EQ(md5_direct(m, cuts), row.digest);
      ASSERT_EQ(engine_digest(Md5Engine, m, cuts), row.digest);
    }
  }
}

TEST(Md2, PublishedAndBoundaryVectorsUnderEverySplit) {
  for (const Vector &row : md2_vectors()) {
    SCOPED_TRACE("length " + std::to_string(row.message.size()));
    std::vector<uint8_t> m = bytes_of(row.message);
    for (const auto &cuts : splits_of(m.size())) {
      ASSERT_EQ(md2_direct(m, cuts), row.digest);
      ASSERT_EQ(engine_digest(Md2Engine, m, cuts), row.digest);
    }
  }
}

TEST(DigestEngines, ShortOutputIsRefusedAndLeavesTheMessageIntact) {
  struct Row {
    const char *name;
    const DigestEngineOps *ops;
    const char *abc_digest;
  };
  const Row rows[] = {
      {"MD5", &Md5Engine, "900150983cd24fb0d6963f7d28e17f72"},
      {"MD2", &Md2Engine, "da853b0d3f88d99b30283a69e6ded6bb"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    uint32_t size = 0;
    row.ops->context_size(&size, nullptr);
    std::vector<uint8_t> ctx(size);
    row.ops->init(ctx.data(), nullptr, nullptr);
    row.ops->update(ctx.data(), reinterpret_cast<const uint8_t *>("ab"), 2, nullptr);
    uint8_t out[16];
    uint32_t out_len = 0;
    EXPECT_EQ(row.ops->final(ctx.data(), out, &out_len, 15, nullptr), ENGINE_OUTPUT_TOO_SMALL);
    EXPECT_EQ(out_len, 16u);
    row.ops->update(ctx.data(), reinterpret_cast<const uint8_t *>("c"), 1, nullptr);
    out_len = 0;
    ASSERT_EQ(row.ops->final(ctx.data(), out, &out_len, 16, nullptr), ENGINE_OK);
    EXPECT_EQ(hex(out, out_len), row.abc_digest);
    uint32_t length = 0;
    EXPECT_EQ(row.ops->digest_length(ctx.data(), &length), ENGINE_OK);
    EXPECT_EQ(length, 16u);
  }
}

TEST(DigestEngines, FinalRestartsForTheNextMessage) {
  Md5Context md5;
  md5_init(&md5);
  Md2Context md2;
  md2_init(&md2);
  uint8_t out[16];
  for (const Vector &row : md5_vectors()) {
    md5_update(&md5, reinterpret_cast<const uint8_t *>(row.message.data()),
               (uint32_t)row.message.size());
    md5_final(&md5, out);
    EXPECT_EQ(hex(out, 16), row.digest);
  }
  for (const Vector &row : md2_vectors()) {
    md2_update(&md2, reinterpret_cast<const uint8_t *>(row.message.data()),
               (uint32_t)row.message.size());
    md2_final(&md2, out);
    EXPECT_EQ(hex(out, 16), row.digest);
  }
  Md2Context fresh;
  memset(&fresh, 0, sizeof(fresh));
  EXPECT_EQ(memcmp(&md2, &fresh, sizeof(fresh)), 0);
}

TEST(Md5, BitCountCarriesIntoTheHighWord) {
  Md5Context ctx;
  md5_init(&ctx);
  ctx.bit_count[0] = 0xFFFFFFF8u;  // one octet short of 2^32 bits
  uint8_t b[2] = {1, 2};
  md5_update(&ctx, b, 2);
  EXPECT_EQ(ctx.bit_count[1], 1u);
  EXPECT_EQ(ctx.bit_count[0], 8u);
}

TEST(Sha1, PublishedAndBoundaryVectorsUnderEverySplit) {
  for (const Vector &row : sha1_vectors()) {
    SCOPED_TRACE("length " + std::to_string(row.message.size()));
    std::vector<uint8_t> m = bytes_of(row.message);
    for (const auto &cuts : splits_of(m.size())) {
      ASSERT_EQ(sha1_digest(m, cuts), row.digest);
    }
    // Octet by octet through sha1_update_byte.
    Sha1State state;
    sha1_init(&state);
    for (uint8_t b : m) sha1_update_byte(&state, b);
    uint8_t out[SHA1_DIGEST_LENGTH];
    sha1_final(&state, out);
    EXPECT_EQ(hex(out, sizeof(out)), row.digest);
  }
}

TEST(Sha1, MillionAs) {
  // FIPS 180-1 appendix C, fed in pieces that leave the count unaligned.
  std::vector<uint8_t> m(1000000, 'a');
  EXPECT_EQ(sha1_digest(m, {1, 3, 70, 135, 4099, 500001}),
            "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, UpdateReadsFromTheOffset) {
  std::vector<uint8_t> m = bytes_of("xxabcyy");
  Sha1State state;
  sha1_init(&state);
  sha1_update(&state, m.data(), 2, 3);
  uint8_t out[SHA1_DIGEST_LENGTH];
  sha1_final(&state, out);
  EXPECT_EQ(hex(out, sizeof(out)), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha1, FinalLeavesAFreshState) {
  Sha1State used;
  sha1_init(&used);
  std::vector<uint8_t> m = bytes_of(alphabet_run(150));
  sha1_update(&used, m.data(), 0, (uint32_t)m.size());
  uint8_t out[SHA1_DIGEST_LENGTH];
  sha1_final(&used, out);
  Sha1State fresh;
  memset(&fresh, 0xA5, sizeof(fresh));
  sha1_init(&fresh);
  EXPECT_EQ(memcmp(&used, &fresh, sizeof(fresh)), 0);
  EXPECT_EQ(fresh.H[0], 0x67452301u);
  EXPECT_EQ(fresh.H[4], 0xC3D2E1F0u);
}

TEST(Sha1, PacksBytesBigEndianIntoTheSchedule) {
  Sha1State state;
  sha1_init(&state);
  const uint8_t m[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  sha1_update(&state, m, 0, 1);
  sha1_update(&state, m, 1, 5);
  EXPECT_EQ(state.W[0], 0x01020304u);
  EXPECT_EQ(state.W[1], 0x05060000u);
  EXPECT_EQ(state.count[0], 6u);
  EXPECT_EQ(state.count[1], 0u);
}

TEST(Sha1, ByteCountCarriesIntoTheHighWord) {
  Sha1State state;
  sha1_init(&state);
  state.count[0] = 0xFFFFFFFCu;  // 60 mod 64: the next word ends a block
  const uint8_t m[8] = {0};
  sha1_update(&state, m, 0, 8);
  EXPECT_EQ(state.count[1], 1u);
  EXPECT_EQ(state.count[0], 4u);
}

// Both kernels must agree on any chaining value and any blocks; each is also
// checked against the padded "abc" block of FIPS 180-1 appendix A.
TEST(Sha1, KernelsAgree) {
  const Sha1Kernel kernels[] = {SHA1_KERNEL_PORTABLE, SHA1_KERNEL_SHA_NI};
  uint8_t abc_block[64] = {'a', 'b', 'c', 0x80};
  abc_block[63] = 24;
  for (Sha1Kernel kernel : kernels) {
    SCOPED_TRACE(kernel == SHA1_KERNEL_PORTABLE ? "portable" : "SHA extensions");
    if (!sha1_kernel_available(kernel)) {
      continue;
    }
    Sha1State state;
    sha1_init(&state);
    sha1_kernel_compress_blocks(kernel, &state, abc_block, 1);
    EXPECT_EQ(state.H[0], 0xa9993e36u);
    EXPECT_EQ(state.H[4], 0x9cd0d89du);
  }
  if (!sha1_kernel_available(SHA1_KERNEL_SHA_NI)) {
    GTEST_SKIP() << "no SHA extensions on this processor: only the portable kernel ran";
  }
  std::mt19937 random(1);
  for (int round = 0; round < 200; round++) {
    std::vector<uint8_t> data(64 * (1 + round % 4));
    for (uint8_t &b : data) b = (uint8_t)random();
    Sha1State a, b;
    sha1_init(&a);
    for (uint32_t &h : a.H) h = (uint32_t)random();
    b = a;
    sha1_kernel_compress_blocks(SHA1_KERNEL_PORTABLE, &a, data.data(), data.size() / 64);
    sha1_kernel_compress_blocks(SHA1_KERNEL_SHA_NI, &b, data.data(), data.size() / 64);
    ASSERT_EQ(memcmp(a.H, b.H, sizeof(a.H)), 0) << "round " << round;
  }
}

}  // namespace
