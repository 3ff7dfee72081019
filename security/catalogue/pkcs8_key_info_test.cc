// KEY_RSA_PRIVATE_PKCS8 on OpenSSL-made keys and on malformed or foreign
// PrivateKeyInfo structures, through the framework's key objects.
#include "security/catalogue/pkcs8_key_info.h"

#include <gtest/gtest.h>

#include "security/codec/ber_templates.h"
#include "security/codec/codec_test_util.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"

namespace {

// A key object destroyed at the end of the scope.
struct Key {
  KeyObject *key = nullptr;
  Key() { EXPECT_EQ(create_key_object(&key), STATUS_OK); }
  ~Key() { destroy_key_object(&key); }
  Key(const Key &) = delete;
};

Octets pkcs8_of(const Octets &oid, const Octets &parameters, const Octets &private_key) {
  Octets o = oid, p = parameters, k = private_key;
  Item oid_item = item_of(o), parameters_item = item_of(p), key_item = item_of(k);
  Item out = {nullptr, 0};
  EXPECT_EQ(encode_private_key_info(&out, &oid_item, &parameters_item, &key_item), STATUS_OK);
  Octets encoded = octets_of(out);
  cinder_wipe_free(out.data, out.len);
  return encoded;
}

TEST(Pkcs8KeyInfo, RealKeysAnswerEveryRepresentation) {
  for (const char *name : {"rsa512", "rsa1024", "rsa1024e3", "rsa2048"}) {
    SCOPED_TRACE(name);
    const Octets pk8 = read_testdata(std::string(name) + ".pk8.der");
    ASSERT_FALSE(pk8.empty());
    Key key;
    {
      // The key keeps copies: the caller's octets may go right after the set.
      Octets caller = pk8;
      Item info = item_of(caller);
      ASSERT_EQ(set_key_info(key.key, KEY_RSA_PRIVATE_PKCS8, &info), STATUS_OK);
      std::fill(caller.begin(), caller.end(), 0);
    }

    void *value = nullptr;
    ASSERT_EQ(get_key_info(&value, key.key, KEY_RSA_PRIVATE_PKCS8), STATUS_OK);
    EXPECT_EQ(octets_of(*static_cast<Item *>(value)), pk8);

    // The numbers, as the codec reads them from the fixture.
    Octets pk8_copy = pk8;
    Item pk8_item = item_of(pk8_copy), oid = {}, private_key = {};
    ASSERT_EQ(decode_private_key_info(&oid, nullptr, &private_key, &pk8_item), STATUS_OK);
    uint16_t version = 0;
    Item numbers[8];
    void *slots[RSA_KEY_VALUE_COUNT] = {nullptr, &version};
    for (int i = 0; i < 8; i++) {
      slots[RSA_KEY_VALUE_MODULUS + i] = &numbers[i];
    }
    ASSERT_EQ(ber_decode(TEMPLATE_RSA_PRIVATE_KEY, slots, private_key.data, private_key.len),
              STATUS_OK);

    ASSERT_EQ(get_key_info(&value, key.key, KEY_RSA_PUBLIC), STATUS_OK);
    const RsaPublicValue *rsa_public = static_cast<RsaPublicValue *>(value);
    EXPECT_EQ(octets_of(rsa_public->modulus), octets_of(numbers[0]));
    EXPECT_EQ(octets_of(rsa_public->public_exponent), octets_of(numbers[1]));
    ASSERT_EQ(get_key_info_of_type(&value, key.key, &KEY_RSA_PRIVATE_CRT_TYPE), STATUS_OK);
    const Item *crt = &static_cast<RsaPrivateValue *>(value)->modulus;
    for (int i = 0; i < 8; i++) {
      EXPECT_EQ(octets_of(crt[i]), octets_of(numbers[i])) << "number " << i;
    }
  }
}

TEST(Pkcs8KeyInfo, SetRejectsWhatIsNotAnRsaPrivateKey) {
  const Octets pk8 = read_testdata("rsa512.pk8.der");
  const Octets pk1 = read_testdata("rsa512.pk1.der");
  const Octets rsa_oid(kRsaEncryptionOid, kRsaEncryptionOid + 9);
  const Octets null_parameters = hex("05 00");
  // Offsets in the 512-bit fixture: 30 82 xx xx | 02 01 00 | 30 0D 06 09 oid
  // 05 00 | 04 82 xx xx | 30 82 xx xx 02 01 00 02 41 00 (modulus) ...
  auto patched = [&](size_t offset, uint8_t octet) {
    Octets copy = pk8;
    copy[offset] = octet;
    return copy;
  };
  struct Row {
    const char *name;
    Octets input;
    Status want;
  };
  const Row rows[] = {
      {"PrivateKeyInfo version 1", patched(6, 0x01), STATUS_BAD_INPUT},
      {"rsassa-pss OID", patched(19, 0x0A), STATUS_WRONG_KEY_INFO},
      {"md5 OID (shorter)", pkcs8_of(Octets(kMd5Oid, kMd5Oid + 8), null_parameters, pk1),
       STATUS_WRONG_KEY_INFO},
      {"OID with an octet more", pkcs8_of(hex("2A 86 48 86 F7 0D 01 01 01 01"), null_parameters, pk1),
       STATUS_WRONG_KEY_INFO},
      {"RSAPrivateKey version 1", patched(32, 0x01), STATUS_BAD_INPUT},
      {"negative modulus", patched(35, 0x80), STATUS_BAD_INPUT},
      {"privateKey not an RSAPrivateKey", pkcs8_of(rsa_oid, null_parameters, hex("04 01 00")),
       STATUS_BAD_INPUT},
      {"truncated", Octets(pk8.begin(), pk8.end() - 1), STATUS_BAD_INPUT},
      {"empty", Octets{}, STATUS_BAD_INPUT},
      {"parameters other than NULL are not examined",
       pkcs8_of(rsa_oid, hex("30 00"), pk1), STATUS_OK},
      {"indefinite lengths", to_indefinite(pk8), STATUS_OK},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Octets input = row.input;
    Item info = {input.empty() ? nullptr : input.data(), static_cast<uint32_t>(input.size())};
    Key key;
    ASSERT_EQ(set_key_info(key.key, KEY_RSA_PRIVATE_PKCS8, &info), row.want);
    if (row.want == STATUS_OK) {
      // Whatever form came in, the key gives its own DER back.
      void *value = nullptr;
      ASSERT_EQ(get_key_info(&value, key.key, KEY_RSA_PRIVATE_PKCS8), STATUS_OK);
      EXPECT_EQ(octets_of(*static_cast<Item *>(value)), pk8);
    }
  }
  Key key;
  EXPECT_EQ(set_key_info(key.key, KEY_RSA_PRIVATE_PKCS8, nullptr), STATUS_BAD_KEY_INFO);
  Item missing = {nullptr, 10};
  EXPECT_EQ(set_key_info(key.key, KEY_RSA_PRIVATE_PKCS8, &missing), STATUS_BAD_KEY_INFO);
}

TEST(Pkcs8KeyInfo, DeriveNeedsAPrivateKeyThatFits) {
  {
    SCOPED_TRACE("public key only");
    Octets modulus = hex("C5 01"), exponent = hex("03");
    RsaPublicValue rsa_public = {item_of(modulus), item_of(exponent)};
    Key key;
    ASSERT_EQ(set_key_info(key.key, KEY_RSA_PUBLIC, &rsa_public), STATUS_OK);
    void *value = nullptr;
    EXPECT_EQ(get_key_info(&value, key.key, KEY_RSA_PRIVATE_PKCS8), STATUS_WRONG_KEY_INFO);
  }
  // With the seven other numbers one octet each, the encoding is the modulus
  // length plus 58 octets.
  struct Row {
    uint32_t modulus_len;
    Status want;
  };
  const Row rows[] = {{32709, STATUS_OK}, {32710, STATUS_TOO_LONG}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.modulus_len);
    Octets modulus(row.modulus_len, 0x5A), small = hex("01");
    RsaPrivateValue crt;
    Item *numbers = &crt.modulus;
    numbers[0] = item_of(modulus);
    for (int i = 1; i < 8; i++) {
      numbers[i] = item_of(small);
    }
    Key key;
    ASSERT_EQ(set_key_info_of_type(key.key, &KEY_RSA_PRIVATE_CRT_TYPE, &crt), STATUS_OK);
    void *value = nullptr;
    ASSERT_EQ(get_key_info(&value, key.key, KEY_RSA_PRIVATE_PKCS8), row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(static_cast<Item *>(value)->len, 32767u);
    }
  }
}

TEST(Pkcs8KeyInfo, EveryAllocationFailure) {
  const Octets pk8 = read_testdata("rsa2048.pk8.der");
  const long allocations = expect_clean_allocation_failures([&] {
    Octets input = pk8;
    Item info = item_of(input);
    KeyObject *key = nullptr;
    void *value = nullptr;
    Status status = create_key_object(&key);
    if (status == STATUS_OK) {
      status = set_key_info(key, KEY_RSA_PRIVATE_PKCS8, &info);
    }
    if (status == STATUS_OK) {
      status = get_key_info(&value, key, KEY_RSA_PRIVATE_PKCS8);
    }
    if (status == STATUS_OK) {
      EXPECT_EQ(octets_of(*static_cast<Item *>(value)), pk8);
    }
    destroy_key_object(&key);
    return status;
  });
  EXPECT_GT(allocations, 10);  // key, store, copies, encoder pieces and buffers
}

}  // namespace
