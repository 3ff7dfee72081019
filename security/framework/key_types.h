// key_types.h: the key info types that need no codec, and their value layouts.
// Every value is a record of Items held in the key's store; octet strings are
// unsigned big-endian integers where they are numbers.
#ifndef KIT_SECURITY_FRAMEWORK_KEY_TYPES_H
#define KIT_SECURITY_FRAMEWORK_KEY_TYPES_H

#include "security/framework/base.h"
#include "security/framework/objects.h"

// KEY_BYTES value: one Item (for example an RC4 key).

// KEY_RSA_PUBLIC value.
struct RsaPublicValue {
  Item modulus;
  Item public_exponent;
};

// KEY_RSA_PRIVATE_CRT and KEY_RSA_PRIVATE_RECORD value, in PKCS #1 order.
struct RsaPrivateValue {
  Item modulus;
  Item public_exponent;
  Item private_exponent;
  Item prime1;
  Item prime2;
  Item exponent1;    // d mod (p - 1)
  Item exponent2;    // d mod (q - 1)
  Item coefficient;  // q^-1 mod p
};

// KEY_RSA_PRIVATE_PAIR value.
struct RsaPrivatePairValue {
  Item modulus;
  Item private_exponent;
};

// Accessors (each returns INFO_TYPE_KEY).
int KEY_BYTES(const void **type);
int KEY_RSA_PUBLIC(const void **type);
int KEY_RSA_PRIVATE_PAIR(const void **type);

// KEY_BYTES: set copies the octets; derive gives STATUS_WRONG_KEY_INFO.
extern const KeyInfoType KEY_BYTES_TYPE;
// KEY_RSA_PUBLIC: set copies both items without leading zero octets; derive
// takes modulus and public exponent from KEY_RSA_PRIVATE_RECORD.
extern const KeyInfoType KEY_RSA_PUBLIC_TYPE;
// KEY_RSA_PRIVATE_CRT (no accessor): set copies the eight items without
// leading zero octets and pushes them as KEY_RSA_PRIVATE_RECORD and as
// KEY_RSA_PRIVATE_CRT; derive takes them from KEY_RSA_PRIVATE_RECORD.
extern const KeyInfoType KEY_RSA_PRIVATE_CRT_TYPE;
// KEY_RSA_PRIVATE_RECORD (no accessor): what the RSA engines read; cannot be
// set directly (STATUS_WRONG_OPERATION) nor derived (STATUS_WRONG_KEY_INFO).
extern const KeyInfoType KEY_RSA_PRIVATE_RECORD_TYPE;
// KEY_RSA_PRIVATE_PAIR: set copies both items; derive takes modulus and
// private exponent from KEY_RSA_PRIVATE_RECORD.
extern const KeyInfoType KEY_RSA_PRIVATE_PAIR_TYPE;

// item_strip_leading_zeros: |item| without its leading zero octets (an all-zero
// or empty item becomes empty).
Item item_strip_leading_zeros(Item item);

// key_store_copy_item copies |source| into the key's store as *out.
// Returns 0 or STATUS_NO_MEMORY.
Status key_store_copy_item(KeyObject *key, Item source, Item *out);

#endif  // KIT_SECURITY_FRAMEWORK_KEY_TYPES_H
