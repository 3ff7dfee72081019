// The key, signature, RC4, pre-master secret and key-generation natives
// called through slot arrays as the VM calls them: results, posted
// exceptions, the argument checks, and every allocation failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "security/framework/memory.h"
#include "security/natives/rsa_natives_testing.h"

namespace {

const std::optional<std::string> kNoMessage = std::nullopt;

std::string cinder_error(int status) { return "CINDER error " + std::to_string(status); }

class RsaNatives : public ::testing::Test {
 protected:
  void TearDown() override {
    expect_no_exception();
    finalize_java_keys();
    javai_release_all();
  }
};

Handle *encrypt_secret(const Bytes &secret, Handle *key, const Bytes &seed) {
  StubResult r = call_stub(Java_quill_security_ssl_PreMasterSecret_padAndEncrypt_stub, nullptr,
                           {ref_arg(javai_new_byte_array(secret)), ref_arg(key),
                            ref_arg(javai_new_byte_array(seed))});
  EXPECT_EQ(r.advanced, 1);
  return slot_handle(r.slot0);
}

Handle *decrypt_secret(Handle *key, const Bytes &block) {
  return slot_handle(call_stub(Java_quill_security_ssl_PreMasterSecret_decryptAndUnpad_stub,
                               nullptr, {ref_arg(key), ref_arg(javai_new_byte_array(block))})
                         .slot0);
}

TEST_F(RsaNatives, PrivateKeyInit) {
  int32_t bits = -1;
  // The fixture's modulus encodes as 129 octets with a leading 00.
  Handle *key = java_private_key(read_fixture("rsa1024.pk8.der"), &bits);
  expect_no_exception();
  EXPECT_EQ(bits, 1024);
  EXPECT_EQ(get_int_field(key, 12), 1);
  EXPECT_NE(get_field_pointer(key, 16), nullptr);
  // A second init releases the first key: nothing more stays allocated.
  const long live = cinder_testing_live_blocks();
  call_stub(Java_quill_security_ember_RSAPrivateKey_native_0005finit_stub, key,
            {ref_arg(javai_new_byte_array(read_fixture("rsa1024.pk8.der")))});
  expect_no_exception();
  EXPECT_EQ(cinder_testing_live_blocks(), live);
  finalize_key(key, true);
  EXPECT_EQ(get_field_pointer(key, 16), nullptr);

  Bytes md5_oid = read_fixture("rsa512.pk8.der");
  // The rsaEncryption OID's last octet (01) at the start becomes MD5's arc.
  const Bytes rsa_oid = unhex("2a864886f70d010101");
  auto at = std::search(md5_oid.begin(), md5_oid.end(), rsa_oid.begin(), rsa_oid.end());
  ASSERT_NE(at, md5_oid.end());
  const Bytes md5 = unhex("2a864886f70d020501");  // same length, another algorithm
  std::copy(md5.begin(), md5.end(), at);
  struct Row {
    const char *why;
    Handle *array;
    std::string cls;
    std::optional<std::string> message;
  };
  const Row rows[] = {
      {"foreign algorithm", javai_new_byte_array(md5_oid), "java/lang/SecurityException",
       cinder_error(542)},
      {"not DER", javai_new_byte_array(unhex("3003020100")), "java/lang/SecurityException",
       cinder_error(524)},
      {"null array", nullptr, "java/lang/NullPointerException", kNoMessage},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    Handle *fresh = javai_new_object(kKeyCells);
    StubResult r = call_stub(Java_quill_security_ember_RSAPrivateKey_native_0005finit_stub,
                             fresh, {ref_arg(row.array)});
    EXPECT_EQ(r.advanced, 1);
    EXPECT_EQ(slot_int(r.slot0), 0);
    expect_exception(row.cls, row.message);
    EXPECT_EQ(get_int_field(fresh, 12), 0);
    EXPECT_EQ(get_field_pointer(fresh, 16), nullptr);
  }
}

TEST_F(RsaNatives, PublicKeyInit) {
  const Bytes n = unhex("c5a3b1d2e4f60718293a4bc5a3b1d2e4f60718293a4b5d");
  Handle *plain = java_public_key(n, unhex("010001"));
  Bytes padded_n = unhex("0000");
  padded_n.insert(padded_n.end(), n.begin(), n.end());
  Handle *padded = java_public_key(padded_n, unhex("00010001"));
  expect_no_exception();
  // Both own their native key; leading zero octets make no difference to
  // what the key encrypts.
  EXPECT_EQ(get_int_field(plain, 12), 1);
  EXPECT_EQ(get_int_field(padded, 12), 1);
  Handle *one = encrypt_secret(bytes_of("s"), plain, bytes_of("same seed"));
  Handle *two = encrypt_secret(bytes_of("s"), padded, bytes_of("same seed"));
  expect_no_exception();
  ASSERT_TRUE(one && two);
  EXPECT_EQ(javai_byte_array_bytes(one), javai_byte_array_bytes(two));
  // A key already present is kept.
  void *before = get_field_pointer(plain, 16);
  call_stub(Java_quill_security_ember_RSAPublicKey_native_0005finit_stub, plain,
            {ref_arg(javai_new_byte_array(n)), ref_arg(javai_new_byte_array(unhex("03")))});
  EXPECT_EQ(get_field_pointer(plain, 16), before);
  for (Handle *key : {plain, padded}) finalize_key(key, false);
  EXPECT_EQ(get_field_pointer(plain, 16), nullptr);

  Handle *fresh = javai_new_object(kKeyCells);
  call_stub(Java_quill_security_ember_RSAPublicKey_native_0005finit_stub, fresh,
            {ref_arg(javai_new_byte_array(n)), ref_arg(nullptr)});
  expect_exception("java/lang/NullPointerException", kNoMessage);
  // A flag the Java side cleared: the finalizer leaves the key alone.
  Handle *unflagged = java_public_key(n, unhex("03"));
  set_int_field(unflagged, 12, 0);
  finalize_key(unflagged, false);
  EXPECT_NE(get_field_pointer(unflagged, 16), nullptr);
  set_int_field(unflagged, 12, 1);
  finalize_key(unflagged, false);
}

TEST_F(RsaNatives, SignAndVerifyMd5AndMd2) {
  GeneratedKeys keys = gen_keys(512, 65537, bytes_of("seed"));
  expect_no_exception();
  Handle *private_key = java_private_key(keys.pk8);
  Handle *public_key = java_public_key(keys.modulus, keys.exponent);
  const Bytes data = bytes_of("the quick brown fox");
  struct Row {
    const char *name;
    Stub init_sign, init_verify;
  };
  const Row rows[] = {
      {"MD5RSA", Java_quill_security_ember_MD5RSA_initSign_stub,
       Java_quill_security_ember_MD5RSA_initVerify_stub},
      {"MD2RSA", Java_quill_security_ember_MD2RSA_initSign_stub,
       Java_quill_security_ember_MD2RSA_initVerify_stub},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Handle *signature = sign_with(row.init_sign, private_key, data);
    expect_no_exception();
    ASSERT_NE(signature, nullptr);
    const Bytes sig = javai_byte_array_bytes(signature);
    EXPECT_EQ(sig.size(), 64u);
    EXPECT_EQ(verify_with(row.init_verify, public_key, data, sig), 1);
    Bytes tampered = data;
    tampered[3] ^= 0x20;
    EXPECT_EQ(verify_with(row.init_verify, public_key, tampered, sig), 0);
    Bytes short_sig(sig.begin(), sig.end() - 1);
    EXPECT_EQ(verify_with(row.init_verify, public_key, data, short_sig), 0);
    // A negative maximum means the whole buffer.
    EXPECT_NE(sign_with(row.init_sign, private_key, data, -1), nullptr);
    expect_no_exception();
    EXPECT_EQ(sign_with(row.init_sign, private_key, data, 0), nullptr);
    expect_exception("java/lang/SecurityException", cinder_error(536));
  }
  // The other family's verifier does not accept an MD5 signature.
  Handle *md5_sig = sign_with(Java_quill_security_ember_MD5RSA_initSign_stub, private_key, data);
  EXPECT_EQ(verify_with(Java_quill_security_ember_MD2RSA_initVerify_stub, public_key, data,
                        javai_byte_array_bytes(md5_sig)),
            0);
  expect_no_exception();
}

TEST_F(RsaNatives, EmberSigArgumentChecks) {
  Handle *private_key = java_private_key(read_fixture("rsa512.pk8.der"));
  Handle *sig = java_sig(private_key, nullptr);
  // initSign without initAlg: no algorithm object.
  call_stub(Java_quill_security_ember_MD5RSA_initSign_stub, sig);
  expect_exception("java/lang/SecurityException", cinder_error(516));
  call_stub(Java_quill_security_ember_EmberSig_initAlg_stub, sig);
  call_stub(Java_quill_security_ember_MD5RSA_initSign_stub, sig);
  expect_no_exception();
  call_stub(Java_quill_security_ember_MD5RSA_initSign_stub, sig);
  expect_exception("java/lang/SecurityException", cinder_error(512));
  Handle *seven = javai_new_byte_array(Bytes(7, 1));
  struct Row {
    Handle *array;
    int32_t offset, length;
    const char *want;  // null: accepted
  };
  const Row rows[] = {
      {seven, 3, 5, "java/lang/IndexOutOfBoundsException"},  // ends past the array
      {seven, 7, 0, nullptr},
      {seven, 0, 7, nullptr},
      {seven, -1, 1, "java/lang/IndexOutOfBoundsException"},
      {seven, 2, -1, "java/lang/IndexOutOfBoundsException"},
      {nullptr, 0, 0, "java/lang/NullPointerException"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << row.offset << "," << row.length);
    for (Stub update : {Java_quill_security_ember_EmberSig_updateSign_stub,
                        Java_quill_security_ember_EmberSig_updateVerify_stub}) {
      call_stub(update, sig, {ref_arg(row.array), int_arg(row.offset), int_arg(row.length)});
      if (row.want == nullptr) {
        expect_no_exception();
      } else {
        expect_exception(row.want, kNoMessage);
      }
    }
  }
  StubResult r = call_stub(Java_quill_security_ember_EmberSig_doVerify_stub, sig,
                           {ref_arg(nullptr)});
  EXPECT_EQ(slot_int(r.slot0), 0);
  expect_exception("java/lang/NullPointerException", kNoMessage);
  call_stub(Java_quill_security_ember_EmberSig_finalize_stub, sig);
  EXPECT_EQ(get_field_pointer(sig, 36), nullptr);
}

TEST_F(RsaNatives, RsaSignatureRoundTrip) {
  Handle *private_key = java_private_key(read_fixture("rsa512.pk8.der"));
  GeneratedKeys other = gen_keys(512, 3, bytes_of("x"));
  Handle *other_public = java_public_key(other.modulus, other.exponent);
  const Bytes data = bytes_of("36 octets of SSL handshake hashes..");
  StubResult s = call_stub(Java_quill_security_ssl_RSASignature_sign_stub, nullptr,
                           {ref_arg(javai_new_byte_array(data)), ref_arg(private_key)});
  ASSERT_NE(slot_handle(s.slot0), nullptr);
  const Bytes signature = javai_byte_array_bytes(slot_handle(s.slot0));
  EXPECT_EQ(signature.size(), 64u);
  // The same private key answers for its public half.
  StubResult v = call_stub(Java_quill_security_ssl_RSASignature_XXXverify_stub, nullptr,
                           {ref_arg(private_key), ref_arg(javai_new_byte_array(signature))});
  ASSERT_NE(slot_handle(v.slot0), nullptr);
  EXPECT_EQ(javai_byte_array_bytes(slot_handle(v.slot0)), data);
  // Another key recovers no type 1 block.
  v = call_stub(Java_quill_security_ssl_RSASignature_XXXverify_stub, nullptr,
                {ref_arg(other_public), ref_arg(javai_new_byte_array(signature))});
  EXPECT_EQ(slot_handle(v.slot0), nullptr);
  expect_exception("java/lang/SecurityException", cinder_error(524));
  v = call_stub(Java_quill_security_ssl_RSASignature_sign_stub, nullptr,
                {ref_arg(nullptr), ref_arg(private_key)});
  expect_exception("java/lang/NullPointerException", kNoMessage);
}

Bytes rc4(const Bytes &key, const Bytes &data, std::initializer_list<int32_t> pieces) {
  Handle *cipher = javai_new_object(kRc4Cells);
  call_stub(Java_quill_security_ssl_CipherRC4_nativeInit_stub, cipher,
            {ref_arg(javai_new_byte_array(key))});
  Handle *array = javai_new_byte_array(data);
  int32_t at = 0;
  for (int32_t n : pieces) {
    call_stub(Java_quill_security_ssl_CipherRC4_xor_stub, cipher,
              {ref_arg(array), int_arg(at), int_arg(n)});
    at += n;
  }
  call_stub(Java_quill_security_ssl_CipherRC4_finalize_stub, cipher);
  EXPECT_EQ(get_field_pointer(cipher, 0), nullptr);
  return javai_byte_array_bytes(array);
}

TEST_F(RsaNatives, CipherRc4) {
  EXPECT_EQ(rc4(bytes_of("Key"), bytes_of("Plaintext"), {9}), unhex("bbf316e8d940af0ad3"));
  EXPECT_EQ(rc4(unhex("0123456789abcdef"), unhex("0123456789abcdef"), {8}),
            unhex("75b7878099e0c596"));
  const Bytes ten = bytes_of("0123456789");
  EXPECT_EQ(rc4(bytes_of("k"), ten, {3, 0, 7}), rc4(bytes_of("k"), ten, {10}));
  EXPECT_EQ(rc4(bytes_of("k"), ten, {0}), ten);

  Handle *cipher = javai_new_object(kRc4Cells);
  call_stub(Java_quill_security_ssl_CipherRC4_nativeInit_stub, cipher,
            {ref_arg(javai_new_byte_array(Bytes(257, 1)))});
  expect_exception("java/lang/SecurityException", cinder_error(528));
  EXPECT_EQ(get_field_pointer(cipher, 0), nullptr);
  call_stub(Java_quill_security_ssl_CipherRC4_nativeInit_stub, cipher, {ref_arg(nullptr)});
  expect_exception("java/lang/NullPointerException", kNoMessage);

  call_stub(Java_quill_security_ssl_CipherRC4_nativeInit_stub, cipher,
            {ref_arg(javai_new_byte_array(bytes_of("k")))});
  const Bytes big(32769, 0x33);
  Handle *array = javai_new_byte_array(big);
  call_stub(Java_quill_security_ssl_CipherRC4_xor_stub, cipher,
            {ref_arg(array), int_arg(0), int_arg(32769)});
  expect_exception("java/lang/SecurityException", cinder_error(536));
  call_stub(Java_quill_security_ssl_CipherRC4_xor_stub, cipher,
            {ref_arg(array), int_arg(32768), int_arg(2)});
  expect_exception("java/lang/IndexOutOfBoundsException", kNoMessage);
  call_stub(Java_quill_security_ssl_CipherRC4_xor_stub, cipher,
            {ref_arg(nullptr), int_arg(0), int_arg(0)});
  expect_exception("java/lang/NullPointerException", kNoMessage);
  EXPECT_EQ(javai_byte_array_bytes(array), big);
  // The failures did not move the stream: the next octets are the first.
  call_stub(Java_quill_security_ssl_CipherRC4_xor_stub, cipher,
            {ref_arg(array), int_arg(0), int_arg(10)});
  const Bytes after = javai_byte_array_bytes(array);
  const Bytes first(after.begin(), after.begin() + 10);
  EXPECT_EQ(first, rc4(bytes_of("k"), Bytes(10, 0x33), {10}));
  call_stub(Java_quill_security_ssl_CipherRC4_finalize_stub, cipher);
}

TEST_F(RsaNatives, PreMasterSecret) {
  Handle *private_key = java_private_key(read_fixture("rsa512.pk8.der"));
  GeneratedKeys keys = gen_keys(512, 65537, bytes_of("pms"));
  Handle *their_private = java_private_key(keys.pk8);
  Handle *their_public = java_public_key(keys.modulus, keys.exponent);
  const Bytes secret(48, 0x03);
  Handle *a = encrypt_secret(secret, their_public, bytes_of("seed"));
  Handle *b = encrypt_secret(secret, their_public, bytes_of("seed"));
  Handle *c = encrypt_secret(secret, their_public, {});
  Handle *d = encrypt_secret(secret, their_public, {});
  expect_no_exception();
  ASSERT_TRUE(a && b && c && d);
  EXPECT_EQ(javai_byte_array_bytes(a).size(), 64u);
  EXPECT_EQ(javai_byte_array_bytes(a), javai_byte_array_bytes(b));
  // Empty seeds draw on the system's random source: no two calls agree, even
  // within one millisecond.
  EXPECT_NE(javai_byte_array_bytes(c), javai_byte_array_bytes(d));
  for (Handle *block : {a, c, d}) {
    Handle *back = decrypt_secret(their_private, javai_byte_array_bytes(block));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(javai_byte_array_bytes(back), secret);
  }
  // A private key serves for encryption: its public half is derived.
  EXPECT_NE(encrypt_secret(secret, their_private, bytes_of("s")), nullptr);

  // A block of type 1 (00 01 ...) where type 2 is expected: RSASignature makes one.
  Handle *type1 = slot_handle(call_stub(Java_quill_security_ssl_RSASignature_sign_stub, nullptr,
                                        {ref_arg(javai_new_byte_array(secret)),
                                         ref_arg(private_key)})
                                  .slot0);
  Handle *empty_key = javai_new_object(kKeyCells);
  struct Row {
    const char *why;
    std::function<Handle *()> call;
    std::string cls;
    std::optional<std::string> message;
  };
  const Row rows[] = {
      {"secret longer than k - 11",
       [&] { return encrypt_secret(Bytes(60, 1), their_public, bytes_of("s")); },
       "java/lang/SecurityException", cinder_error(525)},
      {"second octet 01", [&] { return decrypt_secret(private_key, javai_byte_array_bytes(type1)); },
       "java/lang/SecurityException", cinder_error(524)},
      {"input not one block", [&] { return decrypt_secret(their_private, Bytes(63, 1)); },
       "java/lang/SecurityException", cinder_error(525)},
      {"public key for decryption", [&] { return decrypt_secret(their_public, Bytes(64, 1)); },
       "java/lang/SecurityException", cinder_error(542)},
      {"key object without native key",
       [&] { return encrypt_secret(secret, empty_key, bytes_of("s")); },
       "java/lang/SecurityException", cinder_error(530)},
      {"null seed",
       [&] {
         return slot_handle(call_stub(Java_quill_security_ssl_PreMasterSecret_padAndEncrypt_stub,
                                      nullptr, {ref_arg(javai_new_byte_array(secret)),
                                                ref_arg(their_public), ref_arg(nullptr)})
                                .slot0);
       },
       "java/lang/NullPointerException", kNoMessage},
      {"null data", [&] {
         return slot_handle(call_stub(Java_quill_security_ssl_PreMasterSecret_decryptAndUnpad_stub,
                                      nullptr, {ref_arg(their_private), ref_arg(nullptr)})
                                .slot0);
       },
       "java/lang/NullPointerException", kNoMessage},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(row.call(), nullptr);
    expect_exception(row.cls, row.message);
  }
}

TEST_F(RsaNatives, GenKeys) {
  GeneratedKeys keys = gen_keys(512, 65537, {});
  expect_no_exception();
  EXPECT_EQ(keys.modulus.size(), 64u);
  EXPECT_GE(keys.modulus[0], 0x80);
  EXPECT_EQ(keys.exponent, unhex("010001"));
  int32_t bits = 0;
  Handle *private_key = java_private_key(keys.pk8, &bits);
  expect_no_exception();
  EXPECT_EQ(bits, 512);
  Handle *public_key = java_public_key(keys.modulus, keys.exponent);
  const Bytes data = bytes_of("abc");
  Handle *sig = sign_with(Java_quill_security_ember_MD5RSA_initSign_stub, private_key, data);
  EXPECT_EQ(verify_with(Java_quill_security_ember_MD5RSA_initVerify_stub, public_key, data,
                        javai_byte_array_bytes(sig)),
            1);

  GeneratedKeys again = gen_keys(512, 65537, bytes_of("fixed seed"));
  GeneratedKeys same = gen_keys(512, 65537, bytes_of("fixed seed"));
  EXPECT_EQ(again.pk8, same.pk8);
  EXPECT_NE(again.pk8, gen_keys(512, 65537, {}).pk8);
  EXPECT_EQ(gen_keys(256, 3, bytes_of("e3")).exponent, unhex("03"));
  expect_no_exception();

  struct Row {
    const char *why;
    int32_t bits, exponent;
    int status;
  };
  const Row rows[] = {
      {"even exponent", 512, 65536, 521},
      {"exponent zero", 512, 0, 521},
      {"modulus too short", 255, 65537, 533},
      {"modulus too long", 2049, 65537, 533},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.why);
    GeneratedKeys failed = gen_keys(row.bits, row.exponent, bytes_of("s"));
    expect_exception("java/lang/SecurityException", cinder_error(row.status));
    EXPECT_TRUE(failed.modulus.empty() && failed.exponent.empty() && failed.pk8.empty());
  }
  Handle *object = javai_new_object(kKeyGenCells);
  call_stub(Java_quill_security_ember_RSAKeyGen_genKeys_stub, object,
            {int_arg(512), int_arg(3), ref_arg(nullptr)});
  expect_exception("java/lang/NullPointerException", kNoMessage);
}

// Runs |call| with the n-th allocation failing for n = 1, 2, ... until it
// succeeds: each failed run posts exactly "CINDER error 518" (doVerify, which
// posts nothing for a failed verification, may instead just answer 0), and
// once |release| has run the Java-held objects nothing stays allocated and
// nothing was released unwiped.
void expect_clean_native_failures(const std::function<bool()> &call,
                                  const std::function<void()> &release,
                                  bool silent_failure_allowed = false) {
  const long live = cinder_testing_live_blocks();
  for (long n = 1;; n++) {
    SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
    cinder_testing_reset_counters();
    cinder_testing_fail_allocation(n);
    const bool succeeded = call();
    const bool failed = cinder_testing_allocation_failed();
    cinder_testing_fail_allocation(0);
    release();
    EXPECT_EQ(cinder_testing_live_blocks(), live);
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0);
    if (!failed) {
      EXPECT_TRUE(succeeded);
      expect_no_exception();
      return;
    }
    EXPECT_FALSE(succeeded);
    if (!(silent_failure_allowed && javai_exceptions_posted() == 0)) {
      expect_exception("java/lang/SecurityException", cinder_error(518));
    }
    if (n > 2000) {
      ADD_FAILURE() << "no end";
      return;
    }
  }
}

TEST_F(RsaNatives, EveryAllocationFailure) {
  const Bytes pk8 = read_fixture("rsa512.pk8.der");
  GeneratedKeys keys = gen_keys(512, 65537, bytes_of("alloc"));
  Handle *key = nullptr;
  expect_clean_native_failures([&] {
    key = java_private_key(pk8);
    return javai_exceptions_posted() == 0;
  }, [&] { finalize_key(key, true); });
  expect_clean_native_failures([&] {
    key = java_public_key(keys.modulus, keys.exponent);
    return javai_exceptions_posted() == 0;
  }, [&] { finalize_key(key, false); });

  // Keys that already hold every representation the calls use, so that no
  // cached derivation counts as a block left behind.
  Handle *private_key = java_private_key(keys.pk8);
  Handle *public_key = java_public_key(keys.modulus, keys.exponent);
  const Bytes data = bytes_of("data");
  Handle *result = nullptr;
  const std::vector<std::pair<const char *, std::function<Handle *()>>> calls = {
      {"MD5RSA sign", [&] { return sign_with(Java_quill_security_ember_MD5RSA_initSign_stub, private_key, data); }},
      {"MD2RSA sign", [&] { return sign_with(Java_quill_security_ember_MD2RSA_initSign_stub, private_key, data); }},
      {"RSASignature sign", [&] {
         return slot_handle(call_stub(Java_quill_security_ssl_RSASignature_sign_stub, nullptr,
                                      {ref_arg(javai_new_byte_array(data)), ref_arg(private_key)}).slot0);
       }},
      {"padAndEncrypt", [&] { return encrypt_secret(data, public_key, bytes_of("s")); }},
      {"padAndEncrypt, system seed", [&] { return encrypt_secret(data, public_key, {}); }},
  };
  for (const auto &[name, call] : calls) {
    SCOPED_TRACE(name);
    expect_clean_native_failures([&] { return (result = call()) != nullptr; }, [] {});
  }
  Handle *signature = sign_with(Java_quill_security_ember_MD5RSA_initSign_stub, private_key, data);
  Handle *block = encrypt_secret(data, public_key, bytes_of("s"));
  int32_t verdict = 0;
  expect_clean_native_failures([&] {
    verdict = verify_with(Java_quill_security_ember_MD5RSA_initVerify_stub, public_key, data,
                          javai_byte_array_bytes(signature));
    return verdict == 1;
  }, [] {}, true);
  expect_clean_native_failures([&] {
    return decrypt_secret(private_key, javai_byte_array_bytes(block)) != nullptr;
  }, [] {});
  const Bytes ssl_signature = javai_byte_array_bytes(
      slot_handle(call_stub(Java_quill_security_ssl_RSASignature_sign_stub, nullptr,
                            {ref_arg(javai_new_byte_array(data)), ref_arg(private_key)})
                      .slot0));
  // The private key verifies through its public half, derived once and kept.
  ASSERT_NE(slot_handle(call_stub(Java_quill_security_ssl_RSASignature_XXXverify_stub, nullptr,
                                  {ref_arg(private_key),
                                   ref_arg(javai_new_byte_array(ssl_signature))})
                            .slot0),
            nullptr);
  for (Handle *key : {public_key, private_key}) {
    SCOPED_TRACE(key == public_key ? "XXXverify, public key" : "XXXverify, private key");
    expect_clean_native_failures([&] {
      Handle *recovered =
          slot_handle(call_stub(Java_quill_security_ssl_RSASignature_XXXverify_stub, nullptr,
                                {ref_arg(key), ref_arg(javai_new_byte_array(ssl_signature))})
                          .slot0);
      return recovered != nullptr && javai_byte_array_bytes(recovered) == data;
    }, [] {});
  }
  Handle *cipher = javai_new_object(kRc4Cells);
  expect_clean_native_failures([&] {
    call_stub(Java_quill_security_ssl_CipherRC4_nativeInit_stub, cipher,
              {ref_arg(javai_new_byte_array(bytes_of("key")))});
    return javai_exceptions_posted() == 0;
  }, [&] { call_stub(Java_quill_security_ssl_CipherRC4_finalize_stub, cipher); });
  GeneratedKeys generated;
  expect_clean_native_failures([&] {
    generated = gen_keys(256, 3, bytes_of("g"));
    return !generated.pk8.empty();
  }, [] {});
  finalize_key(private_key, true);
  finalize_key(public_key, false);
}

TEST_F(RsaNatives, ResultArrayAllocationFailure) {
  Handle *private_key = java_private_key(read_fixture("rsa512.pk8.der"));
  javai_fail_next_array_allocs(1);
  EXPECT_EQ(sign_with(Java_quill_security_ember_MD5RSA_initSign_stub, private_key, bytes_of("d")),
            nullptr);
  expect_exception("java/lang/OutOfMemoryException", kNoMessage);
  // genKeys makes three result arrays; each fails in turn. The object keeps
  // the pair an earlier call stored (no new modulus beside the old private
  // key), nothing leaks and every key buffer released was wiped first.
  Handle *seed = javai_new_byte_array(bytes_of("oom"));
  Handle *object = javai_new_object(kKeyGenCells);
  call_stub(Java_quill_security_ember_RSAKeyGen_genKeys_stub, object,
            {int_arg(256), int_arg(3), ref_arg(javai_new_byte_array(bytes_of("earlier")))});
  expect_no_exception();
  const int fields[] = {24, 28, 32};
  Handle *earlier[3];
  for (int i = 0; i < 3; i++) {
    earlier[i] = get_ref_field(object, fields[i]);
    ASSERT_NE(earlier[i], nullptr);
  }
  const long live = cinder_testing_live_blocks();
  for (int failing = 0; failing < 3; failing++) {
    SCOPED_TRACE(testing::Message() << "result array " << failing + 1 << " fails");
    cinder_testing_reset_counters();
    const long arrays_before = javai_array_alloc_calls();
    javai_fail_array_alloc_after(failing);
    call_stub(Java_quill_security_ember_RSAKeyGen_genKeys_stub, object,
              {int_arg(256), int_arg(3), ref_arg(seed)});
    expect_exception("java/lang/OutOfMemoryException", kNoMessage);
    EXPECT_EQ(javai_array_alloc_calls() - arrays_before, failing + 1);
    for (int i = 0; i < 3; i++) {
      EXPECT_EQ(get_ref_field(object, fields[i]), earlier[i]) << "field " << fields[i];
    }
    EXPECT_EQ(cinder_testing_live_blocks(), live);
    EXPECT_EQ(cinder_testing_unwiped_releases(), 0);
  }
  javai_fail_array_alloc_after(-1);
  finalize_key(private_key, true);
}

}  // namespace
