// rsa_methods.h: the method records of the raw RSA block engines and the
// method lists that use them. Each list is null-terminated and tried in order
// by bind_method.
#ifndef KIT_SECURITY_CATALOGUE_RSA_METHODS_H
#define KIT_SECURITY_CATALOGUE_RSA_METHODS_H

#include "security/framework/method.h"

// ALG_RSA_PRIVATE_RAW with KEY_RSA_PRIVATE_RECORD, RsaPrivateEngine.
extern const MethodRecord METHOD_RSA_PRIVATE_ENCRYPTING;
extern const MethodRecord METHOD_RSA_PRIVATE_DECRYPTING;
// ALG_RSA_PUBLIC_RAW with KEY_RSA_PUBLIC, RsaPublicEngine.
extern const MethodRecord METHOD_RSA_PUBLIC_ENCRYPTING;
extern const MethodRecord METHOD_RSA_PUBLIC_DECRYPTING;

// PreMasterSecret: RSA public encrypting, RSA private decrypting.
extern const MethodRecord *const METHODS_PRE_MASTER_SECRET[];
// RSASignature: RSA private encrypting, RSA public decrypting.
extern const MethodRecord *const METHODS_RSA_SIGNATURE[];
// MD2RSA: MD2, RSA private encrypting, RSA public decrypting.
extern const MethodRecord *const METHODS_MD2_RSA[];
// MD5RSA: MD5, RSA private encrypting, RSA public decrypting.
extern const MethodRecord *const METHODS_MD5_RSA[];

#endif  // KIT_SECURITY_CATALOGUE_RSA_METHODS_H
