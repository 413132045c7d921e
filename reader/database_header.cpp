#include "reader/database_header.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <string_view>

#include "reader/page_bytes.h"
#include "reader/rc4_cipher.h"
#include "reader/text_decoding.h"

namespace vantrel {

namespace {

constexpr size_t kMaskedStart = 0x18;
constexpr size_t kMaskedLength = 126;  // the part both versions mask
constexpr std::array<uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};

// Offsets in page 0 of the fields that lie in the masked part.
constexpr size_t kCodePageOffset = 0x3C;
constexpr size_t kPageKeyOffset = 0x3E;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kJet3PasswordBytes = 20;
constexpr size_t kJet4PasswordBytes = 40;
constexpr size_t kCreationDateOffset = 0x72;  // Jet 4: a date value, the password's extra mask

using MaskedPart = std::array<uint8_t, kMaskedStart + kMaskedLength>;

// The start of page 0 with its masked part unmasked; none when page 0 is too short or the
// cipher cannot be had.
std::optional<MaskedPart> unmaskedHeader(std::span<const uint8_t> page0) {
  if (page0.size() < kMaskedStart + kMaskedLength) return std::nullopt;
  MaskedPart header{};
  std::copy_n(page0.begin(), header.size(), header.begin());
  if (!applyRc4(kHeaderKey, std::span(header).subspan(kMaskedStart))) return std::nullopt;
  return header;
}

// The creation date truncated to a whole 32-bit number, as the password's extra mask takes
// it; a value beyond the range of one gives its nearest end, and one that is no number 0.
int32_t wholeDays(double date) {
  if (std::isnan(date)) return 0;
  if (date <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  if (date >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(date);
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

bool hasAccessSignature(std::span<const uint8_t> page0) {
  return hasJetSignature(page0) || hasAceSignature(page0);
}

int headerAceVersion(std::span<const uint8_t> page0) {
  constexpr size_t kVersionByteOffset = 0x14;
  constexpr int kFirstAceVersion = 2;
  const int version = byteOf(page0, kVersionByteOffset);
  return std::max(version, kFirstAceVersion);
}

bool headerDescribesEncryption(std::span<const uint8_t> page0) {
  constexpr size_t kLengthOffset = 0x299;
  constexpr size_t kVersionOffset = 0x29B;
  constexpr int kSmallestDescription = 8;  // the two version numbers and the flags
  const int length = u16Of(page0, kLengthOffset);
  if (length < kSmallestDescription ||
      kVersionOffset + static_cast<size_t>(length) > page0.size()) {
    return false;
  }
  const int major = u16Of(page0, kVersionOffset);
  const int minor = u16Of(page0, kVersionOffset + 2);
  return major >= 2 && major <= 4 && minor >= 2 && minor <= 4;
}

int headerCodePage(std::span<const uint8_t> page0) {
  const auto header = unmaskedHeader(page0);
  if (!header) return 1252;
  const int codePage = u16Of(*header, kCodePageOffset);
  return codePage <= 0 ? 1252 : codePage;
}

uint32_t headerPageKey(std::span<const uint8_t> page0) {
  // Zeros as stored are a field wiped or never written, not a key under the mask.
  if (u32Of(page0, kPageKeyOffset) <= 0) return 0;
  const auto header = unmaskedHeader(page0);
  return header ? static_cast<uint32_t>(u32Of(*header, kPageKeyOffset)) : 0;
}

std::optional<DatabasePassword> headerPassword(std::span<const uint8_t> page0, JetVersion version,
                                               const CodePageDecoder& jet3Text) {
  if (!hasJetSignature(page0)) return std::nullopt;
  const auto header = unmaskedHeader(page0);
  if (!header) return std::nullopt;
  const bool jet4 = version == JetVersion::kJet4;
  std::array<uint8_t, kJet4PasswordBytes> stored{};
  const size_t length = jet4 ? kJet4PasswordBytes : kJet3PasswordBytes;
  std::copy_n(header->begin() + kPasswordOffset, length, stored.begin());
  // Zeros as stored, or zeros under the mask, are a field wiped or never written.
  const auto zero = [](uint8_t byte) { return byte == 0; };
  if (std::all_of(page0.begin() + kPasswordOffset, page0.begin() + kPasswordOffset + length,
                  zero) ||
      std::all_of(stored.begin(), stored.begin() + length, zero)) {
    return std::nullopt;
  }
  if (jet4) {
    const auto dateBits = static_cast<uint64_t>(u32Of(*header, kCreationDateOffset)) |
                          static_cast<uint64_t>(u32Of(*header, kCreationDateOffset + 4)) << 32;
    const auto mask = static_cast<uint32_t>(wholeDays(std::bit_cast<double>(dateBits)));
    for (size_t i = 0; i < length; ++i)
      stored[i] ^= static_cast<uint8_t>(mask >> (8 * (i % 4)));
  }
  const auto bytes = std::span<const uint8_t>(stored).first(length);
  std::string text = jet4 ? utf16LeToUtf8(bytes) : jet3Text.decode(bytes);
  if (text.empty()) return std::nullopt;
  return DatabasePassword(std::move(text));
}

}  // namespace vantrel
