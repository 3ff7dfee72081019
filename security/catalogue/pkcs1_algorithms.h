// pkcs1_algorithms.h: the PKCS #1 RSA algorithm types, the digest-with-RSA
// signature types and the digest algorithm identifier records they use.
#ifndef KIT_SECURITY_CATALOGUE_PKCS1_ALGORITHMS_H
#define KIT_SECURITY_CATALOGUE_PKCS1_ALGORITHMS_H

#include "security/framework/objects.h"

// PaddedRsaCipher over ALG_RSA_PUBLIC_RAW: encrypt pads type 2, decrypt
// removes type 1 (pre-master secret encryption, raw signature recovery).
int ALG_RSA_PKCS1_PUBLIC(const void **type);
// PaddedRsaCipher over ALG_RSA_PRIVATE_RAW: encrypt pads type 1, decrypt
// removes type 2 (raw signing, pre-master secret decryption).
int ALG_RSA_PKCS1_PRIVATE(const void **type);
// SignatureHandler: MD2 or MD5 digest in a DER DigestInfo, type 1 block.
int ALG_MD2_WITH_RSA(const void **type);
int ALG_MD5_WITH_RSA(const void **type);

extern const AlgorithmInfoType ALG_RSA_PKCS1_PUBLIC_TYPE;
extern const AlgorithmInfoType ALG_RSA_PKCS1_PRIVATE_TYPE;
extern const AlgorithmInfoType ALG_MD2_WITH_RSA_TYPE;
extern const AlgorithmInfoType ALG_MD5_WITH_RSA_TYPE;

// The AlgorithmIdentifiers {md2, NULL} and {md5, NULL} (no accessor).
extern const AlgorithmInfoType DIGEST_ID_MD2;
extern const AlgorithmInfoType DIGEST_ID_MD5;

#endif  // KIT_SECURITY_CATALOGUE_PKCS1_ALGORITHMS_H
