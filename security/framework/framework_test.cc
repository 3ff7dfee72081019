// The framework's behaviour through its public operations, with the tests'
// own engines standing in for the real ones.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "security/framework/handler.h"
#include "security/framework/info_classes.h"
#include "security/framework/info_store.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"
#include "security/framework/objects.h"
#include "security/framework/operations.h"
#include "security/framework/status.h"
#include "security/framework/test_engines.h"

namespace {

class Framework : public ::testing::Test {
 protected:
  void SetUp() override {
    cinder_testing_reset_counters();
    live_before_ = cinder_testing_live_blocks();
    test_cipher_destructor_runs = 0;
    test_keygen_attempts = 0;
  }
  void TearDown() override {
    EXPECT_EQ(cinder_testing_live_blocks(), live_before_) << "blocks leaked";
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0) << "a block was released unwiped";
  }

  AlgorithmObject *object_of(InfoTypeAccessor type, const void *info = nullptr) {
    AlgorithmObject *object = nullptr;
    EXPECT_EQ(create_algorithm_object(&object), STATUS_OK);
    EXPECT_EQ(set_algorithm_info(object, type, info), STATUS_OK);
    return object;
  }

  KeyObject *bytes_key(const std::vector<uint8_t> &bytes) {
    KeyObject *key = nullptr;
    EXPECT_EQ(create_key_object(&key), STATUS_OK);
    Item item = {const_cast<uint8_t *>(bytes.data()), (uint32_t)bytes.size()};
    EXPECT_EQ(set_key_info(key, KEY_BYTES, &item), STATUS_OK);
    return key;
  }

  long live_before_ = 0;
};

Item item_of(std::vector<uint8_t> &v) { return Item{v.data(), (uint32_t)v.size()}; }

std::vector<uint8_t> octets(const Item &item) {
  return std::vector<uint8_t>(item.data, item.data + item.len);
}

TEST(StatusTable, EngineCodesTranslate) {
  struct Row {
    EngineStatus code;
    Status status;
  };
  const Row rows[] = {
      {ENGINE_OK, STATUS_OK},
      {ENGINE_CANCELLED, 519},
      {ENGINE_EVEN_EXPONENT, 521},
      {ENGINE_EXPONENT_TOO_LONG, 522},
      {ENGINE_BAD_INPUT, 524},
      {ENGINE_BAD_INPUT_LENGTH, 525},
      {ENGINE_BAD_MODULUS, 533},
      {ENGINE_NOT_SUPPORTED, 535},
      {ENGINE_OUTPUT_TOO_SMALL, 536},
      {ENGINE_NOT_READY, 534},
      {ENGINE_BAD_KEY_LENGTH, 528},
      {ENGINE_BAD_KEY_INFO, 527},
      {ENGINE_BAD_PARAMETERS, 513},
      {ENGINE_NO_MEMORY, 518},
      // Codes outside the table are "bad data".
      {2, 520},
      {ENGINE_RETRY, 520},
      {14, 520},
      {16, 520},
      {127, 520},
      {-1, 520},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(engine_status_to_status(row.code), row.status);
  }
}

TEST_F(Framework, InfoStoreGrowsByTenAndWipesEverythingOnClear) {
  InfoStore store = {};
  for (int i = 0; i < 25; i++) {
    void *block = nullptr;
    ASSERT_EQ(info_store_alloc(&store, 16, &block), STATUS_OK);
    memset(block, 0x5A, 16);  // key material
    EXPECT_EQ(store.block_capacity, (uint32_t)((i / 10 + 1) * 10));
  }
  EXPECT_EQ(store.block_count, 25u);
  int values[3];
  for (int &v : values) ASSERT_EQ(info_store_push_info(&store, &v, &v), STATUS_OK);
  EXPECT_EQ(store.info_count, 3u);
  EXPECT_EQ(store.block_count, 26u);  // the info list is one owned block, however long
  void *found = nullptr;
  EXPECT_EQ(info_store_find_info(&store, &values[1], &found), STATUS_OK);
  EXPECT_EQ(found, &values[1]);
  EXPECT_EQ(info_store_find_info(&store, &store, &found), STATUS_NOT_SUPPORTED);
  info_store_clear(&store);
  EXPECT_EQ(store.block_count, 0u);
  EXPECT_EQ(store.blocks, nullptr);
  EXPECT_EQ(store.infos, nullptr);
}

TEST_F(Framework, InfoStoreThatCannotGrowWipesTheBlockItWasGiven) {
  InfoStore store = {};
  for (int i = 0; i < 10; i++) {
    void *block = nullptr;
    ASSERT_EQ(info_store_alloc(&store, 4, &block), STATUS_OK);
  }
  uint8_t *secret = static_cast<uint8_t *>(cinder_alloc(8));
  memset(secret, 0x77, 8);
  cinder_testing_fail_allocation(1);  // the growth to 20 entries
  EXPECT_EQ(info_store_register(&store, secret, 8), STATUS_NO_MEMORY);
  EXPECT_EQ(store.block_count, 10u);
  info_store_clear(&store);
}

TEST_F(Framework, DestroyRefusesWhatIsNotALiveObject) {
  AlgorithmObject *object = object_of(TEST_DIGEST);
  const long live = cinder_testing_live_blocks();
  // A byte copy has the right tag but not its own address as self pointer; a
  // zeroed record has neither.
  AlgorithmObject copy;
  memcpy(&copy, object, sizeof(copy));
  AlgorithmObject zeroed;
  memset(&zeroed, 0, sizeof(zeroed));
  for (AlgorithmObject *bad : {&copy, &zeroed, (AlgorithmObject *)nullptr}) {
    AlgorithmObject *pointer = bad;
    EXPECT_EQ(destroy_algorithm_object(&pointer), STATUS_BAD_ALGORITHM_OBJECT);
    EXPECT_EQ(pointer, nullptr);
    EXPECT_EQ(cinder_testing_live_blocks(), live);
  }
  EXPECT_EQ(digest_init(&copy, nullptr, nullptr, nullptr), STATUS_BAD_ALGORITHM_OBJECT);
  EXPECT_EQ(destroy_algorithm_object(&object), STATUS_OK);
  EXPECT_EQ(object, nullptr);

  KeyObject *key = bytes_key({1, 2, 3});
  KeyObject key_copy;
  memcpy(&key_copy, key, sizeof(key_copy));
  KeyObject *stale = &key_copy;
  EXPECT_EQ(destroy_key_object(&stale), STATUS_BAD_KEY_OBJECT);
  EXPECT_EQ(stale, nullptr);
  KeyObject *none = nullptr;
  EXPECT_EQ(destroy_key_object(&none), STATUS_OK);
  EXPECT_EQ(destroy_key_object(&key), STATUS_OK);
  EXPECT_EQ(key, nullptr);
}

TEST_F(Framework, AlgorithmInfoIsSetOnce) {
  AlgorithmObject *object = object_of(TEST_DIGEST);
  Handler *first = object->handler;
  EXPECT_EQ(set_algorithm_info(object, TEST_CIPHER, nullptr), STATUS_INFO_ALREADY_SET);
  EXPECT_EQ(object->handler, first);
  void *value = reinterpret_cast<void *>(1);
  EXPECT_EQ(get_algorithm_info(object, &value, TEST_DIGEST), STATUS_OK);
  EXPECT_EQ(value, nullptr);  // parameterless
  EXPECT_EQ(get_algorithm_info(object, &value, TEST_CIPHER), STATUS_WRONG_ALGORITHM_INFO);
  destroy_algorithm_object(&object);

  AlgorithmObject *empty = nullptr;
  create_algorithm_object(&empty);
  EXPECT_EQ(get_algorithm_info(empty, &value, TEST_DIGEST), STATUS_NO_ALGORITHM);
  destroy_algorithm_object(&empty);
}

TEST_F(Framework, AccessorsOfTheWrongKindAreRefused) {
  AlgorithmObject *object = nullptr;
  create_algorithm_object(&object);
  Item item = {nullptr, 0};
  EXPECT_EQ(set_algorithm_info(object, KEY_BYTES, &item), STATUS_NOT_ALGORITHM_INFO);
  EXPECT_EQ(object->handler, nullptr);
  KeyObject *key = nullptr;
  create_key_object(&key);
  EXPECT_EQ(set_key_info(key, TEST_CIPHER, nullptr), STATUS_WRONG_OPERATION);
  void *value = nullptr;
  EXPECT_EQ(get_key_info(&value, key, TEST_CIPHER), STATUS_WRONG_OPERATION);
  EXPECT_EQ(get_key_info(&value, key, KEY_BYTES), STATUS_KEY_EMPTY);
  EXPECT_EQ(set_key_info(nullptr, KEY_BYTES, &item), STATUS_BAD_KEY_OBJECT);
  EXPECT_EQ(get_key_info(&value, nullptr, KEY_BYTES), STATUS_BAD_KEY_OBJECT);
  destroy_key_object(&key);
  destroy_algorithm_object(&object);
}

TEST_F(Framework, RsaKeyRepresentationsDerive) {
  std::vector<uint8_t> n = {0, 0, 0xC3, 0x01}, e = {0, 1, 0, 1}, d = {0x55}, p = {0, 0x0B},
                       q = {0x0D}, dp = {7}, dq = {5}, qinv = {0, 0, 3};
  RsaPrivateValue crt = {item_of(n),  item_of(e),  item_of(d),  item_of(p),
                         item_of(q),  item_of(dp), item_of(dq), item_of(qinv)};
  KeyObject *key = nullptr;
  create_key_object(&key);
  ASSERT_EQ(set_key_info_of_type(key, &KEY_RSA_PRIVATE_CRT_TYPE, &crt), STATUS_OK);
  EXPECT_EQ(set_key_info(key, KEY_BYTES, &crt.modulus), STATUS_KEY_ALREADY_SET);
  // Caller's buffers are copied: changing them afterwards changes nothing.
  n[2] = 0xFF;

  void *value = nullptr;
  ASSERT_EQ(get_key_info(&value, key, KEY_RSA_PUBLIC), STATUS_OK);
  RsaPublicValue *pub = static_cast<RsaPublicValue *>(value);
  EXPECT_EQ(octets(pub->modulus), (std::vector<uint8_t>{0xC3, 0x01}));
  EXPECT_EQ(octets(pub->public_exponent), (std::vector<uint8_t>{1, 0, 1}));
  void *again = nullptr;
  ASSERT_EQ(get_key_info(&again, key, KEY_RSA_PUBLIC), STATUS_OK);
  EXPECT_EQ(again, value);  // cached, not derived twice

  ASSERT_EQ(get_key_info(&value, key, KEY_RSA_PRIVATE_PAIR), STATUS_OK);
  RsaPrivatePairValue *pair = static_cast<RsaPrivatePairValue *>(value);
  EXPECT_EQ(octets(pair->private_exponent), (std::vector<uint8_t>{0x55}));
  ASSERT_EQ(get_key_info_of_type(&value, key, &KEY_RSA_PRIVATE_RECORD_TYPE), STATUS_OK);
  RsaPrivateValue *record = static_cast<RsaPrivateValue *>(value);
  EXPECT_EQ(octets(record->prime1), (std::vector<uint8_t>{0x0B}));
  EXPECT_EQ(octets(record->coefficient), (std::vector<uint8_t>{3}));
  EXPECT_EQ(get_key_info(&value, key, KEY_BYTES), STATUS_WRONG_KEY_INFO);
  destroy_key_object(&key);

  // A public key cannot give a private representation.
  create_key_object(&key);
  RsaPublicValue public_value = {item_of(n), item_of(e)};
  ASSERT_EQ(set_key_info(key, KEY_RSA_PUBLIC, &public_value), STATUS_OK);
  EXPECT_EQ(get_key_info(&value, key, KEY_RSA_PRIVATE_PAIR), STATUS_WRONG_KEY_INFO);
  EXPECT_EQ(get_key_info_of_type(&value, key, &KEY_RSA_PRIVATE_CRT_TYPE), STATUS_WRONG_KEY_INFO);
  destroy_key_object(&key);

  // The engines' record cannot be set directly.
  create_key_object(&key);
  EXPECT_EQ(set_key_info_of_type(key, &KEY_RSA_PRIVATE_RECORD_TYPE, &crt), STATUS_WRONG_OPERATION);
  destroy_key_object(&key);
}

TEST_F(Framework, OperationsCheckInTheirOrder) {
  AlgorithmObject zeroed;
  memset(&zeroed, 0, sizeof(zeroed));
  KeyObject dead_key;
  memset(&dead_key, 0, sizeof(dead_key));
  AlgorithmObject *no_handler = nullptr;
  create_algorithm_object(&no_handler);
  AlgorithmObject *digest = object_of(TEST_DIGEST);
  AlgorithmObject *cipher = object_of(TEST_CIPHER);
  AlgorithmObject *random = object_of(TEST_RANDOM);
  uint8_t out[16];
  uint32_t out_len = 0;
  const MethodRecord *const digest_methods[] = {&TEST_DIGEST_METHOD, nullptr};

  struct Row {
    const char *why;
    std::function<Status()> call;
    Status want;
  };
  const Row rows[] = {
      {"dead object before dead key",
       [&] { return digest_init(&zeroed, &dead_key, digest_methods, nullptr); }, 516},
      {"dead key before missing handler",
       [&] { return digest_init(no_handler, &dead_key, digest_methods, nullptr); }, 530},
      {"missing handler", [&] { return digest_update(no_handler, out, 1, nullptr); }, 515},
      {"update before init", [&] { return digest_update(digest, out, 1, nullptr); }, 514},
      {"final before init",
       [&] { return digest_final(digest, out, &out_len, sizeof(out), nullptr); }, 514},
      {"digest operation on a cipher", [&] { return digest_update(cipher, out, 1, nullptr); },
       517},
      {"cipher operation on a digest",
       [&] { return encrypt_init(digest, nullptr, nullptr, nullptr); }, 517},
      {"signature operation on a digest",
       [&] { return sign_update(digest, out, 1, nullptr); }, 517},
      {"dead random object before the handler",
       [&] {
         return encrypt_update(no_handler, out, &out_len, 16, out, 1, &zeroed, nullptr);
       },
       539},
      {"cipher update before init",
       [&] { return encrypt_update(cipher, out, &out_len, 16, out, 1, nullptr, nullptr); }, 514},
      {"random update before init", [&] { return random_update(random, out, 1, nullptr); },
       538},
      {"random generate before init", [&] { return random_generate(random, out, 1, nullptr); },
       538},
      {"random operations on a dead object", [&] { return random_init(&zeroed, nullptr, nullptr); },
       539},
      {"random generate without an object",
       [&] { return random_generate(nullptr, out, 1, nullptr); }, 539},
      {"random update without a handler",
       [&] { return random_update(no_handler, out, 1, nullptr); }, 515},
      {"random operation on a digest", [&] { return random_update(digest, out, 1, nullptr); },
       517},
      {"key pair needs live keys",
       [&] { return generate_key_pair(digest, nullptr, &dead_key, nullptr, nullptr); }, 530},
      {"empty method list", [&] { return digest_init(digest, nullptr, nullptr, nullptr); }, 545},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(row.call(), row.want);
  }
  // A handler whose first field is not the framework's dispatcher.
  Handler *real = digest->handler;
  Handler foreign;
  memcpy(&foreign, real, sizeof(foreign));
  foreign.dispatch_release = nullptr;
  digest->handler = &foreign;
  EXPECT_EQ(digest_init(digest, nullptr, digest_methods, nullptr), STATUS_WRONG_OPERATION);
  digest->handler = real;

  destroy_algorithm_object(&no_handler);
  destroy_algorithm_object(&digest);
  destroy_algorithm_object(&cipher);
  destroy_algorithm_object(&random);
}

TEST_F(Framework, DigestRunsThroughTheBoundEngine) {
  AlgorithmObject *digest = object_of(TEST_DIGEST);
  const MethodRecord *const methods[] = {&TEST_DIGEST_METHOD, nullptr};
  ASSERT_EQ(digest_init(digest, nullptr, methods, nullptr), STATUS_OK);
  const uint8_t data[] = {1, 2, 3, 0x10};
  ASSERT_EQ(digest_update(digest, data, sizeof(data), nullptr), STATUS_OK);
  uint8_t out[8] = {0xEE, 0xEE, 0xEE, 0xEE};
  uint32_t out_len = 0;
  EXPECT_EQ(digest_final(digest, out, &out_len, 3, nullptr), STATUS_OUTPUT_TOO_SMALL);
  EXPECT_EQ(out_len, 4u);
  ASSERT_EQ(digest_final(digest, out, &out_len, sizeof(out), nullptr), STATUS_OK);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0, 0x16, 0, 0x10}));
  // Final keeps the object initialised.
  EXPECT_EQ(digest_update(digest, data, 1, nullptr), STATUS_OK);
  destroy_algorithm_object(&digest);
}

TEST_F(Framework, BindingWalksTheListAndRemembersTheLastFailure) {
  KeyObject *bytes = bytes_key({0x11, 0x22});
  KeyObject *empty_bytes = bytes_key({});
  const MethodRecord needs_public = {&TEST_CIPHER_TYPE, METHOD_ENCRYPTING, &KEY_RSA_PUBLIC_TYPE,
                                     &kTestCipherEngine};
  const MethodRecord other_type = {&TEST_DIGEST_TYPE, METHOD_ENCRYPTING, nullptr,
                                   &kTestDigestEngine};
  struct Row {
    const char *why;
    std::vector<const MethodRecord *> list;
    KeyObject *key;
    Status want;
  };
  const Row rows[] = {
      {"empty list", {}, bytes, STATUS_NO_METHOD},
      {"only other types and directions", {&other_type, &TEST_CIPHER_DECRYPT_METHOD}, bytes,
       STATUS_NO_METHOD},
      {"the key cannot give the record's representation", {&needs_public}, bytes,
       STATUS_WRONG_KEY_INFO},
      {"a later record fits", {&needs_public, &TEST_CIPHER_ENCRYPT_METHOD}, bytes, STATUS_OK},
      {"the engine refuses the key: its code, translated", {&TEST_CIPHER_ENCRYPT_METHOD},
       empty_bytes, STATUS_BAD_KEY_LENGTH},
      {"the last failure is the one reported", {&TEST_CIPHER_ENCRYPT_METHOD, &needs_public},
       empty_bytes, STATUS_WRONG_KEY_INFO},
      {"no key for a record that needs one", {&TEST_CIPHER_ENCRYPT_METHOD}, nullptr,
       STATUS_BAD_KEY_OBJECT},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    AlgorithmObject *cipher = object_of(TEST_CIPHER);
    std::vector<const MethodRecord *> list = row.list;
    list.push_back(nullptr);
    EXPECT_EQ(encrypt_init(cipher, row.key, list.data(), nullptr), row.want);
    EXPECT_EQ((cipher->flags & ALGORITHM_INITIALIZED) != 0, row.want == STATUS_OK);
    destroy_algorithm_object(&cipher);
  }
  destroy_key_object(&bytes);
  destroy_key_object(&empty_bytes);
}

TEST_F(Framework, CancelStopsTheWalkAtOnce) {
  KeyObject *key = bytes_key({1});
  AlgorithmObject *cipher = object_of(TEST_CIPHER);
  CancelCheck cancel = {[](void *) { return 1; }, nullptr};
  const MethodRecord *const methods[] = {&TEST_CIPHER_ENCRYPT_METHOD, &TEST_CIPHER_ENCRYPT_METHOD,
                                         nullptr};
  EXPECT_EQ(encrypt_init(cipher, key, methods, &cancel), STATUS_CANCELLED);
  // Only the first record's context was prepared (no second destroy/resize).
  EXPECT_EQ(test_cipher_destructor_runs, 0);
  CancelCheck keep_going = {[](void *) { return 0; }, nullptr};
  EXPECT_EQ(encrypt_init(cipher, key, methods, &keep_going), STATUS_OK);
  destroy_algorithm_object(&cipher);
  destroy_key_object(&key);
}

TEST_F(Framework, CipherRoundTripAndContextDestructor) {
  KeyObject *key = bytes_key({0x0F, 0xF0, 0x55});
  const MethodRecord *const methods[] = {&TEST_CIPHER_ENCRYPT_METHOD, &TEST_CIPHER_DECRYPT_METHOD,
                                         nullptr};
  const std::vector<uint8_t> plain = {1, 2, 3, 4, 5, 6, 7};
  uint8_t cipher_text[16], back[16];
  uint32_t len = 0;

  AlgorithmObject *enc = object_of(TEST_CIPHER);
  ASSERT_EQ(encrypt_init(enc, key, methods, nullptr), STATUS_OK);
  ASSERT_EQ(encrypt_update(enc, cipher_text, &len, sizeof(cipher_text), plain.data(),
                           (uint32_t)plain.size(), nullptr, nullptr),
            STATUS_OK);
  EXPECT_EQ(len, plain.size());
  EXPECT_EQ(cipher_text[0], 1 ^ 0x0F);
  EXPECT_EQ(encrypt_final(enc, cipher_text, &len, sizeof(cipher_text), nullptr, nullptr),
            STATUS_OK);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(encrypt_update(enc, cipher_text, &len, 2, plain.data(), 7, nullptr, nullptr),
            STATUS_OUTPUT_TOO_SMALL);

  AlgorithmObject *dec = object_of(TEST_CIPHER);
  ASSERT_EQ(decrypt_init(dec, key, methods, nullptr), STATUS_OK);
  ASSERT_EQ(decrypt_update(dec, back, &len, sizeof(back), cipher_text, (uint32_t)plain.size(),
                           nullptr, nullptr),
            STATUS_OK);
  EXPECT_EQ(std::vector<uint8_t>(back, back + len), plain);

  // Init again: the old context's destructor runs before it is reshaped.
  ASSERT_EQ(decrypt_init(dec, key, methods, nullptr), STATUS_OK);
  EXPECT_EQ(test_cipher_destructor_runs, 1);
  destroy_algorithm_object(&enc);
  destroy_algorithm_object(&dec);
  EXPECT_EQ(test_cipher_destructor_runs, 3);
  destroy_key_object(&key);
}

// A failed init keeps the initialized flag, but the handler no longer uses an
// engine whose context was reshaped for another binding.
TEST_F(Framework, FailedInitLeavesNoHalfBoundEngine) {
  KeyObject *key = bytes_key({9});
  KeyObject *empty = bytes_key({});
  const MethodRecord *const methods[] = {&TEST_CIPHER_ENCRYPT_METHOD, nullptr};
  AlgorithmObject *cipher = object_of(TEST_CIPHER);
  ASSERT_EQ(encrypt_init(cipher, key, methods, nullptr), STATUS_OK);
  // Nothing matched: the binding stands.
  EXPECT_EQ(encrypt_init(cipher, key, nullptr, nullptr), STATUS_NO_METHOD);
  uint8_t out[4];
  uint32_t len = 0;
  const uint8_t in[1] = {0};
  EXPECT_EQ(encrypt_update(cipher, out, &len, 4, in, 1, nullptr, nullptr), STATUS_OK);
  // The engine's init failed after its context was prepared.
  EXPECT_EQ(encrypt_init(cipher, empty, methods, nullptr), STATUS_BAD_KEY_LENGTH);
  EXPECT_NE(cipher->flags & ALGORITHM_INITIALIZED, 0u);
  EXPECT_EQ(encrypt_update(cipher, out, &len, 4, in, 1, nullptr, nullptr), STATUS_NOT_INITIALIZED);
  destroy_algorithm_object(&cipher);
  destroy_key_object(&key);
  destroy_key_object(&empty);
}

TEST_F(Framework, RandomThroughItsHandler) {
  AlgorithmObject *random = object_of(TEST_RANDOM);
  const MethodRecord *const methods[] = {&TEST_RANDOM_METHOD, nullptr};
  ASSERT_EQ(random_init(random, methods, nullptr), STATUS_OK);
  const uint8_t seed[] = {10};
  ASSERT_EQ(random_update(random, seed, 1, nullptr), STATUS_OK);
  uint8_t out[3];
  ASSERT_EQ(random_generate(random, out, 3, nullptr), STATUS_OK);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{10, 11, 12}));
  destroy_algorithm_object(&random);
}

TEST_F(Framework, KeyPairGenerationRetriesAndFillsBothKeys) {
  TestKeyGenParams params = {2, true};
  AlgorithmObject *keygen = object_of(TEST_KEYGEN, &params);
  AlgorithmObject *random = object_of(TEST_RANDOM);
  const MethodRecord *const methods[] = {&TEST_RANDOM_METHOD, &TEST_KEYGEN_METHOD, nullptr};
  ASSERT_EQ(random_init(random, methods, nullptr), STATUS_OK);
  KeyObject *pub = nullptr, *priv = nullptr;
  create_key_object(&pub);
  create_key_object(&priv);
  EXPECT_EQ(generate_key_pair(keygen, pub, priv, random, nullptr), STATUS_NOT_INITIALIZED);
  ASSERT_EQ(generate_init(keygen, methods, nullptr), STATUS_OK);
  ASSERT_EQ(generate_key_pair(keygen, pub, priv, random, nullptr), STATUS_OK);
  EXPECT_EQ(test_keygen_attempts, 3);
  // Three attempts drew 8 octets each: the key comes from octets 16..23.
  void *value = nullptr;
  ASSERT_EQ(get_key_info(&value, pub, KEY_RSA_PUBLIC), STATUS_OK);
  RsaPublicValue *public_value = static_cast<RsaPublicValue *>(value);
  EXPECT_EQ(octets(public_value->modulus), (std::vector<uint8_t>{16 | 1}));
  EXPECT_EQ(octets(public_value->public_exponent), (std::vector<uint8_t>{3}));
  ASSERT_EQ(get_key_info_of_type(&value, priv, &KEY_RSA_PRIVATE_CRT_TYPE), STATUS_OK);
  EXPECT_EQ(octets(static_cast<RsaPrivateValue *>(value)->coefficient),
            (std::vector<uint8_t>{23}));
  // The keys are filled: another pair into them is refused.
  EXPECT_EQ(generate_key_pair(keygen, pub, priv, random, nullptr), STATUS_KEY_ALREADY_SET);
  EXPECT_EQ(generate_key_pair(keygen, pub, priv, nullptr, nullptr), STATUS_BAD_RANDOM_OBJECT);
  destroy_key_object(&pub);
  destroy_key_object(&priv);
  destroy_algorithm_object(&keygen);
  destroy_algorithm_object(&random);
}

TEST_F(Framework, KeyGenEngineWithoutResultTypesIsRefused) {
  TestKeyGenParams params = {0, false};
  AlgorithmObject *keygen = object_of(TEST_KEYGEN, &params);
  const MethodRecord *const methods[] = {&TEST_KEYGEN_METHOD, nullptr};
  ASSERT_EQ(generate_init(keygen, methods, nullptr), STATUS_OK);
  KeyObject *pub = nullptr, *priv = nullptr;
  create_key_object(&pub);
  create_key_object(&priv);
  EXPECT_EQ(generate_key_pair(keygen, pub, priv, nullptr, nullptr), STATUS_WRONG_OPERATION);
  destroy_key_object(&pub);
  destroy_key_object(&priv);
  destroy_algorithm_object(&keygen);
}

TEST_F(Framework, KeyGenParametersAreCopiedWithoutLeadingZeros) {
  uint8_t exponent[] = {0, 0, 1, 0, 1};
  RsaKeyGenParams params = {512, {exponent, sizeof(exponent)}};
  const AlgorithmInfoType keygen_type = {&KEYGEN_INFO_CLASS, nullptr};
  AlgorithmObject *object = nullptr;
  create_algorithm_object(&object);
  ASSERT_EQ(keygen_type.type_class->set(&keygen_type, object, &params), STATUS_OK);
  exponent[2] = 9;
  void *value = nullptr;
  ASSERT_EQ(get_algorithm_info_of_type(object, &value, &keygen_type), STATUS_OK);
  const RsaKeyGenParams *held = static_cast<const RsaKeyGenParams *>(value);
  EXPECT_EQ(held->modulus_bits, 512);
  EXPECT_EQ(octets(held->public_exponent), (std::vector<uint8_t>{1, 0, 1}));
  EXPECT_EQ(keygen_type.type_class->set(&keygen_type, object, nullptr), STATUS_BAD_ALGORITHM_INFO);
  destroy_algorithm_object(&object);
}

TEST_F(Framework, ContextBlockResizeKeepsOrReplacesAndAlwaysZeroes) {
  ContextBlock block = {};
  ASSERT_EQ(context_block_resize(&block, 32), STATUS_OK);
  void *first = block.data;
  memset(block.data, 0x33, 32);
  static int destroyed;
  destroyed = 0;
  block.destroy = [](ContextBlock *) { destroyed++; };
  ASSERT_EQ(context_block_resize(&block, 32), STATUS_OK);
  EXPECT_EQ(block.data, first);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(block.destroy, nullptr);
  EXPECT_EQ(static_cast<uint8_t *>(block.data)[31], 0);
  memset(block.data, 0x44, 32);
  ASSERT_EQ(context_block_resize(&block, 48), STATUS_OK);
  EXPECT_EQ(block.size, 48u);
  EXPECT_EQ(static_cast<uint8_t *>(block.data)[47], 0);
  cinder_testing_fail_allocation(1);
  EXPECT_EQ(context_block_resize(&block, 64), STATUS_NO_MEMORY);
  EXPECT_EQ(block.size, 0u);
  EXPECT_EQ(block.data, nullptr);
  context_block_release(&block);
}

// The allocation-failure loop: each scenario is run with its n-th allocation
// failing, for every n until it succeeds. Every failure must be 518, and
// nothing may leak (the fixture checks) or be released unwiped.
TEST_F(Framework, EveryAllocationFailureGivesNoMemory) {
  struct Scenario {
    const char *name;
    std::function<Status()> run;
  };
  auto digest_lifecycle = [this]() -> Status {
    AlgorithmObject *object = nullptr;
    const MethodRecord *const methods[] = {&TEST_DIGEST_METHOD, nullptr};
    Status status = create_algorithm_object(&object);
    if (status == STATUS_OK) status = set_algorithm_info(object, TEST_DIGEST, nullptr);
    if (status == STATUS_OK) status = digest_init(object, nullptr, methods, nullptr);
    uint8_t out[4];
    uint32_t len = 0;
    if (status == STATUS_OK) status = digest_final(object, out, &len, 4, nullptr);
    destroy_algorithm_object(&object);
    return status;
  };
  auto cipher_lifecycle = []() -> Status {
    std::vector<uint8_t> key_octets = {1, 2, 3};
    Item item = {key_octets.data(), 3};
    KeyObject *key = nullptr;
    AlgorithmObject *object = nullptr;
    const MethodRecord *const methods[] = {&TEST_CIPHER_ENCRYPT_METHOD, nullptr};
    Status status = create_key_object(&key);
    if (status == STATUS_OK) status = set_key_info(key, KEY_BYTES, &item);
    if (status == STATUS_OK) status = create_algorithm_object(&object);
    if (status == STATUS_OK) status = set_algorithm_info(object, TEST_CIPHER, nullptr);
    if (status == STATUS_OK) status = encrypt_init(object, key, methods, nullptr);
    destroy_algorithm_object(&object);
    destroy_key_object(&key);
    return status;
  };
  auto rsa_key_derivations = []() -> Status {
    std::vector<uint8_t> v = {0, 7};
    Item i = {v.data(), 2};
    RsaPrivateValue crt = {i, i, i, i, i, i, i, i};
    KeyObject *key = nullptr;
    void *value = nullptr;
    Status status = create_key_object(&key);
    if (status == STATUS_OK) status = set_key_info_of_type(key, &KEY_RSA_PRIVATE_CRT_TYPE, &crt);
    if (status == STATUS_OK) status = get_key_info(&value, key, KEY_RSA_PUBLIC);
    if (status == STATUS_OK) status = get_key_info(&value, key, KEY_RSA_PRIVATE_PAIR);
    destroy_key_object(&key);
    return status;
  };
  auto key_pair = []() -> Status {
    TestKeyGenParams params = {1, true};
    AlgorithmObject *keygen = nullptr, *random = nullptr;
    KeyObject *pub = nullptr, *priv = nullptr;
    const MethodRecord *const methods[] = {&TEST_RANDOM_METHOD, &TEST_KEYGEN_METHOD, nullptr};
    test_keygen_attempts = 0;
    Status status = create_algorithm_object(&keygen);
    if (status == STATUS_OK) status = set_algorithm_info(keygen, TEST_KEYGEN, &params);
    if (status == STATUS_OK) status = generate_init(keygen, methods, nullptr);
    if (status == STATUS_OK) status = create_algorithm_object(&random);
    if (status == STATUS_OK) status = set_algorithm_info(random, TEST_RANDOM, nullptr);
    if (status == STATUS_OK) status = random_init(random, methods, nullptr);
    if (status == STATUS_OK) status = create_key_object(&pub);
    if (status == STATUS_OK) status = create_key_object(&priv);
    if (status == STATUS_OK) status = generate_key_pair(keygen, pub, priv, random, nullptr);
    destroy_key_object(&pub);
    destroy_key_object(&priv);
    destroy_algorithm_object(&keygen);
    destroy_algorithm_object(&random);
    return status;
  };
  const Scenario scenarios[] = {
      {"digest", digest_lifecycle},
      {"cipher", cipher_lifecycle},
      {"RSA key derivations", rsa_key_derivations},
      {"key pair", key_pair},
  };
  for (const Scenario &scenario : scenarios) {
    bool succeeded = false;
    long n = 1;
    for (; !succeeded && n < 200; n++) {
      SCOPED_TRACE(std::string(scenario.name) + ", allocation " + std::to_string(n));
      const long live = cinder_testing_live_blocks();
      cinder_testing_fail_allocation(n);
      Status status = scenario.run();
      const bool failed = cinder_testing_allocation_failed();
      cinder_testing_fail_allocation(0);
      EXPECT_EQ(cinder_testing_live_blocks(), live);
      if (failed) {
        EXPECT_EQ(status, STATUS_NO_MEMORY);
      } else {
        EXPECT_EQ(status, STATUS_OK);
        succeeded = true;
      }
    }
    EXPECT_TRUE(succeeded) << scenario.name;
    EXPECT_GT(n, 3) << scenario.name << " should allocate";
  }
}

}  // namespace
