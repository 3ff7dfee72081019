#include "security/catalogue/algorithms.h"
#include "security/catalogue/methods.h"
#include "security/engines/md2.h"
#include "security/engines/md5.h"

const MethodRecord METHOD_MD2 = {&ALG_MD2_TYPE, METHOD_OTHER, nullptr, &Md2Engine};
const MethodRecord METHOD_MD5 = {&ALG_MD5_TYPE, METHOD_OTHER, nullptr, &Md5Engine};

const MethodRecord *const METHODS_MD5[] = {&METHOD_MD5, nullptr};
