#include "security/catalogue/algorithms.h"

#include "security/framework/info_classes.h"

const AlgorithmInfoType ALG_RC4_TYPE = {&CIPHER_INFO_CLASS, nullptr};
const AlgorithmInfoType ALG_RSA_PUBLIC_RAW_TYPE = {&CIPHER_INFO_CLASS, nullptr};
const AlgorithmInfoType ALG_RSA_PRIVATE_RAW_TYPE = {&CIPHER_INFO_CLASS, nullptr};
const AlgorithmInfoType ALG_RSA_KEYGEN_TYPE = {&KEYGEN_INFO_CLASS, nullptr};
const AlgorithmInfoType ALG_RANDOM_TYPE = {&RANDOM_INFO_CLASS, nullptr};
const AlgorithmInfoType ALG_MD2_TYPE = {&DIGEST_INFO_CLASS, nullptr};
const AlgorithmInfoType ALG_MD5_TYPE = {&DIGEST_INFO_CLASS, nullptr};

int ALG_RC4(const void **type) {
  *type = &ALG_RC4_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int ALG_RSA_KEYGEN(const void **type) {
  *type = &ALG_RSA_KEYGEN_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int ALG_RANDOM(const void **type) {
  *type = &ALG_RANDOM_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int ALG_MD5(const void **type) {
  *type = &ALG_MD5_TYPE;
  return INFO_TYPE_ALGORITHM;
}
