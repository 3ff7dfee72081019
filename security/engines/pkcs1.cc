// PKCS #1 version 1.5 (RFC 8017 sections 7.2 and 8.2, with the block types of
// RFC 2313 section 8.1): block formatting, the padded RSA cipher handler, the
// digest algorithm identifiers and the digest-with-RSA signature handler.
#include "security/engines/pkcs1.h"

#include <string.h>

#include "security/codec/ber_templates.h"
#include "security/framework/info_classes.h"
#include "security/framework/memory.h"
#include "security/framework/operations.h"
#include "security/framework/status.h"

namespace {

// Room for the digests of this library (16 octets; SHA-1's 20 at most).
constexpr uint32_t kDigestSpace = 20;
// Room for a DigestInfo.
constexpr uint32_t kDigestInfoSpace = 64;

PaddedRsaCipher *as_cipher(Handler *handler) {
  return reinterpret_cast<PaddedRsaCipher *>(handler);
}

const CipherEngineOps *raw_engine(const PaddedRsaCipher *cipher) {
  return static_cast<const CipherEngineOps *>(cipher->handler.binding.engine);
}

void *raw_context(PaddedRsaCipher *cipher) { return cipher->handler.binding.context.data; }

// Moves the L collected octets to the end of the block and writes 00, |type|
// in front; returns where the padding starts (index 2).
Status start_block(PaddedRsaCipher *cipher, uint8_t type) {
  const uint32_t k = cipher->block_size, len = cipher->collected;
  if ((uint64_t)len + 3 > k) {
    return STATUS_BAD_INPUT_LENGTH;
  }
  memmove(cipher->block + k - len, cipher->block, len);
  cipher->block[0] = 0x00;
  cipher->block[1] = type;
  return STATUS_OK;
}

Status pad_type1_slot(PaddedRsaCipher *cipher, AlgorithmObject *, const CancelCheck *) {
  return pkcs1_pad_type1(cipher);
}

// PaddedRsaCipher class slots.

void padded_release(Handler *handler) {
  PaddedRsaCipher *cipher = as_cipher(handler);
  cinder_wipe_free(cipher->block, cipher->block_size);
  cipher->block = nullptr;
  cipher->block_size = 0;
  context_block_release(&handler->binding.context);
}

Status padded_block_size(Handler *, uint32_t *) { return STATUS_NOT_SUPPORTED; }

// After binding: size the block buffer to the engine's block length k.
Status padded_prepare(PaddedRsaCipher *cipher, bool encrypting) {
  uint32_t k = 0;
  Status status = engine_status_to_status(raw_engine(cipher)->block_size(raw_context(cipher), &k));
  if (status != STATUS_OK) {
    return status;
  }
  if (k < PKCS1_MIN_BLOCK) {
    return STATUS_NOT_SUPPORTED;
  }
  cipher->input_limit = encrypting ? k - PKCS1_MIN_PADDING : k;
  cipher->collected = 0;
  cinder_wipe_free(cipher->block, cipher->block_size);
  cipher->block_size = 0;
  cipher->block = static_cast<uint8_t *>(cinder_alloc(k));
  if (cipher->block == nullptr) {
    return STATUS_NO_MEMORY;
  }
  memset(cipher->block, 0, k);
  cipher->block_size = k;
  return STATUS_OK;
}

Status padded_encrypt_init(Handler *handler, KeyObject *key, MethodList methods,
                           const CancelCheck *cancel) {
  Status status = bind_method(&handler->binding, METHOD_ENCRYPTING, key, handler->binding.extra,
                              methods, cancel);
  return status != STATUS_OK ? status : padded_prepare(as_cipher(handler), true);
}

Status padded_decrypt_init(Handler *handler, KeyObject *key, MethodList methods,
                           const CancelCheck *cancel) {
  Status status =
      bind_method(&handler->binding, METHOD_OTHER, key, handler->binding.extra, methods, cancel);
  return status != STATUS_OK ? status : padded_prepare(as_cipher(handler), false);
}

Status padded_update(Handler *handler, uint8_t *, uint32_t *out_len, uint32_t,
                     const uint8_t *in, uint32_t in_len, AlgorithmObject *, const CancelCheck *) {
  PaddedRsaCipher *cipher = as_cipher(handler);
  *out_len = 0;
  if ((uint64_t)cipher->collected + in_len > cipher->input_limit) {
    return STATUS_BAD_INPUT_LENGTH;
  }
  if (in_len > 0) {
    memcpy(cipher->block + cipher->collected, in, in_len);
    cipher->collected += in_len;
  }
  return STATUS_OK;
}

Status padded_encrypt_final(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                            AlgorithmObject *random, const CancelCheck *cancel) {
  PaddedRsaCipher *cipher = as_cipher(handler);
  const CipherEngineOps *ops = raw_engine(cipher);
  uint32_t update_len = 0, final_len = 0;
  Status status = cipher->padding->pad(cipher, random, cancel);
  if (status == STATUS_OK) {
    status = engine_status_to_status(ops->update(raw_context(cipher), out, &update_len, max,
                                                 cipher->block, cipher->block_size, cancel));
  }
  if (status == STATUS_OK) {
    status = engine_status_to_status(
        ops->final(raw_context(cipher), out + update_len, &final_len, max - update_len, cancel));
  }
  *out_len = status == STATUS_OK ? update_len + final_len : 0;
  cipher->collected = 0;
  cinder_wipe(cipher->block, cipher->block_size);
  return status;
}

Status padded_decrypt_final(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                            AlgorithmObject *, const CancelCheck *cancel) {
  PaddedRsaCipher *cipher = as_cipher(handler);
  const CipherEngineOps *ops = raw_engine(cipher);
  uint32_t produced = 0, final_len = 0;
  Item message{nullptr, 0};
  Status status = engine_status_to_status(ops->update(raw_context(cipher), cipher->block,
                                                      &produced, cipher->block_size,
                                                      cipher->block, cipher->collected, cancel));
  cipher->collected = 0;
  if (status == STATUS_OK) {
    status = engine_status_to_status(ops->final(raw_context(cipher), cipher->block + produced,
                                                &final_len, cipher->block_size - produced,
                                                cancel));
  }
  if (status == STATUS_OK) {
    status = cipher->padding->unpad(cipher, &message, produced + final_len);
  }
  if (status == STATUS_OK && message.len > cipher->block_size - PKCS1_MIN_PADDING) {
    status = STATUS_BAD_INPUT;
  }
  if (status == STATUS_OK) {
    *out_len = message.len;
    if (message.len > max) {
      status = STATUS_OUTPUT_TOO_SMALL;
    } else if (message.len > 0) {
      memcpy(out, message.data, message.len);
    }
  }
  cinder_wipe(cipher->block, cipher->block_size);
  return status;
}

Handler *new_padded_cipher(const AlgorithmInfoType *type, AlgorithmObject *) {
  PaddedRsaCipher *cipher = static_cast<PaddedRsaCipher *>(cinder_alloc(sizeof(PaddedRsaCipher)));
  if (cipher == nullptr) {
    return nullptr;
  }
  padded_rsa_cipher_init(cipher, static_cast<const PaddedRsaParams *>(type->params));
  cipher->handler.allocation_size = sizeof(PaddedRsaCipher);
  return &cipher->handler;
}

// Digest algorithm identifier class slots.

const DigestIdParams *digest_id_params(const AlgorithmInfoType *record) {
  return static_cast<const DigestIdParams *>(record->params);
}

Status digest_id_set(const AlgorithmInfoType *record, AlgorithmObject *object, const void *info) {
  const DigestIdParams *id = digest_id_params(record);
  const Item *encoded = static_cast<const Item *>(info);
  if (encoded == nullptr || encoded->data == nullptr) {
    return STATUS_BAD_INPUT;
  }
  Item oid{nullptr, 0}, parameters{nullptr, 0};
  void *values[ALGORITHM_IDENTIFIER_VALUE_COUNT] = {};
  values[ALGORITHM_IDENTIFIER_VALUE_ALGORITHM] = &oid;
  values[ALGORITHM_IDENTIFIER_VALUE_PARAMETERS] = &parameters;
  Status status = ber_decode(TEMPLATE_ALGORITHM_IDENTIFIER, values, encoded->data, encoded->len);
  if (status != STATUS_OK) {
    return status;
  }
  if (oid.len != id->oid_len || memcmp(oid.data, id->oid, oid.len) != 0) {
    return STATUS_WRONG_ALGORITHM_INFO;
  }
  if (parameters.data == nullptr || parameters.len != id->parameters_len ||
      memcmp(parameters.data, id->parameters, parameters.len) != 0) {
    return STATUS_BAD_INPUT;
  }
  return id->digest_type->type_class->set(id->digest_type, object, nullptr);
}

Handler *digest_id_new_handler(const AlgorithmInfoType *record, AlgorithmObject *object) {
  const AlgorithmInfoType *digest = digest_id_params(record)->digest_type;
  return digest->type_class->new_handler(digest, object);
}

Status digest_id_derive(const AlgorithmInfoType *record, void **out, AlgorithmObject *object) {
  const DigestIdParams *id = digest_id_params(record);
  void *held = nullptr;
  Status status = get_algorithm_info_of_type(object, &held, id->digest_type);
  if (status != STATUS_OK) {
    return status;
  }
  uint8_t *parameters = static_cast<uint8_t *>(cinder_alloc(id->parameters_len));
  if (parameters == nullptr) {
    return STATUS_NO_MEMORY;
  }
  memcpy(parameters, id->parameters, id->parameters_len);
  void *slot = nullptr;
  Item *encoded = nullptr;
  const Item oid{const_cast<uint8_t *>(id->oid), id->oid_len};
  const Item parameters_item{parameters, id->parameters_len};
  const void *values[ALGORITHM_IDENTIFIER_VALUE_COUNT] = {};
  values[ALGORITHM_IDENTIFIER_VALUE_ALGORITHM] = &oid;
  values[ALGORITHM_IDENTIFIER_VALUE_PARAMETERS] = &parameters_item;
  if ((status = info_store_alloc(&object->store, sizeof(Item), &slot)) != STATUS_OK) {
    goto done;
  }
  encoded = static_cast<Item *>(slot);
  if ((status = ber_encode_to_item(encoded, TEMPLATE_ALGORITHM_IDENTIFIER, values)) != STATUS_OK) {
    goto done;
  }
  if ((status = info_store_register(&object->store, encoded->data, encoded->len)) != STATUS_OK) {
    encoded->data = nullptr;
    encoded->len = 0;
    goto done;
  }
  *out = encoded;
done:
  cinder_wipe_free(parameters, id->parameters_len);
  return status;
}

// SignatureHandler class slots.

SignatureHandler *as_signature(Handler *handler) {
  return reinterpret_cast<SignatureHandler *>(handler);
}

const DigestEngineOps *digest_engine(const SignatureHandler *sig) {
  return static_cast<const DigestEngineOps *>(sig->handler.binding.engine);
}

void *digest_context(SignatureHandler *sig) { return sig->handler.binding.context.data; }

void signature_release(Handler *handler) {
  SignatureHandler *sig = as_signature(handler);
  context_block_release(&handler->binding.context);
  padded_release(&sig->verifier.handler);
  padded_release(&sig->signer.handler);
}

Status signature_sign_init(Handler *handler, KeyObject *key, MethodList methods,
                           const CancelCheck *cancel) {
  Status status = bind_method(&handler->binding, METHOD_OTHER, nullptr, 0, methods, cancel);
  if (status != STATUS_OK) {
    return status;
  }
  return padded_encrypt_init(&as_signature(handler)->signer.handler, key, methods, cancel);
}

Status signature_verify_init(Handler *handler, KeyObject *key, MethodList methods,
                             const CancelCheck *cancel) {
  Status status = bind_method(&handler->binding, METHOD_OTHER, nullptr, 0, methods, cancel);
  if (status != STATUS_OK) {
    return status;
  }
  return padded_decrypt_init(&as_signature(handler)->verifier.handler, key, methods, cancel);
}

Status signature_update(Handler *handler, const uint8_t *data, uint32_t len,
                        const CancelCheck *cancel) {
  SignatureHandler *sig = as_signature(handler);
  return engine_status_to_status(digest_engine(sig)->update(digest_context(sig), data, len, cancel));
}

// The DER DigestInfo of |digest| under the handler's digest identifier, built
// on a temporary object that holds the digest type.
Status encode_signed_digest_info(const SignatureHandler *sig, const Item *digest, uint8_t *out,
                                 uint32_t *out_len) {
  const DigestIdParams *id = digest_id_params(sig->digest_id);
  AlgorithmObject *scratch = nullptr;
  void *algorithm_identifier = nullptr;
  Status status = create_algorithm_object(&scratch);
  if (status != STATUS_OK) {
    return status;
  }
  if ((status = id->digest_type->type_class->set(id->digest_type, scratch, nullptr)) ==
          STATUS_OK &&
      (status = sig->digest_id->type_class->derive(sig->digest_id, &algorithm_identifier,
                                                   scratch)) == STATUS_OK) {
    status = encode_digest_info(out, out_len, kDigestInfoSpace,
                                static_cast<const Item *>(algorithm_identifier), digest);
  }
  destroy_algorithm_object(&scratch);
  return status;
}

Status signature_sign_final(Handler *handler, uint8_t *out, uint32_t *out_len, uint32_t max,
                            AlgorithmObject *, const CancelCheck *cancel) {
  SignatureHandler *sig = as_signature(handler);
  uint8_t digest[kDigestSpace];
  uint8_t digest_info[kDigestInfoSpace];
  uint32_t digest_len = 0, info_len = 0, unused = 0;
  Item digest_item{digest, 0};
  Status status = engine_status_to_status(
      digest_engine(sig)->final(digest_context(sig), digest, &digest_len, kDigestSpace, cancel));
  if (status != STATUS_OK) {
    goto done;
  }
  digest_item.len = digest_len;
  if ((status = encode_signed_digest_info(sig, &digest_item, digest_info, &info_len)) !=
      STATUS_OK) {
    goto done;
  }
  if ((status = padded_update(&sig->signer.handler, nullptr, &unused, 0, digest_info, info_len,
                              nullptr, cancel)) != STATUS_OK) {
    goto done;
  }
  status = padded_encrypt_final(&sig->signer.handler, out, out_len, max, nullptr, cancel);
done:
  cinder_wipe(digest, sizeof digest);
  cinder_wipe(digest_info, sizeof digest_info);
  return status;
}

Status signature_verify_final(Handler *handler, const uint8_t *signature, uint32_t len,
                              AlgorithmObject *, const CancelCheck *cancel) {
  SignatureHandler *sig = as_signature(handler);
  uint8_t digest[kDigestSpace];
  uint8_t message[kDigestInfoSpace];
  uint8_t expected[kDigestInfoSpace];
  uint32_t digest_len = 0, message_len = 0, expected_len = 0, unused = 0;
  Item algorithm_identifier{nullptr, 0}, recovered{nullptr, 0};
  Item computed{digest, 0};
  AlgorithmObject *scratch = nullptr;
  Status status = engine_status_to_status(
      digest_engine(sig)->final(digest_context(sig), digest, &digest_len, kDigestSpace, cancel));
  if (status != STATUS_OK) {
    goto done;
  }
  computed.len = digest_len;
  if ((status = padded_update(&sig->verifier.handler, nullptr, &unused, 0, signature, len,
                              nullptr, cancel)) != STATUS_OK) {
    goto done;
  }
  status = padded_decrypt_final(&sig->verifier.handler, message, &message_len, kDigestInfoSpace,
                                nullptr, cancel);
  if (status == STATUS_OUTPUT_TOO_SMALL) {
    status = STATUS_BAD_INPUT;
  }
  if (status != STATUS_OK ||
      (status = decode_digest_info(&algorithm_identifier, &recovered, message, message_len)) !=
          STATUS_OK) {
    goto done;
  }
  if (recovered.len != computed.len || memcmp(recovered.data, digest, digest_len) != 0) {
    status = STATUS_BAD_SIGNATURE;
    goto done;
  }
  if ((status = create_algorithm_object(&scratch)) != STATUS_OK) {
    goto done;
  }
  status = sig->digest_id->type_class->set(sig->digest_id, scratch, &algorithm_identifier);
  if (status == STATUS_WRONG_ALGORITHM_INFO) {
    status = STATUS_BAD_SIGNATURE;
  }
  if (status != STATUS_OK) {
    goto done;
  }
  // Only the exact DER encoding that signing produces is accepted.
  if ((status = encode_signed_digest_info(sig, &computed, expected, &expected_len)) !=
      STATUS_OK) {
    goto done;
  }
  if (expected_len != message_len || memcmp(expected, message, message_len) != 0) {
    status = STATUS_BAD_SIGNATURE;
  }
done:
  destroy_algorithm_object(&scratch);
  cinder_wipe(digest, sizeof digest);
  cinder_wipe(message, sizeof message);
  cinder_wipe(expected, sizeof expected);
  return status;
}

Handler *new_signature_handler(const AlgorithmInfoType *type, AlgorithmObject *) {
  const SignatureParams *params = static_cast<const SignatureParams *>(type->params);
  SignatureHandler *sig = static_cast<SignatureHandler *>(cinder_alloc(sizeof(SignatureHandler)));
  if (sig == nullptr) {
    return nullptr;
  }
  memset(sig, 0, sizeof *sig);
  handler_init(&sig->handler, &SIGNATURE_HANDLER_CLASS.base, params->digest_type, nullptr,
               digest_bind);
  sig->handler.allocation_size = sizeof(SignatureHandler);
  padded_rsa_cipher_init(&sig->verifier,
                         static_cast<const PaddedRsaParams *>(params->verifier->params));
  padded_rsa_cipher_init(&sig->signer, static_cast<const PaddedRsaParams *>(params->signer->params));
  sig->digest_id = params->digest_id;
  return &sig->handler;
}

}  // namespace

Status pkcs1_pad_type1(PaddedRsaCipher *cipher) {
  const uint32_t len = cipher->collected;
  Status status = start_block(cipher, 0x01);
  if (status != STATUS_OK) {
    return status;
  }
  const uint32_t padding = cipher->block_size - len - 3;
  memset(cipher->block + 2, 0xFF, padding);
  cipher->block[2 + padding] = 0x00;
  return STATUS_OK;
}

Status pkcs1_pad_type2(PaddedRsaCipher *cipher, AlgorithmObject *random,
                       const CancelCheck *cancel) {
  const uint32_t len = cipher->collected;
  Status status = start_block(cipher, 0x02);
  if (status != STATUS_OK) {
    return status;
  }
  const uint32_t padding = cipher->block_size - len - 3;
  for (uint32_t i = 0; i < padding; i++) {
    uint8_t octet = 0;
    while (octet == 0) {
      if ((status = random_generate(random, &octet, 1, cancel)) != STATUS_OK) {
        return status;
      }
    }
    cipher->block[2 + i] = octet;
  }
  cipher->block[2 + padding] = 0x00;
  return STATUS_OK;
}

Status pkcs1_unpad_type1(PaddedRsaCipher *cipher, Item *message, uint32_t length) {
  const uint8_t *block = cipher->block;
  if (length < 2 || block[0] != 0x00 || block[1] != 0x01) {
    return STATUS_BAD_INPUT;
  }
  uint32_t i = 2;
  while (i < length && block[i] == 0xFF) {
    i++;
  }
  if (i >= length || block[i] != 0x00) {
    return STATUS_BAD_INPUT;
  }
  message->data = cipher->block + i + 1;
  message->len = length - i - 1;
  return STATUS_OK;
}

Status pkcs1_unpad_type2(PaddedRsaCipher *cipher, Item *message, uint32_t length) {
  const uint8_t *block = cipher->block;
  if (length < 2) {
    return STATUS_BAD_INPUT;
  }
  // all ones while no separator has been seen; separator = index of the first
  // zero octet from index 2, taken without a branch on the octets.
  uint32_t good = (uint32_t)((block[0] | (block[1] ^ 0x02)) == 0);
  uint32_t searching = 0xFFFFFFFFu;
  uint32_t separator = 0;
  for (uint32_t i = 2; i < length; i++) {
    const uint32_t is_zero = (uint32_t)0 - (uint32_t)(block[i] == 0);
    separator |= i & searching & is_zero;
    searching &= ~is_zero;
  }
  good &= (uint32_t)(searching == 0);
  if (!good) {
    return STATUS_BAD_INPUT;
  }
  message->data = cipher->block + separator + 1;
  message->len = length - separator - 1;
  return STATUS_OK;
}

const PaddingOps PKCS1_PUBLIC_PADDING = {pkcs1_pad_type2, pkcs1_unpad_type1};
const PaddingOps PKCS1_PRIVATE_PADDING = {pad_type1_slot, pkcs1_unpad_type2};

const CipherHandlerClass PADDED_RSA_CIPHER_CLASS = {
    {padded_release, HANDLER_CIPHER},
    padded_block_size,
    padded_encrypt_init,
    padded_decrypt_init,
    padded_update,
    padded_update,
    padded_encrypt_final,
    padded_decrypt_final,
};

void padded_rsa_cipher_init(PaddedRsaCipher *cipher, const PaddedRsaParams *params) {
  memset(cipher, 0, sizeof *cipher);
  handler_init(&cipher->handler, &PADDED_RSA_CIPHER_CLASS.base, params->raw_type, nullptr,
               cipher_bind);
  cipher->padding = params->padding;
}

const InfoTypeClass PADDED_RSA_INFO_CLASS = {info_type_set_parameterless, new_padded_cipher,
                                             info_type_derive_nothing};

const InfoTypeClass DIGEST_ID_INFO_CLASS = {digest_id_set, digest_id_new_handler,
                                            digest_id_derive};

const SignatureHandlerClass SIGNATURE_HANDLER_CLASS = {
    {signature_release, HANDLER_SIGNATURE},
    signature_sign_init,
    signature_verify_init,
    signature_update,
    signature_update,
    signature_sign_final,
    signature_verify_final,
};

const InfoTypeClass SIGNATURE_INFO_CLASS = {info_type_set_parameterless, new_signature_handler,
                                            info_type_derive_nothing};
