#pragma once

// Checking a detached Ed25519 signature, as `openssl pkeyutl -sign -rawin`
// makes it: 64 raw bytes over the message's bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

using Ed25519PublicKey = std::array<uint8_t, 32>;

inline constexpr size_t kEd25519SignatureSize = 64;

// The key written as the 64 hex digits of its 32 raw bytes; nullopt when it
// does not read so.
std::optional<Ed25519PublicKey> ParseEd25519PublicKey(std::string_view hex);

// True only when `signature` is a valid signature of `message` by `key`.
bool VerifyEd25519(const Ed25519PublicKey& key, std::string_view signature,
                   std::string_view message);
