// prime.h: the probable-prime search of RSA key generation: the sieving
// primes and find_prime.
#ifndef KIT_SECURITY_ENGINES_PRIME_H
#define KIT_SECURITY_ENGINES_PRIME_H

#include <stdint.h>

#include <array>

#include "security/engines/bigint.h"
#include "security/framework/base.h"

enum {
  SIEVING_PRIME_COUNT = 6453,  // every odd prime below 3 + 126 * 512 = 64515
  FIND_PRIME_WINDOW = 500,     // odd candidates one search looks at
};

// The sieving primes in increasing order (3, 5, 7, ..., 64513).
extern const std::array<uint16_t, SIEVING_PRIME_COUNT> SIEVING_PRIMES;

// find_prime_random_length: octets of random input find_prime reads for a
// prime of |bits| bits (2 * ceil(bits / 16)).
uint32_t find_prime_random_length(int32_t bits);

// find_prime writes into |out| a probable prime of exactly |bits| bits (at
// least 3 * 2^(bits-2)) for which gcd(e, prime - 1) = 1, searched among the
// 500 odd numbers from a starting point made of the first
// find_prime_random_length(bits) octets of |random|. The same input always
// gives the same prime. Returns ENGINE_OK; ENGINE_RETRY when the window holds
// no such prime (|out| then undefined); ENGINE_BAD_INPUT for |bits| below 16
// or a zero |e|; ENGINE_CANCELLED; ENGINE_NO_MEMORY.
EngineStatus find_prime(const uint8_t *random, int32_t bits, const BigInt *e, BigInt *out,
                        const CancelCheck *cancel);

#endif  // KIT_SECURITY_ENGINES_PRIME_H
