// Signature verification (MD5 and MD2 with RSA) of a fixed message, over any
// recovered block: the input is the block itself when it is k octets long,
// otherwise what follows the type 1 padding in a block of k. The block is
// turned into a signature with the raw private-key operation and verified with
// the public key. Only the exact DER DigestInfo of the message's digest in a
// well-formed type 1 block may verify; everything else must be refused with
// 540 or 524, and nothing may leak.
#include <stddef.h>
#include <stdint.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "security/catalogue/algorithms.h"
#include "security/catalogue/pkcs1_algorithms.h"
#include "security/catalogue/pkcs8_key_info.h"
#include "security/catalogue/rsa_methods.h"
#include "security/engines/md2.h"
#include "security/engines/md5.h"
#include "security/engines/pkcs1.h"
#include "security/framework/key_types.h"
#include "security/framework/operations.h"

namespace {

using Octets = std::vector<uint8_t>;

const uint8_t kMessage[] = "the message every recovered block is checked against";

// A 512-bit key pair: the private key from the codec's test data, the public
// key derived from it.
struct Keys {
  KeyObject *private_key = nullptr;
  KeyObject *public_key = nullptr;
  uint32_t k = 0;
  Keys() {
    std::ifstream in(KIT_SOURCE_DIR "/security/codec/testdata/rsa512.pk8.der", std::ios::binary);
    Octets pk8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FUZZ_CHECK(!pk8.empty());
    const Item info = {pk8.data(), static_cast<uint32_t>(pk8.size())};
    FUZZ_CHECK(create_key_object(&private_key) == STATUS_OK);
    FUZZ_CHECK(create_key_object(&public_key) == STATUS_OK);
    FUZZ_CHECK(set_key_info(private_key, KEY_RSA_PRIVATE_PKCS8, &info) == STATUS_OK);
    void *value = nullptr;
    FUZZ_CHECK(get_key_info(&value, private_key, KEY_RSA_PUBLIC) == STATUS_OK);
    FUZZ_CHECK(set_key_info(public_key, KEY_RSA_PUBLIC, value) == STATUS_OK);
    k = static_cast<RsaPublicValue *>(value)->modulus.len;
  }
};

struct Object {
  AlgorithmObject *object = nullptr;
  explicit Object(InfoTypeAccessor type) {
    FUZZ_CHECK(create_algorithm_object(&object) == STATUS_OK);
    FUZZ_CHECK(set_algorithm_info(object, type, nullptr) == STATUS_OK);
  }
  ~Object() { destroy_algorithm_object(&object); }
  Object(const Object &) = delete;
};

int rsa_private_raw(const void **type) {
  *type = &ALG_RSA_PRIVATE_RAW_TYPE;
  return INFO_TYPE_ALGORITHM;
}

// 00 01 FF..FF 00 |data| in k octets.
Octets type1_block(const Octets &data, uint32_t k) {
  Octets block(k, 0xFF);
  block[0] = 0x00;
  block[1] = 0x01;
  block[k - data.size() - 1] = 0x00;
  std::copy(data.begin(), data.end(), block.end() - static_cast<long>(data.size()));
  return block;
}

// The type 1 block signing produces: the DER DigestInfo {{oid, NULL}, digest}
// of the message, the OID being 1.2.840.113549.2.|digest_number|.
Octets signed_block(uint8_t digest_number, const uint8_t digest[16], uint32_t k) {
  Octets info = {0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x86, 0x48, 0x86, 0xf7,
                 0x0d, 0x02, digest_number, 0x05, 0x00, 0x04, 0x10};
  info.insert(info.end(), digest, digest + 16);
  return type1_block(info, k);
}

// The signature whose public-key image is |block|, or empty when the block is
// not below the modulus.
Octets raw_private(KeyObject *key, const Octets &block) {
  Object cipher(rsa_private_raw);
  FUZZ_CHECK(encrypt_init(cipher.object, key, METHODS_RSA_SIGNATURE, nullptr) == STATUS_OK);
  Octets out(block.size() + 16);
  uint32_t len = 0;
  if (encrypt_update(cipher.object, out.data(), &len, static_cast<uint32_t>(out.size()),
                     block.data(), static_cast<uint32_t>(block.size()), nullptr,
                     nullptr) != STATUS_OK) {
    return {};
  }
  out.resize(len);
  return out;
}

Status verify(InfoTypeAccessor type, MethodList methods, KeyObject *key, const Octets &signature) {
  Object sig(type);
  Status status = verify_init(sig.object, key, methods, nullptr);
  if (status == STATUS_OK) {
    status = verify_update(sig.object, kMessage, sizeof kMessage, nullptr);
  }
  if (status == STATUS_OK) {
    status = verify_final(sig.object, signature.data(), static_cast<uint32_t>(signature.size()),
                          nullptr, nullptr);
  }
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const Keys keys;
  static const Octets md5_block = [] {
    Md5Context context;
    uint8_t digest[MD5_DIGEST_LENGTH];
    md5_init(&context);
    md5_update(&context, kMessage, sizeof kMessage);
    md5_final(&context, digest);
    return signed_block(0x05, digest, keys.k);
  }();
  static const Octets md2_block = [] {
    Md2Context context;
    uint8_t digest[MD2_DIGEST_LENGTH];
    md2_init(&context);
    md2_update(&context, kMessage, sizeof kMessage);
    md2_final(&context, digest);
    return signed_block(0x02, digest, keys.k);
  }();
  if (size != keys.k && size + PKCS1_MIN_PADDING > keys.k) {
    return 0;
  }
  FuzzMemoryCheck memory;
  const Octets input(data, data + size);
  const Octets block = size == keys.k ? input : type1_block(input, keys.k);
  const Octets signature = raw_private(keys.private_key, block);
  if (signature.empty()) {
    return 0;
  }
  struct Check {
    InfoTypeAccessor type;
    MethodList methods;
    const Octets &accepted;
  };
  const Check checks[] = {{ALG_MD5_WITH_RSA, METHODS_MD5_RSA, md5_block},
                          {ALG_MD2_WITH_RSA, METHODS_MD2_RSA, md2_block}};
  for (const Check &check : checks) {
    const Status status = verify(check.type, check.methods, keys.public_key, signature);
    FUZZ_CHECK(status == STATUS_OK || status == STATUS_BAD_SIGNATURE ||
               status == STATUS_BAD_INPUT);
    FUZZ_CHECK((status == STATUS_OK) == (block == check.accepted));
  }
  return 0;
}
