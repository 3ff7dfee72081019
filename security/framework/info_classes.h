// info_classes.h: the algorithm info type classes of the framework's handler
// kinds, the slots later classes share, and the parameter record of key-pair
// generation.
#ifndef KIT_SECURITY_FRAMEWORK_INFO_CLASSES_H
#define KIT_SECURITY_FRAMEWORK_INFO_CLASSES_H

#include <stdint.h>

#include "security/framework/base.h"
#include "security/framework/objects.h"

// info_type_set_parameterless: the set slot of parameterless types; pushes
// (type, null). Returns 0 or STATUS_NO_MEMORY.
Status info_type_set_parameterless(const AlgorithmInfoType *type, AlgorithmObject *object,
                                   const void *info);

// info_type_derive_nothing: the derive slot of types that cannot be derived;
// always STATUS_WRONG_ALGORITHM_INFO.
Status info_type_derive_nothing(const AlgorithmInfoType *type, void **out,
                                AlgorithmObject *object);

// info_type_held_value: the value the object's store holds for |type| (null
// when none); what newHandler slots hand their handler as its info.
void *info_type_held_value(const AlgorithmInfoType *type, AlgorithmObject *object);

// Parameterless types whose handler searches method lists for the type itself.
extern const InfoTypeClass DIGEST_INFO_CLASS;  // DigestHandler
extern const InfoTypeClass CIPHER_INFO_CLASS;  // CipherHandler
extern const InfoTypeClass RANDOM_INFO_CLASS;  // RandomHandler

// Parameter record of key-pair generation, as the caller passes it and as the
// object holds it (the held exponent has no leading zero octets).
struct RsaKeyGenParams {
  int32_t modulus_bits;
  Item public_exponent;
};

// Key-pair generation types: set copies an RsaKeyGenParams
// (STATUS_BAD_ALGORITHM_INFO for null info or a null exponent of nonzero
// length); the handler is a KeyGenHandler.
extern const InfoTypeClass KEYGEN_INFO_CLASS;

#endif  // KIT_SECURITY_FRAMEWORK_INFO_CLASSES_H
