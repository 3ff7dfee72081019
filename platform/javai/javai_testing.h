// javai_testing.h: what the VM stand-in offers tests beyond the five services:
// making objects, arrays and strings, reading the pending exception, and making
// array allocation fail on demand. Everything made here lives until
// javai_release_all().
#ifndef KIT_PLATFORM_JAVAI_JAVAI_TESTING_H
#define KIT_PLATFORM_JAVAI_JAVAI_TESTING_H

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/javai/javai.h"

#define JAVAI_TEST_EXPORT __attribute__((visibility("default")))

// An object with |cells| zeroed instance cells.
JAVAI_TEST_EXPORT Handle *javai_new_object(int cells);
// A byte array holding a copy of |bytes| (never subject to injected failure).
JAVAI_TEST_EXPORT Handle *javai_new_byte_array(const std::vector<uint8_t> &bytes);
// A String[] of |length| null elements.
JAVAI_TEST_EXPORT Handle *javai_new_ref_array(int length);
// A Java String of |text|.
JAVAI_TEST_EXPORT Handle *javai_new_string(const std::string &text);
// The text of a Java String made by this stand-in; nullopt for null or a non-string.
JAVAI_TEST_EXPORT std::optional<std::string> javai_string_text(const Handle *string);
// The bytes of a byte array.
JAVAI_TEST_EXPORT std::vector<uint8_t> javai_byte_array_bytes(const Handle *array);

struct PendingException {
  std::string class_name;
  std::optional<std::string> message;  // nullopt when posted without a message
};
// Returns and clears the calling thread's pending exception.
JAVAI_TEST_EXPORT std::optional<PendingException> javai_take_exception();
// How many exceptions were posted on this thread since the last take (a native
// must post at most one).
JAVAI_TEST_EXPORT int javai_exceptions_posted();

// Makes the next |count| ArrayAlloc calls return null.
JAVAI_TEST_EXPORT void javai_fail_next_array_allocs(int count);
// Lets the next |successes| ArrayAlloc calls through and makes the one after
// them return null (for reaching the second or third result array of a call).
JAVAI_TEST_EXPORT void javai_fail_array_alloc_after(int successes);
// Number of ArrayAlloc calls so far (successful or failed).
JAVAI_TEST_EXPORT long javai_array_alloc_calls();

// Frees every object, array and string made so far and clears the state.
JAVAI_TEST_EXPORT void javai_release_all();

#endif  // KIT_PLATFORM_JAVAI_JAVAI_TESTING_H
