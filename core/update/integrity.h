#pragma once
// What proves a download is the one the maker published: the SHA-256 of each
// file, and the Ed25519 signature of the manifest that lists those hashes.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/expected.h"

namespace imbrino {

using Sha256 = std::array<std::uint8_t, 32>;

Sha256 sha256Of(std::span<const std::uint8_t> bytes);
// Reads the file in pieces, so a large download costs no more memory than a small one.
Expected<Sha256> sha256OfFile(const std::string& path);

// 32 bytes written as exactly 64 hexadecimal digits, either case (a SHA-256,
// an Ed25519 public key); nothing otherwise.
std::optional<std::array<std::uint8_t, 32>> parseHex32(std::string_view text);
std::string hexText(std::span<const std::uint8_t> bytes);

// True only for a 64-byte Ed25519 signature of `message` by `publicKey`.
bool verifyEd25519(std::span<const std::uint8_t> message, std::span<const std::uint8_t> signature,
                   const std::array<std::uint8_t, 32>& publicKey);

}  // namespace imbrino
