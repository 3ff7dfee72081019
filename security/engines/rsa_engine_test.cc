// The raw RSA block engines driven through their operation tables: round
// trips with both prime orders, the boundary blocks, block collection,
// exact-length outputs, the 2048-bit limit, cancellation and every allocation
// failure.
#include "security/engines/rsa_engine.h"

#include <gtest/gtest.h>
#include <string.h>

#include <map>
#include <string>

#include "security/engines/bigint.h"
#include "security/engines/bigint_test_util.h"
#include "security/engines/rsa_test_keys.h"
#include "security/framework/key_types.h"
#include "security/framework/memory.h"

namespace {

// An engine context as the framework's cipher handler keeps it.
class Engine {
 public:
  explicit Engine(const CipherEngineOps *ops) : ops_(ops) {}
  ~Engine() { release(); }

  EngineStatus bind(const void *key_value, const CancelCheck *cancel = nullptr) {
    uint32_t size = 0;
    EngineStatus status = ops_->context_size(&size, key_value, nullptr);
    if (status != ENGINE_OK) {
      return status;
    }
    block_.data = cinder_alloc(size);
    if (block_.data == nullptr) {
      return ENGINE_NO_MEMORY;
    }
    memset(block_.data, 0, size);
    block_.size = size;
    ops_->attach_context_destructor(&block_);
    return ops_->init(block_.data, key_value, nullptr, 0, cancel);
  }
  // Runs update; |out| is resized to what was written.
  EngineStatus update(const Octets &in, Octets *out, uint32_t max,
                      const CancelCheck *cancel = nullptr) {
    out->assign(max + 16, 0xEE);
    uint32_t out_len = 0xDEAD;
    EngineStatus status =
        ops_->update(block_.data, out->data(), &out_len, max, in.data(),
                     static_cast<uint32_t>(in.size()), cancel);
    EXPECT_LE(out_len, max);
    EXPECT_EQ((*out)[max], 0xEE) << "wrote beyond max";
    out->resize(out_len);
    return status;
  }
  EngineStatus final() {
    uint8_t out[8];
    uint32_t out_len = 0xDEAD;
    EngineStatus status = ops_->final(block_.data, out, &out_len, sizeof out, nullptr);
    EXPECT_EQ(out_len, 0u);
    return status;
  }
  void *context() { return block_.data; }
  void release() {
    if (block_.destroy != nullptr) {
      block_.destroy(&block_);
      block_.destroy = nullptr;
    }
    if (block_.data != nullptr) {
      cinder_wipe_free(block_.data, block_.size);
      block_.data = nullptr;
    }
  }

 private:
  const CipherEngineOps *ops_;
  ContextBlock block_ = {nullptr, 0, nullptr};
};

// x^d with the private engine, then ^e with the public engine, gives x back;
// both outputs are exactly k octets.
EngineStatus round_trip(TestKey &key, const Octets &block, Octets *signed_block, Octets *back) {
  RsaPrivateValue private_value = key.private_value();
  RsaPublicValue public_value = key.public_value();
  Engine private_engine(&RsaPrivateEngine), public_engine(&RsaPublicEngine);
  EngineStatus status;
  if ((status = private_engine.bind(&private_value)) != ENGINE_OK ||
      (status = public_engine.bind(&public_value)) != ENGINE_OK ||
      (status = private_engine.update(block, signed_block, 4096)) != ENGINE_OK) {
    return status;
  }
  return public_engine.update(*signed_block, back, 4096);
}

class RsaEngine : public ::testing::Test {
 protected:
  std::map<std::string, TestKey> keys = load_rsa_test_keys();
};

TEST_F(RsaEngine, RoundTripsForBothPrimeOrders) {
  ASSERT_EQ(keys.size(), 4u);
  for (auto &[name, key] : keys) {
    SCOPED_TRACE(name);
    const size_t k = key.k();
    Big n_minus_1;
    n_minus_1.set_octets(key.n);
    ASSERT_EQ(bigint_sub_word(1, &n_minus_1), BN_OK);
    Octets n_minus_1_octets(k);
    size_t written;
    ASSERT_EQ(bigint_to_octets_fixed(&n_minus_1, k, k, &written, n_minus_1_octets.data()), BN_OK);
    Octets one(k, 0);
    one[k - 1] = 1;
    const Octets blocks[] = {fixed(key.x, k), Octets(k, 0), one, n_minus_1_octets,
                             fixed(octets_from_hex("deadbeef"), k)};
    for (const Octets &block : blocks) {
      Octets signed_block, back;
      ASSERT_EQ(round_trip(key, block, &signed_block, &back), ENGINE_OK);
      EXPECT_EQ(signed_block.size(), k);
      EXPECT_EQ(back, block);
    }
    // The reference block computed outside.
    Octets signed_block, back;
    ASSERT_EQ(round_trip(key, fixed(key.x, k), &signed_block, &back), ENGINE_OK);
    EXPECT_EQ(signed_block, fixed(key.y, k));
  }
}

TEST_F(RsaEngine, BlockValueOfModulusOrAboveIsBadInput) {
  TestKey &key = keys.at("rsa1024_p_above_q");
  RsaPrivateValue private_value = key.private_value();
  RsaPublicValue public_value = key.public_value();
  const Octets all_ones(key.k(), 0xFF);
  for (const CipherEngineOps *ops : {&RsaPrivateEngine, &RsaPublicEngine}) {
    Engine engine(ops);
    ASSERT_EQ(engine.bind(ops == &RsaPrivateEngine ? static_cast<const void *>(&private_value)
                                                   : &public_value),
              ENGINE_OK);
    Octets out;
    EXPECT_EQ(engine.update(key.n, &out, 4096), ENGINE_BAD_INPUT);
    EXPECT_EQ(engine.update(all_ones, &out, 4096), ENGINE_BAD_INPUT);
    EXPECT_TRUE(out.empty());
  }
}

TEST_F(RsaEngine, CollectsBlocksAcrossUpdates) {
  TestKey &key = keys.at("rsa1024_swapped");
  const uint32_t k = static_cast<uint32_t>(key.k());
  RsaPublicValue public_value = key.public_value();
  // Two blocks of x then three octets: two outputs, three octets held.
  Octets input = fixed(key.x, k);
  Octets second = fixed(octets_from_hex("01"), k);
  input.insert(input.end(), second.begin(), second.end());
  input.insert(input.end(), {1, 2, 3});
  Engine whole(&RsaPublicEngine);
  ASSERT_EQ(whole.bind(&public_value), ENGINE_OK);
  Octets out;
  ASSERT_EQ(whole.update(input, &out, 4096), ENGINE_OK);
  ASSERT_EQ(out.size(), 2 * k);
  EXPECT_EQ(Octets(out.begin() + k, out.end()), second) << "1^e is 1, as k octets";
  EXPECT_EQ(whole.final(), ENGINE_BAD_INPUT_LENGTH);

  // k - 1 octets, then 1: the block appears on the second call and equals
  // the one-shot result.
  Engine pieces(&RsaPublicEngine);
  ASSERT_EQ(pieces.bind(&public_value), ENGINE_OK);
  Octets first_part(input.begin(), input.begin() + (k - 1)), last_octet(1, input[k - 1]);
  Octets piece_out;
  ASSERT_EQ(pieces.update(first_part, &piece_out, 4096), ENGINE_OK);
  EXPECT_TRUE(piece_out.empty());
  ASSERT_EQ(pieces.update(last_octet, &piece_out, 4096), ENGINE_OK);
  EXPECT_EQ(piece_out, Octets(out.begin(), out.begin() + k));
  EXPECT_EQ(pieces.final(), ENGINE_OK);

  uint32_t length = 0;
  ASSERT_EQ(RsaPublicEngine.output_length(pieces.context(), &length, 2 * k + 3), ENGINE_OK);
  EXPECT_EQ(length, 3 * k);
  ASSERT_EQ(RsaPublicEngine.output_length(pieces.context(), &length, 0), ENGINE_OK);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(RsaPublicEngine.output_length(pieces.context(), &length, UINT32_MAX),
            ENGINE_BAD_INPUT_LENGTH);
  ASSERT_EQ(RsaPublicEngine.block_size(pieces.context(), &length), ENGINE_OK);
  EXPECT_EQ(length, k);
}

TEST_F(RsaEngine, OutputSpaceBelowOneBlock) {
  TestKey &key = keys.at("rsa2048_p_above_q");
  const uint32_t k = static_cast<uint32_t>(key.k());
  RsaPrivateValue private_value = key.private_value();
  Engine engine(&RsaPrivateEngine);
  ASSERT_EQ(engine.bind(&private_value), ENGINE_OK);
  Octets two_blocks = fixed(key.x, k);
  two_blocks.insert(two_blocks.end(), two_blocks.begin(), two_blocks.end());
  Octets out;
  EXPECT_EQ(engine.update(fixed(key.x, k), &out, k - 1), ENGINE_OUTPUT_TOO_SMALL);
  // Room for one block of two: the first is kept, the second fails.
  EXPECT_EQ(engine.update(two_blocks, &out, k + 10), ENGINE_OUTPUT_TOO_SMALL);
  EXPECT_EQ(out, fixed(key.y, k));
}

TEST(RsaEngineLimits, ModulusOf2048BitsAtMost) {
  struct Row {
    const char *what;
    Octets modulus;
    EngineStatus want;
  };
  Octets bits2048(256, 0xFF), bits2049(257, 0xFF), padded(300, 0);
  bits2049[0] = 0x01;
  std::copy(bits2048.begin(), bits2048.end(), padded.end() - 256);
  const Row rows[] = {
      {"2048 bits", bits2048, ENGINE_OK},
      {"2049 bits", bits2049, ENGINE_BAD_MODULUS},
      {"2048 bits after leading zero octets", padded, ENGINE_OK},
  };
  Octets e = {1, 0, 1};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    Octets modulus = row.modulus;
    RsaPublicValue public_value = {item_of(modulus), item_of(e)};
    RsaPrivateValue private_value = {item_of(modulus), item_of(e), item_of(e), item_of(e),
                                     item_of(e),       item_of(e), item_of(e), item_of(e)};
    uint32_t size = 0;
    EXPECT_EQ(RsaPublicEngine.context_size(&size, &public_value, nullptr), row.want);
    EXPECT_EQ(RsaPrivateEngine.context_size(&size, &private_value, nullptr), row.want);
  }
}

TEST(RsaEngineLimits, EvenModulusOrPrime) {
  Octets n = {0x10, 0x00}, e = {3}, x = {0x00, 0x05};
  RsaPublicValue public_value = {item_of(n), item_of(e)};
  Engine public_engine(&RsaPublicEngine);
  ASSERT_EQ(public_engine.bind(&public_value), ENGINE_OK);
  Octets out;
  EXPECT_EQ(public_engine.update(x, &out, 16), ENGINE_BAD_MODULUS);
  // n = 3233 with the even "prime" 60 in place of 61.
  Octets pn = {0x0c, 0xa1}, d = {0x0a, 0xc1}, p = {60}, q = {53}, dp = {53}, dq = {49},
         qinv = {38};
  RsaPrivateValue private_value = {item_of(pn), item_of(e),  item_of(d),  item_of(p),
                                   item_of(q),  item_of(dp), item_of(dq), item_of(qinv)};
  Engine private_engine(&RsaPrivateEngine);
  ASSERT_EQ(private_engine.bind(&private_value), ENGINE_OK);
  EXPECT_EQ(private_engine.update(x, &out, 16), ENGINE_BAD_MODULUS);
}

struct CancelAfter {
  int calls = 0;
  int fire_at = 1;
  static int check(void *self) {
    CancelAfter *c = static_cast<CancelAfter *>(self);
    return ++c->calls >= c->fire_at;
  }
};

TEST_F(RsaEngine, CancelledBlockStopsTheUpdate) {
  TestKey &key = keys.at("rsa2048_swapped");
  const uint32_t k = static_cast<uint32_t>(key.k());
  RsaPrivateValue private_value = key.private_value();
  for (int fire_at : {1, 2, 40}) {
    SCOPED_TRACE(fire_at);
    Engine engine(&RsaPrivateEngine);
    ASSERT_EQ(engine.bind(&private_value), ENGINE_OK);
    CancelAfter cancel_state;
    cancel_state.fire_at = fire_at;
    const CancelCheck cancel = {&CancelAfter::check, &cancel_state};
    Octets out;
    EXPECT_EQ(engine.update(fixed(key.x, k), &out, 4096, &cancel), ENGINE_CANCELLED);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(cancel_state.calls, fire_at);
    // The context stays usable.
    ASSERT_EQ(engine.update(fixed(key.x, k), &out, 4096), ENGINE_OK);
    EXPECT_EQ(out, fixed(key.y, k));
  }
}

// Binding and one block of each engine with each allocation failed in turn:
// ENGINE_NO_MEMORY, and after the destructor nothing is left and every
// released block was wiped.
TEST_F(RsaEngine, EveryAllocationFailureIsCleanAndWiped) {
  TestKey &key = keys.at("rsa1024_p_above_q");
  const uint32_t k = static_cast<uint32_t>(key.k());
  RsaPrivateValue private_value = key.private_value();
  RsaPublicValue public_value = key.public_value();
  for (const CipherEngineOps *ops : {&RsaPrivateEngine, &RsaPublicEngine}) {
    const void *value = ops == &RsaPrivateEngine ? static_cast<const void *>(&private_value)
                                                 : &public_value;
    expect_clean_allocation_failures(
        [&] {
          Engine engine(ops);
          Octets out;
          EngineStatus status = engine.bind(value);
          if (status == ENGINE_OK) {
            status = engine.update(fixed(key.x, k), &out, 4096);
            EXPECT_TRUE(status != ENGINE_OK || out.size() == k);
          }
          return status;
        },
        ENGINE_NO_MEMORY, [] { return true; });
  }
}

}  // namespace
