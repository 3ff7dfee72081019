// errors.h: how the natives report failures to Java, and the checks they share
// on Java arguments. Every routine posts through the VM's SignalError; the
// native then returns at once (null, 0 or nothing).
#ifndef KIT_SECURITY_NATIVES_ERRORS_H
#define KIT_SECURITY_NATIVES_ERRORS_H

#include <stdint.h>

#include "platform/javai/javai.h"
#include "security/framework/base.h"

// The source name the EmberDigest and MD5 natives report with their lines.
extern const char kEmberDigestSource[];

// check_status_at returns true when |status| is 0; otherwise posts
// "java/security/SignatureException" with "%s(%d): CINDER error %d" (source,
// line, status) and returns false.
bool check_status_at(Status status, const char *source, int line);

// raise_security_error posts "java/lang/SecurityException" with
// "CINDER error %d".
void raise_security_error(Status status);

// Posts without a message: "java/lang/OutOfMemoryException",
// "java/lang/NullPointerException", "java/lang/IndexOutOfBoundsException".
void raise_out_of_memory();
void raise_null_pointer();
void raise_index_out_of_bounds();

// byte_range_is_valid checks the Java arguments (array, offset, length) of an
// update: a null array posts the NullPointerException, a range outside the
// array (negative offset or length, or one that ends past the last element)
// the IndexOutOfBoundsException; both give false. The range test cannot wrap:
// offset 1 with length 0xFFFFFFFF is refused.
bool byte_range_is_valid(const Handle *array, int32_t offset, int32_t length);

// new_byte_array_result returns a new Java byte array holding |len| octets of
// |bytes|, or null after posting the OutOfMemoryException when ArrayAlloc
// fails.
Handle *new_byte_array_result(const uint8_t *bytes, uint32_t len);

#endif  // KIT_SECURITY_NATIVES_ERRORS_H
