// The digest natives called as the VM calls them: through slot arrays, with
// results in slot 0, exceptions posted through the VM stand-in, and every
// allocation made to fail in turn.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "security/catalogue/algorithms.h"
#include "security/framework/handler.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/natives/entry_points.h"
#include "security/natives/natives_test_util.h"

namespace {

constexpr int kObjectCells = 4;  // the digest field is cell 2 (byte offset 8)

const std::string kSource = ".\\native\\ember\\src\\EmberDigest";

std::string located(int line, int status) {
  return kSource + "(" + std::to_string(line) + "): CINDER error " + std::to_string(status);
}

const char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
const char kMd5Empty[] = "d41d8cd98f00b204e9800998ecf8427e";
const char kSha1Abc[] = "a9993e364706816aba3e25717850c26c9cd0d89d";
const char kSha1Empty[] = "da39a3ee5e6b4b0d3255bfef95601890afd80709";

// The two digest classes behind one set of calls.
struct DigestClass {
  const char *name;
  Stub construct;
  Stub update_byte;
  Stub update_bytes;
  Stub digest;
  Stub reset;
  Stub finalize;
  const char *abc;
  const char *empty;
};

const DigestClass kMd5 = {"MD5",
                          Java_quill_security_ember_MD5_nativeConstructor_stub,
                          Java_quill_security_ember_EmberDigest_nativeUpdateByte_stub,
                          Java_quill_security_ember_EmberDigest_nativeUpdateBytes_stub,
                          Java_quill_security_ember_EmberDigest_nativeDigest_stub,
                          Java_quill_security_ember_EmberDigest_nativeReset_stub,
                          Java_quill_security_ember_EmberDigest_nativeFinalize_stub,
                          kMd5Abc,
                          kMd5Empty};

const DigestClass kSha1 = {"SHA1",
                           Java_quill_security_ember_SHA1_nativeConstructor_stub,
                           Java_quill_security_ember_SHA1_nativeUpdateByte_stub,
                           Java_quill_security_ember_SHA1_nativeUpdateBytes_stub,
                           Java_quill_security_ember_SHA1_nativeDigest_stub,
                           Java_quill_security_ember_SHA1_nativeReset_stub,
                           Java_quill_security_ember_SHA1_nativeFinalize_stub,
                           kSha1Abc,
                           kSha1Empty};

const DigestClass *const kClasses[] = {&kMd5, &kSha1};

class DigestNatives : public ::testing::Test {
 protected:
  void SetUp() override {
    cinder_testing_reset_counters();
    live_before_ = cinder_testing_live_blocks();
  }
  void TearDown() override {
    EXPECT_EQ(cinder_testing_live_blocks(), live_before_) << "native blocks leaked";
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0) << "a block was released unwiped";
    javai_release_all();
  }

  // A constructed Java digest object of |cls|.
  Handle *construct(const DigestClass &cls) {
    Handle *self = javai_new_object(kObjectCells);
    StubResult r = call_stub(cls.construct, self);
    EXPECT_EQ(r.advanced, 0);
    expect_no_exception();
    EXPECT_NE(field(self), 0u);
    return self;
  }

  // The native state word of |self|.
  static Slot field(const Handle *self) { return *field_cell(self, 8); }

  // nativeDigest's result as hex; checks the one result slot.
  static std::string digest(const DigestClass &cls, Handle *self) {
    StubResult r = call_stub(cls.digest, self);
    EXPECT_EQ(r.advanced, 1);
    Handle *array = slot_handle(r.slot0);
    if (array == nullptr) {
      return "(null)";
    }
    return hex(javai_byte_array_bytes(array));
  }

  static void update_bytes(const DigestClass &cls, Handle *self, Handle *array, int32_t offset,
                           int32_t length) {
    StubResult r = call_stub(cls.update_bytes, self,
                             {ref_arg(array), int_arg(offset), int_arg(length)});
    EXPECT_EQ(r.advanced, 0);
  }

  long live_before_ = 0;
};

TEST_F(DigestNatives, DigestResetsForTheNextMessage) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    update_bytes(*cls, self, javai_new_byte_array(bytes_of("abc")), 0, 3);
    EXPECT_EQ(digest(*cls, self), cls->abc);
    EXPECT_EQ(digest(*cls, self), cls->empty);
    expect_no_exception();
    EXPECT_EQ(call_stub(cls->finalize, self).advanced, 0);
    EXPECT_EQ(field(self), 0u);
  }
}

TEST_F(DigestNatives, UpdateByteFeedsTheLowOctet) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    for (int32_t b : {0x161, 0x62, -0x9D}) {  // 'a', 'b', and -157 whose low octet is 'c'
      EXPECT_EQ(call_stub(cls->update_byte, self, {int_arg(b)}).advanced, 0);
    }
    EXPECT_EQ(digest(*cls, self), cls->abc);
    expect_no_exception();
    call_stub(cls->finalize, self);
  }
}

TEST_F(DigestNatives, ResetDiscardsEarlierInput) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    update_bytes(*cls, self, javai_new_byte_array(bytes_of("partial input")), 0, 13);
    EXPECT_EQ(call_stub(cls->reset, self).advanced, 0);
    update_bytes(*cls, self, javai_new_byte_array(bytes_of("xabcx")), 1, 3);
    EXPECT_EQ(digest(*cls, self), cls->abc);
    expect_no_exception();
    call_stub(cls->finalize, self);
  }
}

TEST_F(DigestNatives, EverySplitGivesTheSameDigest) {
  struct Row {
    const DigestClass *cls;
    std::string message;
    const char *digest;
  };
  const Row rows[] = {
      {&kMd5, "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {&kSha1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.cls->name);
    Handle *self = construct(*row.cls);
    Handle *array = javai_new_byte_array(bytes_of(row.message));
    const int32_t n = (int32_t)row.message.size();
    for (int32_t cut = 0; cut <= n; cut++) {
      update_bytes(*row.cls, self, array, 0, cut);
      update_bytes(*row.cls, self, array, cut, n - cut);
      ASSERT_EQ(digest(*row.cls, self), row.digest) << "cut at " << cut;
    }
    for (int32_t i = 0; i < n; i++) {
      call_stub(row.cls->update_byte, self, {int_arg(row.message[i])});
    }
    EXPECT_EQ(digest(*row.cls, self), row.digest);
    expect_no_exception();
    call_stub(row.cls->finalize, self);
  }
}

TEST_F(DigestNatives, UpdateBytesChecksItsRange) {
  struct Row {
    const char *why;
    int32_t offset;
    int32_t length;
    bool accepted;
  };
  const Row rows[] = {
      {"whole array", 0, 4, true},
      {"empty range at the end", 4, 0, true},
      {"offset past the end", 5, 0, false},
      {"range ends past the end", 2, 3, false},
      {"offset + length wraps to 0 as 32-bit values", 1, -1, false},
      {"negative length", 0, -1, false},
      {"negative offset", -1, 1, false},
      {"largest positive length", 1, 0x7FFFFFFF, false},
  };
  Handle *array = javai_new_byte_array(bytes_of("abcd"));
  for (const DigestClass *cls : kClasses) {
    Handle *self = construct(*cls);
    for (const Row &row : rows) {
      SCOPED_TRACE(std::string(cls->name) + ": " + row.why);
      update_bytes(*cls, self, array, row.offset, row.length);
      if (row.accepted) {
        expect_no_exception();
      } else {
        expect_exception("java/lang/IndexOutOfBoundsException", std::nullopt);
      }
      call_stub(cls->reset, self);
    }
    SCOPED_TRACE(cls->name);
    update_bytes(*cls, self, nullptr, 0, 0);
    expect_exception("java/lang/NullPointerException", std::nullopt);
    // Refused calls feed nothing.
    update_bytes(*cls, self, array, 1, -1);
    javai_take_exception();
    EXPECT_EQ(digest(*cls, self), cls->empty);
    call_stub(cls->finalize, self);
  }
}

TEST_F(DigestNatives, FailedResultArrayPostsOutOfMemoryAndStillResets) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    update_bytes(*cls, self, javai_new_byte_array(bytes_of("abc")), 0, 3);
    javai_fail_next_array_allocs(1);
    EXPECT_EQ(digest(*cls, self), "(null)");
    expect_exception("java/lang/OutOfMemoryException", std::nullopt);
    EXPECT_EQ(digest(*cls, self), cls->empty);
    call_stub(cls->finalize, self);
  }
}

TEST_F(DigestNatives, FinalizeTwiceReleasesOnce) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    call_stub(cls->finalize, self);
    call_stub(cls->finalize, self);
    EXPECT_EQ(field(self), 0u);
    expect_no_exception();
  }
}

TEST_F(DigestNatives, ConstructingAgainReplacesTheState) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    update_bytes(*cls, self, javai_new_byte_array(bytes_of("ab")), 0, 2);
    call_stub(cls->construct, self);
    update_bytes(*cls, self, javai_new_byte_array(bytes_of("abc")), 0, 3);
    EXPECT_EQ(digest(*cls, self), cls->abc);
    call_stub(cls->finalize, self);
    expect_no_exception();
  }
}

// Framework failures of the EmberDigest natives name their line.
TEST_F(DigestNatives, EmberDigestFailuresNameTheirLine) {
  struct Row {
    const char *native;
    int line;
    std::function<StubResult(Handle *)> call;
  };
  Handle *array = javai_new_byte_array(bytes_of("abc"));
  const Row rows[] = {
      {"nativeUpdateByte", 61,
       [](Handle *self) { return call_stub(kMd5.update_byte, self, {int_arg(1)}); }},
      {"nativeUpdateBytes", 79,
       [array](Handle *self) {
         return call_stub(kMd5.update_bytes, self, {ref_arg(array), int_arg(0), int_arg(3)});
       }},
      {"nativeDigest", 92, [](Handle *self) { return call_stub(kMd5.digest, self); }},
      {"nativeReset", 117, [](Handle *self) { return call_stub(kMd5.reset, self); }},
  };
  // An object whose construction failed holds null: every call reports 516.
  Handle *unconstructed = javai_new_object(kObjectCells);
  for (const Row &row : rows) {
    SCOPED_TRACE(row.native);
    StubResult r = row.call(unconstructed);
    expect_exception("java/security/SignatureException", located(row.line, 516));
    if (row.line == 92) {
      EXPECT_EQ(r.advanced, 1);
      EXPECT_EQ(r.slot0, 0u);
    }
  }
  // Finalizing it reports nothing.
  call_stub(kMd5.finalize, unconstructed);
  expect_no_exception();
}

// A digest longer than nativeDigest's 32-octet buffer: its engine reports the
// output too small, which the native reports as 536 at line 92.
EngineStatus wide_size(uint32_t *size, const void *) {
  *size = 1;
  return ENGINE_OK;
}
EngineStatus wide_init(void *, const void *, const CancelCheck *) { return ENGINE_OK; }
EngineStatus wide_update(void *, const uint8_t *, uint32_t, const CancelCheck *) {
  return ENGINE_OK;
}
EngineStatus wide_final(void *, uint8_t *out, uint32_t *out_len, uint32_t max,
                        const CancelCheck *) {
  *out_len = 33;
  if (max < 33) return ENGINE_OUTPUT_TOO_SMALL;
  memset(out, 0, 33);
  return ENGINE_OK;
}
EngineStatus wide_length(void *, uint32_t *len) {
  *len = 33;
  return ENGINE_OK;
}
const DigestEngineOps kWideDigest = {wide_size, wide_init, wide_update, wide_final, wide_length};
const MethodRecord kWideRecord = {&ALG_MD5_TYPE, METHOD_OTHER, nullptr, &kWideDigest};
const MethodRecord *const kWideMethods[] = {&kWideRecord, nullptr};

TEST_F(DigestNatives, DigestTooLongForItsBufferReports536AtLine92) {
  AlgorithmObject *object = nullptr;
  ASSERT_EQ(create_algorithm_object(&object), STATUS_OK);
  ASSERT_EQ(set_algorithm_info(object, ALG_MD5, nullptr), STATUS_OK);
  ASSERT_EQ(digest_init(object, nullptr, kWideMethods, nullptr), STATUS_OK);
  Handle *self = javai_new_object(kObjectCells);
  set_field_pointer(self, 8, object);
  StubResult r = call_stub(kMd5.digest, self);
  EXPECT_EQ(r.advanced, 1);
  EXPECT_EQ(r.slot0, 0u);
  expect_exception("java/security/SignatureException",
                   ".\\native\\ember\\src\\EmberDigest(92): CINDER error 536");
  call_stub(kMd5.finalize, self);
}

// Every allocation of MD5's constructor fails in turn: the located 518 for
// the step that failed, the field null, nothing leaked.
TEST_F(DigestNatives, Md5ConstructorSurvivesEveryAllocationFailure) {
  bool succeeded = false;
  for (long n = 1; !succeeded && n < 100; n++) {
    SCOPED_TRACE("failing allocation " + std::to_string(n));
    Handle *self = javai_new_object(kObjectCells);
    cinder_testing_fail_allocation(n);
    call_stub(kMd5.construct, self);
    const bool failed = cinder_testing_allocation_failed();
    cinder_testing_fail_allocation(0);
    if (!failed) {
      succeeded = true;
      expect_no_exception();
      EXPECT_EQ(digest(kMd5, self), kMd5Empty);
      call_stub(kMd5.finalize, self);
      break;
    }
    std::optional<PendingException> e = javai_take_exception();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->class_name, "java/security/SignatureException");
    const bool known_line = e->message == located(136, 518) || e->message == located(141, 518) ||
                            e->message == located(142, 518);
    EXPECT_TRUE(known_line) << e->message.value_or("(none)");
    EXPECT_EQ(field(self), 0u);
    EXPECT_EQ(cinder_testing_live_blocks(), live_before_);
  }
  EXPECT_TRUE(succeeded);
}

TEST_F(DigestNatives, Md5ConstructorFailuresReportEachStep) {
  // The first allocation is the object (line 136); the next ones belong to
  // setting the info (141) and then to the init's context (142).
  std::vector<std::string> seen;
  for (long n = 1;; n++) {
    Handle *self = javai_new_object(kObjectCells);
    cinder_testing_fail_allocation(n);
    call_stub(kMd5.construct, self);
    const bool failed = cinder_testing_allocation_failed();
    cinder_testing_fail_allocation(0);
    if (!failed) {
      call_stub(kMd5.finalize, self);
      break;
    }
    std::string message = javai_take_exception()->message.value_or("");
    if (seen.empty() || seen.back() != message) seen.push_back(message);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{located(136, 518), located(141, 518),
                                            located(142, 518)}));
}

TEST_F(DigestNatives, Sha1ConstructorWithoutMemoryPostsOutOfMemoryAndTheRestDoNothing) {
  Handle *self = javai_new_object(kObjectCells);
  cinder_testing_fail_allocation(1);
  call_stub(kSha1.construct, self);
  cinder_testing_fail_allocation(0);
  expect_exception("java/lang/OutOfMemoryException", std::nullopt);
  EXPECT_EQ(field(self), 0u);
  Handle *array = javai_new_byte_array(bytes_of("abc"));
  call_stub(kSha1.update_byte, self, {int_arg(1)});
  update_bytes(kSha1, self, array, 0, 3);
  call_stub(kSha1.reset, self);
  const long array_calls = javai_array_alloc_calls();
  EXPECT_EQ(digest(kSha1, self), "(null)");
  EXPECT_EQ(javai_array_alloc_calls(), array_calls);
  call_stub(kSha1.finalize, self);
  expect_no_exception();
}

TEST_F(DigestNatives, InitIdsLeaveTheStackAsItWas) {
  const Stub stubs[] = {
      Java_quill_security_ember_EmberDigest_initIDs_stub,
      Java_quill_security_ember_EmberPrivateKey_initIDs_stub,
      Java_quill_security_ember_EmberPublicKey_initIDs_stub,
      Java_quill_security_ember_EmberSig_initIDs_stub,
      Java_quill_security_ember_RSAKeyGen_initIDs_stub,
      Java_quill_security_ember_SHA1_initIDs_stub,
      Java_quill_security_ssl_CipherRC4_initIDs_stub,
  };
  for (Stub stub : stubs) {
    Slot slots[2] = {0x1234, 0x5678};
    EXPECT_EQ(stub(slots, EE()), slots);
    EXPECT_EQ(slots[0], 0x1234u);
    EXPECT_EQ(slots[1], 0x5678u);
  }
  expect_no_exception();
}

// The state pointer lives at byte offset 8 of the 32-bit layout: cell 2, which
// is byte 8 exactly when a slot is 32 bits wide.
TEST_F(DigestNatives, StateSitsInTheFieldAtByteOffsetEight) {
  for (const DigestClass *cls : kClasses) {
    SCOPED_TRACE(cls->name);
    Handle *self = construct(*cls);
    const uint8_t *instance = static_cast<const uint8_t *>(self->obj);
    Slot stored = 0;
    memcpy(&stored, instance + 2 * sizeof(Slot), sizeof(Slot));
    EXPECT_NE(stored, 0u);
    if (sizeof(Slot) == 4) {
      uint32_t at_eight = 0;
      memcpy(&at_eight, instance + 8, 4);
      EXPECT_EQ((Slot)at_eight, stored);
    }
    // Neighbouring cells are untouched.
    EXPECT_EQ(*field_cell(self, 4), 0u);
    EXPECT_EQ(*field_cell(self, 12), 0u);
    call_stub(cls->finalize, self);
  }
}

}  // namespace
