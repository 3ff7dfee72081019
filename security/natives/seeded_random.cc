#include "security/natives/seeded_random.h"

#include "platform/entropy/entropy.h"
#include "security/catalogue/algorithms.h"
#include "security/catalogue/generator_methods.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/natives/errors.h"

namespace {

// Octets of the system's random source mixed in after the time record.
constexpr uint32_t kSystemRandomSeedLength = 32;

}  // namespace

AlgorithmObject *new_seeded_random(const uint8_t *seed, uint32_t len) {
  uint8_t system_seed[SYSTEM_TIME_RECORD_LENGTH + kSystemRandomSeedLength];
  AlgorithmObject *random = nullptr;
  Status status = create_algorithm_object(&random);
  if (status == STATUS_OK && (status = set_algorithm_info(random, ALG_RANDOM, nullptr)) == 0 &&
      (status = random_init(random, METHODS_RANDOM, nullptr)) == STATUS_OK) {
    if (len > 0) {
      status = random_update(random, seed, len, nullptr);
    } else {
      entropy_system_time(system_seed);
      if (!entropy_system_random(system_seed + SYSTEM_TIME_RECORD_LENGTH,
                                 kSystemRandomSeedLength)) {
        status = STATUS_BAD_RANDOM_OBJECT;
      } else {
        status = random_update(random, system_seed, sizeof system_seed, nullptr);
      }
    }
  }
  cinder_wipe(system_seed, sizeof system_seed);
  if (status != STATUS_OK) {
    destroy_algorithm_object(&random);
    raise_security_error(status);
    return nullptr;
  }
  return random;
}

Status run_padded_rsa(InfoTypeAccessor type, bool encrypt, KeyObject *key, MethodList methods,
                      const uint8_t *in, uint32_t in_len, AlgorithmObject *random, uint8_t *out,
                      uint32_t max, uint32_t *out_len) {
  AlgorithmObject *object = nullptr;
  uint32_t update_len = 0;
  *out_len = 0;
  Status status = create_algorithm_object(&object);
  if (status != STATUS_OK || (status = set_algorithm_info(object, type, nullptr)) != STATUS_OK) {
    goto done;
  }
  if (encrypt) {
    if ((status = encrypt_init(object, key, methods, nullptr)) != STATUS_OK ||
        (status = encrypt_update(object, out, &update_len, max, in, in_len, random, nullptr)) !=
            STATUS_OK) {
      goto done;
    }
    status = encrypt_final(object, out + update_len, out_len, max - update_len, random, nullptr);
  } else {
    if ((status = decrypt_init(object, key, methods, nullptr)) != STATUS_OK ||
        (status = decrypt_update(object, out, &update_len, max, in, in_len, random, nullptr)) !=
            STATUS_OK) {
      goto done;
    }
    status = decrypt_final(object, out + update_len, out_len, max - update_len, random, nullptr);
  }
  *out_len += update_len;
done:
  destroy_algorithm_object(&object);
  return status;
}
