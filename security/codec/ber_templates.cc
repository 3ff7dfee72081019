// The structure templates of PKCS #1 (RFC 8017 appendix A) and PKCS #8
// (RFC 5208 section 5), and the helpers over them.
#include "security/codec/ber_templates.h"

namespace {

constexpr uint32_t kSequence = 0x30;
constexpr uint32_t kInteger = 0x02;
constexpr uint32_t kOctetString = 0x04;
constexpr uint32_t kObjectIdentifier = 0x06;

constexpr TemplateEntry whole(uint32_t tag, uint32_t index) { return {tag, nullptr, nullptr, index}; }
constexpr TemplateEntry contents(uint32_t tag, uint32_t index) {
  return {tag, ber_contents_decode, ber_contents_encode, index};
}
constexpr TemplateEntry unsigned_integer(uint32_t index) {
  return {kInteger, ber_unsigned_integer_decode, ber_unsigned_integer_encode, index};
}
constexpr TemplateEntry small_integer(uint32_t index) {
  return {kInteger, ber_small_integer_decode, ber_small_integer_encode, index};
}
constexpr TemplateEntry kEnd = {TAG_END, nullptr, nullptr, 0};

}  // namespace

const TemplateEntry TEMPLATE_RSA_PRIVATE_KEY[11] = {
    whole(kSequence, 0),
    small_integer(RSA_KEY_VALUE_VERSION),
    unsigned_integer(RSA_KEY_VALUE_MODULUS),
    unsigned_integer(RSA_KEY_VALUE_PUBLIC_EXPONENT),
    unsigned_integer(RSA_KEY_VALUE_PRIVATE_EXPONENT),
    unsigned_integer(RSA_KEY_VALUE_PRIME1),
    unsigned_integer(RSA_KEY_VALUE_PRIME2),
    unsigned_integer(RSA_KEY_VALUE_EXPONENT1),
    unsigned_integer(RSA_KEY_VALUE_EXPONENT2),
    unsigned_integer(RSA_KEY_VALUE_COEFFICIENT),
    kEnd,
};

const TemplateEntry TEMPLATE_PRIVATE_KEY_INFO[8] = {
    whole(kSequence, 0),
    small_integer(PRIVATE_KEY_INFO_VALUE_VERSION),
    whole(kSequence, 0),
    contents(kObjectIdentifier, PRIVATE_KEY_INFO_VALUE_ALGORITHM),
    whole(TAG_ANY | TAG_OPTIONAL, PRIVATE_KEY_INFO_VALUE_PARAMETERS),
    kEnd,
    contents(kOctetString, PRIVATE_KEY_INFO_VALUE_PRIVATE_KEY),
    kEnd,
};

const TemplateEntry TEMPLATE_ALGORITHM_IDENTIFIER[4] = {
    whole(kSequence, 0),
    contents(kObjectIdentifier, ALGORITHM_IDENTIFIER_VALUE_ALGORITHM),
    whole(TAG_ANY | TAG_OPTIONAL, ALGORITHM_IDENTIFIER_VALUE_PARAMETERS),
    kEnd,
};

const TemplateEntry TEMPLATE_DIGEST_INFO[5] = {
    whole(kSequence, 0),
    whole(kSequence, DIGEST_INFO_VALUE_ALGORITHM),
    kEnd,
    contents(kOctetString, DIGEST_INFO_VALUE_DIGEST),
    kEnd,
};

Status decode_private_key_info(Item *algorithm_oid, Item *parameters, Item *private_key,
                               const Item *encoding) {
  uint16_t version = 0;
  void *values[PRIVATE_KEY_INFO_VALUE_COUNT] = {};
  values[PRIVATE_KEY_INFO_VALUE_VERSION] = &version;
  values[PRIVATE_KEY_INFO_VALUE_ALGORITHM] = algorithm_oid;
  values[PRIVATE_KEY_INFO_VALUE_PARAMETERS] = parameters;
  values[PRIVATE_KEY_INFO_VALUE_PRIVATE_KEY] = private_key;
  return ber_decode(TEMPLATE_PRIVATE_KEY_INFO, values, encoding->data, encoding->len);
}

Status encode_private_key_info(Item *out, const Item *algorithm_oid, const Item *parameters,
                               const Item *private_key) {
  const uint16_t version = 0;
  const void *values[PRIVATE_KEY_INFO_VALUE_COUNT] = {};
  values[PRIVATE_KEY_INFO_VALUE_VERSION] = &version;
  values[PRIVATE_KEY_INFO_VALUE_ALGORITHM] = algorithm_oid;
  values[PRIVATE_KEY_INFO_VALUE_PARAMETERS] = parameters;
  values[PRIVATE_KEY_INFO_VALUE_PRIVATE_KEY] = private_key;
  return ber_encode_to_item(out, TEMPLATE_PRIVATE_KEY_INFO, values);
}

Status decode_digest_info(Item *algorithm_identifier, Item *digest, const uint8_t *data,
                          uint32_t len) {
  void *values[DIGEST_INFO_VALUE_COUNT] = {};
  values[DIGEST_INFO_VALUE_ALGORITHM] = algorithm_identifier;
  values[DIGEST_INFO_VALUE_DIGEST] = digest;
  return ber_decode(TEMPLATE_DIGEST_INFO, values, data, len);
}

Status encode_digest_info(uint8_t *buffer, uint32_t *out_len, uint32_t max,
                          const Item *algorithm_identifier, const Item *digest) {
  const void *values[DIGEST_INFO_VALUE_COUNT] = {};
  values[DIGEST_INFO_VALUE_ALGORITHM] = algorithm_identifier;
  values[DIGEST_INFO_VALUE_DIGEST] = digest;
  return ber_encode_to_buffer(buffer, out_len, max, TEMPLATE_DIGEST_INFO, values);
}
