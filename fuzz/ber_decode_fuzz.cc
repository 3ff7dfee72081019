// ber_decode with each structure template. Besides surviving any input:
// - whatever decodes with every slot also passes with no slot at all;
// - what decodes encodes again (or is too long for DER), and the encoding
//   decodes to the same values and encodes to the same octets.
#include <stddef.h>
#include <stdint.h>

#include "fuzz/fuzz_check.h"
#include "security/codec/ber_templates.h"

namespace {

constexpr int kMaxValues = RSA_KEY_VALUE_COUNT;

struct Structure {
  const TemplateEntry *entries;
  int value_count;
  int small_integer_index;  // the version slot (uint16_t), or 0 when none
};

const Structure kStructures[] = {
    {TEMPLATE_RSA_PRIVATE_KEY, RSA_KEY_VALUE_COUNT, RSA_KEY_VALUE_VERSION},
    {TEMPLATE_PRIVATE_KEY_INFO, PRIVATE_KEY_INFO_VALUE_COUNT, PRIVATE_KEY_INFO_VALUE_VERSION},
    {TEMPLATE_ALGORITHM_IDENTIFIER, ALGORITHM_IDENTIFIER_VALUE_COUNT, 0},
    {TEMPLATE_DIGEST_INFO, DIGEST_INFO_VALUE_COUNT, 0},
};

// Value slots for every index but 0 (the whole outer element is the input).
struct Values {
  uint16_t version = 0;
  Item items[kMaxValues] = {};
  void *slots[kMaxValues] = {};

  explicit Values(const Structure &structure) {
    for (int i = 1; i < structure.value_count; i++) {
      slots[i] = i == structure.small_integer_index ? static_cast<void *>(&version)
                                                    : static_cast<void *>(&items[i]);
    }
  }
  Values(const Values &) = delete;
};

void check_structure(const Structure &structure, const uint8_t *data, uint32_t size) {
  Values decoded(structure);
  if (ber_decode(structure.entries, decoded.slots, data, size) != STATUS_OK) {
    return;
  }
  void *none[kMaxValues] = {};
  FUZZ_CHECK(ber_decode(structure.entries, none, data, size) == STATUS_OK);

  Item encoding = {nullptr, 0};
  const Status status = ber_encode_to_item(&encoding, structure.entries, decoded.slots);
  FUZZ_CHECK(status == STATUS_OK || status == STATUS_TOO_LONG);
  if (status != STATUS_OK) {
    return;
  }
  Values again(structure);
  FUZZ_CHECK(ber_decode(structure.entries, again.slots, encoding.data, encoding.len) == STATUS_OK);
  for (int i = 1; i < structure.value_count; i++) {
    if (i != structure.small_integer_index) {
      FUZZ_CHECK(items_equal(decoded.items[i], again.items[i]));
    }
  }
  Item second = {nullptr, 0};
  FUZZ_CHECK(ber_encode_to_item(&second, structure.entries, again.slots) == STATUS_OK);
  FUZZ_CHECK(items_equal(encoding, second));
  cinder_wipe_free(second.data, second.len);
  cinder_wipe_free(encoding.data, encoding.len);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  FuzzMemoryCheck memory;
  for (const Structure &structure : kStructures) {
    check_structure(structure, data, static_cast<uint32_t>(size));
  }
  return 0;
}
