#include "platform/Sha256.h"

#include <openssl/evp.h>

#include "platform/OwnedPtr.h"

namespace {

using DigestContext = OwnedPtr<EVP_MD_CTX, EVP_MD_CTX_free>;

}  // namespace

// OpenSSL's digest uses the processor's SHA extensions where there are any,
// several times faster than a portable implementation on a large download.
struct CSha256::Impl {
    DigestContext context{EVP_MD_CTX_new()};
    Impl() { EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr); }
};

CSha256::CSha256() : m_pImpl(std::make_unique<Impl>()) {}

CSha256::~CSha256() = default;

void CSha256::Update(std::string_view data) {
    EVP_DigestUpdate(m_pImpl->context.get(), data.data(), data.size());
}

void CSha256::Reset() {
    EVP_DigestInit_ex(m_pImpl->context.get(), EVP_sha256(), nullptr);
}

std::string CSha256::HexDigest() const {
    // Finishing ends the context, so read the digest from a copy.
    const DigestContext copy(EVP_MD_CTX_new());
    EVP_MD_CTX_copy_ex(copy.get(), m_pImpl->context.get());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(copy.get(), digest, &size);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0xF]);
    }
    return hex;
}
