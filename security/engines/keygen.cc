// RSA key-pair assembly: two primes from find_prime, then n, d, the CRT
// exponents and coefficient, written as minimal big-endian octets into one
// buffer owned by the context.
#include "security/engines/keygen.h"

#include "security/engines/prime.h"
#include "security/framework/info_classes.h"
#include "security/framework/memory.h"

namespace {

RsaKeyGenContext *as_keygen(void *ctx) { return static_cast<RsaKeyGenContext *>(ctx); }

void release_result(RsaKeyGenContext *ctx) {
  cinder_wipe_free(ctx->result_buffer, ctx->result_size);
  ctx->result_buffer = nullptr;
  ctx->result_size = 0;
  ctx->result = RsaPrivateValue{};
}

void keygen_context_destroy(ContextBlock *block) {
  RsaKeyGenContext *ctx = as_keygen(block->data);
  if (ctx == nullptr) {
    return;
  }
  for (BigInt *x : {&ctx->n, &ctx->e, &ctx->d, &ctx->prime_a, &ctx->prime_b, &ctx->dP, &ctx->dQ,
                    &ctx->qInv}) {
    bigint_free(x);
  }
  release_result(ctx);
}

void keygen_attach_destructor(ContextBlock *block) { block->destroy = keygen_context_destroy; }

EngineStatus keygen_info(uint32_t *context_size, uint32_t *second_size, uint32_t *random_count,
                         const KeyInfoType **private_type, const KeyInfoType **public_type,
                         const void *params) {
  const RsaKeyGenParams *p = static_cast<const RsaKeyGenParams *>(params);
  if (p == nullptr || p->modulus_bits < RSA_KEYGEN_MIN_BITS ||
      p->modulus_bits > RSA_KEYGEN_MAX_BITS) {
    return ENGINE_BAD_MODULUS;
  }
  *context_size = sizeof(RsaKeyGenContext);
  *second_size = 0;
  *random_count = rsa_keygen_random_count(p->modulus_bits);
  *private_type = &KEY_RSA_PRIVATE_CRT_TYPE;
  *public_type = &KEY_RSA_PUBLIC_TYPE;
  return ENGINE_OK;
}

EngineStatus keygen_init(void *context, void *, const void *params, const CancelCheck *) {
  RsaKeyGenContext *ctx = as_keygen(context);
  const RsaKeyGenParams *p = static_cast<const RsaKeyGenParams *>(params);
  ctx->modulus_bits = p->modulus_bits;
  BnStatus status = bigint_from_octets(p->public_exponent.data, p->public_exponent.len, &ctx->e);
  if (status != BN_OK) {
    return bn_status_to_engine(status);
  }
  if (bigint_bit_length(&ctx->e) >= ctx->modulus_bits) {
    return ENGINE_EXPONENT_TOO_LONG;
  }
  if ((ctx->e.words[0] & 1) == 0) {
    return ENGINE_EVEN_EXPONENT;
  }
  return ENGINE_OK;
}

// Writes |x| at the start of a |slot|-octet slot at *at and points |item| at
// it; *at moves to the next slot.
BnStatus write_slot(const BigInt *x, size_t slot, uint8_t **at, Item *item) {
  size_t written = 0;
  BnStatus status = bigint_to_octets(x, slot, &written, *at);
  item->data = *at;
  item->len = (uint32_t)written;
  *at += slot;
  return status;
}

// n, e, d in slots of F = ceil(bits/8) + 1 octets, then p, q, dP, dQ, qInv in
// slots of H = ceil(len1/8) + 1 octets.
EngineStatus write_result(RsaKeyGenContext *ctx, int32_t len1, const BigInt *p,
                          const BigInt *q) {
  const size_t f = ((size_t)ctx->modulus_bits + 7) / 8 + 1;
  const size_t h = ((size_t)len1 + 7) / 8 + 1;
  release_result(ctx);
  const size_t size = 3 * f + 5 * h;
  ctx->result_buffer = static_cast<uint8_t *>(cinder_alloc(size));
  if (ctx->result_buffer == nullptr) {
    return ENGINE_NO_MEMORY;
  }
  ctx->result_size = (uint32_t)size;
  uint8_t *at = ctx->result_buffer;
  RsaPrivateValue *r = &ctx->result;
  BnStatus status = BN_OK;
  if ((status = write_slot(&ctx->n, f, &at, &r->modulus)) != BN_OK ||
      (status = write_slot(&ctx->e, f, &at, &r->public_exponent)) != BN_OK ||
      (status = write_slot(&ctx->d, f, &at, &r->private_exponent)) != BN_OK ||
      (status = write_slot(p, h, &at, &r->prime1)) != BN_OK ||
      (status = write_slot(q, h, &at, &r->prime2)) != BN_OK ||
      (status = write_slot(&ctx->dP, h, &at, &r->exponent1)) != BN_OK ||
      (status = write_slot(&ctx->dQ, h, &at, &r->exponent2)) != BN_OK ||
      (status = write_slot(&ctx->qInv, h, &at, &r->coefficient)) != BN_OK) {
    release_result(ctx);
  }
  return bn_status_to_engine(status);
}

// n = pq, d = e^-1 mod (p-1)(q-1), dP, dQ, qInv = q^-1 mod p. A missing
// inverse asks for another attempt.
BnStatus assemble_key(RsaKeyGenContext *ctx, const BigInt *p, const BigInt *q) {
  BigInt p1, q1, phi;
  bigint_init(&p1);
  bigint_init(&q1);
  bigint_init(&phi);
  BnStatus status = BN_OK;
  if ((status = bigint_mul(p, q, &ctx->n)) != BN_OK || (status = bigint_copy(p, &p1)) != BN_OK ||
      (status = bigint_sub_word(1, &p1)) != BN_OK || (status = bigint_copy(q, &q1)) != BN_OK ||
      (status = bigint_sub_word(1, &q1)) != BN_OK ||
      (status = bigint_mul(&p1, &q1, &phi)) != BN_OK ||
      (status = bigint_mod_inverse(&ctx->e, &phi, &ctx->d)) != BN_OK ||
      (status = bigint_mod(&ctx->d, &p1, &ctx->dP)) != BN_OK ||
      (status = bigint_mod(&ctx->d, &q1, &ctx->dQ)) != BN_OK ||
      (status = bigint_mod_inverse(q, p, &ctx->qInv)) != BN_OK) {
    goto done;
  }
done:
  bigint_free(&p1);
  bigint_free(&q1);
  bigint_free(&phi);
  return status;
}

EngineStatus keygen_generate(void *context, const void **result, const uint8_t *random,
                             const CancelCheck *cancel) {
  RsaKeyGenContext *ctx = as_keygen(context);
  const int32_t len1 = (ctx->modulus_bits + 1) / 2;
  const int32_t len2 = ctx->modulus_bits - len1;
  EngineStatus code = find_prime(random, len1, &ctx->e, &ctx->prime_a, cancel);
  if (code != ENGINE_OK) {
    return code;
  }
  // When len1 is a multiple of 16 this skips two octets after those of the
  // first search; the two searches never share an octet.
  code = find_prime(random + 2 * (len1 / 16 + 1), len2, &ctx->e, &ctx->prime_b, cancel);
  if (code != ENGINE_OK) {
    return code;
  }
  const bool a_larger = bigint_compare(&ctx->prime_a, &ctx->prime_b) > 0;
  const BigInt *p = a_larger ? &ctx->prime_a : &ctx->prime_b;
  const BigInt *q = a_larger ? &ctx->prime_b : &ctx->prime_a;
  if (cancel_check_yields(cancel)) {
    return ENGINE_CANCELLED;
  }
  BnStatus status = assemble_key(ctx, p, q);
  if (status == BN_NO_INVERSE) {
    return ENGINE_RETRY;
  }
  if (status != BN_OK) {
    return bn_status_to_engine(status);
  }
  if ((code = write_result(ctx, len1, p, q)) != ENGINE_OK) {
    return code;
  }
  *result = &ctx->result;
  return ENGINE_OK;
}

}  // namespace

uint32_t rsa_keygen_random_count(int32_t bits) { return 4 * (((uint32_t)bits + 1) / 32) + 4; }

const KeyGenEngineOps RsaKeyPairGenerator = {
    keygen_info,               // sizes and result types
    keygen_init,               // loads and checks the parameters
    keygen_generate,           // one attempt
    keygen_attach_destructor,  // frees the integers and the result
};
