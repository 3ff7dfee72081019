// Modular exponentiation and the RSA private-key block against GMP and
// OpenSSL, measured in the same run: operations per second (median of
// several timed rounds) for each, and our figure divided by the peer's.
#include <gmp.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "security/engines/bigint.h"
#include "security/engines/mont.h"
#include "security/engines/rsa_engine.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"

namespace {

constexpr int kRounds = 7;
constexpr double kRoundSeconds = 0.25;

// Operations per second of |op|, the median of kRounds timed rounds.
double ops_per_second(const std::function<void()> &op) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> rates;
  for (int round = 0; round < kRounds; round++) {
    long count = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
      op();
      count++;
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < kRoundSeconds);
    rates.push_back(count / elapsed);
  }
  std::sort(rates.begin(), rates.end());
  return rates[rates.size() / 2];
}

void report(const char *what, double ours, const char *peer, double theirs) {
  printf("%-26s ours %9.1f ops/s   %-26s %9.1f ops/s   ratio %.2f\n", what, ours, peer, theirs,
         ours / theirs);
}

std::vector<uint8_t> octets_of(const BIGNUM *bn) {
  std::vector<uint8_t> out(BN_num_bytes(bn));
  BN_bn2bin(bn, out.data());
  return out;
}

BIGNUM *bn_param(EVP_PKEY *key, const char *name) {
  BIGNUM *bn = nullptr;
  if (EVP_PKEY_get_bn_param(key, name, &bn) != 1) {
    fprintf(stderr, "bigint_bench: cannot read %s\n", name);
    exit(1);
  }
  return bn;
}

void load(const std::vector<uint8_t> &octets, BigInt *out) {
  if (bigint_from_octets(octets.data(), octets.size(), out) != BN_OK) {
    exit(1);
  }
}

// bigint_mod_exp with a full-length exponent and an RSA modulus.
void bench_mod_exp(EVP_PKEY *key, int bits) {
  BIGNUM *n = bn_param(key, OSSL_PKEY_PARAM_RSA_N);
  BIGNUM *d = bn_param(key, OSSL_PKEY_PARAM_RSA_D);
  BIGNUM *base = BN_new();
  BIGNUM *result = BN_new();
  BN_CTX *bn_ctx = BN_CTX_new();
  BN_MONT_CTX *mont = BN_MONT_CTX_new();
  BN_rand_range(base, n);
  BN_MONT_CTX_set(mont, n, bn_ctx);

  BigInt m, e, x, r;
  bigint_init(&m);
  bigint_init(&e);
  bigint_init(&x);
  bigint_init(&r);
  load(octets_of(n), &m);
  load(octets_of(d), &e);
  load(octets_of(base), &x);

  mpz_t zm, ze, zx, zr;
  mpz_inits(zm, ze, zx, zr, nullptr);
  mpz_import(zm, m.length, -1, 4, 0, 0, m.words);
  mpz_import(ze, e.length, -1, 4, 0, 0, e.words);
  mpz_import(zx, x.length, -1, 4, 0, 0, x.words);

  const double ours = ops_per_second([&] { bigint_mod_exp(&x, &e, &m, &r, nullptr); });
  const double gmp = ops_per_second([&] { mpz_powm(zr, zx, ze, zm); });
  const double openssl =
      ops_per_second([&] { BN_mod_exp_mont(result, base, d, n, bn_ctx, mont); });

  // The three must agree before their speeds mean anything.
  mpz_t check;
  mpz_init(check);
  mpz_import(check, r.length, -1, 4, 0, 0, r.words);
  std::vector<uint8_t> theirs = octets_of(result);
  mpz_t openssl_value;
  mpz_init(openssl_value);
  mpz_import(openssl_value, theirs.size(), 1, 1, 0, 0, theirs.data());
  if (mpz_cmp(check, zr) != 0 || mpz_cmp(check, openssl_value) != 0) {
    fprintf(stderr, "bigint_bench: results differ at %d bits\n", bits);
    exit(1);
  }

  char what[64];
  snprintf(what, sizeof what, "bigint_mod_exp %d", bits);
  report(what, ours, "GMP mpz_powm", gmp);
  report(what, ours, "OpenSSL BN_mod_exp_mont", openssl);

  mpz_clears(zm, ze, zx, zr, check, openssl_value, nullptr);
  bigint_free(&m);
  bigint_free(&e);
  bigint_free(&x);
  bigint_free(&r);
  BN_MONT_CTX_free(mont);
  BN_CTX_free(bn_ctx);
  BN_free(n);
  BN_free(d);
  BN_free(base);
  BN_free(result);
}

// One private-key block through RsaPrivateEngine against OpenSSL's raw
// (unpadded) private-key decryption.
void bench_private_block(EVP_PKEY *key, int bits) {
  const char *names[8] = {OSSL_PKEY_PARAM_RSA_N,          OSSL_PKEY_PARAM_RSA_E,
                          OSSL_PKEY_PARAM_RSA_D,          OSSL_PKEY_PARAM_RSA_FACTOR1,
                          OSSL_PKEY_PARAM_RSA_FACTOR2,    OSSL_PKEY_PARAM_RSA_EXPONENT1,
                          OSSL_PKEY_PARAM_RSA_EXPONENT2,  OSSL_PKEY_PARAM_RSA_COEFFICIENT1};
  std::vector<uint8_t> parts[8];
  Item items[8];
  for (int i = 0; i < 8; i++) {
    BIGNUM *bn = bn_param(key, names[i]);
    parts[i] = octets_of(bn);
    items[i] = {parts[i].data(), static_cast<uint32_t>(parts[i].size())};
    BN_free(bn);
  }
  const RsaPrivateValue value = {items[0], items[1], items[2], items[3],
                                 items[4], items[5], items[6], items[7]};
  const uint32_t k = static_cast<uint32_t>(parts[0].size());
  std::vector<uint8_t> block(k), ours_out(k), theirs_out(k);
  for (uint32_t i = 0; i < k; i++) {
    block[i] = static_cast<uint8_t>(i * 37 + 11);
  }
  block[0] = 0;  // below n

  uint32_t size = 0;
  ContextBlock context = {nullptr, 0, nullptr};
  if (RsaPrivateEngine.context_size(&size, &value, nullptr) != ENGINE_OK) {
    exit(1);
  }
  context.data = cinder_alloc(size);
  memset(context.data, 0, size);
  context.size = size;
  RsaPrivateEngine.attach_context_destructor(&context);
  if (RsaPrivateEngine.init(context.data, &value, nullptr, 0, nullptr) != ENGINE_OK) {
    exit(1);
  }

  EVP_PKEY_CTX *pctx = EVP_PKEY_CTX_new(key, nullptr);
  EVP_PKEY_decrypt_init(pctx);
  EVP_PKEY_CTX_set_rsa_padding(pctx, RSA_NO_PADDING);

  uint32_t out_len = 0;
  const double ours = ops_per_second([&] {
    RsaPrivateEngine.update(context.data, ours_out.data(), &out_len, k, block.data(), k, nullptr);
  });
  size_t theirs_len = 0;
  const double openssl = ops_per_second([&] {
    theirs_len = k;
    EVP_PKEY_decrypt(pctx, theirs_out.data(), &theirs_len, block.data(), k);
  });
  if (out_len != k || theirs_len != k || ours_out != theirs_out) {
    fprintf(stderr, "bigint_bench: private blocks differ at %d bits\n", bits);
    exit(1);
  }
  char what[64];
  snprintf(what, sizeof what, "RSA private block %d", bits);
  report(what, ours, "OpenSSL raw private op", openssl);

  EVP_PKEY_CTX_free(pctx);
  context.destroy(&context);
  cinder_wipe_free(context.data, context.size);
}

}  // namespace

int main() {
  for (int bits : {1024, 2048}) {
    EVP_PKEY *key = EVP_RSA_gen(bits);
    if (key == nullptr) {
      fprintf(stderr, "bigint_bench: no %d-bit key\n", bits);
      return 1;
    }
    bench_mod_exp(key, bits);
    bench_private_block(key, bits);
    EVP_PKEY_free(key);
  }
  return 0;
}
