#include "security/natives/errors.h"

#include <stdio.h>
#include <string.h>

const char kEmberDigestSource[] = ".\\native\\ember\\src\\EmberDigest";

bool check_status_at(Status status, const char *source, int line) {
  if (status == STATUS_OK) {
    return true;
  }
  char message[256];
  snprintf(message, sizeof(message), "%s(%d): CINDER error %d", source, line, (int)status);
  SignalError(EE(), "java/security/SignatureException", message);
  return false;
}

void raise_security_error(Status status) {
  char message[40];
  snprintf(message, sizeof(message), "CINDER error %d", (int)status);
  SignalError(nullptr, "java/lang/SecurityException", message);
}

void raise_out_of_memory() { SignalError(EE(), "java/lang/OutOfMemoryException", nullptr); }

void raise_null_pointer() { SignalError(nullptr, "java/lang/NullPointerException", nullptr); }

void raise_index_out_of_bounds() {
  SignalError(nullptr, "java/lang/IndexOutOfBoundsException", nullptr);
}

bool byte_range_is_valid(const Handle *array, int32_t offset, int32_t length) {
  if (array == nullptr) {
    raise_null_pointer();
    return false;
  }
  // As unsigned values a negative offset or length is larger than any array;
  // comparing the length with the room left avoids the sum.
  const uint32_t n = array_length(array);
  const uint32_t start = (uint32_t)offset;
  const uint32_t count = (uint32_t)length;
  if (start > n || count > n - start) {
    raise_index_out_of_bounds();
    return false;
  }
  return true;
}

Handle *new_byte_array_result(const uint8_t *bytes, uint32_t len) {
  Handle *array = ArrayAlloc(JAVA_T_BYTE, (int)len);
  if (array == nullptr) {
    raise_out_of_memory();
    return nullptr;
  }
  if (len > 0) {
    memcpy(byte_array_data(array), bytes, len);
  }
  return array;
}
