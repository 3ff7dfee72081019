// natives_test_util.h: calling entry points exactly as the VM does, and the
// checks every natives test repeats.
#ifndef KIT_SECURITY_NATIVES_NATIVES_TEST_UTIL_H
#define KIT_SECURITY_NATIVES_NATIVES_TEST_UTIL_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/javai/javai.h"
#include "platform/javai/javai_testing.h"

typedef Slot *(*Stub)(Slot *sp, ExecEnv *ee);

// A call's operand stack after return: the slot pointer the stub returned,
// relative to the first argument slot, and slot 0.
struct StubResult {
  ptrdiff_t advanced;
  Slot slot0;
};

// call_stub lays |receiver| and |args| into slots 0..n, calls |stub| with the
// current environment and reports what it left.
StubResult call_stub(Stub stub, Handle *receiver, std::initializer_list<Slot> args = {});

// Slot values of Java arguments.
inline Slot int_arg(int32_t v) { return int_slot(v); }
inline Slot ref_arg(Handle *h) { return handle_slot(h); }

// expect_exception checks that exactly one exception of |cls| was posted, with
// |message| (nullopt: none), and clears it.
void expect_exception(const std::string &cls, const std::optional<std::string> &message);
// expect_no_exception checks that nothing was posted.
void expect_no_exception();

std::vector<uint8_t> bytes_of(const std::string &s);
std::string hex(const std::vector<uint8_t> &bytes);

#endif  // KIT_SECURITY_NATIVES_NATIVES_TEST_UTIL_H
