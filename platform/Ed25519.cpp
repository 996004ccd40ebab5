#include "platform/Ed25519.h"

#include <openssl/evp.h>

#include <memory>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<Ed25519PublicKey> ParseEd25519PublicKey(std::string_view hex) {
    Ed25519PublicKey key{};
    if (hex.size() != 2 * key.size()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < key.size(); ++i) {
        const int high = HexValue(hex[2 * i]);
        const int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        key[i] = uint8_t(high << 4 | low);
    }
    return key;
}

bool VerifyEd25519(const Ed25519PublicKey& key, std::string_view signature,
                   std::string_view message) {
    if (signature.size() != kEd25519SignatureSize) {
        return false;
    }
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()),
        EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          EVP_MD_CTX_free);
    if (!pkey || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
        return false;
    }
    // Ed25519 signs the message whole (it is hashed twice), so it is given
    // in one piece.
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}
