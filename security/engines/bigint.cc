// Multi-precision arithmetic on 32-bit words (schoolbook addition and
// multiplication, Knuth's long division, Euclid). Every array is zeroed before
// it is released; temporaries live on the stack as BigInt records and are
// freed on one exit path per function.
#include "security/engines/bigint.h"

#include <string.h>

#include "security/framework/memory.h"

namespace {

// Arrays larger than this many words are refused as out of memory; it keeps
// every byte count well inside size_t on 32-bit builds.
constexpr int32_t kMaxWords = 1 << 24;

int leading_zero_bits(uint32_t w) { return w == 0 ? 32 : __builtin_clz(w); }

bool is_zero(const BigInt *a) { return a->length == 1 && a->words[0] == 0; }

// Drops leading zero words, keeping at least one.
void normalise(BigInt *x) {
  while (x->length > 1 && x->words[x->length - 1] == 0) {
    x->length--;
  }
}

bool is_normalised(const BigInt *a) {
  return a->length >= 1 && a->length <= a->capacity && a->words != nullptr &&
         (a->length == 1 || a->words[a->length - 1] != 0);
}

BnStatus allocate_words(int32_t n, BigInt *x) {
  if (n > kMaxWords) {
    return BN_NO_MEMORY;
  }
  x->words = static_cast<uint32_t *>(cinder_alloc(static_cast<size_t>(n) * sizeof(uint32_t)));
  if (x->words == nullptr) {
    return BN_NO_MEMORY;
  }
  x->capacity = n;
  return BN_OK;
}

// r = r + w * x[start .. start+count-1] at word |at|, as 64-bit steps.
uint32_t mul_add_words(uint32_t w, const uint32_t *x, int32_t count, uint32_t *r) {
  uint64_t carry = 0;
  for (int32_t j = 0; j < count; j++) {
    uint64_t t = static_cast<uint64_t>(w) * x[j] + r[j] + carry;
    r[j] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  return static_cast<uint32_t>(carry);
}

// r[0..n) = x[0..n) - w * y[0..n); returns the borrow word.
uint32_t mul_sub_words(uint32_t w, const uint32_t *y, int32_t n, uint32_t *x) {
  uint32_t borrow = 0;
  for (int32_t j = 0; j < n; j++) {
    uint64_t p = static_cast<uint64_t>(w) * y[j] + borrow;
    uint32_t low = static_cast<uint32_t>(p);
    borrow = static_cast<uint32_t>(p >> 32) + (x[j] < low ? 1 : 0);
    x[j] -= low;
  }
  return borrow;
}

// x[0..n) += y[0..n); returns the carry.
uint32_t add_words(const uint32_t *y, int32_t n, uint32_t *x) {
  uint64_t carry = 0;
  for (int32_t j = 0; j < n; j++) {
    uint64_t t = static_cast<uint64_t>(x[j]) + y[j] + carry;
    x[j] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  return static_cast<uint32_t>(carry);
}

// Long division of a by d (d > 0, a >= d, d of two words or more), Knuth's
// algorithm D (TAOCP 4.3.1) in base 2^32 on a normalised divisor. |q| may be
// null when only the remainder is wanted.
BnStatus divide_long(const BigInt *a, const BigInt *d, BigInt *q, BigInt *rem) {
  const int32_t n = d->length;
  const int32_t m = a->length - n;
  const int shift = leading_zero_bits(d->words[n - 1]);
  BigInt u, v;
  bigint_init(&u);
  bigint_init(&v);
  BnStatus status;
  if ((status = bigint_reserve(a->length + 1, &u)) != BN_OK ||
      (status = bigint_reserve(n, &v)) != BN_OK) {
    goto done;
  }
  if (q != nullptr && (status = bigint_reserve(m + 1, q)) != BN_OK) {
    goto done;
  }
  if ((status = bigint_reserve(n + 1, rem)) != BN_OK) {
    goto done;
  }
  // Working copies shifted so that the divisor's top bit is set.
  u.words[a->length] = shift == 0 ? 0 : a->words[a->length - 1] >> (32 - shift);
  for (int32_t i = a->length - 1; i > 0; i--) {
    u.words[i] = shift == 0 ? a->words[i]
                            : (a->words[i] << shift) | (a->words[i - 1] >> (32 - shift));
  }
  u.words[0] = a->words[0] << shift;
  for (int32_t i = n - 1; i > 0; i--) {
    v.words[i] = shift == 0 ? d->words[i]
                            : (d->words[i] << shift) | (d->words[i - 1] >> (32 - shift));
  }
  v.words[0] = d->words[0] << shift;

  {
    const uint64_t d1 = v.words[n - 1];
    const uint64_t d0 = v.words[n - 2];
    for (int32_t j = m; j >= 0; j--) {
      // Estimate the quotient word from the top two words of the partial
      // remainder and refine it with the divisor's second word; it is then
      // at most one too large.
      uint64_t top = (static_cast<uint64_t>(u.words[j + n]) << 32) | u.words[j + n - 1];
      uint64_t qhat = top / d1;
      uint64_t rhat = top % d1;
      while (qhat > 0xFFFFFFFFu || qhat * d0 > ((rhat << 32) | u.words[j + n - 2])) {
        qhat--;
        rhat += d1;
        if (rhat > 0xFFFFFFFFu) {
          break;
        }
      }
      uint32_t borrow = mul_sub_words(static_cast<uint32_t>(qhat), v.words, n, u.words + j);
      uint32_t high = u.words[j + n];
      u.words[j + n] = high - borrow;
      if (high < borrow) {
        qhat--;
        u.words[j + n] += add_words(v.words, n, u.words + j);
      }
      if (q != nullptr) {
        q->words[j] = static_cast<uint32_t>(qhat);
      }
    }
  }
  if (q != nullptr) {
    q->length = m + 1;
    normalise(q);
  }
  for (int32_t i = 0; i < n; i++) {
    rem->words[i] = shift == 0 ? u.words[i]
                               : (u.words[i] >> shift) | (u.words[i + 1] << (32 - shift));
  }
  rem->length = n;
  normalise(rem);

done:
  bigint_free(&u);
  bigint_free(&v);
  return status;
}

// The division of bigint_divide and bigint_mod; |q| may be null.
BnStatus divide(const BigInt *a, const BigInt *d, BigInt *q, BigInt *rem) {
  BnStatus status;
  if (bigint_compare(a, d) < 0) {
    if (q != nullptr && (status = bigint_set_word(0, q)) != BN_OK) {
      return status;
    }
    return bigint_copy(a, rem);
  }
  if (d->length > 1) {
    return divide_long(a, d, q, rem);
  }
  // One-word divisor: one 64-bit division per word.
  const uint32_t w = d->words[0];
  if (q != nullptr) {
    if ((status = bigint_reserve(a->length, q)) != BN_OK) {
      return status;
    }
  }
  uint64_t r = 0;
  for (int32_t i = a->length - 1; i >= 0; i--) {
    uint64_t t = (r << 32) | a->words[i];
    if (q != nullptr) {
      q->words[i] = static_cast<uint32_t>(t / w);
    }
    r = t % w;
  }
  if (q != nullptr) {
    q->length = a->length;
    normalise(q);
  }
  return bigint_set_word(static_cast<uint32_t>(r), rem);
}

// Adds |carry| (0 or 1) into x from word |from| upward; a carry out of the top
// appends a word 1 (growing x, keeping its value, when its capacity is short).
BnStatus carry_upward(uint32_t carry, int32_t from, BigInt *x) {
  for (int32_t i = from; i < x->length && carry != 0; i++) {
    x->words[i] += carry;
    carry = x->words[i] < carry ? 1 : 0;
  }
  if (carry == 0) {
    return BN_OK;
  }
  if (x->capacity < x->length + 1) {
    BnStatus status = bigint_grow(x->length + 2, x);
    if (status != BN_OK) {
      return status;
    }
  }
  x->words[x->length++] = 1;
  return BN_OK;
}

// A value with a sign, for the Bezout coefficients of the extended algorithm.
struct SignedBigInt {
  BigInt magnitude;
  bool negative;
};

// s_prev = s_prev - q * s, with signs.
BnStatus signed_sub_product(const BigInt *q, const SignedBigInt *s, SignedBigInt *s_prev,
                            BigInt *scratch) {
  BnStatus status = bigint_mul(q, &s->magnitude, scratch);
  if (status != BN_OK) {
    return status;
  }
  if (s_prev->negative != s->negative) {
    return bigint_add_to(scratch, &s_prev->magnitude);
  }
  if (bigint_compare(&s_prev->magnitude, scratch) >= 0) {
    return bigint_sub_from(scratch, &s_prev->magnitude);
  }
  if ((status = bigint_sub_from(&s_prev->magnitude, scratch)) != BN_OK ||
      (status = bigint_copy(scratch, &s_prev->magnitude)) != BN_OK) {
    return status;
  }
  s_prev->negative = !s_prev->negative;
  return BN_OK;
}

}  // namespace

EngineStatus bn_status_to_engine(BnStatus status) {
  if (status == BN_NO_MEMORY) {
    return ENGINE_NO_MEMORY;
  }
  if (status == BN_BAD_MODULUS) {
    return ENGINE_BAD_MODULUS;
  }
  if (status == BN_TOO_LONG) {
    return ENGINE_OUTPUT_TOO_SMALL;
  }
  if (status >= 257 && status <= 267) {
    return ENGINE_BAD_INPUT;
  }
  return status;
}

void bigint_init(BigInt *x) {
  x->capacity = 0;
  x->length = 0;
  x->words = nullptr;
}

void bigint_free(BigInt *x) {
  if (x->words != nullptr) {
    cinder_wipe_free(x->words, static_cast<size_t>(x->capacity) * sizeof(uint32_t));
  }
  bigint_init(x);
}

BnStatus bigint_grow(int32_t n, BigInt *x) {
  if (n <= x->capacity) {
    return BN_OK;
  }
  BigInt fresh;
  bigint_init(&fresh);
  if (allocate_words(n, &fresh) != BN_OK) {
    bigint_free(x);
    return BN_NO_MEMORY;
  }
  if (x->length > 0) {
    memcpy(fresh.words, x->words, static_cast<size_t>(x->length) * sizeof(uint32_t));
  }
  fresh.length = x->length;
  bigint_free(x);
  *x = fresh;
  return BN_OK;
}

BnStatus bigint_reserve(int32_t n, BigInt *x) {
  if (n <= x->capacity) {
    return BN_OK;
  }
  bigint_free(x);
  return allocate_words(n, x);
}

BnStatus bigint_copy(const BigInt *a, BigInt *r) {
  BnStatus status = bigint_reserve(a->length, r);
  if (status != BN_OK) {
    return status;
  }
  memcpy(r->words, a->words, static_cast<size_t>(a->length) * sizeof(uint32_t));
  r->length = a->length;
  return BN_OK;
}

BnStatus bigint_set_word(uint32_t w, BigInt *r) {
  if (r->capacity == 0) {
    BnStatus status = bigint_reserve(2, r);
    if (status != BN_OK) {
      return status;
    }
  }
  r->words[0] = w;
  r->length = 1;
  return BN_OK;
}

BnStatus bigint_from_octets(const uint8_t *bytes, size_t count, BigInt *r) {
  if (count > static_cast<size_t>(kMaxWords) * 4) {
    return BN_NO_MEMORY;
  }
  const int32_t n = count == 0 ? 1 : static_cast<int32_t>((count + 3) / 4);
  if (r->capacity < n) {
    BnStatus status = bigint_reserve(n + 1, r);
    if (status != BN_OK) {
      return status;
    }
  }
  memset(r->words, 0, static_cast<size_t>(n) * sizeof(uint32_t));
  for (size_t i = 0; i < count; i++) {
    r->words[i / 4] |= static_cast<uint32_t>(bytes[count - 1 - i]) << (8 * (i % 4));
  }
  r->length = n;
  normalise(r);
  return BN_OK;
}

BnStatus bigint_to_octets(const BigInt *a, size_t space, size_t *written, uint8_t *out) {
  if (!is_normalised(a)) {
    return BN_INTERNAL;
  }
  const size_t n = (static_cast<size_t>(bigint_bit_length(a)) + 7) / 8;
  *written = n;
  if (space < n) {
    return BN_OUTPUT_TOO_SMALL;
  }
  for (size_t i = 0; i < n; i++) {
    out[n - 1 - i] = static_cast<uint8_t>(a->words[i / 4] >> (8 * (i % 4)));
  }
  return BN_OK;
}

BnStatus bigint_to_octets_fixed(const BigInt *a, size_t length, size_t space, size_t *written,
                                uint8_t *out) {
  if (!is_normalised(a)) {
    return BN_INTERNAL;
  }
  const size_t n = (static_cast<size_t>(bigint_bit_length(a)) + 7) / 8;
  if (space < length || n > length) {
    return BN_TOO_LONG;
  }
  memset(out, 0, length - n);
  size_t ignored;
  bigint_to_octets(a, n, &ignored, out + (length - n));
  *written = length;
  return BN_OK;
}

uint32_t octets_bit_length(const uint8_t *bytes, size_t count) {
  size_t i = 0;
  while (i < count && bytes[i] == 0) {
    i++;
  }
  if (i == count) {
    return 0;
  }
  return static_cast<uint32_t>(8 * (count - i)) - (leading_zero_bits(bytes[i]) - 24);
}

int32_t bigint_bit_length(const BigInt *a) {
  if (a->length == 0) {
    return 0;
  }
  const uint32_t top = a->words[a->length - 1];
  return 32 * (a->length - 1) + (top <= 1 ? 1 : 32 - leading_zero_bits(top));
}

BnStatus bigint_get_bit(int32_t i, const BigInt *a, int *bit) {
  *bit = 0;
  if (i >= 0 && i / 32 < a->length) {
    *bit = (a->words[i / 32] >> (i % 32)) & 1;
  }
  return BN_OK;
}

BnStatus bigint_set_bit(int32_t i, BigInt *x) {
  if (i < 0) {
    return BN_INTERNAL;
  }
  const int32_t word = i / 32;
  if (word >= x->length) {
    BnStatus status = bigint_grow(word + 2, x);
    if (status != BN_OK) {
      return status;
    }
    memset(x->words + x->length, 0,
           static_cast<size_t>(x->capacity - x->length) * sizeof(uint32_t));
    x->length = word + 1;
  }
  x->words[word] |= 1u << (i % 32);
  return BN_OK;
}

BnStatus bigint_clear_bit(int32_t i, BigInt *x) {
  if (i >= 0 && i / 32 < x->length) {
    x->words[i / 32] &= ~(1u << (i % 32));
    normalise(x);
  }
  return BN_OK;
}

int bigint_compare(const BigInt *a, const BigInt *b) {
  if (a->length != b->length) {
    return a->length > b->length ? 1 : -1;
  }
  for (int32_t i = a->length - 1; i >= 0; i--) {
    if (a->words[i] != b->words[i]) {
      return a->words[i] > b->words[i] ? 1 : -1;
    }
  }
  return 0;
}

BnStatus bigint_add(const BigInt *a, const BigInt *b, BigInt *r) {
  if (a->length < b->length) {
    const BigInt *t = a;
    a = b;
    b = t;
  }
  BnStatus status = bigint_reserve(a->length + 1, r);
  if (status != BN_OK) {
    return status;
  }
  uint64_t carry = 0;
  int32_t i = 0;
  for (; i < b->length; i++) {
    uint64_t t = static_cast<uint64_t>(a->words[i]) + b->words[i] + carry;
    r->words[i] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  for (; i < a->length; i++) {
    uint64_t t = static_cast<uint64_t>(a->words[i]) + carry;
    r->words[i] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  r->length = a->length;
  if (carry != 0) {
    r->words[r->length++] = 1;
  }
  return BN_OK;
}

BnStatus bigint_sub(const BigInt *a, const BigInt *b, BigInt *r) {
  if (a->length < b->length) {
    return BN_NEGATIVE_RESULT;
  }
  BnStatus status = bigint_reserve(a->length + 1, r);
  if (status != BN_OK) {
    return status;
  }
  uint32_t borrow = 0;
  int32_t i = 0;
  for (; i < b->length; i++) {
    uint64_t t = static_cast<uint64_t>(a->words[i]) - b->words[i] - borrow;
    r->words[i] = static_cast<uint32_t>(t);
    borrow = static_cast<uint32_t>(t >> 63);
  }
  for (; i < a->length; i++) {
    uint64_t t = static_cast<uint64_t>(a->words[i]) - borrow;
    r->words[i] = static_cast<uint32_t>(t);
    borrow = static_cast<uint32_t>(t >> 63);
  }
  if (borrow != 0) {
    return BN_NEGATIVE_RESULT;
  }
  r->length = a->length;
  normalise(r);
  return BN_OK;
}

BnStatus bigint_add_word(uint32_t w, BigInt *x) {
  if (x->length == 0) {
    return bigint_set_word(w, x);
  }
  x->words[0] += w;
  return carry_upward(x->words[0] < w ? 1 : 0, 1, x);
}

BnStatus bigint_sub_word(uint32_t w, BigInt *x) {
  uint32_t borrow = w;
  for (int32_t i = 0; i < x->length && borrow != 0; i++) {
    uint32_t before = x->words[i];
    x->words[i] = before - borrow;
    borrow = before < borrow ? 1 : 0;
  }
  if (borrow != 0) {
    return BN_NEGATIVE_RESULT;
  }
  normalise(x);
  return BN_OK;
}

BnStatus bigint_add_to(const BigInt *a, BigInt *x) {
  const int32_t a_length = a->length;
  if (x->length < a_length) {
    if (x->capacity < a_length) {
      BnStatus status = bigint_grow(a_length + 1, x);
      if (status != BN_OK) {
        return status;
      }
    }
    memset(x->words + x->length, 0, static_cast<size_t>(a_length - x->length) * sizeof(uint32_t));
    x->length = a_length;
  }
  return carry_upward(add_words(a->words, a_length, x->words), a_length, x);
}

BnStatus bigint_sub_from(const BigInt *a, BigInt *x) {
  if (x->length < a->length) {
    return BN_NEGATIVE_RESULT;
  }
  uint32_t borrow = 0;
  int32_t i = 0;
  for (; i < a->length; i++) {
    uint64_t t = static_cast<uint64_t>(x->words[i]) - a->words[i] - borrow;
    x->words[i] = static_cast<uint32_t>(t);
    borrow = static_cast<uint32_t>(t >> 63);
  }
  for (; i < x->length && borrow != 0; i++) {
    borrow = x->words[i] == 0 ? 1 : 0;
    x->words[i]--;
  }
  if (borrow != 0) {
    return BN_NEGATIVE_RESULT;
  }
  normalise(x);
  return BN_OK;
}

void bigint_mul_add_row(uint32_t w, const BigInt *x, int32_t start, int32_t count, BigInt *r,
                        int32_t at) {
  uint32_t carry = mul_add_words(w, x->words + start, count, r->words + at);
  for (int32_t i = at + count; carry != 0; i++) {
    r->words[i] += carry;
    carry = r->words[i] < carry ? 1 : 0;
  }
}

BnStatus bigint_mul(const BigInt *a, const BigInt *b, BigInt *r) {
  const int32_t n = a->length + b->length;
  BnStatus status = bigint_reserve(n, r);
  if (status != BN_OK) {
    return status;
  }
  memset(r->words, 0, static_cast<size_t>(n) * sizeof(uint32_t));
  for (int32_t i = 0; i < b->length; i++) {
    if (b->words[i] != 0) {
      bigint_mul_add_row(b->words[i], a, 0, a->length, r, i);
    }
  }
  r->length = n;
  normalise(r);
  return BN_OK;
}

BnStatus bigint_divide(const BigInt *a, const BigInt *d, BigInt *q, BigInt *rem) {
  if (is_zero(d)) {
    return BN_DIVIDE_BY_ZERO;
  }
  return divide(a, d, q, rem);
}

BnStatus bigint_mod(const BigInt *a, const BigInt *m, BigInt *rem) {
  if (is_zero(m)) {
    return BN_BAD_MODULUS;
  }
  return divide(a, m, nullptr, rem);
}

BnStatus bigint_mod_word(const BigInt *a, uint32_t w, uint32_t *rem) {
  if (w == 0) {
    return BN_BAD_MODULUS;
  }
  uint64_t r = 0;
  for (int32_t i = a->length - 1; i >= 0; i--) {
    r = ((r << 32) | a->words[i]) % w;
  }
  *rem = static_cast<uint32_t>(r);
  return BN_OK;
}

BnStatus bigint_shift_left_words(int32_t k, BigInt *x) {
  if (k <= 0 || is_zero(x)) {
    return BN_OK;
  }
  if (x->capacity < x->length + k) {
    BnStatus status = bigint_grow(x->length + k + 1, x);
    if (status != BN_OK) {
      return status;
    }
  }
  memmove(x->words + k, x->words, static_cast<size_t>(x->length) * sizeof(uint32_t));
  memset(x->words, 0, static_cast<size_t>(k) * sizeof(uint32_t));
  x->length += k;
  return BN_OK;
}

BnStatus bigint_shift_right_words(int32_t k, BigInt *x) {
  if (k <= 0) {
    return BN_OK;
  }
  if (k >= x->length) {
    x->words[0] = 0;
    x->length = 1;
    return BN_OK;
  }
  memmove(x->words, x->words + k, static_cast<size_t>(x->length - k) * sizeof(uint32_t));
  x->length -= k;
  return BN_OK;
}

BnStatus bigint_shift_left_bits(int32_t s, BigInt *x) {
  if (s <= 0 || is_zero(x)) {
    return BN_OK;
  }
  BnStatus status = bigint_shift_left_words(s / 32, x);
  const int bits = s % 32;
  if (status != BN_OK || bits == 0) {
    return status;
  }
  const uint32_t out = x->words[x->length - 1] >> (32 - bits);
  if (out != 0 && x->capacity < x->length + 1) {
    if ((status = bigint_grow(x->length + 2, x)) != BN_OK) {
      return status;
    }
  }
  for (int32_t i = x->length - 1; i > 0; i--) {
    x->words[i] = (x->words[i] << bits) | (x->words[i - 1] >> (32 - bits));
  }
  x->words[0] <<= bits;
  if (out != 0) {
    x->words[x->length++] = out;
  }
  return BN_OK;
}

BnStatus bigint_shift_right_bits(int32_t s, BigInt *x) {
  if (s <= 0) {
    return BN_OK;
  }
  bigint_shift_right_words(s / 32, x);
  const int bits = s % 32;
  if (bits == 0) {
    return BN_OK;
  }
  for (int32_t i = 0; i < x->length - 1; i++) {
    x->words[i] = (x->words[i] >> bits) | (x->words[i + 1] << (32 - bits));
  }
  x->words[x->length - 1] >>= bits;
  normalise(x);
  return BN_OK;
}

BnStatus bigint_shift_in_word(uint32_t w, BigInt *x) {
  if (x->length == 0 || is_zero(x)) {
    return bigint_set_word(w, x);
  }
  if (x->capacity < x->length + 1) {
    BnStatus status = bigint_grow(x->length + 2, x);
    if (status != BN_OK) {
      return status;
    }
  }
  memmove(x->words + 1, x->words, static_cast<size_t>(x->length) * sizeof(uint32_t));
  x->words[0] = w;
  x->length++;
  return BN_OK;
}

BnStatus bigint_gcd(const BigInt *a, const BigInt *b, BigInt *g) {
  if (is_zero(a) && is_zero(b)) {
    return BN_ZERO_GCD;
  }
  if (bigint_compare(a, b) < 0) {
    const BigInt *t = a;
    a = b;
    b = t;
  }
  // Euclid on the pair (x, y), x >= y; the three records rotate.
  BigInt x, y, next;
  bigint_init(&x);
  bigint_init(&y);
  bigint_init(&next);
  BnStatus status;
  if ((status = bigint_copy(a, &x)) != BN_OK || (status = bigint_copy(b, &y)) != BN_OK) {
    goto done;
  }
  while (!is_zero(&y)) {
    if ((status = bigint_mod(&x, &y, &next)) != BN_OK) {
      goto done;
    }
    BigInt old_x = x;
    x = y;
    y = next;
    next = old_x;
  }
  status = bigint_copy(&x, g);

done:
  bigint_free(&x);
  bigint_free(&y);
  bigint_free(&next);
  return status;
}

BnStatus bigint_mod_inverse(const BigInt *a, const BigInt *m, BigInt *r) {
  if (bigint_compare(a, m) >= 0) {
    return is_zero(m) ? BN_BAD_MODULUS : BN_NOT_REDUCED;
  }
  // Extended Euclid on the remainder sequence r0 = m, r1 = a, keeping only the
  // coefficients of a: r_i = s_i * a (mod m), with s0 = 0 and s1 = 1.
  BigInt r0, r1, quotient, remainder, scratch;
  SignedBigInt s0, s1;
  bigint_init(&r0);
  bigint_init(&r1);
  bigint_init(&quotient);
  bigint_init(&remainder);
  bigint_init(&scratch);
  bigint_init(&s0.magnitude);
  bigint_init(&s1.magnitude);
  s0.negative = false;
  s1.negative = false;
  BnStatus status;
  if ((status = bigint_copy(m, &r0)) != BN_OK || (status = bigint_copy(a, &r1)) != BN_OK ||
      (status = bigint_set_word(0, &s0.magnitude)) != BN_OK ||
      (status = bigint_set_word(1, &s1.magnitude)) != BN_OK) {
    goto done;
  }
  while (!is_zero(&r1)) {
    if ((status = bigint_divide(&r0, &r1, &quotient, &remainder)) != BN_OK ||
        (status = signed_sub_product(&quotient, &s1, &s0, &scratch)) != BN_OK) {
      goto done;
    }
    // (r0, r1) = (r1, remainder) and (s0, s1) = (s1, s0 - q * s1).
    BigInt old_r0 = r0;
    r0 = r1;
    r1 = remainder;
    remainder = old_r0;
    SignedBigInt old_s0 = s0;
    s0 = s1;
    s1 = old_s0;
  }
  if (!(r0.length == 1 && r0.words[0] == 1)) {
    status = BN_NO_INVERSE;
    goto done;
  }
  if (s0.negative && !is_zero(&s0.magnitude)) {
    status = bigint_sub(m, &s0.magnitude, r);
  } else {
    status = bigint_copy(&s0.magnitude, r);
  }

done:
  bigint_free(&r0);
  bigint_free(&r1);
  bigint_free(&quotient);
  bigint_free(&remainder);
  bigint_free(&scratch);
  bigint_free(&s0.magnitude);
  bigint_free(&s1.magnitude);
  return status;
}

BnStatus bigint_mod_sub(const BigInt *a, const BigInt *b, const BigInt *m, BigInt *r) {
  BigInt t, reduced;
  bigint_init(&t);
  bigint_init(&reduced);
  BnStatus status;
  if (bigint_compare(a, b) >= 0) {
    if ((status = bigint_sub(a, b, &t)) != BN_OK) {
      goto done;
    }
    status = bigint_compare(&t, m) >= 0 ? bigint_mod(&t, m, r) : bigint_copy(&t, r);
    goto done;
  }
  // a < b: the result is m - ((b - a) mod m), or 0 when m divides b - a.
  if ((status = bigint_sub(b, a, &t)) != BN_OK) {
    goto done;
  }
  if (bigint_compare(&t, m) > 0) {
    if ((status = bigint_mod(&t, m, &reduced)) != BN_OK) {
      goto done;
    }
  } else if ((status = bigint_copy(&t, &reduced)) != BN_OK) {
    goto done;
  }
  if (is_zero(&reduced) || bigint_compare(&reduced, m) == 0) {
    status = bigint_set_word(0, r);
  } else {
    status = bigint_sub(m, &reduced, r);
  }

done:
  bigint_free(&t);
  bigint_free(&reduced);
  return status;
}

BnStatus bigint_mod_mul(const BigInt *a, const BigInt *b, const BigInt *m, BigInt *r) {
  BigInt product;
  bigint_init(&product);
  BnStatus status = bigint_mul(a, b, &product);
  if (status == BN_OK) {
    status = bigint_mod(&product, m, r);
  }
  bigint_free(&product);
  return status;
}
