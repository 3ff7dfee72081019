// The RC4 engine: the published vectors, stream continuity across calls, the
// slot statuses, and agreement with OpenSSL's RC4 for keys of every length.
#include "security/engines/rc4.h"

#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/rc4.h>

#include "security/codec/codec_test_util.h"

namespace {

Rc4Context keyed(const Octets &key) {
  Rc4Context ctx;
  memset(&ctx, 0xA5, sizeof ctx);
  Item item{const_cast<uint8_t *>(key.data()), static_cast<uint32_t>(key.size())};
  uint32_t size = 0;
  EXPECT_EQ(Rc4Engine.context_size(&size, &item, nullptr), ENGINE_OK);
  EXPECT_EQ(size, sizeof(Rc4Context));
  EXPECT_EQ(Rc4Engine.init(&ctx, &item, nullptr, 0, nullptr), ENGINE_OK);
  return ctx;
}

Octets pattern(size_t n, uint32_t seed) {
  Octets out(n);
  for (size_t i = 0; i < n; i++) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

TEST(Rc4Engine, PublishedVectors) {
  std::ifstream in(std::string(ENGINES_TESTDATA) + "/rc4_vectors.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    SCOPED_TRACE(line);
    std::istringstream fields(line);
    std::string key, plain, cipher;
    fields >> key >> plain >> cipher;
    Rc4Context ctx = keyed(hex(key));
    Octets data = hex(plain);
    Octets out(data.size(), 0xEE);
    uint32_t out_len = 0;
    ASSERT_EQ(Rc4Engine.update(&ctx, out.data(), &out_len, static_cast<uint32_t>(out.size()),
                               data.data(), static_cast<uint32_t>(data.size()), nullptr),
              ENGINE_OK);
    EXPECT_EQ(out_len, data.size());
    EXPECT_EQ(out, hex(cipher));
    rows++;
  }
  EXPECT_GE(rows, 9);
}

TEST(Rc4Engine, SplitCallsContinueTheStream) {
  const Octets key = hex("0102030405");
  const Octets data = pattern(10, 7);
  Rc4Context whole = keyed(key);
  Octets one = data;
  uint32_t len = 0;
  ASSERT_EQ(Rc4Engine.update(&whole, one.data(), &len, 10, one.data(), 10, nullptr), ENGINE_OK);

  Rc4Context split = keyed(key);
  Octets parts = data;
  size_t at = 0;
  for (uint32_t n : {3u, 0u, 7u}) {
    SCOPED_TRACE(n);
    len = 99;
    ASSERT_EQ(Rc4Engine.update(&split, parts.data() + at, &len, n, parts.data() + at, n, nullptr),
              ENGINE_OK);
    EXPECT_EQ(len, n);
    at += n;
  }
  EXPECT_EQ(parts, one);
  EXPECT_EQ(memcmp(&split, &whole, sizeof whole), 0);
}

TEST(Rc4Engine, SlotStatuses) {
  Octets key_octets(257, 1);
  struct Row {
    const char *why;
    uint32_t key_len;
    EngineStatus want;
  };
  const Row rows[] = {
      {"empty key", 0, ENGINE_BAD_KEY_LENGTH},
      {"shortest key", 1, ENGINE_OK},
      {"longest key", 256, ENGINE_OK},
      {"one octet too long", 257, ENGINE_BAD_KEY_LENGTH},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    Item item{key_octets.data(), row.key_len};
    uint32_t size = 0;
    EXPECT_EQ(Rc4Engine.context_size(&size, &item, nullptr), row.want);
  }

  Rc4Context ctx = keyed(hex("00"));
  const Rc4Context before = ctx;
  Octets data = pattern(8, 3);
  const Octets original = data;
  uint32_t len = 77;
  // Longer input than the output can take: nothing changes.
  EXPECT_EQ(Rc4Engine.update(&ctx, data.data(), &len, 7, data.data(), 8, nullptr),
            ENGINE_OUTPUT_TOO_SMALL);
  EXPECT_EQ(data, original);
  EXPECT_EQ(memcmp(&ctx, &before, sizeof ctx), 0);

  uint32_t out = 0;
  EXPECT_EQ(Rc4Engine.output_length(&ctx, &out, 1234), ENGINE_OK);
  EXPECT_EQ(out, 1234u);
  EXPECT_EQ(Rc4Engine.block_size(&ctx, &out), ENGINE_OK);
  EXPECT_EQ(out, 1u);
  EXPECT_EQ(Rc4Engine.attach_context_destructor, nullptr);

  len = 5;
  EXPECT_EQ(Rc4Engine.final(&ctx, nullptr, &len, 0, nullptr), ENGINE_OK);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(Rc4Engine.update(&ctx, data.data(), &len, 8, data.data(), 8, nullptr),
            ENGINE_NOT_READY);
  EXPECT_EQ(data, original);
  EXPECT_EQ(Rc4Engine.final(&ctx, nullptr, &len, 0, nullptr), ENGINE_NOT_READY);
  // An empty input succeeds even on a stopped stream.
  EXPECT_EQ(Rc4Engine.update(&ctx, data.data(), &len, 8, data.data(), 0, nullptr), ENGINE_OK);
  EXPECT_EQ(len, 0u);
}

TEST(Rc4Engine, AgreesWithOpenSsl) {
  for (uint32_t key_len : {1u, 2u, 5u, 7u, 16u, 31u, 128u, 255u, 256u}) {
    SCOPED_TRACE(key_len);
    const Octets key = pattern(key_len, key_len);
    const Octets data = pattern(4099, key_len + 1);
    Rc4Context ctx = keyed(key);
    Octets ours(data.size());
    uint32_t len = 0;
    // Two calls of odd length, so both loop tails run.
    ASSERT_EQ(Rc4Engine.update(&ctx, ours.data(), &len, 1001, data.data(), 1001, nullptr),
              ENGINE_OK);
    ASSERT_EQ(Rc4Engine.update(&ctx, ours.data() + 1001, &len, 3098, data.data() + 1001, 3098,
                               nullptr),
              ENGINE_OK);
    RC4_KEY peer;
    RC4_set_key(&peer, static_cast<int>(key.size()), key.data());
    Octets theirs(data.size());
    RC4(&peer, data.size(), data.data(), theirs.data());
    EXPECT_EQ(ours, theirs);
  }
}

}  // namespace
