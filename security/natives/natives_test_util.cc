#include "security/natives/natives_test_util.h"

StubResult call_stub(Stub stub, Handle *receiver, std::initializer_list<Slot> args) {
  Slot slots[8] = {};
  slots[0] = handle_slot(receiver);
  size_t i = 1;
  for (Slot arg : args) slots[i++] = arg;
  Slot *after = stub(slots, EE());
  return StubResult{after - slots, slots[0]};
}

void expect_exception(const std::string &cls, const std::optional<std::string> &message) {
  EXPECT_EQ(javai_exceptions_posted(), 1);
  std::optional<PendingException> e = javai_take_exception();
  ASSERT_TRUE(e.has_value()) << "expected " << cls;
  EXPECT_EQ(e->class_name, cls);
  EXPECT_EQ(e->message, message);
}

void expect_no_exception() {
  std::optional<PendingException> e = javai_take_exception();
  EXPECT_FALSE(e.has_value()) << e->class_name << ": " << e->message.value_or("(none)");
}

std::vector<uint8_t> bytes_of(const std::string &s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

std::string hex(const std::vector<uint8_t> &bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}
