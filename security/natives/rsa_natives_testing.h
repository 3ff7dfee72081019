// Helpers of the RSA natives' tests: Java key, signature and generator
// objects made through the natives themselves, as a Java class would.
#ifndef KIT_SECURITY_NATIVES_RSA_NATIVES_TESTING_H
#define KIT_SECURITY_NATIVES_RSA_NATIVES_TESTING_H

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/javai/javai_testing.h"
#include "security/natives/natives_test_util.h"
#include "security/natives/rsa_entry_points.h"

using Bytes = std::vector<uint8_t>;

// Instance sizes in cells: keys reach offset 16 (64-bit), EmberSig offset 44
// (64-bit), RSAKeyGen offset 32, CipherRC4 offset 8.
enum { kKeyCells = 6, kSigCells = 13, kKeyGenCells = 9, kRc4Cells = 3 };

inline Bytes read_fixture(const std::string &name) {
  std::ifstream in(std::string(CODEC_TESTDATA) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes unhex(const std::string &text) {
  Bytes out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// The Java keys made below with whether each is private, so that a test's
// end can run their finalizers as the VM would (finalize_java_keys).
inline std::vector<std::pair<Handle *, bool>> &java_keys_made() {
  static std::vector<std::pair<Handle *, bool>> keys;
  return keys;
}

inline void finalize_key(Handle *key, bool private_key) {
  call_stub(private_key ? Java_quill_security_ember_EmberPrivateKey_finalize_stub
                        : Java_quill_security_ember_EmberPublicKey_finalize_stub,
            key);
}

inline void finalize_java_keys() {
  for (const auto &[key, private_key] : java_keys_made()) finalize_key(key, private_key);
  java_keys_made().clear();
}

// An RSAPrivateKey whose native_init got |pk8|; *bits receives its result.
inline Handle *java_private_key(const Bytes &pk8, int32_t *bits = nullptr) {
  Handle *key = javai_new_object(kKeyCells);
  java_keys_made().emplace_back(key, true);
  StubResult r = call_stub(Java_quill_security_ember_RSAPrivateKey_native_0005finit_stub, key,
                           {ref_arg(javai_new_byte_array(pk8))});
  if (bits != nullptr) *bits = slot_int(r.slot0);
  return key;
}

inline Handle *java_public_key(const Bytes &modulus, const Bytes &exponent) {
  Handle *key = javai_new_object(kKeyCells);
  java_keys_made().emplace_back(key, false);
  call_stub(Java_quill_security_ember_RSAPublicKey_native_0005finit_stub, key,
            {ref_arg(javai_new_byte_array(modulus)), ref_arg(javai_new_byte_array(exponent))});
  return key;
}

// genKeys into a fresh RSAKeyGen object; the three results or empty arrays.
struct GeneratedKeys {
  Handle *object;
  Bytes modulus, exponent, pk8;
};
inline GeneratedKeys gen_keys(int32_t bits, int32_t exponent, const Bytes &seed) {
  GeneratedKeys out{javai_new_object(kKeyGenCells), {}, {}, {}};
  call_stub(Java_quill_security_ember_RSAKeyGen_genKeys_stub, out.object,
            {int_arg(bits), int_arg(exponent), ref_arg(javai_new_byte_array(seed))});
  Handle *fields[3] = {get_ref_field(out.object, 24), get_ref_field(out.object, 28),
                       get_ref_field(out.object, 32)};
  Bytes *outs[3] = {&out.modulus, &out.exponent, &out.pk8};
  for (int i = 0; i < 3; i++) {
    if (fields[i] != nullptr) *outs[i] = javai_byte_array_bytes(fields[i]);
  }
  return out;
}

// An EmberSig signing or verifying with |sign_init| / |verify_init| of MD2RSA
// or MD5RSA over |data|; returns the signature (doSign) or the verdict.
inline Handle *java_sig(Handle *private_key, Handle *public_key) {
  Handle *sig = javai_new_object(kSigCells);
  set_ref_field(sig, 8, private_key);
  set_ref_field(sig, 12, public_key);
  return sig;
}

// The EmberSig sequence as Java runs it: initAlg, init, one update, then the
// final; a posted exception ends it early (Java would throw), and the
// finalizer runs in every case. Returns doSign's array / doVerify's verdict,
// or null / 0 when ended early.
inline StubResult run_sig(Handle *sig, Stub init, Stub update, Stub final_stub, Slot final_arg,
                          const Bytes &data) {
  StubResult r{0, 0};
  const Slot update_args[3] = {ref_arg(javai_new_byte_array(data)), int_arg(0),
                               int_arg(static_cast<int32_t>(data.size()))};
  call_stub(Java_quill_security_ember_EmberSig_initAlg_stub, sig);
  if (javai_exceptions_posted() == 0) call_stub(init, sig);
  if (javai_exceptions_posted() == 0) {
    call_stub(update, sig, {update_args[0], update_args[1], update_args[2]});
  }
  if (javai_exceptions_posted() == 0) r = call_stub(final_stub, sig, {final_arg});
  call_stub(Java_quill_security_ember_EmberSig_finalize_stub, sig);
  return r;
}

inline Handle *sign_with(Stub init_sign, Handle *private_key, const Bytes &data,
                         int32_t maximum = 1024) {
  return slot_handle(run_sig(java_sig(private_key, nullptr), init_sign,
                             Java_quill_security_ember_EmberSig_updateSign_stub,
                             Java_quill_security_ember_EmberSig_doSign_stub, int_arg(maximum),
                             data)
                         .slot0);
}

inline int32_t verify_with(Stub init_verify, Handle *public_key, const Bytes &data,
                           const Bytes &signature) {
  return slot_int(run_sig(java_sig(nullptr, public_key), init_verify,
                          Java_quill_security_ember_EmberSig_updateVerify_stub,
                          Java_quill_security_ember_EmberSig_doVerify_stub,
                          ref_arg(javai_new_byte_array(signature)), data)
                      .slot0);
}

#endif  // KIT_SECURITY_NATIVES_RSA_NATIVES_TESTING_H
