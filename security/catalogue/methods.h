// methods.h: the method records that tie algorithm types to engines, and the
// method lists the natives hand to the init operations.
#ifndef KIT_SECURITY_CATALOGUE_METHODS_H
#define KIT_SECURITY_CATALOGUE_METHODS_H

#include "security/framework/method.h"

extern const MethodRecord METHOD_MD2;  // ALG_MD2, Md2Engine
extern const MethodRecord METHOD_MD5;  // ALG_MD5, Md5Engine

// The list of the MD5 digest natives: MD5.
extern const MethodRecord *const METHODS_MD5[];

#endif  // KIT_SECURITY_CATALOGUE_METHODS_H
