#include "platform/Sha256.h"

#include <glib.h>

struct CSha256::Impl {
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
    ~Impl() { g_checksum_free(checksum); }
};

CSha256::CSha256() : m_pImpl(std::make_unique<Impl>()) {}

CSha256::~CSha256() = default;

void CSha256::Update(std::string_view data) {
    g_checksum_update(m_pImpl->checksum, reinterpret_cast<const guchar*>(data.data()),
                      gssize(data.size()));
}

std::string CSha256::HexDigest() const {
    // get_string closes the checksum to further updates; read from a copy.
    GChecksum* copy = g_checksum_copy(m_pImpl->checksum);
    std::string hex = g_checksum_get_string(copy);
    g_checksum_free(copy);
    return hex;
}
