// ber_templates.h: the ASN.1 structures the library reads and writes, as
// templates for ber.h, their constant encodings, and the helpers for
// PrivateKeyInfo (PKCS #8) and DigestInfo (PKCS #1).
#ifndef KIT_SECURITY_CODEC_BER_TEMPLATES_H
#define KIT_SECURITY_CODEC_BER_TEMPLATES_H

#include <stdint.h>

#include "security/codec/ber.h"

// PKCS #1 RSAPrivateKey: SEQUENCE { version, n, e, d, p, q, dP, dQ, qInv }.
// Value slots: the version (uint16_t, 0) and eight unsigned integer Items.
enum {
  RSA_KEY_VALUE_VERSION = 1,
  RSA_KEY_VALUE_MODULUS = 2,
  RSA_KEY_VALUE_PUBLIC_EXPONENT = 3,
  RSA_KEY_VALUE_PRIVATE_EXPONENT = 4,
  RSA_KEY_VALUE_PRIME1 = 5,
  RSA_KEY_VALUE_PRIME2 = 6,
  RSA_KEY_VALUE_EXPONENT1 = 7,
  RSA_KEY_VALUE_EXPONENT2 = 8,
  RSA_KEY_VALUE_COEFFICIENT = 9,
  RSA_KEY_VALUE_COUNT = 10,
};
extern const TemplateEntry TEMPLATE_RSA_PRIVATE_KEY[11];

// PKCS #8 PrivateKeyInfo: SEQUENCE { version, SEQUENCE { algorithm OID,
// parameters ANY OPTIONAL }, privateKey OCTET STRING }.
enum {
  PRIVATE_KEY_INFO_VALUE_VERSION = 1,
  PRIVATE_KEY_INFO_VALUE_ALGORITHM = 2,   // OID contents
  PRIVATE_KEY_INFO_VALUE_PARAMETERS = 3,  // whole element
  PRIVATE_KEY_INFO_VALUE_PRIVATE_KEY = 4, // OCTET STRING contents
  PRIVATE_KEY_INFO_VALUE_COUNT = 5,
};
extern const TemplateEntry TEMPLATE_PRIVATE_KEY_INFO[8];

// AlgorithmIdentifier: SEQUENCE { algorithm OID, parameters ANY OPTIONAL }.
enum {
  ALGORITHM_IDENTIFIER_VALUE_ALGORITHM = 1,   // OID contents
  ALGORITHM_IDENTIFIER_VALUE_PARAMETERS = 2,  // whole element
  ALGORITHM_IDENTIFIER_VALUE_COUNT = 3,
};
extern const TemplateEntry TEMPLATE_ALGORITHM_IDENTIFIER[4];

// DigestInfo: SEQUENCE { digestAlgorithm AlgorithmIdentifier (whole),
// digest OCTET STRING }.
enum {
  DIGEST_INFO_VALUE_ALGORITHM = 1,  // the whole AlgorithmIdentifier
  DIGEST_INFO_VALUE_DIGEST = 2,     // OCTET STRING contents
  DIGEST_INFO_VALUE_COUNT = 3,
};
extern const TemplateEntry TEMPLATE_DIGEST_INFO[5];

// Contents of the rsaEncryption, md2 and md5 OIDs, and the NULL parameters
// element (used whole).
inline constexpr uint8_t kRsaEncryptionOid[9] = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                 0x0D, 0x01, 0x01, 0x01};
inline constexpr uint8_t kMd2Oid[8] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x02};
inline constexpr uint8_t kMd5Oid[8] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05};
inline constexpr uint8_t kNullParameters[2] = {0x05, 0x00};

// decode_private_key_info decodes the PrivateKeyInfo in |encoding| (version
// must be 0) into the algorithm OID contents, the whole parameters element
// and the privateKey contents; each item points into |encoding|. |parameters|
// may be null, and keeps what it held when the structure has no parameters.
// Returns 0 or 524.
Status decode_private_key_info(Item *algorithm_oid, Item *parameters, Item *private_key,
                               const Item *encoding);

// encode_private_key_info encodes a version 0 PrivateKeyInfo into a new item
// (see ber_encode_to_item). |parameters| (a whole element) may be null or
// hold no data, leaving the parameters out.
Status encode_private_key_info(Item *out, const Item *algorithm_oid, const Item *parameters,
                               const Item *private_key);

// decode_digest_info decodes the DigestInfo at |data| into the whole
// AlgorithmIdentifier element and the digest; items point into |data|.
// Returns 0 or 524.
Status decode_digest_info(Item *algorithm_identifier, Item *digest, const uint8_t *data,
                          uint32_t len);

// encode_digest_info encodes a DigestInfo into |buffer| (see
// ber_encode_to_buffer); |algorithm_identifier| is a whole element.
Status encode_digest_info(uint8_t *buffer, uint32_t *out_len, uint32_t max,
                          const Item *algorithm_identifier, const Item *digest);

#endif  // KIT_SECURITY_CODEC_BER_TEMPLATES_H
