// The PKCS #1 RSA types and the digest-with-RSA signature types through the
// framework, on OpenSSL-made keys: block limits, malformed blocks, signature
// mismatches, the exact-encoding rule of verification, and every allocation
// failure.
#include "security/catalogue/pkcs1_algorithms.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "security/catalogue/algorithms.h"
#include "security/catalogue/generator_methods.h"
#include "security/catalogue/pkcs8_key_info.h"
#include "security/catalogue/rsa_methods.h"
#include "security/codec/codec_test_util.h"
#include "security/engines/md5.h"
#include "security/framework/handler.h"
#include "security/framework/key_types.h"
#include "security/framework/operations.h"

namespace {

// Objects destroyed on scope exit; |status| says whether making them worked
// (the allocation-failure loop makes it fail).
struct Key {
  KeyObject *key = nullptr;
  Status status;
  Key() { status = create_key_object(&key); }
  ~Key() { destroy_key_object(&key); }
  Key(const Key &) = delete;
};

struct Object {
  AlgorithmObject *object = nullptr;
  Status status;
  explicit Object(InfoTypeAccessor type) {
    status = create_algorithm_object(&object);
    if (status == STATUS_OK) {
      status = set_algorithm_info(object, type, nullptr);
    }
  }
  ~Object() { destroy_algorithm_object(&object); }
  Object(const Object &) = delete;
};

// A private key from a fixture and the public key derived from it.
struct KeyPair {
  Key private_key, public_key;
  uint32_t k = 0;
  explicit KeyPair(const char *name) {
    Octets pk8 = read_testdata(std::string(name) + ".pk8.der");
    Item info = item_of(pk8);
    EXPECT_EQ(set_key_info(private_key.key, KEY_RSA_PRIVATE_PKCS8, &info), STATUS_OK);
    void *value = nullptr;
    EXPECT_EQ(get_key_info(&value, private_key.key, KEY_RSA_PUBLIC), STATUS_OK);
    EXPECT_EQ(set_key_info(public_key.key, KEY_RSA_PUBLIC, value), STATUS_OK);
    k = static_cast<RsaPublicValue *>(value)->modulus.len;
  }
};

// A seeded generator.
struct Random {
  Object random{ALG_RANDOM};
  explicit Random(const Octets &seed) {
    EXPECT_EQ(random_init(random.object, METHODS_RANDOM, nullptr), STATUS_OK);
    EXPECT_EQ(random_update(random.object, seed.data(), static_cast<uint32_t>(seed.size()),
                            nullptr),
              STATUS_OK);
  }
};

// Every RSA record, both keys and both directions.
const MethodRecord *const kAllRsa[] = {&METHOD_RSA_PUBLIC_ENCRYPTING,
                                       &METHOD_RSA_PRIVATE_DECRYPTING,
                                       &METHOD_RSA_PRIVATE_ENCRYPTING,
                                       &METHOD_RSA_PUBLIC_DECRYPTING, nullptr};

// One whole encryption or decryption: init, one update, final.
Status run_cipher(InfoTypeAccessor type, bool encrypt, KeyObject *key, const Octets &in,
                  Octets *out, AlgorithmObject *random = nullptr, uint32_t max = 512) {
  Object cipher(type);
  if (cipher.status != STATUS_OK) return cipher.status;
  Status status = encrypt ? encrypt_init(cipher.object, key, kAllRsa, nullptr)
                          : decrypt_init(cipher.object, key, kAllRsa, nullptr);
  if (status != STATUS_OK) return status;
  Octets buffer(512, 0xEE);
  uint32_t len = 77;
  status = (encrypt ? encrypt_update : decrypt_update)(
      cipher.object, buffer.data(), &len, max, in.data(), static_cast<uint32_t>(in.size()),
      random, nullptr);
  if (status != STATUS_OK) return status;
  EXPECT_EQ(len, 0u);
  status = (encrypt ? encrypt_final : decrypt_final)(cipher.object, buffer.data(), &len, max,
                                                     random, nullptr);
  buffer.resize(len);
  *out = buffer;
  return status;
}

int rsa_private_raw(const void **type) {
  *type = &ALG_RSA_PRIVATE_RAW_TYPE;
  return INFO_TYPE_ALGORITHM;
}

// The raw private-key image of a whole block (no padding).
Octets raw_private(KeyObject *key, const Octets &block) {
  Object cipher(rsa_private_raw);
  EXPECT_EQ(encrypt_init(cipher.object, key, METHODS_RSA_SIGNATURE, nullptr), STATUS_OK);
  Octets out(512);
  uint32_t len = 0;
  EXPECT_EQ(encrypt_update(cipher.object, out.data(), &len, 512, block.data(),
                           static_cast<uint32_t>(block.size()), nullptr, nullptr),
            STATUS_OK);
  out.resize(len);
  return out;
}

TEST(PaddedRsaCipher, EncryptionLimitsAndRoundTrip) {
  KeyPair pair("rsa512");
  ASSERT_EQ(pair.k, 64u);
  Random random(hex("0102"));
  Octets block, block2, back;
  // 64 - 11 = 53 octets fit; 54 are refused by the update.
  EXPECT_EQ(run_cipher(ALG_RSA_PKCS1_PUBLIC, true, pair.public_key.key, Octets(54, 7), &block,
                       random.random.object),
            STATUS_BAD_INPUT_LENGTH);
  ASSERT_EQ(run_cipher(ALG_RSA_PKCS1_PUBLIC, true, pair.public_key.key, Octets(53, 7), &block,
                       random.random.object),
            STATUS_OK);
  EXPECT_EQ(block.size(), 64u);
  ASSERT_EQ(run_cipher(ALG_RSA_PKCS1_PUBLIC, true, pair.public_key.key, Octets(53, 7), &block2,
                       random.random.object),
            STATUS_OK);
  EXPECT_NE(block, block2);  // fresh padding each time
  for (const Octets &b : {block, block2}) {
    ASSERT_EQ(run_cipher(ALG_RSA_PKCS1_PRIVATE, false, pair.private_key.key, b, &back),
              STATUS_OK);
    EXPECT_EQ(back, Octets(53, 7));
  }
  // Type 2 padding needs a random object.
  EXPECT_EQ(run_cipher(ALG_RSA_PKCS1_PUBLIC, true, pair.public_key.key, Octets(5, 7), &block),
            STATUS_BAD_RANDOM_OBJECT);
}

TEST(PaddedRsaCipher, DecryptionRejects) {
  KeyPair pair("rsa512");
  const uint32_t k = pair.k;
  auto block_of = [&](const std::string &head, size_t fill_len, uint8_t fill,
                      const std::string &tail) {
    Octets b = hex(head);
    b.insert(b.end(), fill_len, fill);
    Octets t = hex(tail);
    b.insert(b.end(), t.begin(), t.end());
    EXPECT_EQ(b.size(), k);
    return raw_private(pair.private_key.key, b);
  };
  struct Row {
    const char *why;
    InfoTypeAccessor type;
    KeyObject *key;
    Octets input;
    uint32_t max;
    Status want;
    uint32_t want_len;
  };
  const Row rows[] = {
      {"type 1 where type 2 is expected", ALG_RSA_PKCS1_PRIVATE, pair.private_key.key,
       block_of("0001", k - 6, 0xFF, "00616263"), 501, STATUS_BAD_INPUT, 0},
      {"type 2 block without separator", ALG_RSA_PKCS1_PRIVATE, pair.private_key.key,
       block_of("0002", k - 2, 0x11, ""), 501, STATUS_BAD_INPUT, 0},
      {"type 1 with a non-FF padding octet", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key,
       block_of("0001ff7f", k - 8, 0xFF, "00616263"), 501, STATUS_BAD_INPUT, 0},
      {"message longer than k - 11", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key,
       block_of("000100", k - 3, 0x61, ""), 501, STATUS_BAD_INPUT, 0},
      {"message longer than the output space", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key,
       block_of("0001", k - 6, 0xFF, "00616263"), 0, STATUS_OUTPUT_TOO_SMALL, 3},
      {"valid type 1 block", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key,
       block_of("0001", k - 6, 0xFF, "00616263"), 501, STATUS_OK, 3},
      {"short input", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key, Octets(k - 1, 1), 501,
       STATUS_BAD_INPUT_LENGTH, 0},
      {"no input at all", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key, Octets{}, 501,
       STATUS_BAD_INPUT, 0},
      {"more than one block", ALG_RSA_PKCS1_PUBLIC, pair.public_key.key, Octets(k + 1, 1), 501,
       STATUS_BAD_INPUT_LENGTH, 0},
      {"public key for the private-key side", ALG_RSA_PKCS1_PRIVATE, pair.public_key.key,
       Octets(k, 1), 501, STATUS_WRONG_KEY_INFO, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    Object cipher(row.type);
    ASSERT_EQ(decrypt_init(cipher.object, row.key, kAllRsa, nullptr),
              row.want == STATUS_WRONG_KEY_INFO ? STATUS_WRONG_KEY_INFO : STATUS_OK);
    if (row.want == STATUS_WRONG_KEY_INFO) continue;
    Octets out(512, 0xEE);
    uint32_t len = 99;
    Status status = decrypt_update(cipher.object, out.data(), &len, row.max, row.input.data(),
                                   static_cast<uint32_t>(row.input.size()), nullptr, nullptr);
    if (status == STATUS_OK) {
      len = 99;
      status = decrypt_final(cipher.object, out.data(), &len, row.max, nullptr, nullptr);
    }
    EXPECT_EQ(status, row.want);
    if (row.want_len != 0) {
      EXPECT_EQ(len, row.want_len);
    }
  }
  Object cipher(ALG_RSA_PKCS1_PUBLIC);
  ASSERT_EQ(encrypt_init(cipher.object, pair.public_key.key, METHODS_PRE_MASTER_SECRET, nullptr),
            STATUS_OK);
  uint32_t size = 0;
  const CipherHandlerClass *slots =
      reinterpret_cast<const CipherHandlerClass *>(cipher.object->handler->handler_class);
  EXPECT_EQ(slots->block_size(cipher.object->handler, &size), STATUS_NOT_SUPPORTED);
}

TEST(PaddedRsaCipher, ElevenOctetModulusIsNotSupported) {
  Key key;
  Octets n = hex("c5a3b1d2e4f60718293a4b"), e = hex("03");
  RsaPublicValue value{item_of(n), item_of(e)};
  ASSERT_EQ(set_key_info(key.key, KEY_RSA_PUBLIC, &value), STATUS_OK);
  Object cipher(ALG_RSA_PKCS1_PUBLIC);
  EXPECT_EQ(encrypt_init(cipher.object, key.key, METHODS_PRE_MASTER_SECRET, nullptr),
            STATUS_NOT_SUPPORTED);
}

Octets md5_of(const Octets &data) {
  Md5Context ctx;
  md5_init(&ctx);
  md5_update(&ctx, data.data(), static_cast<uint32_t>(data.size()));
  Octets out(16);
  md5_final(&ctx, out.data());
  return out;
}

Status sign(InfoTypeAccessor type, MethodList methods, KeyObject *key, const Octets &data,
            Octets *signature, uint32_t max = 1024) {
  Object sig(type);
  if (sig.status != STATUS_OK) return sig.status;
  Status status = sign_init(sig.object, key, methods, nullptr);
  if (status == STATUS_OK) {
    status = sign_update(sig.object, data.data(), static_cast<uint32_t>(data.size()), nullptr);
  }
  Octets out(1024);
  uint32_t len = 0;
  if (status == STATUS_OK) {
    status = sign_final(sig.object, out.data(), &len, max, nullptr, nullptr);
  }
  out.resize(len);
  *signature = out;
  return status;
}

Status verify(InfoTypeAccessor type, MethodList methods, KeyObject *key, const Octets &data,
              const Octets &signature) {
  Object sig(type);
  if (sig.status != STATUS_OK) return sig.status;
  Status status = verify_init(sig.object, key, methods, nullptr);
  if (status == STATUS_OK) {
    status = verify_update(sig.object, data.data(), static_cast<uint32_t>(data.size()), nullptr);
  }
  if (status == STATUS_OK) {
    status = verify_final(sig.object, signature.data(), static_cast<uint32_t>(signature.size()),
                          nullptr, nullptr);
  }
  return status;
}

TEST(SignatureHandler, SignsAndVerifiesTheDigestInfoBlock) {
  KeyPair pair("rsa1024");
  const Octets data = hex("48656c6c6f2c20776f726c64");
  struct Row {
    const char *why;
    InfoTypeAccessor type;
    MethodList methods;
  };
  const Row rows[] = {{"MD5", ALG_MD5_WITH_RSA, METHODS_MD5_RSA},
                      {"MD2", ALG_MD2_WITH_RSA, METHODS_MD2_RSA}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    Octets signature;
    ASSERT_EQ(sign(row.type, row.methods, pair.private_key.key, data, &signature), STATUS_OK);
    EXPECT_EQ(signature.size(), 128u);
    EXPECT_EQ(verify(row.type, row.methods, pair.public_key.key, data, signature), STATUS_OK);
    Octets other = data;
    other[0] ^= 1;
    EXPECT_EQ(verify(row.type, row.methods, pair.public_key.key, other, signature),
              STATUS_BAD_SIGNATURE);
    // The block inside is 00 01 FF.. 00 and the 34-octet DigestInfo.
    Octets recovered;
    ASSERT_EQ(run_cipher(ALG_RSA_PKCS1_PUBLIC, false, pair.public_key.key, signature, &recovered),
              STATUS_OK);
    EXPECT_EQ(recovered.size(), 34u);
    EXPECT_EQ(Octets(recovered.begin(), recovered.begin() + 18),
              hex(std::string("3020300c06082a864886f70d02") +
                  (row.type == ALG_MD5_WITH_RSA ? "05" : "02") + "0500" + "0410"));
    Octets wrong_length = signature;
    wrong_length.push_back(0);
    EXPECT_NE(verify(row.type, row.methods, pair.public_key.key, data, wrong_length), STATUS_OK);
  }
  Octets signature;
  EXPECT_EQ(sign(ALG_MD5_WITH_RSA, METHODS_MD5_RSA, pair.private_key.key, data, &signature, 0),
            STATUS_OUTPUT_TOO_SMALL);
}

TEST(SignatureHandler, AcceptsOnlyTheExactDigestInfo) {
  KeyPair pair("rsa1024");
  const Octets data = hex("0001020304");
  const std::string digest = [&] {
    std::string s;
    for (uint8_t b : md5_of(data)) {
      static const char kHex[] = "0123456789abcdef";
      s += kHex[b >> 4];
      s += kHex[b & 15];
    }
    return s;
  }();
  const std::string md5_id = "300c06082a864886f70d02050500";
  struct Row {
    const char *why;
    std::string digest_info;
    Status want;
  };
  const Row rows[] = {
      {"the DER DigestInfo", "3020" + md5_id + "0410" + digest, STATUS_OK},
      {"two extra octets after it", "3020" + md5_id + "0410" + digest + "0000",
       STATUS_BAD_SIGNATURE},
      {"long-form outer length", "308120" + md5_id + "0410" + digest, STATUS_BAD_SIGNATURE},
      {"long-form digest length", "3021" + md5_id + "048110" + digest, STATUS_BAD_SIGNATURE},
      {"indefinite outer length", "3080" + md5_id + "0410" + digest + "0000",
       STATUS_BAD_SIGNATURE},
      {"MD2 named under MD5", "3020300c06082a864886f70d02020500" "0410" + digest,
       STATUS_BAD_SIGNATURE},
      {"another digest", "3020" + md5_id + "0410" + std::string(32, '0'), STATUS_BAD_SIGNATURE},
      {"parameters absent", "301e300a06082a864886f70d0205" "0410" + digest, STATUS_BAD_INPUT},
      {"not a DigestInfo", "0410" + digest, STATUS_BAD_INPUT},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    Octets signature;
    Object signer(ALG_RSA_PKCS1_PRIVATE);
    ASSERT_EQ(run_cipher(ALG_RSA_PKCS1_PRIVATE, true, pair.private_key.key, hex(row.digest_info),
                         &signature),
              STATUS_OK);
    EXPECT_EQ(verify(ALG_MD5_WITH_RSA, METHODS_MD5_RSA, pair.public_key.key, data, signature),
              row.want);
  }
}

TEST(Pkcs1Algorithms, EveryAllocationFailure) {
  const Octets data = hex("616263");
  Octets pk8 = read_testdata("rsa512.pk8.der");
  expect_clean_allocation_failures([&] {
    Key private_key, public_key;
    Item info = item_of(pk8);
    void *value = nullptr;
    Octets signature, block, back;
    Status status;
    if ((status = private_key.status) != STATUS_OK || (status = public_key.status) != STATUS_OK ||
        (status = set_key_info(private_key.key, KEY_RSA_PRIVATE_PKCS8, &info)) != STATUS_OK ||
        (status = get_key_info(&value, private_key.key, KEY_RSA_PUBLIC)) != STATUS_OK ||
        (status = set_key_info(public_key.key, KEY_RSA_PUBLIC, value)) != STATUS_OK ||
        (status = sign(ALG_MD5_WITH_RSA, METHODS_MD5_RSA, private_key.key, data, &signature)) !=
            STATUS_OK ||
        (status = verify(ALG_MD5_WITH_RSA, METHODS_MD5_RSA, public_key.key, data, signature)) !=
            STATUS_OK) {
      return status;
    }
    Object random(ALG_RANDOM);
    const uint8_t seed = 0;
    if ((status = random.status) != STATUS_OK ||
        (status = random_init(random.object, METHODS_RANDOM, nullptr)) != STATUS_OK ||
        (status = random_update(random.object, &seed, 1, nullptr)) != STATUS_OK ||
        (status = run_cipher(ALG_RSA_PKCS1_PUBLIC, true, public_key.key, data, &block,
                             random.object)) != STATUS_OK) {
      return status;
    }
    return run_cipher(ALG_RSA_PKCS1_PRIVATE, false, private_key.key, block, &back);
  });
}

}  // namespace
