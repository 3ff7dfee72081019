// pkcs8_key_info.h: KEY_RSA_PRIVATE_PKCS8, an RSA private key as a DER
// PrivateKeyInfo (PKCS #8) wrapping an RSAPrivateKey (PKCS #1).
#ifndef KIT_SECURITY_CATALOGUE_PKCS8_KEY_INFO_H
#define KIT_SECURITY_CATALOGUE_PKCS8_KEY_INFO_H

#include "security/framework/objects.h"

// Value: one Item holding the PrivateKeyInfo.
//
// set: decodes the PrivateKeyInfo (BER accepted) and its RSAPrivateKey
// (version 0) and sets the eight numbers as KEY_RSA_PRIVATE_CRT, which copies
// them into the key's store; the caller's octets are not kept. Returns 0;
// STATUS_BAD_KEY_INFO for a null info or an item whose octets are missing;
// STATUS_BAD_INPUT for malformed input; STATUS_WRONG_KEY_INFO when the
// algorithm is not rsaEncryption; STATUS_NO_MEMORY.
//
// derive: encodes KEY_RSA_PRIVATE_CRT as DER with the rsaEncryption OID and
// NULL parameters into a new item owned by the key's store. Returns 0;
// STATUS_WRONG_KEY_INFO when the key holds no private key; STATUS_TOO_LONG
// when the encoding would exceed 32767 octets; STATUS_NO_MEMORY.
int KEY_RSA_PRIVATE_PKCS8(const void **type);
extern const KeyInfoType KEY_RSA_PRIVATE_PKCS8_TYPE;

#endif  // KIT_SECURITY_CATALOGUE_PKCS8_KEY_INFO_H
