// base.h: the types every layer of the security library shares: octet strings,
// the three levels of status codes' lowest two (engine codes and framework
// statuses), and the cancel check of the long-running operations.
#ifndef KIT_SECURITY_FRAMEWORK_BASE_H
#define KIT_SECURITY_FRAMEWORK_BASE_H

#include <stddef.h>
#include <stdint.h>

// Item: an octet string; the library's value type for every octet-string value.
struct Item {
  uint8_t *data;
  uint32_t len;
};

// Engine codes, returned by every engine.
typedef int EngineStatus;
enum {
  ENGINE_OK = 0,
  ENGINE_CANCELLED = 1,
  ENGINE_EVEN_EXPONENT = 3,
  ENGINE_EXPONENT_TOO_LONG = 4,
  ENGINE_BAD_INPUT = 5,
  ENGINE_BAD_INPUT_LENGTH = 6,
  ENGINE_BAD_MODULUS = 7,
  ENGINE_RETRY = 8,
  ENGINE_NOT_SUPPORTED = 9,
  ENGINE_OUTPUT_TOO_SMALL = 10,
  ENGINE_NOT_READY = 11,
  ENGINE_BAD_KEY_LENGTH = 12,
  ENGINE_BAD_KEY_INFO = 13,
  ENGINE_BAD_PARAMETERS = 15,
  ENGINE_NO_MEMORY = 128,
};

// Framework statuses, returned by every framework operation; 0 is success.
typedef int32_t Status;
enum {
  STATUS_OK = 0,
  STATUS_INFO_ALREADY_SET = 512,
  STATUS_BAD_ALGORITHM_INFO = 513,
  STATUS_NOT_INITIALIZED = 514,
  STATUS_NO_ALGORITHM = 515,
  STATUS_BAD_ALGORITHM_OBJECT = 516,
  STATUS_WRONG_OPERATION = 517,
  STATUS_NO_MEMORY = 518,
  STATUS_CANCELLED = 519,
  STATUS_BAD_DATA = 520,
  STATUS_EVEN_EXPONENT = 521,
  STATUS_BAD_EXPONENT_LENGTH = 522,
  STATUS_BAD_INPUT = 524,
  STATUS_BAD_INPUT_LENGTH = 525,
  STATUS_KEY_ALREADY_SET = 526,
  STATUS_BAD_KEY_INFO = 527,
  STATUS_BAD_KEY_LENGTH = 528,
  STATUS_KEY_EMPTY = 529,
  STATUS_BAD_KEY_OBJECT = 530,
  STATUS_NOT_ALGORITHM_INFO = 531,
  STATUS_BAD_MODULUS_LENGTH = 533,
  STATUS_ENGINE_NOT_READY = 534,
  STATUS_NOT_SUPPORTED = 535,
  STATUS_OUTPUT_TOO_SMALL = 536,
  STATUS_TOO_LONG = 537,
  STATUS_RANDOM_NOT_INITIALIZED = 538,
  STATUS_BAD_RANDOM_OBJECT = 539,
  STATUS_BAD_SIGNATURE = 540,
  STATUS_WRONG_ALGORITHM_INFO = 541,
  STATUS_WRONG_KEY_INFO = 542,
  STATUS_NO_METHOD = 545,
};

// CancelCheck: optional callback that long-running arithmetic polls.
struct CancelCheck {
  int (*check)(void *user_data);
  void *user_data;
};

// cancel_check_yields returns 1 when |cancel| is present and its function
// returns nonzero, else 0.
static inline int cancel_check_yields(const CancelCheck *cancel) {
  return cancel != nullptr && cancel->check != nullptr && cancel->check(cancel->user_data) != 0;
}

#endif  // KIT_SECURITY_FRAMEWORK_BASE_H
