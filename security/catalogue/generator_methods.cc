#include "security/catalogue/generator_methods.h"

#include "security/catalogue/algorithms.h"
#include "security/engines/digest_random.h"
#include "security/engines/keygen.h"
#include "security/engines/rc4.h"
#include "security/framework/key_types.h"

const MethodRecord METHOD_RC4 = {&ALG_RC4_TYPE, METHOD_ENCRYPTING, &KEY_BYTES_TYPE, &Rc4Engine};
const MethodRecord METHOD_RANDOM = {&ALG_RANDOM_TYPE, METHOD_OTHER, nullptr, &DigestRandomEngine};
const MethodRecord METHOD_RSA_KEYGEN = {&ALG_RSA_KEYGEN_TYPE, METHOD_OTHER, nullptr,
                                        &RsaKeyPairGenerator};

const MethodRecord *const METHODS_RC4[] = {&METHOD_RC4, nullptr};
const MethodRecord *const METHODS_RANDOM[] = {&METHOD_RANDOM, nullptr};
const MethodRecord *const METHODS_RSA_KEYGEN[] = {&METHOD_RANDOM, &METHOD_RSA_KEYGEN, nullptr};
