// algorithms.h: the algorithm info types of the library. Types with an
// accessor are named by callers through it (each accessor returns
// INFO_TYPE_ALGORITHM); the others appear only in method records.
#ifndef KIT_SECURITY_CATALOGUE_ALGORITHMS_H
#define KIT_SECURITY_CATALOGUE_ALGORITHMS_H

#include "security/framework/objects.h"

int ALG_RC4(const void **type);
int ALG_RSA_KEYGEN(const void **type);
int ALG_RANDOM(const void **type);
int ALG_MD5(const void **type);

extern const AlgorithmInfoType ALG_RC4_TYPE;             // CipherHandler
extern const AlgorithmInfoType ALG_RSA_PUBLIC_RAW_TYPE;  // CipherHandler; RSA block engines only
extern const AlgorithmInfoType ALG_RSA_PRIVATE_RAW_TYPE;
extern const AlgorithmInfoType ALG_RSA_KEYGEN_TYPE;      // KeyGenHandler, RsaKeyGenParams
extern const AlgorithmInfoType ALG_RANDOM_TYPE;          // RandomHandler
extern const AlgorithmInfoType ALG_MD2_TYPE;             // DigestHandler; no accessor
extern const AlgorithmInfoType ALG_MD5_TYPE;             // DigestHandler

#endif  // KIT_SECURITY_CATALOGUE_ALGORITHMS_H
