// RC4 throughput, RSA signatures per second and key-generation time, ours
// against the peers measured in the same run, each a median of interleaved
// rounds in this thread's CPU time (the machine is shared). RC4: OpenSSL's
// RC4 and nettle's arcfour over 16 KiB records. Signatures: MD5 with RSA and
// the raw PKCS #1 type 1 signature of 36 octets (RSASignature), through the
// framework as the natives drive it, against OpenSSL's RSA_sign / RSA_verify
// and RSA_private_encrypt / RSA_public_decrypt on the same key. Key
// generation: median of several keys against RSA_generate_key_ex.
#include "security/catalogue/algorithms.h"
#include "security/catalogue/generator_methods.h"
#include "security/catalogue/pkcs1_algorithms.h"
#include "security/catalogue/pkcs8_key_info.h"
#include "security/catalogue/rsa_methods.h"
#include "security/engines/rc4.h"
#include "security/framework/info_classes.h"
#include "security/framework/key_types.h"
#include "security/framework/operations.h"

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/md5.h>
#include <openssl/objects.h>
#include <openssl/rc4.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <nettle/arcfour.h>
#include <stdio.h>
#include <time.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

double thread_seconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Operations per second of |ours| and |theirs|, interleaved rounds of about
// |round| seconds each.
void compare_rates(const char *what, const std::function<void()> &ours,
                   const std::function<void()> &theirs, double unit, const char *unit_name,
                   int rounds = 9, double round = 0.05) {
  std::vector<double> a, b;
  for (int r = 0; r < rounds; r++) {
    for (int side = 0; side < 2; side++) {
      const std::function<void()> &fn = side == 0 ? ours : theirs;
      long count = 0;
      const double start = thread_seconds();
      double elapsed = 0;
      do {
        fn();
        count++;
        elapsed = thread_seconds() - start;
      } while (elapsed < round);
      (side == 0 ? a : b).push_back(count * unit / elapsed);
    }
  }
  const double ma = median(a), mb = median(b);
  printf("%-34s ours %10.1f %s   peer %10.1f %s   ratio %.2f\n", what, ma, unit_name, mb,
         unit_name, ma / mb);
}

void bench_rc4() {
  std::vector<uint8_t> data(16384, 0x5A), key(16, 0x11);
  Rc4Context ours;
  rc4_key_schedule(&ours, key.data(), (uint32_t)key.size());
  RC4_KEY openssl;
  RC4_set_key(&openssl, (int)key.size(), key.data());
  arcfour_ctx nettle;
  arcfour_set_key(&nettle, key.size(), key.data());
  const double mb = data.size() / 1e6;
  compare_rates(
      "RC4 16 KiB vs OpenSSL", [&] { rc4_transform(&ours, data.data(), (uint32_t)data.size()); },
      [&] { RC4(&openssl, data.size(), data.data(), data.data()); }, mb, "MB/s");
  compare_rates(
      "RC4 16 KiB vs nettle", [&] { rc4_transform(&ours, data.data(), (uint32_t)data.size()); },
      [&] { arcfour_crypt(&nettle, data.size(), data.data(), data.data()); }, mb, "MB/s");
}

// A key pair made by OpenSSL, loaded into our key objects from its PKCS #8.
struct Keys {
  RSA *rsa = nullptr;
  KeyObject *private_key = nullptr, *public_key = nullptr;
  explicit Keys(int bits) {
    BIGNUM *e = BN_new();
    BN_set_word(e, 65537);
    rsa = RSA_new();
    RSA_generate_key_ex(rsa, bits, e, nullptr);
    BN_free(e);
    EVP_PKEY *pkey = EVP_PKEY_new();
    EVP_PKEY_set1_RSA(pkey, rsa);
    PKCS8_PRIV_KEY_INFO *info = EVP_PKEY2PKCS8(pkey);
    unsigned char *der = nullptr;
    const int len = i2d_PKCS8_PRIV_KEY_INFO(info, &der);
    Item item{der, (uint32_t)len};
    create_key_object(&private_key);
    create_key_object(&public_key);
    set_key_info(private_key, KEY_RSA_PRIVATE_PKCS8, &item);
    void *value = nullptr;
    get_key_info(&value, private_key, KEY_RSA_PUBLIC);
    set_key_info(public_key, KEY_RSA_PUBLIC, value);
    OPENSSL_free(der);
    PKCS8_PRIV_KEY_INFO_free(info);
    EVP_PKEY_free(pkey);
  }
  ~Keys() {
    destroy_key_object(&private_key);
    destroy_key_object(&public_key);
    RSA_free(rsa);
  }
};

std::vector<uint8_t> md5_sign(KeyObject *key, const std::vector<uint8_t> &data) {
  AlgorithmObject *sig = nullptr;
  create_algorithm_object(&sig);
  set_algorithm_info(sig, ALG_MD5_WITH_RSA, nullptr);
  sign_init(sig, key, METHODS_MD5_RSA, nullptr);
  sign_update(sig, data.data(), (uint32_t)data.size(), nullptr);
  std::vector<uint8_t> out(1024);
  uint32_t len = 0;
  sign_final(sig, out.data(), &len, 1024, nullptr, nullptr);
  destroy_algorithm_object(&sig);
  out.resize(len);
  return out;
}

Status md5_verify(KeyObject *key, const std::vector<uint8_t> &data,
                  const std::vector<uint8_t> &signature) {
  AlgorithmObject *sig = nullptr;
  create_algorithm_object(&sig);
  set_algorithm_info(sig, ALG_MD5_WITH_RSA, nullptr);
  verify_init(sig, key, METHODS_MD5_RSA, nullptr);
  verify_update(sig, data.data(), (uint32_t)data.size(), nullptr);
  Status status =
      verify_final(sig, signature.data(), (uint32_t)signature.size(), nullptr, nullptr);
  destroy_algorithm_object(&sig);
  return status;
}

std::vector<uint8_t> raw_rsa(InfoTypeAccessor type, bool encrypt, KeyObject *key,
                             const std::vector<uint8_t> &in) {
  AlgorithmObject *object = nullptr;
  create_algorithm_object(&object);
  set_algorithm_info(object, type, nullptr);
  std::vector<uint8_t> out(512);
  uint32_t len = 0, more = 0;
  if (encrypt) {
    encrypt_init(object, key, METHODS_RSA_SIGNATURE, nullptr);
    encrypt_update(object, out.data(), &len, 512, in.data(), (uint32_t)in.size(), nullptr,
                   nullptr);
    encrypt_final(object, out.data(), &more, 512, nullptr, nullptr);
  } else {
    decrypt_init(object, key, METHODS_RSA_SIGNATURE, nullptr);
    decrypt_update(object, out.data(), &len, 512, in.data(), (uint32_t)in.size(), nullptr,
                   nullptr);
    decrypt_final(object, out.data(), &more, 512, nullptr, nullptr);
  }
  destroy_algorithm_object(&object);
  out.resize(more);
  return out;
}

void bench_signatures(int bits) {
  Keys keys(bits);
  const std::vector<uint8_t> data(1024, 0x61), hashes(36, 0x24);
  uint8_t digest[16];
  MD5(data.data(), data.size(), digest);
  std::vector<uint8_t> peer_sig(RSA_size(keys.rsa));
  unsigned peer_len = 0;
  const std::vector<uint8_t> our_sig = md5_sign(keys.private_key, data);
  char label[64];
  snprintf(label, sizeof label, "MD5RSA sign %d", bits);
  compare_rates(label, [&] { md5_sign(keys.private_key, data); },
                [&] {
                  MD5(data.data(), data.size(), digest);
                  RSA_sign(NID_md5, digest, 16, peer_sig.data(), &peer_len, keys.rsa);
                },
                1, "/s");
  snprintf(label, sizeof label, "MD5RSA verify %d", bits);
  if (md5_verify(keys.public_key, data, our_sig) != 0) printf("  (verification failed)\n");
  compare_rates(label, [&] { md5_verify(keys.public_key, data, our_sig); },
                [&] {
                  MD5(data.data(), data.size(), digest);
                  RSA_verify(NID_md5, digest, 16, our_sig.data(), (unsigned)our_sig.size(),
                             keys.rsa);
                },
                1, "/s");
  const std::vector<uint8_t> raw_sig = raw_rsa(ALG_RSA_PKCS1_PRIVATE, true, keys.private_key,
                                               hashes);
  std::vector<uint8_t> out(RSA_size(keys.rsa));
  snprintf(label, sizeof label, "RSASignature sign %d", bits);
  compare_rates(label, [&] { raw_rsa(ALG_RSA_PKCS1_PRIVATE, true, keys.private_key, hashes); },
                [&] {
                  RSA_private_encrypt((int)hashes.size(), hashes.data(), out.data(), keys.rsa,
                                      RSA_PKCS1_PADDING);
                },
                1, "/s");
  snprintf(label, sizeof label, "RSASignature verify %d", bits);
  compare_rates(label, [&] { raw_rsa(ALG_RSA_PKCS1_PUBLIC, false, keys.public_key, raw_sig); },
                [&] {
                  RSA_public_decrypt((int)raw_sig.size(), raw_sig.data(), out.data(), keys.rsa,
                                     RSA_PKCS1_PADDING);
                },
                1, "/s");
}

// Seconds for one key pair of |bits| bits from a generator seeded with |seed|.
double our_keygen_seconds(int bits, uint32_t seed) {
  AlgorithmObject *generator = nullptr, *random = nullptr;
  KeyObject *public_key = nullptr, *private_key = nullptr;
  uint8_t exponent[3] = {1, 0, 1};
  RsaKeyGenParams params{bits, Item{exponent, 3}};
  const double start = thread_seconds();
  create_algorithm_object(&generator);
  set_algorithm_info(generator, ALG_RSA_KEYGEN, &params);
  generate_init(generator, METHODS_RSA_KEYGEN, nullptr);
  create_algorithm_object(&random);
  set_algorithm_info(random, ALG_RANDOM, nullptr);
  random_init(random, METHODS_RANDOM, nullptr);
  random_update(random, reinterpret_cast<uint8_t *>(&seed), sizeof seed, nullptr);
  create_key_object(&public_key);
  create_key_object(&private_key);
  generate_key_pair(generator, public_key, private_key, random, nullptr);
  const double elapsed = thread_seconds() - start;
  destroy_key_object(&public_key);
  destroy_key_object(&private_key);
  destroy_algorithm_object(&random);
  destroy_algorithm_object(&generator);
  return elapsed;
}

double peer_keygen_seconds(int bits) {
  BIGNUM *e = BN_new();
  BN_set_word(e, 65537);
  RSA *rsa = RSA_new();
  const double start = thread_seconds();
  RSA_generate_key_ex(rsa, bits, e, nullptr);
  const double elapsed = thread_seconds() - start;
  RSA_free(rsa);
  BN_free(e);
  return elapsed;
}

void bench_keygen(int bits, int keys) {
  std::vector<double> ours, theirs;
  for (int i = 0; i < keys; i++) {
    ours.push_back(our_keygen_seconds(bits, (uint32_t)(bits * 1000 + i)));
    theirs.push_back(peer_keygen_seconds(bits));
  }
  const double a = median(ours), b = median(theirs);
  printf("keygen %4d (median of %2d)          ours %8.1f ms     peer %8.1f ms     ratio %.2f "
         "(peer time / ours)\n",
         bits, keys, a * 1e3, b * 1e3, b / a);
}

}  // namespace

int main() {
  bench_rc4();
  for (int bits : {512, 1024, 2048}) bench_signatures(bits);
  bench_keygen(512, 21);
  bench_keygen(1024, 11);
  bench_keygen(2048, 5);
  return 0;
}
