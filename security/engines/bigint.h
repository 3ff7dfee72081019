// bigint.h: unsigned multi-precision integers of 32-bit words for the RSA
// engines, the prime search and the key-pair generator.
//
// A BigInt holds its value least significant word first, always normalised:
// the top word in use is nonzero, except for zero, which is one word 0. Every
// array a BigInt ever held is zeroed before it is released, because key
// material passes through every value.
//
// Every operation returns a big-number status (BN_OK on success) unless its
// comment says otherwise. Inputs are never changed. Unless an operation is
// in place (its operand last), an output must be distinct from every input and
// from every other output. An output's previous value is lost; on a failure
// outputs are undefined, and a value being grown when memory runs out is left
// empty (capacity 0, length 0).
#ifndef KIT_SECURITY_ENGINES_BIGINT_H
#define KIT_SECURITY_ENGINES_BIGINT_H

#include <stddef.h>
#include <stdint.h>

#include "security/framework/base.h"

struct BigInt {
  int32_t capacity;  // words allocated; 0 when nothing is allocated
  int32_t length;    // words in use
  uint32_t *words;   // least significant first; null when nothing is allocated
};

// Big-number statuses; produced only by the arithmetic, turned into engine
// codes by bn_status_to_engine before they leave an engine.
typedef int32_t BnStatus;
enum {
  BN_OK = 0,
  BN_NO_MEMORY = 256,
  BN_INTERNAL = 260,          // tables already present; unnormalised value to bigint_to_octets
  BN_OUTPUT_TOO_SMALL = 261,  // bigint_to_octets: space below the encoding's length
  BN_DIVIDE_BY_ZERO = 262,
  BN_BAD_MODULUS = 263,    // zero modulus; even modulus for Montgomery arithmetic
  BN_NOT_REDUCED = 264,    // operand not below its modulus
  BN_NEGATIVE_RESULT = 265,
  BN_ZERO_GCD = 266,
  BN_NO_INVERSE = 267,
  BN_TOO_LONG = 268,       // bigint_to_octets_fixed: value or space longer/shorter than asked
};

// bn_status_to_engine maps a big-number status to the engine code an engine
// returns: 256 -> ENGINE_NO_MEMORY, 263 -> ENGINE_BAD_MODULUS, 268 ->
// ENGINE_OUTPUT_TOO_SMALL, 257..267 otherwise -> ENGINE_BAD_INPUT; anything
// else (0 and engine codes such as ENGINE_CANCELLED) passes unchanged.
EngineStatus bn_status_to_engine(BnStatus status);

// Storage.
// bigint_init makes |x| empty (no words). Cannot fail.
void bigint_init(BigInt *x);
// bigint_free zeroes all allocated words, releases them and leaves |x| empty.
// Accepts an empty value.
void bigint_free(BigInt *x);
// bigint_grow makes capacity >= |n| keeping the value. BN_NO_MEMORY leaves |x|
// empty (its old words zeroed and released).
BnStatus bigint_grow(int32_t n, BigInt *x);
// bigint_reserve makes capacity >= |n|; a replaced array loses the value
// (length 0). BN_NO_MEMORY leaves |x| empty.
BnStatus bigint_reserve(int32_t n, BigInt *x);
// bigint_copy: r = a.
BnStatus bigint_copy(const BigInt *a, BigInt *r);
// bigint_set_word: r = w.
BnStatus bigint_set_word(uint32_t w, BigInt *r);

// Conversions.
// bigint_from_octets loads |count| big-endian octets (leading zeros allowed;
// none gives zero).
BnStatus bigint_from_octets(const uint8_t *bytes, size_t count, BigInt *r);
// bigint_to_octets writes the minimal big-endian encoding (zero is one octet
// 0x00) and sets |*written| to its length; BN_OUTPUT_TOO_SMALL (nothing
// written, |*written| still set) when |space| is smaller; BN_INTERNAL for a
// value that is not normalised.
BnStatus bigint_to_octets(const BigInt *a, size_t space, size_t *written, uint8_t *out);
// bigint_to_octets_fixed writes exactly |length| octets, zero-filled on the
// left; BN_TOO_LONG when the value needs more or |space| < |length|.
BnStatus bigint_to_octets_fixed(const BigInt *a, size_t length, size_t space, size_t *written,
                                uint8_t *out);
// octets_bit_length: significant bits of a big-endian string (0 when all zero).
uint32_t octets_bit_length(const uint8_t *bytes, size_t count);

// Bits and comparison.
// bigint_bit_length: 0 for an empty value, 1 for zero and one.
int32_t bigint_bit_length(const BigInt *a);
// bigint_get_bit: bit |i| (0 = least significant); beyond the value reads 0.
BnStatus bigint_get_bit(int32_t i, const BigInt *a, int *bit);
// bigint_set_bit / bigint_clear_bit: in place; set grows |x| as needed.
BnStatus bigint_set_bit(int32_t i, BigInt *x);
BnStatus bigint_clear_bit(int32_t i, BigInt *x);
// bigint_compare returns -1, 0 or +1 (no status).
int bigint_compare(const BigInt *a, const BigInt *b);

// Addition and subtraction. Subtractions whose result would be below zero
// return BN_NEGATIVE_RESULT; the output or in-place operand is then undefined.
BnStatus bigint_add(const BigInt *a, const BigInt *b, BigInt *r);
BnStatus bigint_sub(const BigInt *a, const BigInt *b, BigInt *r);
BnStatus bigint_add_word(uint32_t w, BigInt *x);
BnStatus bigint_sub_word(uint32_t w, BigInt *x);
BnStatus bigint_add_to(const BigInt *a, BigInt *x);
BnStatus bigint_sub_from(const BigInt *a, BigInt *x);

// Multiplication and division.
BnStatus bigint_mul(const BigInt *a, const BigInt *b, BigInt *r);
// bigint_mul_add_row adds w * x[start .. start+count-1] into r's words from
// |at|, then carries on upward from r[at + count]. It does not change r's
// length and cannot fail: the caller sizes r's array for the carry.
void bigint_mul_add_row(uint32_t w, const BigInt *x, int32_t start, int32_t count, BigInt *r,
                        int32_t at);
// bigint_divide: q = a / d, rem = a mod d; BN_DIVIDE_BY_ZERO when d = 0.
BnStatus bigint_divide(const BigInt *a, const BigInt *d, BigInt *q, BigInt *rem);
// bigint_mod: rem = a mod m; BN_BAD_MODULUS when m = 0.
BnStatus bigint_mod(const BigInt *a, const BigInt *m, BigInt *rem);
// bigint_mod_word: *rem = a mod w; BN_BAD_MODULUS when w = 0.
BnStatus bigint_mod_word(const BigInt *a, uint32_t w, uint32_t *rem);

// Shifts, in place.
BnStatus bigint_shift_left_words(int32_t k, BigInt *x);   // nothing when k <= 0
BnStatus bigint_shift_right_words(int32_t k, BigInt *x);  // zero when k >= length
BnStatus bigint_shift_left_bits(int32_t s, BigInt *x);    // nothing when s <= 0
BnStatus bigint_shift_right_bits(int32_t s, BigInt *x);   // nothing when s <= 0
BnStatus bigint_shift_in_word(uint32_t w, BigInt *x);     // x = x * 2^32 + w

// Number theory.
// bigint_gcd: BN_ZERO_GCD when both are zero.
BnStatus bigint_gcd(const BigInt *a, const BigInt *b, BigInt *g);
// bigint_mod_inverse: r = a^-1 mod m in [0, m). a >= m: BN_BAD_MODULUS when m
// is zero, else BN_NOT_REDUCED; BN_NO_INVERSE when gcd(a, m) != 1.
BnStatus bigint_mod_inverse(const BigInt *a, const BigInt *m, BigInt *r);
// bigint_mod_sub: r = (a - b) mod m in [0, m); a and b need not be reduced.
BnStatus bigint_mod_sub(const BigInt *a, const BigInt *b, const BigInt *m, BigInt *r);
// bigint_mod_mul: r = a * b mod m.
BnStatus bigint_mod_mul(const BigInt *a, const BigInt *b, const BigInt *m, BigInt *r);

#endif  // KIT_SECURITY_ENGINES_BIGINT_H
