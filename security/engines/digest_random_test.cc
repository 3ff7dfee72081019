// DigestRandom: the state chain against MD5 computed directly, the steps, the
// seed countdown and the octet bookkeeping across calls.
#include "security/engines/digest_random.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "security/codec/codec_test_util.h"

namespace {

Octets md5_of(const Octets &data) {
  Md5Context ctx;
  md5_init(&ctx);
  md5_update(&ctx, data.data(), static_cast<uint32_t>(data.size()));
  Octets out(MD5_DIGEST_LENGTH);
  md5_final(&ctx, out.data());
  return out;
}

Octets concat(Octets a, const Octets &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A generator context in junk-filled memory, initialised through the table.
struct Generator {
  DigestRandomContext ctx;
  Generator() {
    memset(&ctx, 0x5A, sizeof ctx);
    uint32_t size = 0;
    EXPECT_EQ(DigestRandomEngine.context_size(&size, nullptr), ENGINE_OK);
    EXPECT_EQ(size, sizeof ctx);
    EXPECT_EQ(DigestRandomEngine.init(&ctx, nullptr, nullptr), ENGINE_OK);
  }
  void seed(const Octets &data) {
    EXPECT_EQ(DigestRandomEngine.update(&ctx, data.data(), static_cast<uint32_t>(data.size()),
                                        nullptr),
              ENGINE_OK);
  }
  Octets draw(uint32_t n) {
    Octets out(n, 0xEE);
    EXPECT_EQ(DigestRandomEngine.generate(&ctx, out.data(), n, nullptr), ENGINE_OK);
    return out;
  }
};

Octets counter_stepped(Octets state) {
  digest_random_counter_step(state.data());
  return state;
}

TEST(DigestRandom, OneSeedChainsMd5WithTheCounterStep) {
  const Octets seed = hex("000102030405060708090a0b0c0d0e0f1011");
  Generator g;
  g.seed(seed);
  const Octets s1 = md5_of(seed);
  const Octets s2 = counter_stepped(s1);
  const Octets s3 = counter_stepped(s2);
  EXPECT_EQ(g.draw(48), concat(concat(md5_of(s1), md5_of(s2)), md5_of(s3)));
  EXPECT_EQ(g.ctx.seed_countdown, 1);
}

TEST(DigestRandom, DrawsInPiecesEqualOneDraw) {
  Generator whole, pieces;
  whole.seed(hex("abcdef"));
  pieces.seed(hex("abcdef"));
  const Octets all = whole.draw(32);
  Octets joined;
  for (uint32_t n : {5u, 11u, 0u, 16u}) {
    joined = concat(joined, pieces.draw(n));
  }
  EXPECT_EQ(joined, all);
  EXPECT_EQ(memcmp(&whole.ctx, &pieces.ctx, sizeof whole.ctx), 0);
}

TEST(DigestRandom, DrawingTheLeftoverComputesNoBlock) {
  Generator g;
  g.seed(hex("01"));
  g.draw(5);
  ASSERT_EQ(g.ctx.available, 11u);
  Octets state_before(g.ctx.state, g.ctx.state + 16);
  g.draw(11);
  EXPECT_EQ(g.ctx.available, 0u);
  EXPECT_EQ(Octets(g.ctx.state, g.ctx.state + 16), state_before);
}

TEST(DigestRandom, SecondSeedSwitchesToTheAdditionStep) {
  const Octets x = hex("1122334455"), y = hex("66778899");
  Octets c = md5_of({});
  c[15] |= 1;
  auto added = [&](Octets state) {
    digest_random_add_step(state.data(), c.data());
    return state;
  };
  {
    SCOPED_TRACE("two seeds, then output");
    Generator g;
    g.seed(x);
    g.seed(y);
    const Octets s1 = md5_of(concat(x, y));
    EXPECT_EQ(g.draw(32), concat(md5_of(s1), md5_of(added(s1))));
    EXPECT_EQ(Octets(g.ctx.increment, g.ctx.increment + 16), c);
  }
  {
    SCOPED_TRACE("seed, output, reseed");
    Generator g;
    g.seed(x);
    g.draw(16);
    const Octets current(g.ctx.state, g.ctx.state + 16);
    EXPECT_EQ(current, counter_stepped(md5_of(x)));
    g.seed(y);
    const Octets s2 = md5_of(concat(current, y));
    EXPECT_EQ(g.draw(32), concat(md5_of(s2), md5_of(added(s2))));
    EXPECT_EQ(g.ctx.seed_countdown, 0);
  }
}

TEST(DigestRandom, EmptySeedStillRefreshesTheState) {
  Generator g;
  g.seed({});
  EXPECT_EQ(g.ctx.pending, 1);
  const Octets s1 = md5_of({});
  EXPECT_EQ(g.draw(16), md5_of(s1));
}

TEST(DigestRandom, UnseededOutputStartsFromTheZeroState) {
  Generator g;
  EXPECT_EQ(g.draw(16), md5_of(Octets(16, 0)));
  EXPECT_EQ(Octets(g.ctx.state, g.ctx.state + 16), Octets(16, 1));
}

TEST(DigestRandom, Steps) {
  struct Row {
    std::string before, counter, added;
  };
  // The increment of the addition rows is 00..00 01 01.
  const Octets increment = hex("00000000000000000000000000000101");
  const Row rows[] = {
      {"00000000000000000000000000001234", "00000000000000000000000000001235",
       "00000000000000000000000000001335"},
      {"0000000000000000000000000000ffff", "0000000000000000000000000000ff00",
       "00000000000000000000000000010100"},  // no counter carry; the addition carries
      {"00000000000000000000000000120000", "00000000000000000000000000130101",
       "00000000000000000000000000120101"},
      {"00000000000000000000000000000000", "01010101010101010101010101010101",
       "00000000000000000000000000000101"},
      {"ffffffffffffffffffffffffffffffff", "ffffffffffffffffffffffffffffff00",
       "00000000000000000000000000000100"},  // the addition wraps mod 2^128
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.before);
    Octets state = hex(row.before);
    digest_random_counter_step(state.data());
    EXPECT_EQ(state, hex(row.counter));
    state = hex(row.before);
    digest_random_add_step(state.data(), increment.data());
    EXPECT_EQ(state, hex(row.added));
  }
}

}  // namespace
