#include "platform/javai/javai_testing.h"

#include <gtest/gtest.h>

namespace {

class JavaiTest : public ::testing::Test {
 protected:
  void TearDown() override { javai_release_all(); }
};

TEST_F(JavaiTest, ByteArrayCarriesLengthInMethodsWord) {
  Handle *a = ArrayAlloc(JAVA_T_BYTE, 37);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->methods, (uintptr_t(37) << 5) | 8);
  EXPECT_EQ(array_length(a), 37u);
  for (uint32_t i = 0; i < 37; i++) EXPECT_EQ(byte_array_data(a)[i], 0) << i;
  EXPECT_EQ(ArrayAlloc(JAVA_T_BYTE, -1), nullptr);
}

TEST_F(JavaiTest, InjectedArrayFailuresCountDown) {
  javai_fail_next_array_allocs(2);
  long before = javai_array_alloc_calls();
  EXPECT_EQ(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_EQ(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_EQ(javai_array_alloc_calls() - before, 3);
  // A delayed failure lets the given number through, fails one, then disarms.
  javai_fail_array_alloc_after(2);
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_EQ(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  javai_fail_array_alloc_after(0);
  EXPECT_EQ(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  javai_fail_array_alloc_after(1);
  javai_release_all();  // clears an armed failure
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
  EXPECT_NE(ArrayAlloc(JAVA_T_BYTE, 4), nullptr);
}

TEST_F(JavaiTest, PendingExceptionIsPerThreadAndCleared) {
  EXPECT_FALSE(javai_take_exception().has_value());
  SignalError(nullptr, "java/lang/NullPointerException", nullptr);
  SignalError(EE(), "java/lang/SecurityException", "CINDER error 536");
  EXPECT_EQ(javai_exceptions_posted(), 2);
  auto e = javai_take_exception();
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->class_name, "java/lang/SecurityException");
  EXPECT_EQ(e->message, "CINDER error 536");
  EXPECT_FALSE(javai_take_exception().has_value());
  SignalError(nullptr, "java/lang/NullPointerException", nullptr);
  e = javai_take_exception();
  ASSERT_TRUE(e.has_value());
  EXPECT_FALSE(e->message.has_value());
}

TEST_F(JavaiTest, StringsRoundTripThroughServices) {
  Handle *s = javai_new_string("alice");
  char *c = makeCString(s);
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c, "alice");
  EXPECT_EQ(makeCString(nullptr), nullptr);
  Handle *t = makeJavaString("bobby", 3);
  EXPECT_EQ(javai_string_text(t), "bob");
  EXPECT_EQ(javai_string_text(javai_new_object(2)), std::nullopt);
}

TEST_F(JavaiTest, FieldsAtThirtyTwoBitOffsets) {
  Handle *o = javai_new_object(12);
  int marker = 0;
  set_long_field_pointer(o, 16, &marker);
  set_int_field(o, 12, -7);
  EXPECT_EQ(get_field_pointer(o, 16), &marker);
  EXPECT_EQ(field_cell(o, 16)[1], 0u);
  EXPECT_EQ(get_int_field(o, 12), -7);
  // On a 32-bit build the cell of offset o sits exactly at byte o.
  if (sizeof(Slot) == 4) {
    EXPECT_EQ(reinterpret_cast<uint8_t *>(field_cell(o, 16)) - static_cast<uint8_t *>(o->obj), 16);
  }
}

}  // namespace
