// pkcs1.h: PKCS #1 version 1.5 over the raw RSA block engines: the two block
// formats and their pad and unpad operations, PaddedRsaCipher (the handler of
// the PKCS #1 RSA algorithm types), the digest algorithm identifier class and
// SignatureHandler (the handler of the digest-with-RSA signature types).
//
// Block formats, k = the modulus length, D the data of L octets:
//   type 1: 00 01 FF..FF 00 D   (k - L - 3 octets FF; private-key operations)
//   type 2: 00 02 PS 00 D       (k - L - 3 random nonzero octets; encryption)
//
// Every function returns a framework Status.
#ifndef KIT_SECURITY_ENGINES_PKCS1_H
#define KIT_SECURITY_ENGINES_PKCS1_H

#include <stdint.h>

#include "security/framework/handler.h"
#include "security/framework/objects.h"

// The minimal padding: 00, the type octet, eight padding octets, 00.
enum { PKCS1_MIN_PADDING = 11, PKCS1_MIN_BLOCK = 12 };

struct PaddedRsaCipher;

// The pad and unpad operations of one kind of PaddedRsaCipher.
struct PaddingOps {
  // Formats the collected octets into a block of the cipher's block size.
  Status (*pad)(PaddedRsaCipher *cipher, AlgorithmObject *random, const CancelCheck *cancel);
  // Checks the first |length| octets of the block and points |message| at the
  // data inside it.
  Status (*unpad)(PaddedRsaCipher *cipher, Item *message, uint32_t length);
};

// PaddedRsaCipher: collects a message into its block buffer, pads it and runs
// the bound raw RSA engine over the block, or the reverse.
struct PaddedRsaCipher {
  Handler handler;    // binds the raw RSA engine
  uint8_t *block;     // block_size octets once an init has succeeded
  uint32_t block_size;
  uint32_t collected;
  uint32_t input_limit;  // k - 11 encrypting, k decrypting
  const PaddingOps *padding;
};

// pkcs1_pad_type1 builds a type 1 block in place from the collected octets.
// STATUS_BAD_INPUT_LENGTH when L + 3 > k.
Status pkcs1_pad_type1(PaddedRsaCipher *cipher);
// pkcs1_pad_type2 builds a type 2 block in place, drawing each padding octet
// from |random| one at a time (zero octets are drawn again). STATUS_BAD_INPUT_
// LENGTH when L + 3 > k; the failure of random_generate (539 for a null or
// dead random object) as it comes.
Status pkcs1_pad_type2(PaddedRsaCipher *cipher, AlgorithmObject *random,
                       const CancelCheck *cancel);
// pkcs1_unpad_type1 / pkcs1_unpad_type2 check the first |length| octets of the
// block: 00, the type octet, padding (FF octets for type 1, nonzero octets for
// type 2), a 00 separator. *message points at what follows (possibly empty).
// STATUS_BAD_INPUT for anything else. Type 2 scans the whole block with
// masks and decides at the end, so its time does not depend on where the
// separator lies; only the two leading octets and the separator's existence
// are public.
Status pkcs1_unpad_type1(PaddedRsaCipher *cipher, Item *message, uint32_t length);
Status pkcs1_unpad_type2(PaddedRsaCipher *cipher, Item *message, uint32_t length);

// PKCS1_PUBLIC_PADDING pads type 2 and removes type 1 (public-key side);
// PKCS1_PRIVATE_PADDING pads type 1 and removes type 2 (private-key side).
extern const PaddingOps PKCS1_PUBLIC_PADDING;
extern const PaddingOps PKCS1_PRIVATE_PADDING;

// The eight CipherHandler slots of PaddedRsaCipher:
//   release        wipes and frees the block buffer, releases the engine context
//   blockSize      STATUS_NOT_SUPPORTED, always
//   encryptInit    binds the raw engine encrypting; limit k - 11
//   decryptInit    binds it decrypting; limit k
//     (both: STATUS_NOT_SUPPORTED when k < 12; STATUS_NO_MEMORY)
//   *Update        collects input, never writes output (*out_len = 0);
//                  STATUS_BAD_INPUT_LENGTH, nothing taken, beyond the limit
//   encryptFinal   pads, transforms the block into |out| (k octets)
//   decryptFinal   transforms the collected octets in place (525 unless they
//                  are one block), unpads, 524 for a message longer than
//                  k - 11, *out_len = the message length and 536 when it
//                  exceeds |max|, else copies it to |out|
// Each final resets the collection and wipes the block buffer.
extern const CipherHandlerClass PADDED_RSA_CIPHER_CLASS;

// Parameters of a PKCS #1 RSA algorithm type: the raw type its cipher searches
// method lists for, and its padding.
struct PaddedRsaParams {
  const AlgorithmInfoType *raw_type;
  const PaddingOps *padding;
};

// padded_rsa_cipher_init makes |cipher| (embedded or allocated) an unbound
// PaddedRsaCipher of the kind |params| describes.
void padded_rsa_cipher_init(PaddedRsaCipher *cipher, const PaddedRsaParams *params);

// The class of the PKCS #1 RSA types (params: a PaddedRsaParams): set pushes
// (type, null), newHandler allocates a PaddedRsaCipher.
extern const InfoTypeClass PADDED_RSA_INFO_CLASS;

// Parameters of a digest algorithm identifier record.
struct DigestIdParams {
  const uint8_t *oid;  // OID contents
  uint32_t oid_len;
  const uint8_t *parameters;  // the parameters element required (05 00)
  uint32_t parameters_len;
  const AlgorithmInfoType *digest_type;
};

// The digest algorithm identifier class (params: a DigestIdParams).
//   set(record, object, const Item *encoded AlgorithmIdentifier): decodes it
//     (524 when malformed); STATUS_WRONG_ALGORITHM_INFO for another OID;
//     524 unless the parameters element is exactly the record's; then pushes
//     the digest type into the object.
//   newHandler: the digest type's.
//   derive(record, Item **out, object): the object must hold the digest type
//     (get_algorithm_info's failure otherwise); encodes the DER
//     AlgorithmIdentifier into an Item owned by the object's store.
extern const InfoTypeClass DIGEST_ID_INFO_CLASS;

// Parameters of a digest-with-RSA signature type.
struct SignatureParams {
  const AlgorithmInfoType *digest_type;  // bound for the digest
  const AlgorithmInfoType *digest_id;    // a DIGEST_ID_INFO_CLASS record
  const AlgorithmInfoType *verifier;     // PKCS #1 type whose cipher verifies
  const AlgorithmInfoType *signer;       // PKCS #1 type whose cipher signs
};

// SignatureHandler: digests the data and signs RSA-private(type 1 block of the
// DER DigestInfo), or verifies such a signature.
struct SignatureHandler {
  Handler handler;  // binds the digest engine
  PaddedRsaCipher verifier;
  PaddedRsaCipher signer;
  const AlgorithmInfoType *digest_id;
};

// The class of the signature types (params: a SignatureParams): set pushes
// (type, null), newHandler allocates a SignatureHandler.
//
// verifyFinal returns 0 only when the recovered block holds exactly the DER
// DigestInfo that signing produces for the computed digest: a digest or OID
// mismatch is STATUS_BAD_SIGNATURE (540); a malformed DigestInfo or parameters
// other than NULL are STATUS_BAD_INPUT (524); and a DigestInfo that decodes
// and matches but is not that exact encoding (trailing octets, long-form or
// indefinite lengths) is 540 too, so no leniency of the BER decoder can be
// used to forge a signature.
extern const InfoTypeClass SIGNATURE_INFO_CLASS;
extern const SignatureHandlerClass SIGNATURE_HANDLER_CLASS;

#endif  // KIT_SECURITY_ENGINES_PKCS1_H
