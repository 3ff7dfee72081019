// The BER decoder and DER encoder (X.690 sections 8 and 10).
//
// Decoding walks the template and the input together and copies nothing.
// Encoding collects a flat list of pieces first (start and end of each
// constructed element, contents octets, pre-encoded whole elements), then
// sizes every element from its pieces, then writes all of it into one buffer
// of the exact size, so that no length is ever guessed or patched.
#include "security/codec/ber.h"

#include <string.h>

#include "security/framework/memory.h"

namespace {

// ---- Decoding ----------------------------------------------------------

struct BerHeader {
  uint8_t identifier;
  uint32_t header_len;    // identifier and length octets
  bool indefinite;
  uint32_t contents_len;  // definite lengths only
};

bool tag_is_optional(uint32_t tag) { return (tag & TAG_OPTIONAL) != 0; }
uint8_t tag_identifier(uint32_t tag) { return static_cast<uint8_t>(tag & 0xFF); }
bool tag_is_end(uint32_t tag) { return tag_identifier(tag) == TAG_END; }
// Every constructed entry is followed by its children and a TAG_END entry.
bool tag_is_constructed(uint32_t tag) { return (tag & TAG_CONSTRUCTED) != 0; }

// ber_read_header reads the identifier and length octets at |data|. Returns
// ENGINE_BAD_INPUT_LENGTH when the header or the element does not fit in
// |avail| octets, ENGINE_BAD_INPUT for a length form this codec does not
// take (indefinite on a primitive element, more than two length octets).
EngineStatus ber_read_header(const uint8_t *data, uint32_t avail, BerHeader *out) {
  if (avail == 0) {
    return ENGINE_BAD_INPUT_LENGTH;
  }
  uint32_t n = 1;
  if ((data[0] & 0x1F) == 0x1F) {
    // High tag number: the following octets up to the first with bit 7 clear
    // belong to the identifier. They are skipped, never compared.
    for (;;) {
      if (n >= avail) {
        return ENGINE_BAD_INPUT_LENGTH;
      }
      if ((data[n++] & 0x80) == 0) {
        break;
      }
    }
  }
  if (n >= avail) {
    return ENGINE_BAD_INPUT_LENGTH;
  }
  const uint8_t first = data[n++];
  uint32_t contents_len = 0;
  bool indefinite = false;
  if (first < 0x80) {
    contents_len = first;
  } else if (first == 0x81) {
    if (avail - n < 1) {
      return ENGINE_BAD_INPUT_LENGTH;
    }
    contents_len = data[n];
    n += 1;
  } else if (first == 0x82) {
    if (avail - n < 2) {
      return ENGINE_BAD_INPUT_LENGTH;
    }
    contents_len = (static_cast<uint32_t>(data[n]) << 8) | data[n + 1];
    n += 2;
  } else if (first == 0x80) {
    if ((data[0] & TAG_CONSTRUCTED) == 0) {
      return ENGINE_BAD_INPUT;
    }
    indefinite = true;
  } else {
    return ENGINE_BAD_INPUT;
  }
  if (!indefinite && contents_len > avail - n) {
    return ENGINE_BAD_INPUT_LENGTH;
  }
  out->identifier = data[0];
  out->header_len = n;
  out->indefinite = indefinite;
  out->contents_len = contents_len;
  return ENGINE_OK;
}

// ber_at_end_of_contents tells whether the octets at |data| are the
// end-of-contents marker 00 00 of an indefinite element. Running out of input
// before the marker, and any other element with identifier 0 (reserved for
// the marker), are bad input.
Status ber_at_end_of_contents(const uint8_t *data, uint32_t avail, bool *at_end) {
  if (avail == 0) {
    return STATUS_BAD_INPUT;
  }
  if (data[0] != 0x00) {
    *at_end = false;
    return STATUS_OK;
  }
  if (avail < 2 || data[1] != 0x00) {
    return STATUS_BAD_INPUT;
  }
  *at_end = true;
  return STATUS_OK;
}

// ber_indefinite_extent finds the contents length of an indefinite element
// whose contents start at |contents| (|avail| octets of input from there) and
// which sits |depth| levels deep. Nested elements are skipped by their
// lengths; nested indefinite ones are counted so that hostile input cannot
// nest beyond kMaxBerDepth.
Status ber_indefinite_extent(const uint8_t *contents, uint32_t avail, int depth,
                             uint32_t *contents_len) {
  uint32_t pos = 0;
  int open = 1;
  for (;;) {
    bool at_end = false;
    Status status = ber_at_end_of_contents(contents + pos, avail - pos, &at_end);
    if (status != STATUS_OK) {
      return status;
    }
    if (at_end) {
      if (--open == 0) {
        *contents_len = pos;
        return STATUS_OK;
      }
      pos += 2;
      continue;
    }
    BerHeader header;
    if (ber_read_header(contents + pos, avail - pos, &header) != ENGINE_OK) {
      return STATUS_BAD_INPUT;
    }
    if (header.indefinite) {
      if (depth + open >= kMaxBerDepth) {
        return STATUS_BAD_INPUT;
      }
      open++;
      pos += header.header_len;
    } else {
      pos += header.header_len + header.contents_len;
    }
  }
}

// Index of the entry that follows entry |i| and all of its children.
uint32_t template_next(const TemplateEntry *entries, uint32_t i) {
  if (!tag_is_constructed(entries[i].tag)) {
    return i + 1;
  }
  uint32_t j = i + 1;
  for (int open = 1; open > 0; j++) {
    if (tag_is_end(entries[j].tag)) {
      open--;
    } else if (tag_is_constructed(entries[j].tag)) {
      open++;
    }
  }
  return j;
}

// Whether any entry below constructed entry |i| has a value slot to fill.
bool template_wants_children(const TemplateEntry *entries, uint32_t i, void *const *values) {
  const uint32_t end = template_next(entries, i);
  for (uint32_t j = i + 1; j < end; j++) {
    if (!tag_is_end(entries[j].tag) && values[entries[j].value_index] != nullptr) {
      return true;
    }
  }
  return false;
}

Status ber_decode_entry(const TemplateEntry *entries, uint32_t i, void *const *values,
                        const uint8_t *data, uint32_t avail, int depth, uint32_t *consumed);

// ber_decode_children decodes the children of constructed entry |i| from the
// contents of the element at |data| and sets the element's lengths.
Status ber_decode_children(const TemplateEntry *entries, uint32_t i, void *const *values,
                           const uint8_t *data, uint32_t avail, int depth,
                           const BerHeader &header, BerElement *element) {
  const uint8_t *contents = data + header.header_len;
  const uint32_t contents_avail =
      header.indefinite ? avail - header.header_len : header.contents_len;
  uint32_t pos = 0;
  Status status = STATUS_OK;
  for (uint32_t j = i + 1; !tag_is_end(entries[j].tag); j = template_next(entries, j)) {
    bool at_end = false;
    if (header.indefinite) {
      if ((status = ber_at_end_of_contents(contents + pos, contents_avail - pos, &at_end)) !=
          STATUS_OK) {
        return status;
      }
    } else {
      at_end = pos == contents_avail;
    }
    if (at_end) {
      if (!tag_is_optional(entries[j].tag)) {
        return STATUS_BAD_INPUT;
      }
      continue;
    }
    uint32_t used = 0;
    if ((status = ber_decode_entry(entries, j, values, contents + pos, contents_avail - pos,
                                   depth + 1, &used)) != STATUS_OK) {
      return status;
    }
    pos += used;
  }
  if (header.indefinite) {
    bool at_end = false;
    if ((status = ber_at_end_of_contents(contents + pos, contents_avail - pos, &at_end)) !=
        STATUS_OK) {
      return status;
    }
    if (!at_end) {
      return STATUS_BAD_INPUT;
    }
    element->contents_len = pos;
    element->element_len = header.header_len + pos + 2;
  } else {
    if (pos != contents_avail) {
      return STATUS_BAD_INPUT;
    }
    element->contents_len = header.contents_len;
    element->element_len = header.header_len + header.contents_len;
  }
  return STATUS_OK;
}

// ber_decode_entry decodes entry |i| (and its children) from the element at
// |data|, |depth| levels below the outermost element, and reports the octets
// it took: 0 when an OPTIONAL entry does not match.
Status ber_decode_entry(const TemplateEntry *entries, uint32_t i, void *const *values,
                        const uint8_t *data, uint32_t avail, int depth, uint32_t *consumed) {
  const TemplateEntry &entry = entries[i];
  *consumed = 0;
  if (depth >= kMaxBerDepth) {
    return STATUS_BAD_INPUT;
  }
  BerHeader header;
  if (ber_read_header(data, avail, &header) != ENGINE_OK) {
    return STATUS_BAD_INPUT;
  }
  if (tag_identifier(entry.tag) != TAG_ANY && header.identifier != tag_identifier(entry.tag)) {
    return tag_is_optional(entry.tag) ? STATUS_OK : STATUS_BAD_INPUT;
  }

  BerElement element;
  element.identifier = header.identifier;
  element.after_identifier = data + 1;
  element.contents = data + header.header_len;
  element.element = data;
  Status status = STATUS_OK;
  if (tag_is_constructed(entry.tag) && template_wants_children(entries, i, values)) {
    if ((status = ber_decode_children(entries, i, values, data, avail, depth, header,
                                      &element)) != STATUS_OK) {
      return status;
    }
  } else if (header.indefinite) {
    if ((status = ber_indefinite_extent(element.contents, avail - header.header_len, depth,
                                        &element.contents_len)) != STATUS_OK) {
      return status;
    }
    element.element_len = header.header_len + element.contents_len + 2;
  } else {
    element.contents_len = header.contents_len;
    element.element_len = header.header_len + header.contents_len;
  }

  void *value = values[entry.value_index];
  if (value != nullptr) {
    if (entry.decode == nullptr) {
      Item *item = static_cast<Item *>(value);
      item->data = const_cast<uint8_t *>(element.element);
      item->len = element.element_len;
    } else if ((status = entry.decode(&element, value)) != STATUS_OK) {
      return status;
    }
  }
  *consumed = element.element_len;
  return STATUS_OK;
}

// ---- Encoding ----------------------------------------------------------

enum PieceKind : uint8_t {
  PIECE_CONTENTS,  // contents octets of a primitive element
  PIECE_WHOLE,     // a pre-encoded element, copied as it stands
  PIECE_START,     // a constructed element opens
  PIECE_END,       // the nearest open constructed element closes
};

constexpr uint32_t kNoPiece = UINT32_MAX;

struct BerPiece {
  PieceKind kind;
  uint8_t identifier;
  bool continues;        // the next piece holds more contents of this element
  uint32_t offset;       // octets in the encoder's store
  uint32_t len;
  uint32_t element_contents_len;  // sizing result, for a START or a run's first piece
  uint32_t enclosing;             // sizing: the START enclosing a START
};

}  // namespace

struct BerEncoder {
  BerPiece *pieces;
  uint32_t count;
  uint32_t capacity;
  uint8_t *store;
  uint32_t store_len;
  uint32_t store_capacity;
};

namespace {

constexpr uint32_t kFirstPieceCapacity = 16;
constexpr uint32_t kFirstStoreCapacity = 256;

void ber_encoder_release(BerEncoder *encoder) {
  cinder_wipe_free(encoder->store, encoder->store_capacity);
  cinder_wipe_free(encoder->pieces, sizeof(BerPiece) * encoder->capacity);
  *encoder = BerEncoder{};
}

Status ber_encoder_push(BerEncoder *encoder, const BerPiece &piece) {
  if (encoder->count == encoder->capacity) {
    const uint32_t capacity =
        encoder->capacity == 0 ? kFirstPieceCapacity : encoder->capacity * 2;
    BerPiece *grown = static_cast<BerPiece *>(cinder_alloc(sizeof(BerPiece) * capacity));
    if (grown == nullptr) {
      return STATUS_NO_MEMORY;
    }
    if (encoder->count > 0) {
      memcpy(grown, encoder->pieces, sizeof(BerPiece) * encoder->count);
    }
    cinder_wipe_free(encoder->pieces, sizeof(BerPiece) * encoder->capacity);
    encoder->pieces = grown;
    encoder->capacity = capacity;
  }
  encoder->pieces[encoder->count++] = piece;
  return STATUS_OK;
}

// Copies |len| octets into the store and pushes a piece naming them.
Status ber_encoder_push_octets(BerEncoder *encoder, PieceKind kind, uint8_t identifier,
                               const uint8_t *data, uint32_t len, bool continues) {
  // Every stored octet reaches the output, so a store beyond the limit can
  // never make a valid encoding.
  if (len > kMaxBerEncoding || encoder->store_len + len > kMaxBerEncoding) {
    return STATUS_TOO_LONG;
  }
  const uint32_t needed = encoder->store_len + len;
  if (needed > encoder->store_capacity) {
    uint32_t capacity = encoder->store_capacity == 0 ? kFirstStoreCapacity
                                                     : encoder->store_capacity * 2;
    if (capacity < needed) {
      capacity = needed;
    }
    uint8_t *grown = static_cast<uint8_t *>(cinder_alloc(capacity));
    if (grown == nullptr) {
      return STATUS_NO_MEMORY;
    }
    if (encoder->store_len > 0) {
      memcpy(grown, encoder->store, encoder->store_len);
    }
    cinder_wipe_free(encoder->store, encoder->store_capacity);
    encoder->store = grown;
    encoder->store_capacity = capacity;
  }
  BerPiece piece{kind, identifier, continues, encoder->store_len, len, 0, kNoPiece};
  Status status = ber_encoder_push(encoder, piece);
  if (status != STATUS_OK) {
    return status;
  }
  if (len > 0) {
    memcpy(encoder->store + encoder->store_len, data, len);
  }
  encoder->store_len = needed;
  return STATUS_OK;
}

// The item of a whole-element slot, or null when the slot gives none.
const Item *whole_element_item(const void *value) {
  const Item *item = static_cast<const Item *>(value);
  return item != nullptr && item->data != nullptr ? item : nullptr;
}

// ber_encode_entry appends the pieces of entry |i| and its children.
Status ber_encode_entry(BerEncoder *encoder, const TemplateEntry *entries, uint32_t i,
                        const void *const *values) {
  const TemplateEntry &entry = entries[i];
  const void *value = values[entry.value_index];
  const bool optional = tag_is_optional(entry.tag);
  Status status = STATUS_OK;
  if (entry.encode == nullptr && whole_element_item(value) != nullptr) {
    const Item *item = whole_element_item(value);
    return ber_encoder_push_octets(encoder, PIECE_WHOLE, 0, item->data, item->len, false);
  }
  if (entry.encode != nullptr) {
    const uint32_t before = encoder->count;
    if ((status = entry.encode(encoder, entry.tag, value)) != STATUS_OK) {
      return status;
    }
    if (encoder->count == before) {
      return optional ? STATUS_OK : STATUS_BAD_DATA;
    }
    // A run of contents never reaches into the next entry's element.
    encoder->pieces[encoder->count - 1].continues = false;
    return STATUS_OK;
  }
  if (tag_is_constructed(entry.tag) && !tag_is_end(entries[i + 1].tag)) {
    const uint8_t identifier = tag_identifier(entry.tag);
    if ((status = ber_encoder_push(encoder, {PIECE_START, identifier, false, 0, 0, 0, kNoPiece})) !=
        STATUS_OK) {
      return status;
    }
    for (uint32_t j = i + 1; !tag_is_end(entries[j].tag); j = template_next(entries, j)) {
      if ((status = ber_encode_entry(encoder, entries, j, values)) != STATUS_OK) {
        return status;
      }
    }
    return ber_encoder_push(encoder, {PIECE_END, identifier, false, 0, 0, 0, kNoPiece});
  }
  return optional ? STATUS_OK : STATUS_BAD_DATA;
}

// Identifier and minimal definite length octets of an element.
uint32_t der_header_len(uint32_t contents_len) {
  return contents_len < 128 ? 2 : contents_len < 256 ? 3 : 4;
}

// Index of the last piece of the contents run that starts at |k|.
uint32_t run_last(const BerEncoder *encoder, uint32_t k) {
  while (encoder->pieces[k].continues && k + 1 < encoder->count &&
         encoder->pieces[k + 1].kind == PIECE_CONTENTS) {
    k++;
  }
  return k;
}

// Adds an element of |size| octets to the open element or to the total.
Status ber_sizing_add(BerEncoder *encoder, uint32_t open, uint32_t size, uint32_t *total) {
  if (size > kMaxBerEncoding) {
    return STATUS_TOO_LONG;
  }
  uint32_t *sum = open == kNoPiece ? total : &encoder->pieces[open].element_contents_len;
  if (*sum + size > kMaxBerEncoding) {
    return STATUS_TOO_LONG;
  }
  *sum += size;
  return STATUS_OK;
}

// ber_encoder_size computes every element's contents length and the total;
// 537 when any element or the total exceeds kMaxBerEncoding.
Status ber_encoder_size(BerEncoder *encoder, uint32_t *total) {
  *total = 0;
  uint32_t open = kNoPiece;
  Status status = STATUS_OK;
  for (uint32_t k = 0; k < encoder->count; k++) {
    BerPiece &piece = encoder->pieces[k];
    uint32_t size = 0;
    switch (piece.kind) {
      case PIECE_START:
        piece.enclosing = open;
        piece.element_contents_len = 0;
        open = k;
        continue;
      case PIECE_END: {
        const BerPiece &start = encoder->pieces[open];
        size = der_header_len(start.element_contents_len) + start.element_contents_len;
        open = start.enclosing;
        break;
      }
      case PIECE_WHOLE:
        size = piece.len;
        break;
      case PIECE_CONTENTS: {
        const uint32_t last = run_last(encoder, k);
        uint32_t contents_len = 0;
        for (uint32_t m = k; m <= last; m++) {
          contents_len += encoder->pieces[m].len;  // the store bounds the sum
        }
        piece.element_contents_len = contents_len;
        size = der_header_len(contents_len) + contents_len;
        k = last;
        break;
      }
    }
    if ((status = ber_sizing_add(encoder, open, size, total)) != STATUS_OK) {
      return status;
    }
  }
  return STATUS_OK;
}

uint8_t *der_write_header(uint8_t *out, uint8_t identifier, uint32_t contents_len) {
  *out++ = identifier;
  if (contents_len >= 256) {
    *out++ = 0x82;
    *out++ = static_cast<uint8_t>(contents_len >> 8);
  } else if (contents_len >= 128) {
    *out++ = 0x81;
  }
  *out++ = static_cast<uint8_t>(contents_len);
  return out;
}

// ber_encoder_write writes the sized pieces to |out|, which holds exactly the
// total that ber_encoder_size reported.
void ber_encoder_write(const BerEncoder *encoder, uint8_t *out) {
  for (uint32_t k = 0; k < encoder->count; k++) {
    const BerPiece &piece = encoder->pieces[k];
    switch (piece.kind) {
      case PIECE_START:
        out = der_write_header(out, piece.identifier, piece.element_contents_len);
        break;
      case PIECE_END:
        break;
      case PIECE_WHOLE:
        memcpy(out, encoder->store + piece.offset, piece.len);
        out += piece.len;
        break;
      case PIECE_CONTENTS: {
        out = der_write_header(out, piece.identifier, piece.element_contents_len);
        const uint32_t last = run_last(encoder, k);
        for (uint32_t m = k; m <= last; m++) {
          const BerPiece &part = encoder->pieces[m];
          if (part.len > 0) {
            memcpy(out, encoder->store + part.offset, part.len);
            out += part.len;
          }
        }
        k = last;
        break;
      }
    }
  }
}

// ber_encode collects and sizes the pieces of the whole structure.
Status ber_encode(BerEncoder *encoder, const TemplateEntry *entries, const void *const *values,
                  uint32_t *total) {
  Status status = ber_encode_entry(encoder, entries, 0, values);
  if (status != STATUS_OK) {
    return status;
  }
  return ber_encoder_size(encoder, total);
}

}  // namespace

Status ber_encoder_append(BerEncoder *encoder, uint32_t tag, const uint8_t *data, uint32_t len,
                          bool continues) {
  return ber_encoder_push_octets(encoder, PIECE_CONTENTS, tag_identifier(tag), data, len,
                                 continues);
}

Status ber_decode(const TemplateEntry *entries, void *const *values, const uint8_t *data,
                  uint32_t len) {
  if (data == nullptr) {
    return STATUS_BAD_INPUT;
  }
  uint32_t consumed = 0;
  return ber_decode_entry(entries, 0, values, data, len, 0, &consumed);
}

Status ber_encode_to_item(Item *out, const TemplateEntry *entries, const void *const *values) {
  if (out->data != nullptr) {
    return STATUS_BAD_DATA;
  }
  BerEncoder encoder{};
  uint32_t total = 0;
  uint8_t *buffer = nullptr;
  Status status = ber_encode(&encoder, entries, values, &total);
  if (status != STATUS_OK) {
    goto done;
  }
  buffer = static_cast<uint8_t *>(cinder_alloc(total));
  if (buffer == nullptr) {
    status = STATUS_NO_MEMORY;
    goto done;
  }
  ber_encoder_write(&encoder, buffer);
  out->data = buffer;
  out->len = total;
done:
  ber_encoder_release(&encoder);
  return status;
}

Status ber_encode_to_buffer(uint8_t *buffer, uint32_t *out_len, uint32_t max,
                            const TemplateEntry *entries, const void *const *values) {
  *out_len = 0;
  BerEncoder encoder{};
  uint32_t total = 0;
  Status status = ber_encode(&encoder, entries, values, &total);
  if (status == STATUS_OK && (total > max || (buffer == nullptr && total > 0))) {
    status = STATUS_OUTPUT_TOO_SMALL;
  }
  if (status == STATUS_OK) {
    ber_encoder_write(&encoder, buffer);
    *out_len = total;
  }
  ber_encoder_release(&encoder);
  return status;
}

// ---- Entry functions ---------------------------------------------------

Status ber_contents_decode(const BerElement *element, void *value) {
  Item *item = static_cast<Item *>(value);
  item->data = const_cast<uint8_t *>(element->contents);
  item->len = element->contents_len;
  return STATUS_OK;
}

Status ber_contents_encode(BerEncoder *encoder, uint32_t tag, const void *value) {
  const Item *item = static_cast<const Item *>(value);
  if (item == nullptr || item->data == nullptr) {
    return STATUS_OK;
  }
  return ber_encoder_append(encoder, tag, item->data, item->len, false);
}

Status ber_unsigned_integer_decode(const BerElement *element, void *value) {
  // A first octet of 0x80 or above is a negative two's-complement value.
  if (element->contents_len == 0 || element->contents[0] >= 0x80) {
    return STATUS_BAD_INPUT;
  }
  const uint8_t *magnitude = element->contents;
  uint32_t len = element->contents_len;
  while (len > 0 && magnitude[0] == 0x00) {
    magnitude++;
    len--;
  }
  Item *item = static_cast<Item *>(value);
  item->data = const_cast<uint8_t *>(magnitude);
  item->len = len;
  return STATUS_OK;
}

Status ber_unsigned_integer_encode(BerEncoder *encoder, uint32_t tag, const void *value) {
  const Item *item = static_cast<const Item *>(value);
  if (item == nullptr) {
    return STATUS_OK;
  }
  if (item->data == nullptr && item->len > 0) {
    return STATUS_BAD_DATA;
  }
  const uint8_t *magnitude = item->data;
  uint32_t len = item->len;
  while (len > 0 && magnitude[0] == 0x00) {
    magnitude++;
    len--;
  }
  static const uint8_t kZero = 0x00;
  if (len == 0) {
    return ber_encoder_append(encoder, tag, &kZero, 1, false);
  }
  Status status = STATUS_OK;
  if (magnitude[0] >= 0x80 &&
      (status = ber_encoder_append(encoder, tag, &kZero, 1, true)) != STATUS_OK) {
    return status;
  }
  return ber_encoder_append(encoder, tag, magnitude, len, false);
}

Status ber_small_integer_decode(const BerElement *element, void *value) {
  Item magnitude;
  Status status = ber_unsigned_integer_decode(element, &magnitude);
  if (status != STATUS_OK) {
    return status;
  }
  if (magnitude.len > 2) {
    return STATUS_BAD_INPUT;
  }
  uint32_t decoded = 0;
  for (uint32_t k = 0; k < magnitude.len; k++) {
    decoded = (decoded << 8) | magnitude.data[k];
  }
  return decoded == *static_cast<const uint16_t *>(value) ? STATUS_OK : STATUS_BAD_INPUT;
}

Status ber_small_integer_encode(BerEncoder *encoder, uint32_t tag, const void *value) {
  if (value == nullptr) {
    return STATUS_OK;
  }
  const uint16_t small = *static_cast<const uint16_t *>(value);
  uint8_t octets[2] = {static_cast<uint8_t>(small >> 8), static_cast<uint8_t>(small)};
  const Item item{octets, 2};
  return ber_unsigned_integer_encode(encoder, tag, &item);
}
