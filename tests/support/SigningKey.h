#pragma once

#include <openssl/evp.h>

#include <string>

// A key pair made for the test, and signatures by it.
class CSigningKey {
public:
    CSigningKey() {
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
        EVP_PKEY_keygen_init(ctx);
        EVP_PKEY_keygen(ctx, &m_key);
        EVP_PKEY_CTX_free(ctx);
    }
    ~CSigningKey() { EVP_PKEY_free(m_key); }

    std::string PublicHex() const {
        unsigned char raw[32];
        size_t size = sizeof raw;
        EVP_PKEY_get_raw_public_key(m_key, raw, &size);
        static constexpr char kHex[] = "0123456789abcdef";
        std::string hex;
        for (unsigned char b : raw) {
            hex += kHex[b >> 4];
            hex += kHex[b & 15];
        }
        return hex;
    }

    std::string Sign(const std::string& message) const {
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, m_key);
        std::string signature(64, '\0');
        size_t size = signature.size();
        EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size());
        EVP_MD_CTX_free(ctx);
        return signature;
    }

private:
    EVP_PKEY* m_key = nullptr;
};
