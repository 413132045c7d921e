#pragma once

#include <cstdint>
#include <span>

namespace vantrel {

// XORs `bytes`, in place, with the RC4 key stream of `key` (1 to 256 bytes): the cipher that
// masks part of the header page and that encoded databases store their pages under. Applying
// it twice gives the bytes back. False when libcrypto does not offer the cipher (its legacy
// provider could not be loaded) or the key is empty or too long: `bytes` are then no text.
bool applyRc4(std::span<const uint8_t> key, std::span<uint8_t> bytes);

}  // namespace vantrel
