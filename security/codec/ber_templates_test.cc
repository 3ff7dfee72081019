// The structures of PKCS #1 and PKCS #8 on real keys (made with OpenSSL,
// testdata/rsa*.pk1.der and rsa*.pk8.der) and on hand-made edge cases, and
// DigestInfo against the encodings of RFC 8017 section 9.2.
#include "security/codec/ber_templates.h"

#include <gtest/gtest.h>

#include "security/codec/codec_test_util.h"
#include "security/framework/memory.h"

namespace {

uint8_t kJunkOctet = 0xEE;
const Item kJunk = {&kJunkOctet, 1};

struct RsaKeyItems {
  uint16_t version = 0;
  Item fields[8] = {kJunk, kJunk, kJunk, kJunk, kJunk, kJunk, kJunk, kJunk};
  void *values[RSA_KEY_VALUE_COUNT] = {};

  RsaKeyItems(const RsaKeyItems &) = delete;
  RsaKeyItems() {
    values[RSA_KEY_VALUE_VERSION] = &version;
    for (int i = 0; i < 8; i++) {
      values[RSA_KEY_VALUE_MODULUS + i] = &fields[i];
    }
  }
  // The items point into |der|, which must outlive them.
  Status decode(const Octets &der) {
    return ber_decode(TEMPLATE_RSA_PRIVATE_KEY, values, der.data(),
                      static_cast<uint32_t>(der.size()));
  }
};

struct KeyFixture {
  const char *name;
  uint32_t modulus_len;
};
const KeyFixture kKeys[] = {{"rsa512", 64}, {"rsa1024", 128}, {"rsa1024e3", 128},
                            {"rsa2048", 256}};

TEST(PrivateKeyInfo, RealKeysDecodeAndEncodeToTheSameOctets) {
  for (const KeyFixture &key : kKeys) {
    SCOPED_TRACE(key.name);
    Octets pk8 = read_testdata(std::string(key.name) + ".pk8.der");
    const Octets pk1 = read_testdata(std::string(key.name) + ".pk1.der");
    ASSERT_FALSE(pk8.empty());
    ASSERT_FALSE(pk1.empty());

    Item pk8_item = item_of(pk8);
    Item oid = kJunk, parameters = kJunk, private_key = kJunk;
    ASSERT_EQ(decode_private_key_info(&oid, &parameters, &private_key, &pk8_item), STATUS_OK);
    EXPECT_EQ(octets_of(oid), Octets(kRsaEncryptionOid, kRsaEncryptionOid + 9));
    EXPECT_EQ(octets_of(parameters), Octets(kNullParameters, kNullParameters + 2));
    EXPECT_EQ(octets_of(private_key), pk1);
    EXPECT_GE(private_key.data, pk8.data());  // decoding copies nothing
    EXPECT_LE(private_key.data + private_key.len, pk8.data() + pk8.size());

    RsaKeyItems rsa;
    ASSERT_EQ(rsa.decode(pk1), STATUS_OK);
    EXPECT_EQ(rsa.fields[0].len, key.modulus_len);
    EXPECT_NE(rsa.fields[0].data[0], 0);  // leading zero octet dropped

    // Encoding the decoded values gives back OpenSSL's DER octet for octet.
    const void *const *values = rsa.values;
    Item rsa_der = {nullptr, 0};
    ASSERT_EQ(ber_encode_to_item(&rsa_der, TEMPLATE_RSA_PRIVATE_KEY, values), STATUS_OK);
    EXPECT_EQ(octets_of(rsa_der), pk1);
    const Item null_parameters = {const_cast<uint8_t *>(kNullParameters), 2};
    const Item rsa_oid = {const_cast<uint8_t *>(kRsaEncryptionOid), 9};
    Item info = {nullptr, 0};
    ASSERT_EQ(encode_private_key_info(&info, &rsa_oid, &null_parameters, &rsa_der), STATUS_OK);
    EXPECT_EQ(octets_of(info), pk8);
    cinder_wipe_free(info.data, info.len);
    cinder_wipe_free(rsa_der.data, rsa_der.len);
  }
}

TEST(PrivateKeyInfo, IndefiniteFormsDecodeLikeTheirDefiniteForms) {
  for (const KeyFixture &key : kKeys) {
    SCOPED_TRACE(key.name);
    const Octets pk1 = read_testdata(std::string(key.name) + ".pk1.der");
    RsaKeyItems definite, indefinite;
    ASSERT_EQ(definite.decode(pk1), STATUS_OK);
    const Octets pk1_indefinite = to_indefinite(pk1);
    ASSERT_EQ(indefinite.decode(pk1_indefinite), STATUS_OK);
    for (int i = 0; i < 8; i++) {
      EXPECT_EQ(octets_of(indefinite.fields[i]), octets_of(definite.fields[i])) << "field " << i;
    }

    Octets pk8 = to_indefinite(read_testdata(std::string(key.name) + ".pk8.der"));
    ASSERT_EQ(pk8[1], 0x80);
    Item pk8_item = item_of(pk8);
    Item oid = kJunk, parameters = kJunk, private_key = kJunk;
    ASSERT_EQ(decode_private_key_info(&oid, &parameters, &private_key, &pk8_item), STATUS_OK);
    EXPECT_EQ(octets_of(private_key), pk1);
    EXPECT_EQ(octets_of(parameters), hex("05 00"));
  }
}

TEST(PrivateKeyInfo, EdgeCases) {
  const std::string oid = "06 09 2A 86 48 86 F7 0D 01 01 01";
  struct Row {
    const char *name;
    std::string input;
    Status want;
    const char *want_parameters;  // null: the slot keeps what the caller put there
  };
  const Row rows[] = {
      {"with NULL parameters", "30 16 02 01 00 30 0D " + oid + " 05 00 04 02 AA BB", STATUS_OK,
       "05 00"},
      {"without parameters", "30 14 02 01 00 30 0B " + oid + " 04 02 AA BB", STATUS_OK, nullptr},
      {"parameters of another type", "30 17 02 01 00 30 0E " + oid + " 30 01 AA 04 02 AA BB",
       STATUS_OK, "30 01 AA"},
      {"trailing octets", "30 14 02 01 00 30 0B " + oid + " 04 02 AA BB 01 02 03", STATUS_OK,
       nullptr},
      // version 1 is not the version this library reads
      {"version 1", "30 14 02 01 01 30 0B " + oid + " 04 02 AA BB", STATUS_BAD_INPUT, nullptr},
      {"second parameters element", "30 18 02 01 00 30 0F " + oid + " 05 00 05 00 04 02 AA BB",
       STATUS_BAD_INPUT, nullptr},
      {"no privateKey", "30 10 02 01 00 30 0B " + oid, STATUS_BAD_INPUT, nullptr},
      {"attributes after privateKey", "30 16 02 01 00 30 0B " + oid + " 04 02 AA BB A0 00",
       STATUS_BAD_INPUT, nullptr},
      {"no algorithm OID", "30 09 02 01 00 30 00 04 02 AA BB", STATUS_BAD_INPUT, nullptr},
      {"empty", "", STATUS_BAD_INPUT, nullptr},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Octets input = hex(row.input);
    Item encoding = item_of(input);
    Item algorithm = kJunk, parameters = kJunk, private_key = kJunk;
    ASSERT_EQ(decode_private_key_info(&algorithm, &parameters, &private_key, &encoding), row.want);
    if (row.want != STATUS_OK) {
      continue;
    }
    EXPECT_EQ(octets_of(algorithm), Octets(kRsaEncryptionOid, kRsaEncryptionOid + 9));
    EXPECT_EQ(octets_of(private_key), hex("AA BB"));
    if (row.want_parameters == nullptr) {
      EXPECT_EQ(parameters.data, kJunk.data);
    } else {
      EXPECT_EQ(octets_of(parameters), hex(row.want_parameters));
    }
  }
}

TEST(RsaPrivateKey, NegativeOrMissingIntegersAreRejected) {
  struct Row {
    const char *name;
    const char *input;
    Status want;
  };
  const Row rows[] = {
      {"all eight", "30 1C 02 01 00 02 02 00 BB 02 01 03 02 01 04 02 01 05 02 01 06 02 01 07 02 01 "
                    "08 02 01 09",
       STATUS_OK},
      {"negative modulus", "30 1B 02 01 00 02 01 BB 02 01 03 02 01 04 02 01 05 02 01 06 02 01 07 "
                           "02 01 08 02 01 09",
       STATUS_BAD_INPUT},
      {"version 1", "30 1C 02 01 01 02 02 00 BB 02 01 03 02 01 04 02 01 05 02 01 06 02 01 07 02 01 "
                    "08 02 01 09",
       STATUS_BAD_INPUT},
      {"coefficient missing", "30 19 02 01 00 02 02 00 BB 02 01 03 02 01 04 02 01 05 02 01 06 02 "
                              "01 07 02 01 08",
       STATUS_BAD_INPUT},
      {"empty exponent", "30 1E 02 01 00 02 02 00 BB 02 00 02 01 04 02 01 05 02 01 06 02 01 07 02 "
                         "01 08 02 01 09 02 01 0A",
       STATUS_BAD_INPUT},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    const Octets input = hex(row.input);
    RsaKeyItems rsa;
    ASSERT_EQ(rsa.decode(input), row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(octets_of(rsa.fields[0]), hex("BB"));
      EXPECT_EQ(octets_of(rsa.fields[7]), hex("09"));
    }
  }
}

TEST(RsaPrivateKey, EncodeNeedsEveryValue) {
  RsaKeyItems rsa;
  Octets octets = hex("00 80 01");
  for (Item &field : rsa.fields) {
    field = item_of(octets);
  }
  const void *const *values = rsa.values;
  Item out = {nullptr, 0};
  ASSERT_EQ(ber_encode_to_item(&out, TEMPLATE_RSA_PRIVATE_KEY, values), STATUS_OK);
  Octets want = hex("30 2B 02 01 00");
  for (int i = 0; i < 8; i++) {
    const Octets integer = hex("02 03 00 80 01");
    want.insert(want.end(), integer.begin(), integer.end());
  }
  EXPECT_EQ(octets_of(out), want);
  cinder_wipe_free(out.data, out.len);

  for (int missing = RSA_KEY_VALUE_VERSION; missing < RSA_KEY_VALUE_COUNT; missing++) {
    SCOPED_TRACE(missing);
    const void *partial[RSA_KEY_VALUE_COUNT];
    for (int i = 0; i < RSA_KEY_VALUE_COUNT; i++) {
      partial[i] = i == missing ? nullptr : rsa.values[i];
    }
    out = {nullptr, 0};
    EXPECT_EQ(ber_encode_to_item(&out, TEMPLATE_RSA_PRIVATE_KEY, partial), STATUS_BAD_DATA);
    EXPECT_EQ(out.data, nullptr);
  }
}

TEST(PrivateKeyInfo, EveryAllocationFailureOfTheEncoding) {
  Octets pk8 = read_testdata("rsa2048.pk8.der");
  Item pk8_item = item_of(pk8);
  Item oid = {nullptr, 0}, parameters = {nullptr, 0}, private_key = {nullptr, 0};
  ASSERT_EQ(decode_private_key_info(&oid, &parameters, &private_key, &pk8_item), STATUS_OK);
  const Octets pk1 = octets_of(private_key);
  RsaKeyItems fields;  // pointing into a copy that outlives the loop
  ASSERT_EQ(fields.decode(pk1), STATUS_OK);

  expect_clean_allocation_failures([&] {
    Item rsa_der = {nullptr, 0}, info = {nullptr, 0};
    const void *const *values = fields.values;
    Status status = ber_encode_to_item(&rsa_der, TEMPLATE_RSA_PRIVATE_KEY, values);
    if (status == STATUS_OK) {
      status = encode_private_key_info(&info, &oid, &parameters, &rsa_der);
    }
    if (status == STATUS_OK) {
      EXPECT_EQ(octets_of(info), pk8);
    } else {
      EXPECT_EQ(info.data, nullptr);
    }
    cinder_wipe_free(info.data, info.len);
    cinder_wipe_free(rsa_der.data, rsa_der.len);
    return status;
  });
}

TEST(AlgorithmIdentifier, DigestAlgorithmsWithNullParameters) {
  struct Row {
    const char *name;
    const uint8_t *oid;
    uint32_t oid_len;
    const char *want;
  };
  const Row rows[] = {
      {"md2", kMd2Oid, 8, "30 0C 06 08 2A 86 48 86 F7 0D 02 02 05 00"},
      {"md5", kMd5Oid, 8, "30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00"},
      {"rsaEncryption", kRsaEncryptionOid, 9, "30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Item oid = {const_cast<uint8_t *>(row.oid), row.oid_len};
    Item parameters = {const_cast<uint8_t *>(kNullParameters), 2};
    const void *values[ALGORITHM_IDENTIFIER_VALUE_COUNT] = {nullptr, &oid, &parameters};
    Item out = {nullptr, 0};
    ASSERT_EQ(ber_encode_to_item(&out, TEMPLATE_ALGORITHM_IDENTIFIER, values), STATUS_OK);
    EXPECT_EQ(octets_of(out), hex(row.want));

    Item decoded_oid = kJunk, decoded_parameters = kJunk;
    void *slots[ALGORITHM_IDENTIFIER_VALUE_COUNT] = {nullptr, &decoded_oid, &decoded_parameters};
    ASSERT_EQ(ber_decode(TEMPLATE_ALGORITHM_IDENTIFIER, slots, out.data, out.len), STATUS_OK);
    EXPECT_EQ(octets_of(decoded_oid), Octets(row.oid, row.oid + row.oid_len));
    EXPECT_EQ(octets_of(decoded_parameters), hex("05 00"));
    cinder_wipe_free(out.data, out.len);
  }
}

TEST(DigestInfo, EncodingsOfRfc8017) {
  struct Row {
    const char *name;
    const char *algorithm_identifier;
    const char *want_prefix;  // RFC 8017 section 9.2, note 1
  };
  const Row rows[] = {
      {"md2", "30 0C 06 08 2A 86 48 86 F7 0D 02 02 05 00",
       "30 20 30 0c 06 08 2a 86 48 86 f7 0d 02 02 05 00 04 10"},
      {"md5", "30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00",
       "30 20 30 0c 06 08 2a 86 48 86 f7 0d 02 05 05 00 04 10"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Octets algorithm = hex(row.algorithm_identifier);
    Octets digest(16);
    for (size_t i = 0; i < digest.size(); i++) {
      digest[i] = static_cast<uint8_t>(0xF0 + i);
    }
    const Item algorithm_item = item_of(algorithm), digest_item = item_of(digest);
    Octets want = hex(row.want_prefix);
    want.insert(want.end(), digest.begin(), digest.end());

    uint8_t buffer[64];
    uint32_t len = 99;
    ASSERT_EQ(encode_digest_info(buffer, &len, sizeof buffer, &algorithm_item, &digest_item),
              STATUS_OK);
    ASSERT_EQ(Octets(buffer, buffer + len), want);

    Item decoded_algorithm = kJunk, decoded_digest = kJunk;
    ASSERT_EQ(decode_digest_info(&decoded_algorithm, &decoded_digest, buffer, len), STATUS_OK);
    EXPECT_EQ(octets_of(decoded_algorithm), algorithm);
    EXPECT_EQ(octets_of(decoded_digest), digest);

    // One octet short: nothing is written and the length stays 0.
    uint8_t small[64];
    memset(small, 0xEE, sizeof small);
    len = 99;
    EXPECT_EQ(encode_digest_info(small, &len, static_cast<uint32_t>(want.size() - 1),
                                 &algorithm_item, &digest_item),
              STATUS_OUTPUT_TOO_SMALL);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(Octets(small, small + sizeof small), Octets(sizeof small, 0xEE));
  }
}

TEST(DigestInfo, DecodeEdgeCases) {
  struct Row {
    const char *name;
    const char *input;
    Status want;
  };
  const Row rows[] = {
      {"indefinite outer and algorithm",
       "30 80 30 80 06 08 2A 86 48 86 F7 0D 02 05 05 00 00 00 04 02 AA BB 00 00", STATUS_OK},
      {"algorithm not a SEQUENCE", "30 0E 06 08 2A 86 48 86 F7 0D 02 05 04 02 AA BB",
       STATUS_BAD_INPUT},
      {"digest missing", "30 0E 30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00", STATUS_BAD_INPUT},
      {"digest of another type", "30 12 30 0C 06 08 2A 86 48 86 F7 0D 02 05 05 00 03 02 AA BB",
       STATUS_BAD_INPUT},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    const Octets input = hex(row.input);
    Item algorithm = kJunk, digest = kJunk;
    ASSERT_EQ(decode_digest_info(&algorithm, &digest, input.data(),
                                 static_cast<uint32_t>(input.size())),
              row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(octets_of(digest), hex("AA BB"));
      EXPECT_EQ(algorithm.len, 16u);  // the whole indefinite AlgorithmIdentifier with its EOC
    }
  }
}

}  // namespace
