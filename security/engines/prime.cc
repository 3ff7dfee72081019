// Probable primes for RSA keys: a sieve over a window of odd candidates by
// every odd prime below 64515, a coprimality test against the public
// exponent, and a Fermat test to the bases 3, 5, 7 and 11.
#include "security/engines/prime.h"

#include "security/engines/mont.h"
#include "security/framework/memory.h"

namespace {

// The odd primes below 256: enough to sieve every number below 257^2.
constexpr uint16_t kTablePrimes[] = {
    3,   5,   7,   11,  13,  17,  19,  23,  29,  31,  37,  41,  43,  47,  53,  59,  61,  67,
    71,  73,  79,  83,  89,  97,  101, 103, 107, 109, 113, 127, 131, 137, 139, 149, 151, 157,
    163, 167, 173, 179, 181, 191, 193, 197, 199, 211, 223, 227, 229, 233, 239, 241, 251};
constexpr int kTablePrimeCount = sizeof kTablePrimes / sizeof kTablePrimes[0];
static_assert(kTablePrimeCount == 53);

constexpr int kSegmentLength = 512;
constexpr int kSegmentCount = 126;
constexpr uint32_t kSieveStart = 3;

// Segmented sieve of Eratosthenes over [3, 3 + 126 * 512), one segment of 512
// integers at a time; each table prime carries the position of its next odd
// multiple (its own square's predecessors are caught by smaller primes, so
// starting at 3 * prime is enough and skips the prime itself).
constexpr std::array<uint16_t, SIEVING_PRIME_COUNT> make_sieving_primes() {
  std::array<uint16_t, SIEVING_PRIME_COUNT> primes{};
  uint32_t next_multiple[kTablePrimeCount] = {};
  for (int k = 0; k < kTablePrimeCount; k++) {
    next_multiple[k] = 3u * kTablePrimes[k];
  }
  int found = 0;
  for (int segment = 0; segment < kSegmentCount; segment++) {
    const uint32_t base = kSieveStart + (uint32_t)segment * kSegmentLength;
    bool composite[kSegmentLength] = {};
    for (int k = 0; k < kTablePrimeCount; k++) {
      uint32_t m = next_multiple[k];
      for (; m < base + kSegmentLength; m += 2u * kTablePrimes[k]) {
        composite[m - base] = true;
      }
      next_multiple[k] = m;
    }
    for (uint32_t n = base | 1u; n < base + kSegmentLength; n += 2) {
      if (!composite[n - base] && found < SIEVING_PRIME_COUNT) {
        primes[found++] = (uint16_t)n;
      }
    }
  }
  return primes;
}

// The Fermat bases are the first four table primes.
constexpr uint32_t kFermatBases[] = {3, 5, 7, 11};

bool is_one(const BigInt *a) { return a->length == 1 && a->words[0] == 1; }

// Loads the starting candidate: the octets taken as 16-bit big-endian units,
// the first unit least significant.
BnStatus load_candidate(const uint8_t *random, int32_t bits, BigInt *x) {
  const uint32_t units = find_prime_random_length(bits) / 2;
  const uint32_t words = (units + 1) / 2;
  BnStatus status = bigint_set_word(0, x);
  for (uint32_t w = words; status == BN_OK && w-- > 0;) {
    const uint32_t low = 2 * w, high = 2 * w + 1;
    uint32_t word = (uint32_t)random[2 * low] << 8 | random[2 * low + 1];
    if (high < units) {
      word |= ((uint32_t)random[2 * high] << 8 | random[2 * high + 1]) << 16;
    }
    status = bigint_shift_in_word(word, x);
  }
  return status;
}

// Exactly |bits| bits, the top two set, odd.
BnStatus shape_candidate(int32_t bits, BigInt *x) {
  BnStatus status = BN_OK;
  for (int32_t i = bigint_bit_length(x) - 1; status == BN_OK && i >= bits; i--) {
    status = bigint_clear_bit(i, x);
  }
  if (status == BN_OK) status = bigint_set_bit(bits - 1, x);
  if (status == BN_OK) status = bigint_set_bit(bits - 2, x);
  if (status == BN_OK) status = bigint_set_bit(0, x);
  return status;
}

// f[i] is set when candidate + 2i has a sieving prime as a factor.
BnStatus sieve_window(const BigInt *candidate, uint8_t f[FIND_PRIME_WINDOW]) {
  for (int i = 0; i < FIND_PRIME_WINDOW; i++) {
    f[i] = 0;
  }
  for (uint16_t g : SIEVING_PRIMES) {
    uint32_t r = 0;
    BnStatus status = bigint_mod_word(candidate, g, &r);
    if (status != BN_OK) {
      return status;
    }
    // candidate + 2i = 0 (mod g) for the first i: (g - r) / 2 when r is odd,
    // g - r / 2 when r is even and nonzero, 0 when r is 0.
    uint32_t i = r == 0 ? 0 : (r & 1) ? (g - r) / 2 : g - r / 2;
    for (; i < FIND_PRIME_WINDOW; i += g) {
      f[i] = 1;
    }
  }
  return BN_OK;
}

// Whether a^n = a (mod n) for each Fermat base; *passes is set on success.
BnStatus fermat_test(const BigInt *n, bool *passes, const CancelCheck *cancel) {
  BigInt a, y;
  bigint_init(&a);
  bigint_init(&y);
  BnStatus status = BN_OK;
  *passes = true;
  for (uint32_t base : kFermatBases) {
    if ((status = bigint_set_word(base, &a)) != BN_OK ||
        (status = bigint_mod_exp(&a, n, n, &y, cancel)) != BN_OK) {
      break;
    }
    if (bigint_compare(&y, &a) != 0) {
      *passes = false;
      break;
    }
  }
  bigint_free(&a);
  bigint_free(&y);
  return status;
}

}  // namespace

constinit const std::array<uint16_t, SIEVING_PRIME_COUNT> SIEVING_PRIMES = make_sieving_primes();
static_assert(make_sieving_primes()[SIEVING_PRIME_COUNT - 1] == 64513);

uint32_t find_prime_random_length(int32_t bits) { return 2 * (((uint32_t)bits + 15) / 16); }

EngineStatus find_prime(const uint8_t *random, int32_t bits, const BigInt *e, BigInt *out,
                        const CancelCheck *cancel) {
  if (bits < 16 || e == nullptr || e->length < 1 || (e->length == 1 && e->words[0] == 0)) {
    return ENGINE_BAD_INPUT;
  }
  uint8_t sieved[FIND_PRIME_WINDOW];
  BigInt candidate, t, g;
  bigint_init(&candidate);
  bigint_init(&t);
  bigint_init(&g);
  EngineStatus result = ENGINE_RETRY;
  BnStatus status = BN_OK;
  if ((status = load_candidate(random, bits, &candidate)) != BN_OK ||
      (status = shape_candidate(bits, &candidate)) != BN_OK ||
      (status = sieve_window(&candidate, sieved)) != BN_OK) {
    goto done;
  }
  for (int i = 0; i < FIND_PRIME_WINDOW; i++) {
    if (i > 0 && (status = bigint_add_word(2, &candidate)) != BN_OK) {
      goto done;
    }
    if (sieved[i]) {
      continue;
    }
    if ((status = bigint_copy(&candidate, &t)) != BN_OK ||
        (status = bigint_sub_word(1, &t)) != BN_OK || (status = bigint_gcd(e, &t, &g)) != BN_OK) {
      goto done;
    }
    if (!is_one(&g)) {
      continue;
    }
    bool passes = false;
    if ((status = fermat_test(&candidate, &passes, cancel)) != BN_OK) {
      goto done;
    }
    if (passes) {
      status = bigint_copy(&candidate, out);
      result = ENGINE_OK;
      goto done;
    }
  }
done:
  cinder_wipe(sieved, sizeof sieved);
  bigint_free(&candidate);
  bigint_free(&t);
  bigint_free(&g);
  return status != BN_OK ? bn_status_to_engine(status) : result;
}
