#include "reader/database_header.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vantrel {

namespace {

constexpr size_t kMaskedStart = 0x18;
constexpr size_t kMaskedLength = 126;  // the part both versions mask
constexpr size_t kCodePageOffset = 0x3C;
constexpr std::array<uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};

// RC4 key stream of `length` bytes under `key`.
template <size_t N>
std::array<uint8_t, N> rc4KeyStream(std::span<const uint8_t> key) {
  std::array<uint8_t, 256> s{};
  for (size_t i = 0; i < 256; ++i)
    s[i] = static_cast<uint8_t>(i);
  size_t j = 0;
  for (size_t i = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<uint8_t, N> stream{};
  size_t a = 0;
  size_t b = 0;
  for (size_t k = 0; k < N; ++k) {
    a = (a + 1) & 0xFF;
    b = (b + s[a]) & 0xFF;
    std::swap(s[a], s[b]);
    stream[k] = s[(s[a] + s[b]) & 0xFF];
  }
  return stream;
}

constexpr size_t kSignatureOffset = 4;

bool hasSignature(std::span<const uint8_t> page0, std::string_view signature) {
  if (page0.size() < kSignatureOffset + signature.size() + 1) return false;
  return std::equal(signature.begin(), signature.end(), page0.begin() + kSignatureOffset) &&
         page0[kSignatureOffset + signature.size()] == 0;
}

}  // namespace

bool hasJetSignature(std::span<const uint8_t> page0) {
  return hasSignature(page0, "Standard Jet DB");
}

bool hasAceSignature(std::span<const uint8_t> page0) {
  return hasSignature(page0, "Standard ACE DB");
}

int headerCodePage(std::span<const uint8_t> page0) {
  if (page0.size() < kMaskedStart + kMaskedLength) return 1252;
  static const auto stream = rc4KeyStream<kMaskedLength>(kHeaderKey);
  const size_t at = kCodePageOffset - kMaskedStart;
  const int low = page0[kCodePageOffset] ^ stream[at];
  const int high = page0[kCodePageOffset + 1] ^ stream[at + 1];
  const int codePage = low | high << 8;
  return codePage == 0 ? 1252 : codePage;
}

}  // namespace vantrel
