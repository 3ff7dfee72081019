#include "security/catalogue/rsa_methods.h"

#include "security/catalogue/algorithms.h"
#include "security/catalogue/methods.h"
#include "security/engines/rsa_engine.h"
#include "security/framework/key_types.h"

// The direction of a record only selects the binding; the engines behave the
// same either way.
const MethodRecord METHOD_RSA_PRIVATE_ENCRYPTING = {
    &ALG_RSA_PRIVATE_RAW_TYPE, METHOD_ENCRYPTING, &KEY_RSA_PRIVATE_RECORD_TYPE, &RsaPrivateEngine};
const MethodRecord METHOD_RSA_PRIVATE_DECRYPTING = {
    &ALG_RSA_PRIVATE_RAW_TYPE, METHOD_OTHER, &KEY_RSA_PRIVATE_RECORD_TYPE, &RsaPrivateEngine};
const MethodRecord METHOD_RSA_PUBLIC_ENCRYPTING = {
    &ALG_RSA_PUBLIC_RAW_TYPE, METHOD_ENCRYPTING, &KEY_RSA_PUBLIC_TYPE, &RsaPublicEngine};
const MethodRecord METHOD_RSA_PUBLIC_DECRYPTING = {
    &ALG_RSA_PUBLIC_RAW_TYPE, METHOD_OTHER, &KEY_RSA_PUBLIC_TYPE, &RsaPublicEngine};

const MethodRecord *const METHODS_PRE_MASTER_SECRET[] = {
    &METHOD_RSA_PUBLIC_ENCRYPTING, &METHOD_RSA_PRIVATE_DECRYPTING, nullptr};
const MethodRecord *const METHODS_RSA_SIGNATURE[] = {
    &METHOD_RSA_PRIVATE_ENCRYPTING, &METHOD_RSA_PUBLIC_DECRYPTING, nullptr};
const MethodRecord *const METHODS_MD2_RSA[] = {
    &METHOD_MD2, &METHOD_RSA_PRIVATE_ENCRYPTING, &METHOD_RSA_PUBLIC_DECRYPTING, nullptr};
const MethodRecord *const METHODS_MD5_RSA[] = {
    &METHOD_MD5, &METHOD_RSA_PRIVATE_ENCRYPTING, &METHOD_RSA_PUBLIC_DECRYPTING, nullptr};
