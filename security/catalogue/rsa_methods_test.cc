// The RSA method records and lists bound through the framework: each list
// picks the right engine for each direction and key, the engines' codes come
// out as framework statuses, and destroying the objects leaves nothing.
#include "security/catalogue/rsa_methods.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "security/catalogue/algorithms.h"
#include "security/engines/rsa_test_keys.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"
#include "security/framework/objects.h"
#include "security/framework/operations.h"

namespace {

int rsa_public_raw(const void **type) {
  *type = &ALG_RSA_PUBLIC_RAW_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int rsa_private_raw(const void **type) {
  *type = &ALG_RSA_PRIVATE_RAW_TYPE;
  return INFO_TYPE_ALGORITHM;
}

// An algorithm object and the keys of one test key, destroyed on scope exit.
class RsaObjects {
 public:
  explicit RsaObjects(TestKey &key) {
    EXPECT_EQ(create_algorithm_object(&public_raw), STATUS_OK);
    EXPECT_EQ(create_algorithm_object(&private_raw), STATUS_OK);
    EXPECT_EQ(set_algorithm_info(public_raw, rsa_public_raw, nullptr), STATUS_OK);
    EXPECT_EQ(set_algorithm_info(private_raw, rsa_private_raw, nullptr), STATUS_OK);
    EXPECT_EQ(create_key_object(&public_key), STATUS_OK);
    EXPECT_EQ(create_key_object(&private_key), STATUS_OK);
    RsaPublicValue public_value = key.public_value();
    RsaPrivateValue private_value = key.private_value();
    EXPECT_EQ(set_key_info(public_key, KEY_RSA_PUBLIC, &public_value), STATUS_OK);
    EXPECT_EQ(set_key_info_of_type(private_key, &KEY_RSA_PRIVATE_CRT_TYPE, &private_value),
              STATUS_OK);
  }
  ~RsaObjects() {
    destroy_algorithm_object(&public_raw);
    destroy_algorithm_object(&private_raw);
    destroy_key_object(&public_key);
    destroy_key_object(&private_key);
  }
  AlgorithmObject *public_raw = nullptr;
  AlgorithmObject *private_raw = nullptr;
  KeyObject *public_key = nullptr;
  KeyObject *private_key = nullptr;
};

Status run(Status (*update)(AlgorithmObject *, uint8_t *, uint32_t *, uint32_t, const uint8_t *,
                            uint32_t, AlgorithmObject *, const CancelCheck *),
           AlgorithmObject *object, const Octets &in, Octets *out) {
  out->assign(in.size() + 256, 0);
  uint32_t out_len = 0;
  Status status = update(object, out->data(), &out_len, static_cast<uint32_t>(out->size()),
                         in.data(), static_cast<uint32_t>(in.size()), nullptr, nullptr);
  out->resize(out_len);
  return status;
}

class RsaMethods : public ::testing::Test {
 protected:
  std::map<std::string, TestKey> keys = load_rsa_test_keys();
};

TEST_F(RsaMethods, ListsBindTheEngineOfEachDirection) {
  struct Row {
    const char *what;
    MethodList methods;
  };
  const Row rows[] = {
      {"RSASignature", METHODS_RSA_SIGNATURE},
      {"MD2RSA", METHODS_MD2_RSA},
      {"MD5RSA", METHODS_MD5_RSA},
  };
  TestKey &key = keys.at("rsa1024_swapped");
  const Octets x = fixed(key.x, key.k()), y = fixed(key.y, key.k());
  const long live_before = cinder_testing_live_blocks();
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    RsaObjects objects(key);
    Octets out;
    // Signing encrypts with the private key, verifying decrypts with the public.
    ASSERT_EQ(encrypt_init(objects.private_raw, objects.private_key, row.methods, nullptr),
              STATUS_OK);
    ASSERT_EQ(run(encrypt_update, objects.private_raw, x, &out), STATUS_OK);
    EXPECT_EQ(out, y);
    ASSERT_EQ(decrypt_init(objects.public_raw, objects.public_key, row.methods, nullptr),
              STATUS_OK);
    ASSERT_EQ(run(decrypt_update, objects.public_raw, y, &out), STATUS_OK);
    EXPECT_EQ(out, x);
    // No record of these lists decrypts with the private key.
    EXPECT_EQ(decrypt_init(objects.private_raw, objects.private_key, row.methods, nullptr),
              STATUS_NO_METHOD);
  }
  {
    SCOPED_TRACE("PreMasterSecret");
    RsaObjects objects(key);
    Octets out;
    ASSERT_EQ(encrypt_init(objects.public_raw, objects.public_key, METHODS_PRE_MASTER_SECRET,
                           nullptr),
              STATUS_OK);
    ASSERT_EQ(run(encrypt_update, objects.public_raw, x, &out), STATUS_OK);
    Octets encrypted = out;
    // The private key answers for its public half too.
    ASSERT_EQ(encrypt_init(objects.public_raw, objects.private_key, METHODS_PRE_MASTER_SECRET,
                           nullptr),
              STATUS_OK);
    ASSERT_EQ(run(encrypt_update, objects.public_raw, x, &out), STATUS_OK);
    EXPECT_EQ(out, encrypted);
    ASSERT_EQ(decrypt_init(objects.private_raw, objects.private_key, METHODS_PRE_MASTER_SECRET,
                           nullptr),
              STATUS_OK);
    ASSERT_EQ(run(decrypt_update, objects.private_raw, encrypted, &out), STATUS_OK);
    EXPECT_EQ(out, x);
    // A public key cannot supply the private record.
    EXPECT_EQ(decrypt_init(objects.private_raw, objects.public_key, METHODS_PRE_MASTER_SECRET,
                           nullptr),
              STATUS_WRONG_KEY_INFO);
  }
  EXPECT_EQ(cinder_testing_live_blocks(), live_before);
}

TEST_F(RsaMethods, EngineCodesBecomeStatuses) {
  TestKey &key = keys.at("rsa2048_p_above_q");
  RsaObjects objects(key);
  ASSERT_EQ(encrypt_init(objects.private_raw, objects.private_key, METHODS_RSA_SIGNATURE, nullptr),
            STATUS_OK);
  Octets out;
  EXPECT_EQ(run(encrypt_update, objects.private_raw, key.n, &out), STATUS_BAD_INPUT);
  EXPECT_EQ(run(encrypt_update, objects.private_raw, Octets(5, 1), &out), STATUS_OK);
  EXPECT_TRUE(out.empty());
  uint8_t final_out[8];
  uint32_t final_len = 7;
  EXPECT_EQ(encrypt_final(objects.private_raw, final_out, &final_len, sizeof final_out, nullptr,
                          nullptr),
            STATUS_BAD_INPUT_LENGTH);

  Octets long_modulus(257, 0xFF), e = {3};
  long_modulus[0] = 1;
  RsaPublicValue too_long = {item_of(long_modulus), item_of(e)};
  KeyObject *long_key = nullptr;
  ASSERT_EQ(create_key_object(&long_key), STATUS_OK);
  ASSERT_EQ(set_key_info(long_key, KEY_RSA_PUBLIC, &too_long), STATUS_OK);
  EXPECT_EQ(encrypt_init(objects.public_raw, long_key, METHODS_PRE_MASTER_SECRET, nullptr),
            STATUS_BAD_MODULUS_LENGTH);
  destroy_key_object(&long_key);
}

}  // namespace
