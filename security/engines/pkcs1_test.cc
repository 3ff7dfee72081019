// PKCS #1 block formats on a bare cipher block: the layouts the pad
// operations write and what the unpad operations accept.
#include "security/engines/pkcs1.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "security/codec/codec_test_util.h"

namespace {

// A PaddedRsaCipher with a block buffer of k octets holding |collected| and
// nothing bound.
struct BareCipher {
  PaddedRsaCipher cipher;
  Octets block;
  BareCipher(uint32_t k, const Octets &collected) : block(k, 0xEE) {
    memset(&cipher, 0, sizeof cipher);
    std::copy(collected.begin(), collected.end(), block.begin());
    cipher.block = block.data();
    cipher.block_size = k;
    cipher.collected = static_cast<uint32_t>(collected.size());
  }
};

TEST(Pkcs1Pad, TypeOneLayout) {
  BareCipher bare(16, hex("a1a2a3"));
  ASSERT_EQ(pkcs1_pad_type1(&bare.cipher), STATUS_OK);
  EXPECT_EQ(bare.block, hex("0001ffffffffffffffffffff00a1a2a3"));
}

TEST(Pkcs1Pad, DataTooLongForTheBlock) {
  struct Row {
    uint32_t len;
    Status want_type1, want_type2;
  };
  const Row rows[] = {
      // One padding octet: type 2 must draw it, and has no random object.
      {12, STATUS_OK, STATUS_BAD_RANDOM_OBJECT},
      // 00 0t 00 D: no padding octet, still a block.
      {13, STATUS_OK, STATUS_OK},
      // L + 3 > k, checked before any random octet is needed.
      {14, STATUS_BAD_INPUT_LENGTH, STATUS_BAD_INPUT_LENGTH},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.len);
    BareCipher one(16, Octets(row.len, 0x42)), two(16, Octets(row.len, 0x42));
    EXPECT_EQ(pkcs1_pad_type1(&one.cipher), row.want_type1);
    EXPECT_EQ(pkcs1_pad_type2(&two.cipher, nullptr, nullptr), row.want_type2);
  }
}

TEST(Pkcs1Unpad, AcceptsOnlyWellFormedBlocks) {
  struct Row {
    const char *why;
    int type;
    std::string block;
    Status want;
    std::string message;
  };
  const Row rows[] = {
      {"type 1", 1, "0001ffffffffffffffffff00616263", STATUS_OK, "616263"},
      {"type 1, empty message", 1, "0001ffffffffffffffffffff00", STATUS_OK, ""},
      {"type 1 without padding", 1, "000100616263", STATUS_OK, "616263"},
      {"type 1, wrong type octet", 1, "0002ffffffffffffffffff00616263", STATUS_BAD_INPUT, ""},
      {"type 1, leading octet not zero", 1, "0101ffffffffffffffffff00616263", STATUS_BAD_INPUT,
       ""},
      {"type 1, non-FF octet before the separator", 1, "0001ff7fffffffffffffff00616263",
       STATUS_BAD_INPUT, ""},
      {"type 1, no separator", 1, "0001ffffffffffffffffffffffff", STATUS_BAD_INPUT, ""},
      {"type 1, too short for the type octet", 1, "00", STATUS_BAD_INPUT, ""},
      {"type 2", 2, "000201020304050607080900616263", STATUS_OK, "616263"},
      {"type 2, separator last", 2, "00020102030405060708090a00", STATUS_OK, ""},
      {"type 2, separator first", 2, "000200616263", STATUS_OK, "616263"},
      {"type 2, second zero stays in the message", 2, "0002010203040506070800610062",
       STATUS_OK, "610062"},
      {"type 2, no separator", 2, "00020102030405060708090a0b0c", STATUS_BAD_INPUT, ""},
      {"type 2, second octet 01", 2, "000101020304050607080900616263", STATUS_BAD_INPUT, ""},
      {"type 2, leading octet not zero", 2, "020201020304050607080900616263", STATUS_BAD_INPUT,
       ""},
      {"type 2, empty", 2, "", STATUS_BAD_INPUT, ""},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    const Octets block = hex(row.block);
    BareCipher bare(static_cast<uint32_t>(block.size()) + 4, block);
    Item message{reinterpret_cast<uint8_t *>(1), 12345};
    const uint32_t length = static_cast<uint32_t>(block.size());
    const Status status = row.type == 1 ? pkcs1_unpad_type1(&bare.cipher, &message, length)
                                        : pkcs1_unpad_type2(&bare.cipher, &message, length);
    EXPECT_EQ(status, row.want);
    if (status == STATUS_OK) {
      EXPECT_EQ(Octets(message.data, message.data + message.len), hex(row.message));
      EXPECT_EQ(message.data + message.len, bare.block.data() + length);
    }
  }
}

}  // namespace
