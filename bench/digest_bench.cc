// Digest throughput, ours against the peer libraries measured in the same run:
// MD5 and SHA-1 against OpenSSL's libcrypto (its low-level digests, which use
// the processor's SHA extensions for SHA-1), MD2 against nettle. Each figure is
// the median MB/s of interleaved rounds timed in this thread's CPU time (the
// machine is shared, so wall time would count other programs); a message is
// one whole digest (restart, absorb, finish) of that many octets.
// Ours first: OpenSSL defines MD5_DIGEST_LENGTH as a macro, which would
// otherwise rewrite our constant's declaration.
#include "security/engines/md2.h"
#include "security/engines/md5.h"
#include "security/engines/sha1.h"

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/md5.h>
#include <openssl/sha.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

// nettle names its functions through macros that would rename ours.
#include <nettle/md2.h>
#undef md2_init
#undef md2_update
#undef md2_digest

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 15;
constexpr double kRoundSeconds = 0.04;

double thread_seconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

// One digest of |len| octets into |out|.
using DigestFn = std::function<void(const uint8_t *data, uint32_t len, uint8_t *out)>;

// Messages per round so that a round lasts about kRoundSeconds.
long calibrate(const DigestFn &fn, const std::vector<uint8_t> &data) {
  uint8_t out[32];
  long count = 1;
  for (;;) {
    const double start = thread_seconds();
    for (long i = 0; i < count; i++) fn(data.data(), (uint32_t)data.size(), out);
    const double elapsed = thread_seconds() - start;
    if (elapsed > kRoundSeconds / 4) return std::max(1L, (long)(count * kRoundSeconds / elapsed));
    count *= 4;
  }
}

double round_mbps(const DigestFn &fn, const std::vector<uint8_t> &data, long count) {
  uint8_t out[32];
  const double start = thread_seconds();
  for (long i = 0; i < count; i++) fn(data.data(), (uint32_t)data.size(), out);
  const double elapsed = thread_seconds() - start;
  return (double)count * (double)data.size() / elapsed / 1e6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool compare(const char *name, const DigestFn &ours, const DigestFn &peer, const char *peer_name,
             size_t size, size_t digest_len) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; i++) data[i] = (uint8_t)(i * 131 + 7);
  uint8_t a[32], b[32];
  ours(data.data(), (uint32_t)size, a);
  peer(data.data(), (uint32_t)size, b);
  if (memcmp(a, b, digest_len) != 0) {
    fprintf(stderr, "digest_bench: %s differs from %s at %zu octets\n", name, peer_name, size);
    return false;
  }
  const long ours_count = calibrate(ours, data);
  const long peer_count = calibrate(peer, data);
  std::vector<double> ours_mbps, peer_mbps;
  for (int r = 0; r < kRounds; r++) {
    ours_mbps.push_back(round_mbps(ours, data, ours_count));
    peer_mbps.push_back(round_mbps(peer, data, peer_count));
  }
  const double o = median(ours_mbps), p = median(peer_mbps);
  printf("%-5s %6zu octets   ours %8.1f MB/s   %-8s %8.1f MB/s   ratio %.2f\n", name, size, o,
         peer_name, p, o / p);
  return true;
}

}  // namespace

int main() {
  Md5Context md5;
  md5_init(&md5);
  Sha1State sha1;
  sha1_init(&sha1);
  Md2Context md2;
  md2_init(&md2);
  struct md2_ctx nettle_md2;
  nettle_md2_init(&nettle_md2);

  // Our finals restart their contexts, as nettle's digest does; OpenSSL's
  // contexts are set up per message.
  const DigestFn ours_md5 = [&](const uint8_t *d, uint32_t n, uint8_t *out) {
    md5_update(&md5, d, n);
    md5_final(&md5, out);
  };
  const DigestFn openssl_md5 = [](const uint8_t *d, uint32_t n, uint8_t *out) {
    MD5_CTX c;
    MD5_Init(&c);
    MD5_Update(&c, d, n);
    MD5_Final(out, &c);
  };
  const DigestFn ours_sha1 = [&](const uint8_t *d, uint32_t n, uint8_t *out) {
    sha1_update(&sha1, d, 0, n);
    sha1_final(&sha1, out);
  };
  const DigestFn openssl_sha1 = [](const uint8_t *d, uint32_t n, uint8_t *out) {
    SHA_CTX c;
    SHA1_Init(&c);
    SHA1_Update(&c, d, n);
    SHA1_Final(out, &c);
  };
  const DigestFn ours_md2 = [&](const uint8_t *d, uint32_t n, uint8_t *out) {
    md2_update(&md2, d, n);
    md2_final(&md2, out);
  };
  const DigestFn nettle = [&](const uint8_t *d, uint32_t n, uint8_t *out) {
    nettle_md2_update(&nettle_md2, n, d);
    nettle_md2_digest(&nettle_md2, MD2_DIGEST_SIZE, out);
  };

  bool ok = true;
  for (size_t size : {16, 1024, 65536}) {
    ok &= compare("MD5", ours_md5, openssl_md5, "OpenSSL", size, 16);
    ok &= compare("SHA-1", ours_sha1, openssl_sha1, "OpenSSL", size, 20);
    ok &= compare("MD2", ours_md2, nettle, "nettle", size, 16);
  }
  return ok ? 0 : 1;
}
