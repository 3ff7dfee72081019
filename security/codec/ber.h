// ber.h: the table-driven BER/DER codec. A structure is described by a static
// template (an array of TemplateEntry); the caller passes a parallel array of
// value slots indexed by each entry's value index. Decoding accepts BER
// (indefinite lengths included for constructed elements) and leaves items
// pointing into the input; encoding always writes DER with minimal definite
// lengths into one exactly sized buffer.
#ifndef KIT_SECURITY_CODEC_BER_H
#define KIT_SECURITY_CODEC_BER_H

#include <stddef.h>
#include <stdint.h>

#include "security/framework/base.h"

// Special tag codes and flags of a template entry's tag word. The low 8 bits
// hold the expected identifier octet (0x30 SEQUENCE, 0x02 INTEGER, ...), or
// TAG_ANY (any single element) or TAG_END (closes the child list of the
// nearest open constructed entry).
enum : uint32_t {
  TAG_ANY = 0x1D,
  TAG_END = 0x1E,
  TAG_CONSTRUCTED = 0x20,
  TAG_OPTIONAL = 0x100,
};

// No structure this library reads nests deeper than a handful of levels; an
// indefinite-length element nested deeper than this is rejected as bad input.
inline constexpr int kMaxBerDepth = 32;

// The elements of one encoding never exceed this many octets.
inline constexpr uint32_t kMaxBerEncoding = 32767;

// BerElement: what a decode function is told about the element it decodes.
// Every pointer points into the decoder's input.
struct BerElement {
  uint8_t identifier;               // first identifier octet
  const uint8_t *after_identifier;  // just after the first identifier octet
  const uint8_t *contents;
  uint32_t contents_len;            // end-of-contents octets excluded
  const uint8_t *element;           // the identifier octet
  uint32_t element_len;             // end-of-contents octets included
};

// The piece list an encoding is collected in (opaque; see ber_encoder_append).
struct BerEncoder;

// A decode function stores the value of |element| through |value|; it returns
// 0 or the status that fails the whole decoding.
typedef Status (*BerDecodeFn)(const BerElement *element, void *value);
// An encode function appends the contents of the element with identifier
// |tag & 0xFF| to |encoder| (ber_encoder_append) from |value| (which may be
// null); appending nothing leaves the element out.
typedef Status (*BerEncodeFn)(BerEncoder *encoder, uint32_t tag, const void *value);

// TemplateEntry: one element of a structure. A constructed entry is followed
// by its children's entries and a TAG_END entry; one followed directly by its
// TAG_END is handled as a whole element.
struct TemplateEntry {
  uint32_t tag;
  BerDecodeFn decode;
  BerEncodeFn encode;
  uint32_t value_index;
};

// What a value slot points to, by the entry's functions:
//   none                     Item: the whole element, identifier octet on
//   ber_contents             Item: the contents octets
//   ber_unsigned_integer     Item: the magnitude, big-endian, no leading zeros
//   ber_small_integer        uint16_t: the value (decoding: the value expected)
// A null slot: decoding tests the element's form and stores nothing; encoding
// leaves the element out, which is 520 unless the entry is OPTIONAL. A whole
// element Item whose data is null counts as a null slot when encoding.

// ber_contents: decoding stores the contents (no copy); encoding emits the
// item's octets as the contents, nothing for a null slot or null pointer.
Status ber_contents_decode(const BerElement *element, void *value);
Status ber_contents_encode(BerEncoder *encoder, uint32_t tag, const void *value);
// ber_unsigned_integer: decoding requires non-empty contents whose first
// octet is below 0x80 (else 524) and drops leading zero octets (zero becomes
// an empty item); encoding drops leading zero octets and puts one 0x00 first
// when nothing remains or the first octet is 0x80 or above. Encoding an item
// with a null pointer and a nonzero length is 520.
Status ber_unsigned_integer_decode(const BerElement *element, void *value);
Status ber_unsigned_integer_encode(BerEncoder *encoder, uint32_t tag, const void *value);
// ber_small_integer: decoding reads an unsigned integer of at most 2 octets
// that must equal the slot's value (else 524); encoding writes the slot's
// value as an unsigned integer (0 as the single octet 0x00).
Status ber_small_integer_decode(const BerElement *element, void *value);
Status ber_small_integer_encode(BerEncoder *encoder, uint32_t tag, const void *value);

// ber_encoder_append adds |len| octets of contents, copied into the encoder's
// own store, to the element with identifier |tag & 0xFF|. With |continues|
// the next appended piece belongs to the same element. Returns 0, 537 when
// the octets collected so far would exceed kMaxBerEncoding, or 518.
Status ber_encoder_append(BerEncoder *encoder, uint32_t tag, const uint8_t *data, uint32_t len,
                          bool continues);

// ber_decode decodes the element at the start of |data| (|len| octets) by the
// first entry of |entries| and its children, storing values through |values|.
// Octets after that element are ignored. Returns 0, 524 for malformed or
// unexpected input (the slots may then be partly filled), or a decode
// function's status. Decoded items point into |data| and must not be written
// through.
Status ber_decode(const TemplateEntry *entries, void *const *values, const uint8_t *data,
                  uint32_t len);

// ber_encode_to_item encodes the structure into a new cinder_alloc block of
// exactly the encoded length and stores it in |out| (the caller releases it
// with cinder_wipe_free). Returns 0; 520 when |out->data| is already set or a
// mandatory value is missing; 537 when an element or the whole encoding
// exceeds kMaxBerEncoding octets; 518. |out| is set only on success.
Status ber_encode_to_item(Item *out, const TemplateEntry *entries, const void *const *values);

// ber_encode_to_buffer encodes the structure into |buffer| (|max| octets) and
// stores the encoded length in |out_len|. Returns 0; 536 when the encoding is
// longer than |max| (nothing is written and |out_len| is 0); 520, 537 and 518
// as ber_encode_to_item. |out_len| is 0 on every failure.
Status ber_encode_to_buffer(uint8_t *buffer, uint32_t *out_len, uint32_t max,
                            const TemplateEntry *entries, const void *const *values);

#endif  // KIT_SECURITY_CODEC_BER_H
