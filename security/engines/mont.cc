// Montgomery multiplication (P. L. Montgomery, "Modular multiplication without
// trial division", 1985), fixed-window exponentiation over it, and the CRT
// private-key operation (PKCS #1 v2.2, RFC 8017 section 5.1.2).
//
// The kernels work on fixed-width limb arrays: 32-bit limbs everywhere, and
// 64-bit limbs with a 128-bit product where the compiler has one. The limbs
// are loaded from and stored to the BigInt word arrays at the edges; R is
// 2^(limb bits * limb count), so the public Montgomery functions use 64-bit
// limbs only when the modulus has an even number of words (R = 2^(32n) then
// holds either way), while the exponentiation, whose R never leaves it, uses
// the widest limbs available. For 1024-bit primes, on processors with
// AVX-512 IFMA, the private-key operation runs its two halves side by side on
// 52-bit limbs (mont_ifma.h).
#include "security/engines/mont.h"

#include <string.h>

#if defined(__x86_64__) && defined(__clang__)
#include <cpuid.h>
#endif

#include <utility>

#include "security/engines/mont_ifma.h"
#include "security/engines/mont_internal.h"
#include "security/framework/memory.h"

namespace {

template <typename Limb>
struct LimbTraits;

template <>
struct LimbTraits<uint32_t> {
  using Wide = uint64_t;
  static constexpr int kWords = 1;
};

#if defined(__SIZEOF_INT128__)
constexpr bool kHaveLimbs64 = true;
template <>
struct LimbTraits<uint64_t> {
  using Wide = unsigned __int128;
  static constexpr int kWords = 2;
};
#else
constexpr bool kHaveLimbs64 = false;
#endif

template <typename Limb>
constexpr int kLimbBits = 8 * sizeof(Limb);

// r = a * b * R^-1 mod m and r = a^2 * R^-1 mod m on |n| limbs.
template <typename Limb>
using MulKernel = void (*)(const Limb *a, const Limb *b, const Limb *m, int32_t n, Limb mu,
                           Limb *r, Limb *t);
template <typename Limb>
using SquareKernel = void (*)(const Limb *a, const Limb *m, int32_t n, Limb mu, Limb *r, Limb *t);

// The modulus as the kernels see it, with the kernels for its size.
template <typename Limb>
struct MontModulus {
  const Limb *m;
  int32_t limbs;
  Limb mu;  // -m^-1 mod 2^(limb bits)
  MulKernel<Limb> mul;
  SquareKernel<Limb> square;
};

// r = t - m when t >= m, else t, for t of limbs + 1 limbs below 2m. The choice
// is made with a mask so that it does not branch on the (secret) value.
template <typename Limb>
__attribute__((always_inline)) inline void reduce_once(const Limb *t, const Limb *m, int32_t n,
                                                       Limb *r) {
  using Wide = typename LimbTraits<Limb>::Wide;
  Limb borrow = 0;
  for (int32_t j = 0; j < n; j++) {
    Wide d = static_cast<Wide>(t[j]) - m[j] - borrow;
    r[j] = static_cast<Limb>(d);
    borrow = static_cast<Limb>(d >> (2 * kLimbBits<Limb> - 1));
  }
  // Keep t when the subtraction went below zero (t[n] could not pay the borrow).
  const Limb keep_t = static_cast<Limb>(0) - static_cast<Limb>(borrow > t[n]);
  for (int32_t j = 0; j < n; j++) {
    r[j] = (t[j] & keep_t) | (r[j] & ~keep_t);
  }
}

// r = a * b * R^-1 mod m, finely integrated operand scanning (Koc, Acar,
// Kaliski, "Analyzing and comparing Montgomery multiplication algorithms",
// 1996): each pass adds a * b[i] and the multiple u * m that clears the lowest
// limb in one sweep, two independent carry chains, shifting down one limb.
// |t| holds limbs + 1 limbs; r may be a or b.
template <typename Limb>
__attribute__((always_inline)) inline void mont_mul_core(const Limb *a, const Limb *b,
                                                         const Limb *m, int32_t n, Limb mu,
                                                         Limb *r, Limb *t) {
  using Wide = typename LimbTraits<Limb>::Wide;
  constexpr int kBits = kLimbBits<Limb>;
  memset(t, 0, static_cast<size_t>(n + 1) * sizeof(Limb));
  for (int32_t i = 0; i < n; i++) {
    const Limb bi = b[i];
    Wide p = static_cast<Wide>(a[0]) * bi + t[0];
    Limb c1 = static_cast<Limb>(p >> kBits);
    const Limb low = static_cast<Limb>(p);
    const Limb u = low * mu;
    Wide q = static_cast<Wide>(u) * m[0] + low;
    Limb c2 = static_cast<Limb>(q >> kBits);
#pragma GCC unroll 8
    for (int32_t j = 1; j < n; j++) {
      p = static_cast<Wide>(a[j]) * bi + t[j] + c1;
      c1 = static_cast<Limb>(p >> kBits);
      q = static_cast<Wide>(u) * m[j] + static_cast<Limb>(p) + c2;
      c2 = static_cast<Limb>(q >> kBits);
      t[j - 1] = static_cast<Limb>(q);
    }
    Wide s = static_cast<Wide>(t[n]) + c1 + c2;
    t[n - 1] = static_cast<Limb>(s);
    t[n] = static_cast<Limb>(s >> kBits);
  }
  reduce_once(t, m, n, r);
}

// r = a^2 * R^-1 mod m: the cross products once, doubled, the squares added,
// then limbs reductions. |t| holds 2 * limbs + 1 limbs; r may be a.
template <typename Limb>
__attribute__((always_inline)) inline void mont_square_core(const Limb *a, const Limb *m,
                                                            int32_t n, Limb mu, Limb *r,
                                                            Limb *t) {
  using Wide = typename LimbTraits<Limb>::Wide;
  constexpr int kBits = kLimbBits<Limb>;
  memset(t, 0, static_cast<size_t>(2 * n + 1) * sizeof(Limb));
  for (int32_t i = 0; i + 1 < n; i++) {
    const Limb ai = a[i];
    Wide c = 0;
    for (int32_t j = i + 1; j < n; j++) {
      Wide p = static_cast<Wide>(ai) * a[j] + t[i + j] + static_cast<Limb>(c);
      t[i + j] = static_cast<Limb>(p);
      c = p >> kBits;
    }
    t[i + n] = static_cast<Limb>(c);
  }
  for (int32_t k = 2 * n - 1; k > 0; k--) {
    t[k] = (t[k] << 1) | (t[k - 1] >> (kBits - 1));
  }
  t[0] <<= 1;
  Limb carry = 0;
  for (int32_t i = 0; i < n; i++) {
    Wide p = static_cast<Wide>(a[i]) * a[i] + t[2 * i] + carry;
    t[2 * i] = static_cast<Limb>(p);
    Wide q = static_cast<Wide>(t[2 * i + 1]) + static_cast<Limb>(p >> kBits);
    t[2 * i + 1] = static_cast<Limb>(q);
    carry = static_cast<Limb>(q >> kBits);
  }
  // Reduction: row i clears limb i; its final carry lands on limb i + n,
  // where the overflow of the previous row's carry is added along with it.
  Limb top = 0;
  for (int32_t i = 0; i < n; i++) {
    const Limb u = t[i] * mu;
    Wide c = 0;
    for (int32_t j = 0; j < n; j++) {
      Wide p = static_cast<Wide>(u) * m[j] + t[i + j] + static_cast<Limb>(c);
      t[i + j] = static_cast<Limb>(p);
      c = p >> kBits;
    }
    Wide s = static_cast<Wide>(t[i + n]) + static_cast<Limb>(c) + top;
    t[i + n] = static_cast<Limb>(s);
    top = static_cast<Limb>(s >> kBits);
  }
  t[2 * n] = top;
  reduce_once(t + n, m, n, r);
}

#if defined(__x86_64__)
// Kernels for x86-64 processors with BMI2 and ADX (chosen at run time): mulx
// leaves the flags alone, so adcx (carry flag) and adox (overflow flag) run
// two carry chains through one unrolled sweep, one for the low and one for the
// high halves of the products. The sweeps are unrolled by the assembler
// (.rept) for the fixed limb counts of RSA primes and moduli.
// One step of a row: r8 = low half of rdx * x + src + CF, plus the previous
// high half + OF, stored to dst. The high halves alternate between r9 and r10
// (kit_p says which receives this one) so that no register copy is needed;
// KIT_ADX_ROW_END leaves the last high half in r10. Registers: rdx the
// multiplier, rax zero, r8 the low half.
#define KIT_ADX_STEP(x, src, dst) \
  ".if kit_p == 0\n\t"            \
  "mulx " x ", %%r8, %%r9\n\t"    \
  "adcx " src ", %%r8\n\t"        \
  "adox %%r10, %%r8\n\t"          \
  ".else\n\t"                     \
  "mulx " x ", %%r8, %%r10\n\t"   \
  "adcx " src ", %%r8\n\t"        \
  "adox %%r9, %%r8\n\t"           \
  ".endif\n\t"                    \
  "movq %%r8, " dst "\n\t"        \
  ".set kit_p, 1 - kit_p\n\t"
#define KIT_ADX_ROW_END ".if kit_p == 1\n\tmovq %%r9, %%r10\n\t.endif\n\t"

// r = a * b * R^-1 mod m for N limbs: per limb of b, t += a * b[i], then
// t = (t + u * m) / 2^64 with u = t[0] * mu. t holds N + 2 limbs and stays
// below 2m (N + 1 limbs) between the limbs of b. The lowest limb also travels
// in a register (t0), and u is computed as soon as it is known: the step from
// one limb of b to the next is the critical path for RSA sizes.
template <int32_t N>
void mont_mul_adx(const uint64_t *a, const uint64_t *b, const uint64_t *m, int32_t, uint64_t mu,
                  uint64_t *r, uint64_t *t) {
  memset(t, 0, static_cast<size_t>(N + 2) * sizeof(uint64_t));
  uint64_t t0 = 0;
  for (int32_t i = 0; i < N; i++) {
    __asm__ volatile(
        "movq %[bi], %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "xorl %%r10d, %%r10d\n\t"
        ".set kit_p, 0\n\t"
        KIT_ADX_STEP("(%[a])", "%[t0]", "(%[t])")
        "movq %%r8, %[t0]\n\t"
        "movq %%r8, %%r11\n\t"
        ".set kit_j, 1\n\t"
        ".rept %c[n]-1\n\t"
        KIT_ADX_STEP("kit_j*8(%[a])", "kit_j*8(%[t])", "kit_j*8(%[t])")
        ".set kit_j, kit_j+1\n\t"
        ".endr\n\t"
        KIT_ADX_ROW_END
        // t[N] += high half and both carries; t[N + 1] takes what is left.
        "movq %c[n]*8(%[t]), %%r8\n\t"
        "adcx %%r10, %%r8\n\t"
        "adox %%rax, %%r8\n\t"
        "movq %%r8, %c[n]*8(%[t])\n\t"
        "movl $0, %%r9d\n\t"
        "adcx %%rax, %%r9\n\t"
        "adox %%rax, %%r9\n\t"
        "movq %%r9, (%c[n]+1)*8(%[t])\n\t"
        // u = t[0] * mu: its input is ready since the first step, but imul
        // writes the flags, so it waits until both chains are closed.
        "imulq %[mu], %%r11\n\t"
        // t = (t + u * m) / 2^64, shifting down as it goes.
        "movq %%r11, %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulx (%[m]), %%r8, %%r10\n\t"
        "adcx %[t0], %%r8\n\t"
        ".set kit_p, 0\n\t"
        KIT_ADX_STEP("8(%[m])", "8(%[t])", "(%[t])")
        "movq %%r8, %[t0]\n\t"
        ".set kit_j, 2\n\t"
        ".rept %c[n]-2\n\t"
        KIT_ADX_STEP("kit_j*8(%[m])", "kit_j*8(%[t])", "(kit_j-1)*8(%[t])")
        ".set kit_j, kit_j+1\n\t"
        ".endr\n\t"
        KIT_ADX_ROW_END
        "movq %c[n]*8(%[t]), %%r8\n\t"
        "adcx %%r10, %%r8\n\t"
        "adox %%rax, %%r8\n\t"
        "movq %%r8, (%c[n]-1)*8(%[t])\n\t"
        "movq (%c[n]+1)*8(%[t]), %%r9\n\t"
        "adcx %%rax, %%r9\n\t"
        "adox %%rax, %%r9\n\t"
        "movq %%r9, %c[n]*8(%[t])\n\t"
        "movq %%rax, (%c[n]+1)*8(%[t])\n\t"
        : [t0] "+r"(t0)
        : [a] "r"(a), [m] "r"(m), [t] "r"(t), [bi] "r"(b[i]), [mu] "r"(mu), [n] "i"(N)
        : "rax", "rdx", "r8", "r9", "r10", "r11", "cc", "memory");
  }
  reduce_once(t, m, N, r);
}

// Square, first half: row I of the cross products, t[2I + 1 .. I + N - 1] +=
// a[I] * a[I + 1 .. N - 1], its top limb written to t[I + N] (no row before
// reached it).
template <int32_t N, int32_t I>
__attribute__((always_inline)) inline void square_cross_row(const uint64_t *a, uint64_t *t) {
  __asm__ volatile(
      "movq %c[ai]*8(%[a]), %%rdx\n\t"
      "xorl %%eax, %%eax\n\t"
      "xorl %%r10d, %%r10d\n\t"
      ".set kit_j, 0\n\t"
      ".set kit_p, 0\n\t"
      ".rept %c[count]\n\t"
      KIT_ADX_STEP("(%c[ai]+1+kit_j)*8(%[a])", "(%c[to]+kit_j)*8(%[t])",
                   "(%c[to]+kit_j)*8(%[t])")
      ".set kit_j, kit_j+1\n\t"
      ".endr\n\t"
      KIT_ADX_ROW_END
      "adcx %%rax, %%r10\n\t"
      "adox %%rax, %%r10\n\t"
      "movq %%r10, (%c[ai]+%c[n])*8(%[t])\n\t"
      :
      : [a] "r"(a), [t] "r"(t), [ai] "i"(I), [to] "i"(2 * I + 1), [count] "i"(N - 1 - I),
        [n] "i"(N)
      : "rax", "rdx", "r8", "r9", "r10", "cc", "memory");
}

// r = a^2 * R^-1 mod m for N limbs: the cross products once, then doubled
// (the adcx chain) with the squares a[i]^2 added (the adox chain), then N
// reduction rows each clearing limb i, its overflow carried in |top| to the
// next row's top limb. t holds 2N + 1 limbs.
template <int32_t N>
void mont_square_adx(const uint64_t *a, const uint64_t *m, int32_t, uint64_t mu, uint64_t *r,
                     uint64_t *t) {
  memset(t, 0, static_cast<size_t>(2 * N + 1) * sizeof(uint64_t));
  [&]<int32_t... I>(std::integer_sequence<int32_t, I...>) {
    (square_cross_row<N, I>(a, t), ...);
  }(std::make_integer_sequence<int32_t, N - 1>());
  __asm__ volatile(
      "xorl %%eax, %%eax\n\t"
      ".set kit_i, 0\n\t"
      ".rept %c[n]\n\t"
      "movq kit_i*8(%[a]), %%rdx\n\t"
      "mulx %%rdx, %%r8, %%r9\n\t"
      "movq (2*kit_i)*8(%[t]), %%r10\n\t"
      "adcx %%r10, %%r10\n\t"
      "adox %%r8, %%r10\n\t"
      "movq %%r10, (2*kit_i)*8(%[t])\n\t"
      "movq (2*kit_i+1)*8(%[t]), %%r10\n\t"
      "adcx %%r10, %%r10\n\t"
      "adox %%r9, %%r10\n\t"
      "movq %%r10, (2*kit_i+1)*8(%[t])\n\t"
      ".set kit_i, kit_i+1\n\t"
      ".endr\n\t"
      :
      : [a] "r"(a), [t] "r"(t), [n] "i"(N)
      : "rax", "rdx", "r8", "r9", "r10", "cc", "memory");
  // Limb i, the one row i clears, travels in a register from the row before.
  uint64_t low = t[0];
  uint64_t top = 0;
  for (int32_t i = 0; i < N; i++) {
    __asm__ volatile(
        "movq %[low], %%rdx\n\t"
        "imulq %[mu], %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulx (%[m]), %%r8, %%r10\n\t"
        "adcx %[low], %%r8\n\t"
        ".set kit_p, 0\n\t"
        KIT_ADX_STEP("8(%[m])", "8(%[t])", "8(%[t])")
        "movq %%r8, %[low]\n\t"
        ".set kit_j, 2\n\t"
        ".rept %c[n]-2\n\t"
        KIT_ADX_STEP("kit_j*8(%[m])", "kit_j*8(%[t])", "kit_j*8(%[t])")
        ".set kit_j, kit_j+1\n\t"
        ".endr\n\t"
        KIT_ADX_ROW_END
        // t[N] += high half, both carries and the previous row's overflow.
        "movq %c[n]*8(%[t]), %%r8\n\t"
        "adcx %%r10, %%r8\n\t"
        "adox %%rax, %%r8\n\t"
        "movl $0, %%r9d\n\t"
        "adcx %%rax, %%r9\n\t"
        "adox %%rax, %%r9\n\t"
        "addq %[top], %%r8\n\t"
        "adcq %%rax, %%r9\n\t"
        "movq %%r8, %c[n]*8(%[t])\n\t"
        "movq %%r9, %[top]\n\t"
        : [top] "+r"(top), [low] "+r"(low)
        : [m] "r"(m), [t] "r"(t + i), [mu] "r"(mu), [n] "i"(N)
        : "rax", "rdx", "r8", "r9", "r10", "cc", "memory");
  }
  t[2 * N] = top;
  reduce_once(t + N, m, N, r);
}

#if defined(__clang__)
// clang knows no "adx" feature name: leaf 7 EBX bits 8 and 19 are BMI2 and ADX.
bool cpu_has_adx() {
  static const bool has = [] {
    unsigned eax, ebx, ecx, edx;
    return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & (1u << 8)) &&
           (ebx & (1u << 19));
  }();
  return has;
}
#else
bool cpu_has_adx() {
  static const bool has = __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("adx");
  return has;
}
#endif
#else
bool cpu_has_adx() { return false; }
#endif

// The kernels for any size, and copies fixed to the sizes of RSA
// moduli and primes (the compiler unrolls their inner loops).
template <typename Limb>
void mont_mul_any(const Limb *a, const Limb *b, const Limb *m, int32_t n, Limb mu, Limb *r,
                  Limb *t) {
  mont_mul_core(a, b, m, n, mu, r, t);
}

template <typename Limb>
void mont_square_any(const Limb *a, const Limb *m, int32_t n, Limb mu, Limb *r, Limb *t) {
  mont_square_core(a, m, n, mu, r, t);
}

template <typename Limb, int32_t N>
void mont_mul_fixed(const Limb *a, const Limb *b, const Limb *m, int32_t, Limb mu, Limb *r,
                    Limb *t) {
  mont_mul_core(a, b, m, N, mu, r, t);
}

template <typename Limb, int32_t N>
void mont_square_fixed(const Limb *a, const Limb *m, int32_t, Limb mu, Limb *r, Limb *t) {
  mont_square_core(a, m, N, mu, r, t);
}

template <typename Limb, int32_t N>
MontModulus<Limb> fixed_modulus(const Limb *m, Limb mu, bool adx) {
#if defined(__x86_64__)
  if constexpr (sizeof(Limb) == sizeof(uint64_t)) {
    if (adx) {
      return {m, N, mu, mont_mul_adx<N>, mont_square_adx<N>};
    }
  }
#else
  (void)adx;
#endif
  return {m, N, mu, mont_mul_fixed<Limb, N>, mont_square_fixed<Limb, N>};
}

// The modulus with its kernels; |adx| picks the BMI2/ADX kernels (64-bit limbs
// on a processor that has them) for the sizes they exist for.
template <typename Limb>
MontModulus<Limb> make_modulus(const Limb *m, int32_t n, Limb mu, bool adx) {
  constexpr int32_t k = LimbTraits<Limb>::kWords;
  switch (n * k) {
    case 16:
      return fixed_modulus<Limb, 16 / k>(m, mu, adx);
    case 32:
      return fixed_modulus<Limb, 32 / k>(m, mu, adx);
    case 64:
      return fixed_modulus<Limb, 64 / k>(m, mu, adx);
    default:
      return {m, n, mu, mont_mul_any<Limb>, mont_square_any<Limb>};
  }
}

template <typename Limb>
void mont_mul_limbs(const Limb *a, const Limb *b, const MontModulus<Limb> &mod, Limb *r,
                    Limb *t) {
  mod.mul(a, b, mod.m, mod.limbs, mod.mu, r, t);
}

template <typename Limb>
void mont_square_limbs(const Limb *a, const MontModulus<Limb> &mod, Limb *r, Limb *t) {
  mod.square(a, mod.m, mod.limbs, mod.mu, r, t);
}

// Scratch limbs the two kernels need.
int32_t kernel_scratch_limbs(int32_t limbs) { return 2 * limbs + 2; }

template <typename Limb>
int32_t limbs_for_words(int32_t words) {
  constexpr int k = LimbTraits<Limb>::kWords;
  return (words + k - 1) / k;
}

template <typename Limb>
void load_limbs(const BigInt *x, int32_t limbs, Limb *out) {
  constexpr int k = LimbTraits<Limb>::kWords;
  for (int32_t i = 0; i < limbs; i++) {
    Limb v = 0;
    for (int w = 0; w < k; w++) {
      int32_t index = i * k + w;
      if (index < x->length) {
        v |= static_cast<Limb>(x->words[index]) << (32 * w);
      }
    }
    out[i] = v;
  }
}

template <typename Limb>
BnStatus store_limbs(const Limb *in, int32_t limbs, BigInt *r) {
  constexpr int k = LimbTraits<Limb>::kWords;
  const int32_t words = limbs * k;
  BnStatus status = bigint_reserve(words + 1, r);
  if (status != BN_OK) {
    return status;
  }
  for (int32_t i = 0; i < words; i++) {
    r->words[i] = static_cast<uint32_t>(in[i / k] >> (32 * (i % k)));
  }
  r->length = words;
  while (r->length > 1 && r->words[r->length - 1] == 0) {
    r->length--;
  }
  return BN_OK;
}

// The limb-width Montgomery constant from the 32-bit one: one Newton step
// v = v * (2 - m0 * v) doubles the bits of the inverse v = -mu of m0.
template <typename Limb>
Limb widen_constant(const BigInt *m, uint32_t mu32) {
  Limb m0 = 0;
  load_limbs<Limb>(m, 1, &m0);
  Limb v = static_cast<Limb>(0u - mu32);
  if (sizeof(Limb) > sizeof(uint32_t)) {
    v = v * (2 - m0 * v);
  }
  return static_cast<Limb>(0) - v;
}

// A block of limbs from the allocation wrapper, zeroed before release.
template <typename Limb>
struct LimbBlock {
  Limb *limbs = nullptr;
  size_t count = 0;

  BnStatus allocate(size_t n) {
    limbs = static_cast<Limb *>(cinder_alloc(n * sizeof(Limb)));
    if (limbs == nullptr) {
      return BN_NO_MEMORY;
    }
    count = n;
    return BN_OK;
  }
  void release() {
    if (limbs != nullptr) {
      cinder_wipe_free(limbs, count * sizeof(Limb));
    }
    limbs = nullptr;
    count = 0;
  }
};

bool is_odd(const BigInt *m) { return m->length >= 1 && (m->words[0] & 1) != 0; }

// r = x * 2^shift_bits mod m for x < m: the conversion into Montgomery form
// for an R of |shift_bits| bits.
BnStatus to_mont_shifted(const BigInt *x, const BigInt *m, int32_t shift_bits, BigInt *r) {
  if (m->length == 0 || bigint_compare(x, m) >= 0) {
    return BN_NOT_REDUCED;
  }
  BigInt shifted;
  bigint_init(&shifted);
  BnStatus status;
  if ((status = bigint_reserve(x->length + shift_bits / 32 + 2, &shifted)) == BN_OK &&
      (status = bigint_copy(x, &shifted)) == BN_OK &&
      (status = bigint_shift_left_bits(shift_bits, &shifted)) == BN_OK) {
    status = bigint_mod(&shifted, m, r);
  }
  bigint_free(&shifted);
  return status;
}

// One Montgomery product or square on BigInts, with limbs of type Limb (the
// caller has checked that R comes out as 2^(32 * m->length)).
template <typename Limb>
BnStatus mont_product(const BigInt *a, const BigInt *b, const BigInt *m, uint32_t mu32,
                      bool adx, BigInt *r) {
  const int32_t n = limbs_for_words<Limb>(m->length);
  LimbBlock<Limb> work;
  BnStatus status = work.allocate(static_cast<size_t>(3 * n + kernel_scratch_limbs(n)));
  if (status != BN_OK) {
    return status;
  }
  Limb *la = work.limbs;
  Limb *lb = la + n;
  Limb *lm = lb + n;
  Limb *scratch = lm + n;
  load_limbs(m, n, lm);
  load_limbs(a, n, la);
  const MontModulus<Limb> mod = make_modulus<Limb>(lm, n, widen_constant<Limb>(m, mu32), adx);
  if (b == nullptr) {
    mont_square_limbs(la, mod, la, scratch);
  } else {
    load_limbs(b, n, lb);
    mont_mul_limbs(la, lb, mod, la, scratch);
  }
  status = store_limbs(la, n, r);
  work.release();
  return status;
}

}  // namespace

BnStatus mont_product_with(MontLimbs limbs, const BigInt *a, const BigInt *b, const BigInt *m,
                           uint32_t mu, BigInt *r) {
  if (!is_odd(m)) {
    return BN_BAD_MODULUS;
  }
  if (bigint_compare(a, m) >= 0 || (b != nullptr && bigint_compare(b, m) >= 0)) {
    return BN_NOT_REDUCED;
  }
#if defined(__SIZEOF_INT128__)
  if (limbs != MONT_LIMBS_32 && m->length % 2 == 0) {
    return mont_product<uint64_t>(a, b, m, mu, limbs == MONT_LIMBS_64_ADX && cpu_has_adx(), r);
  }
#else
  (void)limbs;
#endif
  return mont_product<uint32_t>(a, b, m, mu, false, r);
}

namespace {

// The private-key halves' window: 5 bits once the exponent is long enough
// for the 16 more table entries to pay for themselves (about 700 bits), else
// the general width (0).
int crt_window_bits(int32_t bits) { return bits > 640 ? 5 : 0; }

// The window width for an exponent of |bits| bits.
int window_bits(int32_t bits) {
  if (bits <= 3) {
    return 1;
  }
  if (bits <= 15) {
    return 2;
  }
  if (bits <= 63) {
    return 3;
  }
  return 4;
}

// The window table: entry v holds base^v in Montgomery form once present[v]
// is set; entries are allocated when they are first computed.
template <typename Limb>
struct ExpTable {
  int32_t *present = nullptr;
  Limb **entries = nullptr;
  int32_t size = 0;
  int32_t limbs = 0;

  BnStatus create(int32_t entry_count, int32_t entry_limbs) {
    present = static_cast<int32_t *>(cinder_alloc(entry_count * sizeof(int32_t)));
    if (present == nullptr) {
      return BN_NO_MEMORY;
    }
    size = entry_count;
    limbs = entry_limbs;
    memset(present, 0, static_cast<size_t>(size) * sizeof(int32_t));
    entries = static_cast<Limb **>(cinder_alloc(entry_count * sizeof(Limb *)));
    if (entries == nullptr) {
      return BN_NO_MEMORY;
    }
    for (int32_t v = 0; v < size; v++) {
      entries[v] = nullptr;
    }
    return BN_OK;
  }
  // The storage of entry v, allocated on first use; null when memory is out.
  Limb *slot(int32_t v) {
    if (entries[v] == nullptr) {
      entries[v] = static_cast<Limb *>(cinder_alloc(static_cast<size_t>(limbs) * sizeof(Limb)));
    }
    return entries[v];
  }
  uint32_t built_mask() const {
    uint32_t mask = 0;
    for (int32_t v = 0; v < size; v++) {
      mask |= present[v] != 0 ? 1u << v : 0;
    }
    return mask;
  }
  void release() {
    if (entries != nullptr) {
      for (int32_t v = 0; v < size; v++) {
        if (entries[v] != nullptr) {
          cinder_wipe_free(entries[v], static_cast<size_t>(limbs) * sizeof(Limb));
        }
      }
      cinder_wipe_free(entries, static_cast<size_t>(size) * sizeof(Limb *));
    }
    if (present != nullptr) {
      cinder_wipe_free(present, static_cast<size_t>(size) * sizeof(int32_t));
    }
    present = nullptr;
    entries = nullptr;
  }
};

// entry[target] = entry[x] * entry[y]; marks target present.
template <typename Limb>
BnStatus table_product(ExpTable<Limb> &table, int32_t target, int32_t x, int32_t y,
                       const MontModulus<Limb> &mod, Limb *scratch) {
  Limb *out = table.slot(target);
  if (out == nullptr) {
    return BN_NO_MEMORY;
  }
  mont_mul_limbs(table.entries[x], table.entries[y], mod, out, scratch);
  table.present[target] = 1;
  return BN_OK;
}

int32_t highest_power_of_two(int32_t b) { return 1 << (31 - __builtin_clz(static_cast<uint32_t>(b))); }

// Makes entry v present from entries already there: split v into two present
// entries when possible, else peel off its top bits one at a time (building
// the prefixes on the way) until the rest splits. Powers of two are always
// present, so the walk ends.
template <typename Limb>
BnStatus table_make_present(ExpTable<Limb> &table, int32_t v, const MontModulus<Limb> &mod,
                            Limb *scratch) {
  if (table.present[v]) {
    return BN_OK;
  }
  table.present[v] = 1;
  int32_t b = v;
  int32_t prefix = 0;
  int32_t t = highest_power_of_two(b);
  for (;;) {
    for (int32_t i = 1; i <= b / 2; i++) {
      if (table.present[i] && table.present[b - i]) {
        if (b == v) {
          return table_product(table, v, i, b - i, mod, scratch);
        }
        BnStatus status = table_product(table, b, i, b - i, mod, scratch);
        if (status != BN_OK) {
          return status;
        }
        return table_product(table, v, b, prefix, mod, scratch);
      }
    }
    if (b != v && !table.present[prefix + t]) {
      BnStatus status = table_product(table, prefix + t, t, prefix, mod, scratch);
      if (status != BN_OK) {
        return status;
      }
    }
    prefix += t;
    b -= t;
    t = highest_power_of_two(b);
  }
}

// The |width| exponent bits from bit |top| down, as a number.
int32_t window_value(const BigInt *e, int32_t top, int width) {
  int32_t v = 0;
  for (int k = 0; k < width; k++) {
    int bit;
    bigint_get_bit(top - k, e, &bit);
    v = (v << 1) | bit;
  }
  return v;
}

template <typename Limb>
BnStatus mod_exp_limbs(const BigInt *base, const BigInt *e, const BigInt *m, BigInt *r,
                       const CancelCheck *cancel, bool adx, int window,
                       uint32_t *built_entries) {
  if (cancel_check_yields(cancel)) {
    return ENGINE_CANCELLED;
  }
  uint32_t mu32;
  BnStatus status = bigint_mont_constant(m, &mu32);
  if (status != BN_OK) {
    return status;
  }
  const int32_t n = limbs_for_words<Limb>(m->length);
  const int32_t r_words = n * LimbTraits<Limb>::kWords;
  const int32_t bits = bigint_bit_length(e);
  const int w = window != 0 ? window : window_bits(bits);

  ExpTable<Limb> table;
  LimbBlock<Limb> work;
  BigInt converted;
  bigint_init(&converted);
  Limb *lm, *acc, *scratch;
  if ((status = work.allocate(static_cast<size_t>(2 * n + kernel_scratch_limbs(n)))) != BN_OK ||
      (status = table.create(1 << w, n)) != BN_OK) {
    goto done;
  }
  lm = work.limbs;
  acc = lm + n;
  scratch = acc + n;
  load_limbs(m, n, lm);
  {
    const MontModulus<Limb> mod =
        make_modulus<Limb>(lm, n, widen_constant<Limb>(m, mu32), adx);
    // Entries 0 and 1 by conversion, the powers of two by squaring.
    BigInt one;
    uint32_t one_word = 1;
    one.capacity = 1;
    one.length = 1;
    one.words = &one_word;
    const BigInt *initial[2] = {&one, base};
    for (int32_t v = 0; v < 2; v++) {
      Limb *slot = table.slot(v);
      if (slot == nullptr) {
        status = BN_NO_MEMORY;
        goto done;
      }
      if ((status = to_mont_shifted(initial[v], m, 32 * r_words, &converted)) != BN_OK) {
        goto done;
      }
      load_limbs(&converted, n, slot);
      table.present[v] = 1;
    }
    if (cancel_check_yields(cancel)) {
      status = ENGINE_CANCELLED;
      goto done;
    }
    for (int j = 1; j < w; j++) {
      Limb *slot = table.slot(1 << j);
      if (slot == nullptr) {
        status = BN_NO_MEMORY;
        goto done;
      }
      mont_square_limbs(table.entries[1 << (j - 1)], mod, slot, scratch);
      table.present[1 << j] = 1;
    }

    // Windows aligned at the exponent's top bit.
    int32_t pos = bits - 1;
    int width = pos + 1 < w ? pos + 1 : w;
    int32_t v = window_value(e, pos, width);
    pos -= width;
    if ((status = table_make_present(table, v, mod, scratch)) != BN_OK) {
      goto done;
    }
    memcpy(acc, table.entries[v], static_cast<size_t>(n) * sizeof(Limb));
    while (pos >= 0) {
      if (cancel_check_yields(cancel)) {
        status = ENGINE_CANCELLED;
        goto done;
      }
      width = pos + 1 < w ? pos + 1 : w;
      for (int k = 0; k < width; k++) {
        mont_square_limbs(acc, mod, acc, scratch);
      }
      v = window_value(e, pos, width);
      pos -= width;
      if (v != 0) {
        if ((status = table_make_present(table, v, mod, scratch)) != BN_OK) {
          goto done;
        }
        mont_mul_limbs(table.entries[v], acc, mod, acc, scratch);
      }
    }
    // Out of Montgomery form: the product with 1.
    Limb *unit = scratch + kernel_scratch_limbs(n) - n;  // beyond the n + 2 the product uses
    memset(unit, 0, static_cast<size_t>(n) * sizeof(Limb));
    unit[0] = 1;
    mont_mul_limbs(acc, unit, mod, acc, scratch);
    status = store_limbs(acc, n, r);
  }

done:
  if (built_entries != nullptr && table.present != nullptr) {
    *built_entries = table.built_mask();
  }
  table.release();
  work.release();
  bigint_free(&converted);
  return status;
}

}  // namespace

// The kernels the public functions use: the widest limbs, and the ADX kernels
// where the processor has them.
constexpr MontLimbs kFastest = kHaveLimbs64 ? MONT_LIMBS_64_ADX : MONT_LIMBS_32;

bool mont_limbs64_available() { return kHaveLimbs64; }

bool mont_adx_available() { return kHaveLimbs64 && cpu_has_adx(); }

// mod_exp_with with a window width (0: the one for the exponent's length).
BnStatus mod_exp_windowed(MontLimbs limbs, const BigInt *base, const BigInt *e, const BigInt *m,
                          BigInt *r, const CancelCheck *cancel, int window,
                          uint32_t *built_entries) {
#if defined(__SIZEOF_INT128__)
  if (limbs != MONT_LIMBS_32) {
    return mod_exp_limbs<uint64_t>(base, e, m, r, cancel,
                                   limbs == MONT_LIMBS_64_ADX && cpu_has_adx(), window,
                                   built_entries);
  }
#else
  (void)limbs;
#endif
  return mod_exp_limbs<uint32_t>(base, e, m, r, cancel, false, window, built_entries);
}

BnStatus mod_exp_with(MontLimbs limbs, const BigInt *base, const BigInt *e, const BigInt *m,
                      BigInt *r, const CancelCheck *cancel, uint32_t *built_entries) {
  return mod_exp_windowed(limbs, base, e, m, r, cancel, 0, built_entries);
}

BnStatus crt_half_with(MontLimbs limbs, const BigInt *base, const BigInt *e, const BigInt *m,
                       BigInt *r, const CancelCheck *cancel, uint32_t *built_entries) {
  return mod_exp_windowed(limbs, base, e, m, r, cancel, crt_window_bits(bigint_bit_length(e)),
                          built_entries);
}

#if defined(KIT_MONT_IFMA)
BnStatus crt_halves_ifma(const BigInt *const base[2], const BigInt *const e[2],
                         const BigInt *const m[2], BigInt *const r[2],
                         const CancelCheck *cancel) {
  if (cancel_check_yields(cancel)) {
    return ENGINE_CANCELLED;
  }
  // Per half: the table (entry v = base^v in Montgomery form, all built: a
  // long exponent's windows need nearly every one) and the accumulator.
  constexpr int kWindow = 5;
  constexpr int32_t kEntries = 1 << kWindow;
  constexpr size_t kHalfLimbs = (kEntries + 1) * kIfmaLimbs;
  struct Work {
    IfmaModulus mod[2];
    uint64_t half[2][kHalfLimbs];
    uint64_t unit[kIfmaLimbs];
  };
  Work *work = static_cast<Work *>(cinder_alloc(sizeof(Work)));
  if (work == nullptr) {
    return BN_NO_MEMORY;
  }
  BigInt converted;
  bigint_init(&converted);
  uint64_t *table[2], *acc[2];
  BnStatus status = BN_OK;
  uint32_t one_word = 1;
  const BigInt one = {1, 1, &one_word};
  int32_t bits = 0;
  for (int s = 0; s < 2; s++) {
    uint32_t mu32;
    if ((status = bigint_mont_constant(m[s], &mu32)) != BN_OK) {
      goto done;
    }
    ifma_modulus_init(m[s], widen_constant<uint64_t>(m[s], mu32), &work->mod[s]);
    table[s] = work->half[s];
    acc[s] = table[s] + kEntries * kIfmaLimbs;
    const BigInt *initial[2] = {&one, base[s]};
    for (int32_t v = 0; v < 2; v++) {
      if ((status = to_mont_shifted(initial[v], m[s], kIfmaLimbs * kIfmaLimbBits, &converted)) !=
          BN_OK) {
        goto done;
      }
      ifma_load(&converted, table[s] + v * kIfmaLimbs);
    }
    const int32_t e_bits = bigint_bit_length(e[s]);
    bits = e_bits > bits ? e_bits : bits;
  }
  if (cancel_check_yields(cancel)) {
    status = ENGINE_CANCELLED;
    goto done;
  }
  for (int32_t v = 2; v < kEntries; v++) {
    ifma_mont_mul_pair(table[0] + (v - 1) * kIfmaLimbs, table[0] + kIfmaLimbs, work->mod[0],
                       table[0] + v * kIfmaLimbs, table[1] + (v - 1) * kIfmaLimbs,
                       table[1] + kIfmaLimbs, work->mod[1], table[1] + v * kIfmaLimbs);
  }
  {
    // The windows of both exponents aligned at the top bit of the longer
    // one; the shorter one's leading windows are 0, entry 0 being 1.
    int32_t pos = bits - 1;
    int width = pos + 1 < kWindow ? pos + 1 : kWindow;
    for (int s = 0; s < 2; s++) {
      memcpy(acc[s], table[s] + window_value(e[s], pos, width) * kIfmaLimbs,
             kIfmaLimbs * sizeof(uint64_t));
    }
    pos -= width;
    while (pos >= 0) {
      if (cancel_check_yields(cancel)) {
        status = ENGINE_CANCELLED;
        goto done;
      }
      width = pos + 1 < kWindow ? pos + 1 : kWindow;
      for (int k = 0; k < width; k++) {
        ifma_mont_mul_pair(acc[0], acc[0], work->mod[0], acc[0], acc[1], acc[1], work->mod[1],
                           acc[1]);
      }
      const uint64_t *entry0 = table[0] + window_value(e[0], pos, width) * kIfmaLimbs;
      const uint64_t *entry1 = table[1] + window_value(e[1], pos, width) * kIfmaLimbs;
      pos -= width;
      ifma_mont_mul_pair(acc[0], entry0, work->mod[0], acc[0], acc[1], entry1, work->mod[1],
                         acc[1]);
    }
  }
  // Out of Montgomery form: the product with 1 is at most m, and m itself
  // stands for 0.
  memset(work->unit, 0, sizeof(work->unit));
  work->unit[0] = 1;
  ifma_mont_mul_pair(acc[0], work->unit, work->mod[0], acc[0], acc[1], work->unit, work->mod[1],
                     acc[1]);
  for (int s = 0; s < 2 && status == BN_OK; s++) {
    if ((status = ifma_store(acc[s], r[s])) == BN_OK && bigint_compare(r[s], m[s]) == 0) {
      status = bigint_set_word(0, r[s]);
    }
  }

done:
  cinder_wipe_free(work, sizeof(Work));
  bigint_free(&converted);
  return status;
}
#endif

BnStatus bigint_mont_constant(const BigInt *m, uint32_t *mu) {
  if (!is_odd(m)) {
    return BN_BAD_MODULUS;
  }
  // v = m0^-1 mod 2^32, one bit at a time from an inverse modulo 4.
  const uint32_t m0 = m->words[0];
  uint32_t v = (m0 & 3) == 1 ? 1 : 3;
  for (int j = 2; j < 32; j++) {
    if (((v * m0) >> j) & 1) {
      v += 1u << j;
    }
  }
  *mu = 0u - v;
  return BN_OK;
}

BnStatus bigint_to_mont(const BigInt *x, const BigInt *m, BigInt *r) {
  return to_mont_shifted(x, m, 32 * m->length, r);
}

BnStatus bigint_from_mont(const BigInt *x, const BigInt *m, uint32_t mu, BigInt *r) {
  uint32_t one_word = 1;
  const BigInt one = {1, 1, &one_word};
  return mont_product_with(kFastest, x, &one, m, mu, r);
}

BnStatus bigint_mont_mul(const BigInt *a, const BigInt *b, const BigInt *m, uint32_t mu,
                         BigInt *r) {
  return mont_product_with(kFastest, a, b, m, mu, r);
}

BnStatus bigint_mont_square(const BigInt *a, const BigInt *m, uint32_t mu, BigInt *r) {
  return mont_product_with(kFastest, a, nullptr, m, mu, r);
}

BnStatus bigint_mod_exp(const BigInt *base, const BigInt *e, const BigInt *m, BigInt *r,
                        const CancelCheck *cancel) {
  return mod_exp_with(kFastest, base, e, m, r, cancel, nullptr);
}

namespace {

// The private-key halves: side by side on the IFMA kernel where it serves
// both primes, else one after the other.
BnStatus crt_halves(const BigInt *x, const BigInt *p, const BigInt *q, const BigInt *dP,
                    const BigInt *dQ, BigInt *m1, BigInt *m2, const CancelCheck *cancel) {
  BigInt t;
  bigint_init(&t);
  BnStatus status;
#if defined(KIT_MONT_IFMA)
  if (p->length == kIfmaModulusWords && q->length == kIfmaModulusWords && cpu_has_ifma()) {
    BigInt u;
    bigint_init(&u);
    const BigInt *const base[2] = {&t, &u};
    const BigInt *const e[2] = {dP, dQ};
    const BigInt *const m[2] = {p, q};
    BigInt *const r[2] = {m1, m2};
    if ((status = bigint_mod(x, p, &t)) == BN_OK && (status = bigint_mod(x, q, &u)) == BN_OK) {
      status = crt_halves_ifma(base, e, m, r, cancel);
    }
    bigint_free(&u);
    bigint_free(&t);
    return status;
  }
#endif
  if ((status = bigint_mod(x, p, &t)) == BN_OK &&
      (status = crt_half_with(kFastest, &t, dP, p, m1, cancel, nullptr)) == BN_OK &&
      (status = bigint_mod(x, q, &t)) == BN_OK) {
    status = crt_half_with(kFastest, &t, dQ, q, m2, cancel, nullptr);
  }
  bigint_free(&t);
  return status;
}

}  // namespace

BnStatus bigint_crt_exp(const BigInt *x, const BigInt *p, const BigInt *q, const BigInt *dP,
                        const BigInt *dQ, const BigInt *qInv, BigInt *r,
                        const CancelCheck *cancel) {
  if (cancel_check_yields(cancel)) {
    return ENGINE_CANCELLED;
  }
  BigInt t, m1, m2, h;
  bigint_init(&t);
  bigint_init(&m1);
  bigint_init(&m2);
  bigint_init(&h);
  BnStatus status;
  if ((status = crt_halves(x, p, q, dP, dQ, &m1, &m2, cancel)) != BN_OK ||
      (status = bigint_mod_sub(&m1, &m2, p, &t)) != BN_OK) {
    goto done;
  }
  if (cancel_check_yields(cancel)) {
    status = ENGINE_CANCELLED;
    goto done;
  }
  if ((status = bigint_mod_mul(&t, qInv, p, &h)) != BN_OK ||
      (status = bigint_mul(&h, q, r)) != BN_OK) {
    goto done;
  }
  status = bigint_add_to(&m2, r);

done:
  bigint_free(&t);
  bigint_free(&m1);
  bigint_free(&m2);
  bigint_free(&h);
  return status;
}
