// The RSA natives against OpenSSL's libcrypto in both directions: keys,
// signatures and PKCS #1 encryption made by one side are accepted by the
// other.
#include <gtest/gtest.h>

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/md5.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "security/engines/md2.h"
#include "security/natives/rsa_natives_testing.h"

namespace {

Bytes bn_bytes(const BIGNUM *b) {
  Bytes out(BN_num_bytes(b));
  BN_bn2bin(b, out.data());
  return out;
}

// An OpenSSL RSA key and its PKCS #8 encoding.
struct PeerKey {
  RSA *rsa = nullptr;
  Bytes pk8;
  explicit PeerKey(int bits) {
    BIGNUM *e = BN_new();
    BN_set_word(e, 65537);
    rsa = RSA_new();
    EXPECT_EQ(RSA_generate_key_ex(rsa, bits, e, nullptr), 1);
    BN_free(e);
    EVP_PKEY *pkey = EVP_PKEY_new();
    EVP_PKEY_set1_RSA(pkey, rsa);
    PKCS8_PRIV_KEY_INFO *info = EVP_PKEY2PKCS8(pkey);
    unsigned char *der = nullptr;
    const int len = i2d_PKCS8_PRIV_KEY_INFO(info, &der);
    pk8.assign(der, der + len);
    OPENSSL_free(der);
    PKCS8_PRIV_KEY_INFO_free(info);
    EVP_PKEY_free(pkey);
  }
  ~PeerKey() { RSA_free(rsa); }
  Bytes modulus() const { return bn_bytes(RSA_get0_n(rsa)); }
  Bytes exponent() const { return bn_bytes(RSA_get0_e(rsa)); }
};

RSA *rsa_from_pk8(const Bytes &pk8) {
  const unsigned char *p = pk8.data();
  PKCS8_PRIV_KEY_INFO *info = d2i_PKCS8_PRIV_KEY_INFO(nullptr, &p, (long)pk8.size());
  if (info == nullptr) return nullptr;
  EVP_PKEY *pkey = EVP_PKCS82PKEY(info);
  PKCS8_PRIV_KEY_INFO_free(info);
  if (pkey == nullptr) return nullptr;
  RSA *rsa = EVP_PKEY_get1_RSA(pkey);
  EVP_PKEY_free(pkey);
  return rsa;
}

Bytes digest_of(int nid, const Bytes &data) {
  Bytes out(16);
  if (nid == NID_md5) {
    MD5(data.data(), data.size(), out.data());
  } else {
    Md2Context ctx;  // OpenSSL 3 ships no MD2; ours is checked against RFC 1319
    md2_init(&ctx);
    md2_update(&ctx, data.data(), (uint32_t)data.size());
    md2_final(&ctx, out.data());
  }
  return out;
}

class RsaNativesPeer : public ::testing::Test {
 protected:
  void TearDown() override {
    expect_no_exception();
    finalize_java_keys();
    javai_release_all();
  }
};

TEST_F(RsaNativesPeer, GeneratedKeysParseInOpenSsl) {
  for (int bits : {512, 1024, 2048}) {
    SCOPED_TRACE(bits);
    GeneratedKeys keys = gen_keys(bits, 65537, bytes_of("peer"));
    expect_no_exception();
    RSA *rsa = rsa_from_pk8(keys.pk8);
    ASSERT_NE(rsa, nullptr);
    EXPECT_EQ(RSA_check_key(rsa), 1);
    EXPECT_EQ(bn_bytes(RSA_get0_n(rsa)), keys.modulus);
    EXPECT_EQ(bn_bytes(RSA_get0_e(rsa)), keys.exponent);
    EXPECT_EQ(BN_num_bits(RSA_get0_n(rsa)), bits);
    // The eight numbers, read back through our own key object, agree.
    const BIGNUM *numbers[8] = {RSA_get0_n(rsa), RSA_get0_e(rsa), RSA_get0_d(rsa),
                                RSA_get0_p(rsa), RSA_get0_q(rsa), RSA_get0_dmp1(rsa),
                                RSA_get0_dmq1(rsa), RSA_get0_iqmp(rsa)};
    EXPECT_GT(BN_cmp(numbers[3], numbers[4]), 0);  // p > q
    BN_CTX *ctx = BN_CTX_new();
    BIGNUM *t = BN_new();
    BN_mod_mul(t, numbers[4], numbers[7], numbers[3], ctx);
    EXPECT_TRUE(BN_is_one(t));
    BN_free(t);
    BN_CTX_free(ctx);
    RSA_free(rsa);
  }
}

TEST_F(RsaNativesPeer, SignaturesBothWays) {
  PeerKey peer(1024);
  int32_t bits = 0;
  Handle *private_key = java_private_key(peer.pk8, &bits);
  EXPECT_EQ(bits, 1024);
  Handle *public_key = java_public_key(peer.modulus(), peer.exponent());
  const Bytes data = bytes_of("signed by one, verified by the other");
  struct Row {
    const char *name;
    int nid;
    Stub init_sign, init_verify;
  };
  const Row rows[] = {
      {"MD5RSA", NID_md5, Java_quill_security_ember_MD5RSA_initSign_stub,
       Java_quill_security_ember_MD5RSA_initVerify_stub},
      {"MD2RSA", NID_md2, Java_quill_security_ember_MD2RSA_initSign_stub,
       Java_quill_security_ember_MD2RSA_initVerify_stub},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes digest = digest_of(row.nid, data);
    Handle *ours = sign_with(row.init_sign, private_key, data);
    ASSERT_NE(ours, nullptr);
    const Bytes sig = javai_byte_array_bytes(ours);
    // OpenSSL 3 no longer signs MD2, so the DigestInfo goes through its raw
    // PKCS #1 type 1 operations for both digests.
    Bytes digest_info = unhex(std::string("3020300c06082a864886f70d02") +
                              (row.nid == NID_md5 ? "05" : "02") + "05000410");
    digest_info.insert(digest_info.end(), digest.begin(), digest.end());
    Bytes recovered(RSA_size(peer.rsa));
    const int n = RSA_public_decrypt((int)sig.size(), sig.data(), recovered.data(), peer.rsa,
                                     RSA_PKCS1_PADDING);
    ASSERT_EQ(n, 34);
    recovered.resize(n);
    EXPECT_EQ(recovered, digest_info);
    if (row.nid == NID_md5) {
      EXPECT_EQ(RSA_verify(NID_md5, digest.data(), 16, sig.data(), (unsigned)sig.size(),
                           peer.rsa),
                1);
    }
    Bytes theirs(RSA_size(peer.rsa));
    ASSERT_EQ(RSA_private_encrypt((int)digest_info.size(), digest_info.data(), theirs.data(),
                                  peer.rsa, RSA_PKCS1_PADDING),
              RSA_size(peer.rsa));
    EXPECT_EQ(theirs, sig);  // type 1 padding is deterministic
    EXPECT_EQ(verify_with(row.init_verify, public_key, data, theirs), 1);
  }

  // RSASignature: raw type 1 blocks around the caller's bytes.
  const Bytes hashes(36, 0x5C);
  Handle *ours = slot_handle(call_stub(Java_quill_security_ssl_RSASignature_sign_stub, nullptr,
                                       {ref_arg(javai_new_byte_array(hashes)),
                                        ref_arg(private_key)})
                                 .slot0);
  ASSERT_NE(ours, nullptr);
  Bytes theirs(RSA_size(peer.rsa));
  ASSERT_EQ(RSA_private_encrypt((int)hashes.size(), hashes.data(), theirs.data(), peer.rsa,
                                RSA_PKCS1_PADDING),
            RSA_size(peer.rsa));
  EXPECT_EQ(javai_byte_array_bytes(ours), theirs);
  Bytes recovered(RSA_size(peer.rsa));
  const Bytes sig = javai_byte_array_bytes(ours);
  const int n = RSA_public_decrypt((int)sig.size(), sig.data(), recovered.data(), peer.rsa,
                                   RSA_PKCS1_PADDING);
  ASSERT_EQ(n, 36);
  recovered.resize(n);
  EXPECT_EQ(recovered, hashes);
  Handle *back = slot_handle(call_stub(Java_quill_security_ssl_RSASignature_XXXverify_stub,
                                       nullptr,
                                       {ref_arg(public_key), ref_arg(javai_new_byte_array(theirs))})
                                 .slot0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(javai_byte_array_bytes(back), hashes);
}

TEST_F(RsaNativesPeer, PreMasterSecretBothWays) {
  for (int bits : {512, 1024, 2048}) {
    SCOPED_TRACE(bits);
    PeerKey peer(bits);
    Handle *private_key = java_private_key(peer.pk8);
    Handle *public_key = java_public_key(peer.modulus(), peer.exponent());
    const Bytes secret(48, 0x42);
    Handle *ours = slot_handle(
        call_stub(Java_quill_security_ssl_PreMasterSecret_padAndEncrypt_stub, nullptr,
                  {ref_arg(javai_new_byte_array(secret)), ref_arg(public_key),
                   ref_arg(javai_new_byte_array({}))})
            .slot0);
    ASSERT_NE(ours, nullptr);
    const Bytes block = javai_byte_array_bytes(ours);
    Bytes plain(RSA_size(peer.rsa));
    const int n = RSA_private_decrypt((int)block.size(), block.data(), plain.data(), peer.rsa,
                                      RSA_PKCS1_PADDING);
    ASSERT_EQ(n, 48);
    plain.resize(n);
    EXPECT_EQ(plain, secret);

    Bytes theirs(RSA_size(peer.rsa));
    ASSERT_EQ(RSA_public_encrypt((int)secret.size(), secret.data(), theirs.data(), peer.rsa,
                                 RSA_PKCS1_PADDING),
              RSA_size(peer.rsa));
    Handle *back = slot_handle(
        call_stub(Java_quill_security_ssl_PreMasterSecret_decryptAndUnpad_stub, nullptr,
                  {ref_arg(private_key), ref_arg(javai_new_byte_array(theirs))})
            .slot0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(javai_byte_array_bytes(back), secret);
  }
}

}  // namespace
