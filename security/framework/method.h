// method.h: method records, which tie an algorithm type to an engine, and the
// null-terminated method lists callers hand to the init operations.
#ifndef KIT_SECURITY_FRAMEWORK_METHOD_H
#define KIT_SECURITY_FRAMEWORK_METHOD_H

#include "security/framework/objects.h"

// Direction of a binding: encrypt_init binds with 1, every other init with 0.
enum { METHOD_OTHER = 0, METHOD_ENCRYPTING = 1 };

struct MethodRecord {
  const AlgorithmInfoType *algorithm;  // the type a handler searches for
  int direction;
  const KeyInfoType *key_type;         // representation the engine needs, or null
  const void *engine;                  // DigestEngineOps, CipherEngineOps, ...
};

// A null-terminated array of record pointers.
typedef const MethodRecord *const *MethodList;

#endif  // KIT_SECURITY_FRAMEWORK_METHOD_H
