// The codec on small templates of its own: header forms, child walking,
// nesting limits, integers, definite-length output and its size limit, and
// every allocation failure of the encoder.
#include "security/codec/ber.h"

#include <gtest/gtest.h>

#include "security/codec/codec_test_util.h"
#include "security/framework/memory.h"

namespace {

constexpr TemplateEntry kAny[] = {{TAG_ANY, nullptr, nullptr, 0}};
constexpr TemplateEntry kOctetString[] = {{0x04, ber_contents_decode, ber_contents_encode, 0}};
constexpr TemplateEntry kUnsigned[] = {
    {0x02, ber_unsigned_integer_decode, ber_unsigned_integer_encode, 0}};
constexpr TemplateEntry kSmall[] = {{0x02, ber_small_integer_decode, ber_small_integer_encode, 0}};
// SEQUENCE { INTEGER, OCTET STRING OPTIONAL }
constexpr TemplateEntry kPair[] = {
    {0x30, nullptr, nullptr, 0},
    {0x02, ber_unsigned_integer_decode, ber_unsigned_integer_encode, 1},
    {0x04 | TAG_OPTIONAL, ber_contents_decode, ber_contents_encode, 2},
    {TAG_END, nullptr, nullptr, 0},
};
// SEQUENCE { OCTET STRING }
constexpr TemplateEntry kWrapped[] = {
    {0x30, nullptr, nullptr, 0},
    {0x04, ber_contents_decode, ber_contents_encode, 1},
    {TAG_END, nullptr, nullptr, 0},
};

uint8_t kJunkOctet = 0xEE;
const Item kJunk = {&kJunkOctet, 1};

Status decode_one(const TemplateEntry *entries, const Octets &input, Item *out) {
  void *values[] = {out};
  return ber_decode(entries, values, input.data(), static_cast<uint32_t>(input.size()));
}

TEST(BerDecode, HeaderFormsAndTruncation) {
  struct Row {
    const char *input;
    Status want;
    uint32_t want_len;  // of the whole element
  };
  const Row rows[] = {
      {"04 00", STATUS_OK, 2},
      {"04 03 01 02 03 FF FF", STATUS_OK, 5},  // octets after the element are ignored
      {"04 81 03 01 02 03", STATUS_OK, 6},     // BER: non-minimal length forms are fine
      {"04 82 00 03 01 02 03", STATUS_OK, 7},
      {"1F 81 05 02 AA BB", STATUS_OK, 6},     // high tag number: 81 05 belong to the identifier
      {"30 80 04 01 AA 00 00", STATUS_OK, 7},  // indefinite: EOC octets are part of the element
      {"30 80 30 80 00 00 00 00", STATUS_OK, 8},
      {"30 80 30 03 04 01 AA 00 00", STATUS_OK, 9},
      {"24 80 04 01 AA 00 00", STATUS_OK, 7},  // constructed OCTET STRING
      {"", STATUS_BAD_INPUT, 0},               // nothing at all
      {"04", STATUS_BAD_INPUT, 0},             // no length octet
      {"04 81", STATUS_BAD_INPUT, 0},          // length octet missing
      {"04 82 01", STATUS_BAD_INPUT, 0},       // second length octet missing
      {"04 05 01 02", STATUS_BAD_INPUT, 0},    // contents shorter than the length
      {"04 83 00 00 01 00", STATUS_BAD_INPUT, 0},  // three length octets are not taken
      {"04 84 00 00 00 01 00", STATUS_BAD_INPUT, 0},
      {"04 FF", STATUS_BAD_INPUT, 0},          // reserved length octet
      {"04 80 01 00 00", STATUS_BAD_INPUT, 0}, // indefinite length on a primitive element
      {"1F 81", STATUS_BAD_INPUT, 0},          // identifier runs past the input
      {"30 80 04 01 AA", STATUS_BAD_INPUT, 0}, // no end-of-contents
      {"30 80 04 01 AA 00", STATUS_BAD_INPUT, 0},
      {"30 80 00 01 AA 00 00", STATUS_BAD_INPUT, 0},  // identifier 0 is only the EOC marker
      {"30 80 04 05 AA 00 00", STATUS_BAD_INPUT, 0},  // nested element runs past the input
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.input);
    const Octets input = hex(row.input);
    Item whole = kJunk;
    ASSERT_EQ(decode_one(kAny, input, &whole), row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(whole.data, input.data());  // points into the input, no copy
      EXPECT_EQ(whole.len, row.want_len);
    }
  }
}

TEST(BerDecode, ChildrenOfASequence) {
  struct Row {
    const char *input;
    Status want;
    const char *want_integer;
    const char *want_octets;  // null: the optional slot keeps its junk
    uint32_t want_len;        // of the whole SEQUENCE
  };
  const Row rows[] = {
      {"30 03 02 01 05", STATUS_OK, "05", nullptr, 5},
      {"30 06 02 01 05 04 01 AA", STATUS_OK, "05", "AA", 8},
      {"30 80 02 01 05 04 01 AA 00 00", STATUS_OK, "05", "AA", 10},
      {"30 80 02 01 05 00 00", STATUS_OK, "05", nullptr, 7},
      {"30 81 06 02 01 05 04 01 AA", STATUS_OK, "05", "AA", 9},
      {"30 03 02 01 05 FF FF", STATUS_OK, "05", nullptr, 5},  // trailing octets ignored
      {"30 06 02 01 05 05 01 AA", STATUS_BAD_INPUT, "", nullptr, 0},  // unknown element inside
      {"30 08 02 01 05 04 01 AA 05 00", STATUS_BAD_INPUT, "", nullptr, 0},  // extra element inside
      {"30 80 02 01 05 04 01 AA 05 00 00 00", STATUS_BAD_INPUT, "", nullptr, 0},
      {"30 00", STATUS_BAD_INPUT, "", nullptr, 0},             // mandatory INTEGER missing
      {"30 80 00 00", STATUS_BAD_INPUT, "", nullptr, 0},
      {"30 03 04 01 AA", STATUS_BAD_INPUT, "", nullptr, 0},    // INTEGER expected
      {"31 03 02 01 05", STATUS_BAD_INPUT, "", nullptr, 0},    // SET, not SEQUENCE
      {"30 04 02 01 05", STATUS_BAD_INPUT, "", nullptr, 0},    // SEQUENCE longer than the input
      {"30 05 02 01 05 04 01", STATUS_BAD_INPUT, "", nullptr, 0},  // child runs past its parent
      {"30 05 02 01 05 04 01 AA", STATUS_BAD_INPUT, "", nullptr, 0},
      {"30 80 02 01 05 04 01 AA", STATUS_BAD_INPUT, "", nullptr, 0},  // no end-of-contents
      {"30 03 02 01 80", STATUS_BAD_INPUT, "", nullptr, 0},    // negative INTEGER
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.input);
    const Octets input = hex(row.input);
    Item whole = kJunk, integer = kJunk, octets = kJunk;
    void *values[] = {&whole, &integer, &octets};
    ASSERT_EQ(ber_decode(kPair, values, input.data(), static_cast<uint32_t>(input.size())),
              row.want);
    if (row.want != STATUS_OK) {
      continue;
    }
    EXPECT_EQ(octets_of(integer), hex(row.want_integer));
    if (row.want_octets == nullptr) {
      EXPECT_EQ(octets.data, kJunk.data);
    } else {
      EXPECT_EQ(octets_of(octets), hex(row.want_octets));
    }
    EXPECT_EQ(whole.data, input.data());
    EXPECT_EQ(whole.len, row.want_len);
  }
}

TEST(BerDecode, NullSlotsOnlyTestTheExtent) {
  // With no child slot wanted, the SEQUENCE is not descended into: a child
  // the template would reject does not matter, a bad extent still does.
  struct Row {
    const char *input;
    Status want;
  };
  const Row rows[] = {
      {"30 03 04 01 AA", STATUS_OK},
      {"30 80 04 01 AA 00 00", STATUS_OK},
      {"30 80 04 01 AA", STATUS_BAD_INPUT},
      {"30 05 04 01 AA", STATUS_BAD_INPUT},
      {"04 01 AA", STATUS_BAD_INPUT},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.input);
    const Octets input = hex(row.input);
    void *values[] = {nullptr, nullptr, nullptr};
    EXPECT_EQ(ber_decode(kPair, values, input.data(), static_cast<uint32_t>(input.size())),
              row.want);
  }
}

Octets nested_indefinite(int depth, bool closed) {
  Octets out;
  for (int i = 0; i < depth; i++) {
    out.push_back(0x30);
    out.push_back(0x80);
  }
  if (closed) {
    out.insert(out.end(), static_cast<size_t>(depth) * 2, 0x00);
  }
  return out;
}

TEST(BerDecode, NestingIsBounded) {
  struct Row {
    int depth;
    bool closed;
    Status want;
  };
  const Row rows[] = {
      {kMaxBerDepth, true, STATUS_OK},
      {kMaxBerDepth + 1, true, STATUS_BAD_INPUT},  // well formed, but deeper than any key
      {20000, true, STATUS_BAD_INPUT},
      {20000, false, STATUS_BAD_INPUT},            // hostile: no end at all
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(testing::Message() << row.depth << (row.closed ? " closed" : " open"));
    const Octets input = nested_indefinite(row.depth, row.closed);
    Item whole = kJunk;
    EXPECT_EQ(decode_one(kAny, input, &whole), row.want);
    void *none[] = {nullptr, nullptr, nullptr};
    EXPECT_EQ(ber_decode(kPair, none, input.data(), static_cast<uint32_t>(input.size())),
              row.want);
  }
}

TEST(BerIntegers, UnsignedDecode) {
  struct Row {
    const char *input;
    Status want;
    const char *want_magnitude;
  };
  const Row rows[] = {
      {"02 01 00", STATUS_OK, ""},  // zero is the empty magnitude
      {"02 03 00 00 01", STATUS_OK, "01"},
      {"02 02 00 80", STATUS_OK, "80"},
      {"02 01 7F", STATUS_OK, "7F"},
      {"02 00", STATUS_BAD_INPUT, ""},     // no contents
      {"02 01 80", STATUS_BAD_INPUT, ""},  // negative
      {"02 02 FF 01", STATUS_BAD_INPUT, ""},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.input);
    const Octets input = hex(row.input);
    Item magnitude = kJunk;
    ASSERT_EQ(decode_one(kUnsigned, input, &magnitude), row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(octets_of(magnitude), hex(row.want_magnitude));
      EXPECT_EQ(magnitude.data, input.data() + input.size() - magnitude.len);
    }
  }
}

TEST(BerIntegers, SmallIntegerMustEqualTheExpectedValue) {
  struct Row {
    const char *input;
    uint16_t expected;
    Status want;
  };
  const Row rows[] = {
      {"02 01 00", 0, STATUS_OK},
      {"02 01 01", 0, STATUS_BAD_INPUT},  // another value than expected
      {"02 02 01 00", 256, STATUS_OK},
      {"02 03 00 FF FF", 65535, STATUS_OK},
      {"02 04 00 00 00 05", 5, STATUS_OK},    // leading zeros do not count
      {"02 03 01 00 00", 0, STATUS_BAD_INPUT},  // more than two octets
      {"02 01 80", 0x80, STATUS_BAD_INPUT},   // negative
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.input);
    const Octets input = hex(row.input);
    uint16_t expected = row.expected;
    void *values[] = {&expected};
    EXPECT_EQ(ber_decode(kSmall, values, input.data(), static_cast<uint32_t>(input.size())),
              row.want);
  }
}

TEST(BerIntegers, EncodeMinimalTwosComplement) {
  struct Row {
    const char *magnitude;
    const char *want;
  };
  const Row rows[] = {
      {"", "02 01 00"},
      {"00", "02 01 00"},
      {"00 00 01", "02 01 01"},
      {"7F", "02 01 7F"},
      {"80", "02 02 00 80"},
      {"00 FF 01", "02 03 00 FF 01"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.magnitude);
    Octets magnitude = hex(row.magnitude);
    Item in = item_of(magnitude);
    const void *values[] = {&in};
    Item out = {nullptr, 0};
    ASSERT_EQ(ber_encode_to_item(&out, kUnsigned, values), STATUS_OK);
    EXPECT_EQ(octets_of(out), hex(row.want));
    cinder_wipe_free(out.data, out.len);
  }
  Item broken = {nullptr, 3};  // a length without octets
  const void *values[] = {&broken};
  Item out = {nullptr, 0};
  EXPECT_EQ(ber_encode_to_item(&out, kUnsigned, values), STATUS_BAD_DATA);
  EXPECT_EQ(out.data, nullptr);
}

TEST(BerIntegers, SmallIntegerEncode) {
  struct Row {
    uint16_t value;
    const char *want;
  };
  const Row rows[] = {
      {0, "02 01 00"}, {5, "02 01 05"}, {0x80, "02 02 00 80"}, {0x1234, "02 02 12 34"},
      {0xFFFF, "02 03 00 FF FF"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.value);
    const void *values[] = {&row.value};
    uint8_t buffer[8];
    uint32_t len = 99;
    ASSERT_EQ(ber_encode_to_buffer(buffer, &len, sizeof buffer, kSmall, values), STATUS_OK);
    EXPECT_EQ(Octets(buffer, buffer + len), hex(row.want));
  }
}

TEST(BerEncode, MinimalDefiniteLengths) {
  struct Row {
    uint32_t contents_len;
    const char *want_header;
  };
  const Row rows[] = {
      {0, "04 00"},          {127, "04 7F"},          {128, "04 81 80"},
      {255, "04 81 FF"},     {256, "04 82 01 00"},    {32763, "04 82 7F FB"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.contents_len);
    Octets contents(row.contents_len, 0x5A);
    Item in = {row.contents_len > 0 ? contents.data() : &kJunkOctet, row.contents_len};
    const void *values[] = {&in};
    Item out = {nullptr, 0};
    ASSERT_EQ(ber_encode_to_item(&out, kOctetString, values), STATUS_OK);
    const Octets header = hex(row.want_header);
    ASSERT_EQ(out.len, header.size() + row.contents_len);
    EXPECT_EQ(Octets(out.data, out.data + header.size()), header);
    EXPECT_EQ(Octets(out.data + header.size(), out.data + out.len), contents);
    cinder_wipe_free(out.data, out.len);
  }
}

TEST(BerEncode, LimitOf32767Octets) {
  struct Row {
    const TemplateEntry *entries;
    uint32_t contents_len;
    Status want;
  };
  const Row rows[] = {
      {kOctetString, 32763, STATUS_OK},  // 4 header octets: exactly 32767
      {kOctetString, 32764, STATUS_TOO_LONG},
      {kOctetString, 40000, STATUS_TOO_LONG},  // one piece beyond the limit
      {kWrapped, 32759, STATUS_OK},      // the SEQUENCE around it reaches 32767
      {kWrapped, 32760, STATUS_TOO_LONG},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.contents_len);
    Octets contents(row.contents_len, 0x5A);
    Item in = {contents.data(), row.contents_len};
    const void *values[] = {row.entries == kWrapped ? nullptr : &in, &in};
    Item out = {nullptr, 0};
    ASSERT_EQ(ber_encode_to_item(&out, row.entries, values), row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(out.len, 32767u);
      cinder_wipe_free(out.data, out.len);
    } else {
      EXPECT_EQ(out.data, nullptr);
    }
  }
  // A pre-encoded whole element is held to the same limit.
  Octets big(32768, 0x5A);
  Item whole = item_of(big);
  const void *values[] = {&whole};
  Item out = {nullptr, 0};
  EXPECT_EQ(ber_encode_to_item(&out, kAny, values), STATUS_TOO_LONG);
}

TEST(BerEncode, MissingValues) {
  Octets integer_octets = hex("05"), contents = hex("AA");
  Item integer = item_of(integer_octets), octets = item_of(contents), empty = {nullptr, 0};
  struct Row {
    const char *name;
    const TemplateEntry *entries;
    const void *values[3];
    Status want;
    const char *want_output;
  };
  const Row rows[] = {
      {"all given", kPair, {nullptr, &integer, &octets}, STATUS_OK, "30 06 02 01 05 04 01 AA"},
      {"optional left out", kPair, {nullptr, &integer, nullptr}, STATUS_OK, "30 03 02 01 05"},
      {"optional null pointer", kPair, {nullptr, &integer, &empty}, STATUS_OK, "30 03 02 01 05"},
      {"mandatory integer missing", kPair, {nullptr, nullptr, &octets}, STATUS_BAD_DATA, ""},
      {"mandatory contents missing", kWrapped, {nullptr, nullptr}, STATUS_BAD_DATA, ""},
      {"mandatory contents null pointer", kWrapped, {nullptr, &empty}, STATUS_BAD_DATA, ""},
      {"whole element missing", kAny, {nullptr}, STATUS_BAD_DATA, ""},
      {"whole element given", kPair, {&octets, nullptr, nullptr}, STATUS_OK, "AA"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Item out = {nullptr, 0};
    ASSERT_EQ(ber_encode_to_item(&out, row.entries, row.values), row.want);
    EXPECT_EQ(octets_of(out), hex(row.want_output));
    cinder_wipe_free(out.data, out.len);
  }
}

TEST(BerEncode, SinksReportFailureWithoutOutput) {
  Octets contents = hex("01 02 03 04");
  Item in = item_of(contents);
  const void *values[] = {&in};

  // An item that already holds a buffer is refused and left as it was.
  uint8_t held = 7;
  Item out = {&held, 1};
  EXPECT_EQ(ber_encode_to_item(&out, kOctetString, values), STATUS_BAD_DATA);
  EXPECT_EQ(out.data, &held);
  EXPECT_EQ(out.len, 1u);

  struct Row {
    uint32_t max;
    Status want;
  };
  const Row rows[] = {{6, STATUS_OK}, {5, STATUS_OUTPUT_TOO_SMALL}, {0, STATUS_OUTPUT_TOO_SMALL}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.max);
    uint8_t buffer[8];
    memset(buffer, 0xEE, sizeof buffer);
    uint32_t len = 99;
    ASSERT_EQ(ber_encode_to_buffer(buffer, &len, row.max, kOctetString, values), row.want);
    if (row.want == STATUS_OK) {
      EXPECT_EQ(Octets(buffer, buffer + len), hex("04 04 01 02 03 04"));
    } else {
      EXPECT_EQ(len, 0u);
      EXPECT_EQ(Octets(buffer, buffer + sizeof buffer), Octets(sizeof buffer, 0xEE));
    }
  }
}

TEST(BerEncode, EveryAllocationFailure) {
  // Enough elements and octets that both the piece list and the octet store grow.
  constexpr int kIntegers = 40;
  TemplateEntry entries[kIntegers + 2];
  entries[0] = {0x30, nullptr, nullptr, 0};
  for (int i = 1; i <= kIntegers; i++) {
    entries[i] = {0x02, ber_unsigned_integer_decode, ber_unsigned_integer_encode,
                  static_cast<uint32_t>(i)};
  }
  entries[kIntegers + 1] = {TAG_END, nullptr, nullptr, 0};
  Octets magnitude(20, 0x9C);  // first octet above 0x7F: two pieces per INTEGER
  Item integer = item_of(magnitude);
  const void *values[kIntegers + 1] = {};
  for (int i = 1; i <= kIntegers; i++) {
    values[i] = &integer;
  }

  const long allocations = expect_clean_allocation_failures([&] {
    Item out = {nullptr, 0};
    const Status status = ber_encode_to_item(&out, entries, values);
    if (status == STATUS_OK) {
      EXPECT_EQ(out.len, 4u + kIntegers * 23u);
      cinder_wipe_free(out.data, out.len);
    } else {
      EXPECT_EQ(out.data, nullptr);
    }
    return status;
  });
  EXPECT_GT(allocations, 3);  // the pieces and the store each grew at least once
}

}  // namespace
