// The static initIDs natives of the seven classes that declare one: the
// classes call them once when loaded, and there is nothing to look up, since
// every field sits at a fixed offset.
#include "security/natives/entry_points.h"

#define CINDER_INIT_IDS(package, cls)                                              \
  JAVA_EXPORT Slot *Java_quill_security_##package##_##cls##_initIDs_stub(Slot *sp, \
                                                                         ExecEnv *) { \
    return sp;                                                                     \
  }

CINDER_INIT_IDS(ember, EmberDigest)
CINDER_INIT_IDS(ember, EmberPrivateKey)
CINDER_INIT_IDS(ember, EmberPublicKey)
CINDER_INIT_IDS(ember, EmberSig)
CINDER_INIT_IDS(ember, RSAKeyGen)
CINDER_INIT_IDS(ember, SHA1)
CINDER_INIT_IDS(ssl, CipherRC4)
