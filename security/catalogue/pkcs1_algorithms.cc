#include "security/catalogue/pkcs1_algorithms.h"

#include "security/catalogue/algorithms.h"
#include "security/codec/ber_templates.h"
#include "security/engines/pkcs1.h"

namespace {

const PaddedRsaParams kPkcs1Public = {&ALG_RSA_PUBLIC_RAW_TYPE, &PKCS1_PUBLIC_PADDING};
const PaddedRsaParams kPkcs1Private = {&ALG_RSA_PRIVATE_RAW_TYPE, &PKCS1_PRIVATE_PADDING};

const DigestIdParams kMd2Id = {kMd2Oid, sizeof kMd2Oid, kNullParameters, sizeof kNullParameters,
                               &ALG_MD2_TYPE};
const DigestIdParams kMd5Id = {kMd5Oid, sizeof kMd5Oid, kNullParameters, sizeof kNullParameters,
                               &ALG_MD5_TYPE};

const SignatureParams kMd2WithRsa = {&ALG_MD2_TYPE, &DIGEST_ID_MD2, &ALG_RSA_PKCS1_PUBLIC_TYPE,
                                     &ALG_RSA_PKCS1_PRIVATE_TYPE};
const SignatureParams kMd5WithRsa = {&ALG_MD5_TYPE, &DIGEST_ID_MD5, &ALG_RSA_PKCS1_PUBLIC_TYPE,
                                     &ALG_RSA_PKCS1_PRIVATE_TYPE};

}  // namespace

const AlgorithmInfoType ALG_RSA_PKCS1_PUBLIC_TYPE = {&PADDED_RSA_INFO_CLASS, &kPkcs1Public};
const AlgorithmInfoType ALG_RSA_PKCS1_PRIVATE_TYPE = {&PADDED_RSA_INFO_CLASS, &kPkcs1Private};
const AlgorithmInfoType ALG_MD2_WITH_RSA_TYPE = {&SIGNATURE_INFO_CLASS, &kMd2WithRsa};
const AlgorithmInfoType ALG_MD5_WITH_RSA_TYPE = {&SIGNATURE_INFO_CLASS, &kMd5WithRsa};
const AlgorithmInfoType DIGEST_ID_MD2 = {&DIGEST_ID_INFO_CLASS, &kMd2Id};
const AlgorithmInfoType DIGEST_ID_MD5 = {&DIGEST_ID_INFO_CLASS, &kMd5Id};

int ALG_RSA_PKCS1_PUBLIC(const void **type) {
  *type = &ALG_RSA_PKCS1_PUBLIC_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int ALG_RSA_PKCS1_PRIVATE(const void **type) {
  *type = &ALG_RSA_PKCS1_PRIVATE_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int ALG_MD2_WITH_RSA(const void **type) {
  *type = &ALG_MD2_WITH_RSA_TYPE;
  return INFO_TYPE_ALGORITHM;
}

int ALG_MD5_WITH_RSA(const void **type) {
  *type = &ALG_MD5_WITH_RSA_TYPE;
  return INFO_TYPE_ALGORITHM;
}
