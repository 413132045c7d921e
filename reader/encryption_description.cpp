#include "reader/encryption_description.h"

#include <openssl/evp.h>

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "reader/page_bytes.h"

namespace vantrel {

namespace {

constexpr size_t kLengthOffset = 0x299;
constexpr size_t kDescriptionOffset = 0x29B;

// Bounds that no file Access writes comes near; a value beyond them is damage, and keeps a
// damaged header from asking for hours of hashing or for large buffers.
constexpr int kLongestSpin = 10'000'000;
constexpr size_t kLongestSalt = 64;
constexpr size_t kLongestEncryptedValue = 128;

// The part of an XML start tag after its name, up to its '>', for the first element whose
// name without its namespace prefix is `localName` and which has the attribute `marker`.
std::optional<std::string_view> startTag(std::string_view xml, std::string_view localName,
                                         std::string_view marker) {
  size_t at = 0;
  while ((at = xml.find('<', at)) != std::string_view::npos) {
    ++at;
    const size_t nameEnd = xml.find_first_of(" \t\r\n/>", at);
    if (nameEnd == std::string_view::npos) return std::nullopt;
    std::string_view name = xml.substr(at, nameEnd - at);
    if (const size_t colon = name.find(':'); colon != std::string_view::npos)
      name.remove_prefix(colon + 1);
    const size_t tagEnd = xml.find('>', nameEnd);
    if (tagEnd == std::string_view::npos) return std::nullopt;
    const std::string_view tag = xml.substr(nameEnd, tagEnd - nameEnd);
    if (name == localName &&
        tag.find(std::string(" ") + std::string(marker) + "=\"") != std::string_view::npos) {
      return tag;
    }
    at = tagEnd;
  }
  return std::nullopt;
}

std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
  const std::string opening = std::string(name) + "=\"";
  size_t at = 0;
  while ((at = tag.find(opening, at)) != std::string_view::npos) {
    // A whole attribute name: `saltValue` is not the end of `xsaltValue`.
    if (at > 0 &&
        (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\r' || tag[at - 1] == '\n')) {
      const size_t start = at + opening.size();
      const size_t end = tag.find('"', start);
      if (end == std::string_view::npos) return std::nullopt;
      return tag.substr(start, end - start);
    }
    at += opening.size();
  }
  return std::nullopt;
}

std::optional<int> number(std::string_view tag, std::string_view name) {
  const auto text = attribute(tag, name);
  if (!text) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

std::optional<std::vector<uint8_t>> base64(std::string_view tag, std::string_view name,
                                           size_t longest) {
  const auto text = attribute(tag, name);
  if (!text || text->empty() || text->size() % 4 != 0 || text->size() / 4 * 3 > longest)
    return std::nullopt;
  std::vector<uint8_t> bytes(text->size() / 4 * 3);
  const int decoded =
      EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text->data()),
                      static_cast<int>(text->size()));
  if (decoded != static_cast<int>(bytes.size())) return std::nullopt;
  // The block decoder gives a zero byte for each '=' of padding.
  const size_t padding = text->ends_with("==") ? 2 : text->ends_with('=') ? 1 : 0;
  bytes.resize(bytes.size() - padding);
  return bytes;
}

std::optional<KeyHash> keyHash(std::string_view tag) {
  const auto name = attribute(tag, "hashAlgorithm");
  if (!name) return std::nullopt;
  if (*name == "SHA1") return KeyHash::kSha1;
  if (*name == "SHA256") return KeyHash::kSha256;
  if (*name == "SHA384") return KeyHash::kSha384;
  if (*name == "SHA512") return KeyHash::kSha512;
  return std::nullopt;
}

// AES in CBC mode is the one cipher Access is known to name here.
bool aesCbc(std::string_view tag) {
  return attribute(tag, "cipherAlgorithm") == "AES" &&
         attribute(tag, "cipherChaining") == "ChainingModeCBC";
}

bool aesKeyBits(std::optional<int> bits) {
  return bits == 128 || bits == 192 || bits == 256;
}

Expected<EncryptionDescription, DescriptionProblem> readAgile(std::span<const uint8_t> bytes) {
  constexpr size_t kXmlOffset = 8;  // versions, then a reserved 0x40
  if (bytes.size() <= kXmlOffset) return Unexpected(DescriptionProblem::kDamaged);
  const std::string_view xml(reinterpret_cast<const char*>(bytes.data()) + kXmlOffset,
                             bytes.size() - kXmlOffset);
  const auto keyData = startTag(xml, "keyData", "saltValue");
  const auto encryptor = startTag(xml, "encryptedKey", "spinCount");
  if (!keyData || !encryptor) return Unexpected(DescriptionProblem::kDamaged);
  if (!aesCbc(*keyData) || !aesCbc(*encryptor)) return Unexpected(DescriptionProblem::kUnknownKind);

  AgileEncryption agile;
  const auto pageHash = keyHash(*keyData);
  const auto passwordHash = keyHash(*encryptor);
  const auto pageBits = number(*keyData, "keyBits");
  const auto pageBlock = number(*keyData, "blockSize");
  const auto pageSalt = base64(*keyData, "saltValue", kLongestSalt);
  const auto spin = number(*encryptor, "spinCount");
  const auto passwordBits = number(*encryptor, "keyBits");
  const auto passwordBlock = number(*encryptor, "blockSize");
  const auto passwordSalt = base64(*encryptor, "saltValue", kLongestSalt);
  auto verifierInput = base64(*encryptor, "encryptedVerifierHashInput", kLongestEncryptedValue);
  auto verifierHash = base64(*encryptor, "encryptedVerifierHashValue", kLongestEncryptedValue);
  auto key = base64(*encryptor, "encryptedKeyValue", kLongestEncryptedValue);
  constexpr int kAesBlock = 16;
  if (!pageHash || !passwordHash || !aesKeyBits(pageBits) || !aesKeyBits(passwordBits) ||
      pageBlock != kAesBlock || passwordBlock != kAesBlock || !pageSalt || !passwordSalt ||
      passwordSalt->size() < kAesBlock || !spin || *spin < 0 || *spin > kLongestSpin || !key ||
      key->size() % kAesBlock != 0 || key->size() * 8 < static_cast<size_t>(*pageBits)) {
    return Unexpected(DescriptionProblem::kDamaged);
  }
  agile.pageHash = *pageHash;
  agile.pageKeyBytes = *pageBits / 8;
  agile.pageBlockBytes = *pageBlock;
  agile.pageSalt = *pageSalt;
  agile.passwordHash = *passwordHash;
  agile.spinCount = *spin;
  agile.passwordKeyBytes = *passwordBits / 8;
  agile.passwordBlockBytes = *passwordBlock;
  agile.passwordSalt = *passwordSalt;
  agile.encryptedKey = std::move(*key);
  // A damaged check leaves the key usable: the open then tries the pages themselves.
  if (verifierInput && verifierHash && verifierInput->size() % kAesBlock == 0 &&
      verifierHash->size() % kAesBlock == 0) {
    agile.encryptedVerifierInput = std::move(*verifierInput);
    agile.encryptedVerifierHash = std::move(*verifierHash);
  }
  return EncryptionDescription(std::move(agile));
}

Expected<EncryptionDescription, DescriptionProblem> readCryptoApi(std::span<const uint8_t> bytes,
                                                                  uint32_t flags) {
  constexpr uint32_t kCryptoApiFlag = 0x04;
  constexpr uint32_t kExternalFlag = 0x10;
  constexpr uint32_t kAesFlag = 0x20;
  if ((flags & kCryptoApiFlag) == 0 || (flags & kExternalFlag) != 0)
    return Unexpected(DescriptionProblem::kUnknownKind);
  constexpr size_t kHeaderSizeOffset = 8;
  constexpr size_t kHeaderOffset = 12;
  const int64_t headerSize = u32Of(bytes, kHeaderSizeOffset);
  constexpr int64_t kShortestHeader = 32;  // the fields before the provider's name
  if (headerSize < kShortestHeader ||
      kHeaderOffset + static_cast<size_t>(headerSize) > bytes.size()) {
    return Unexpected(DescriptionProblem::kDamaged);
  }
  const auto header = bytes.subspan(kHeaderOffset, static_cast<size_t>(headerSize));
  const int64_t algorithm = u32Of(header, 8);
  const int64_t hash = u32Of(header, 12);
  int64_t keyBits = u32Of(header, 16);
  constexpr int64_t kRc4 = 0x6801;
  constexpr int64_t kAes128 = 0x660E;
  constexpr int64_t kAes192 = 0x660F;
  constexpr int64_t kAes256 = 0x6610;
  constexpr int64_t kSha1 = 0x8004;
  if (hash != 0 && hash != kSha1) return Unexpected(DescriptionProblem::kUnknownKind);

  CryptoApiEncryption api;
  api.standardAes = (flags & kAesFlag) != 0;
  const bool aes = algorithm == kAes128 || algorithm == kAes192 || algorithm == kAes256 ||
                   (algorithm == 0 && api.standardAes);
  if (aes) {
    api.cipher = CryptoApiEncryption::Cipher::kAes;
    const int64_t named = algorithm == kAes192 ? 192 : algorithm == kAes256 ? 256 : 128;
    if (keyBits == 0) keyBits = named;
    if (keyBits != named) return Unexpected(DescriptionProblem::kDamaged);
  } else if (algorithm == kRc4 || algorithm == 0) {
    api.cipher = CryptoApiEncryption::Cipher::kRc4;
    constexpr int64_t kBaseProviderBits = 40;
    if (keyBits == 0) keyBits = kBaseProviderBits;
    if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0)
      return Unexpected(DescriptionProblem::kDamaged);
  } else {
    return Unexpected(DescriptionProblem::kUnknownKind);
  }
  api.keyBits = static_cast<int>(keyBits);

  const auto verifier = bytes.subspan(kHeaderOffset + static_cast<size_t>(headerSize));
  constexpr size_t kSaltBytes = 16;
  constexpr size_t kVerifierBytes = 16;
  const size_t storedHash = aes ? 32 : 20;
  if (u32Of(verifier, 0) != static_cast<int64_t>(kSaltBytes) ||
      verifier.size() < 4 + kSaltBytes + kVerifierBytes + 4 + storedHash) {
    return Unexpected(DescriptionProblem::kDamaged);
  }
  const auto salt = verifier.subspan(4, kSaltBytes);
  api.salt.assign(salt.begin(), salt.end());
  const auto encrypted = verifier.subspan(4 + kSaltBytes, kVerifierBytes);
  api.encryptedVerifier.assign(encrypted.begin(), encrypted.end());
  api.verifierHashBytes = static_cast<int>(u32Of(verifier, 4 + kSaltBytes + kVerifierBytes));
  const auto hashBytes = verifier.subspan(4 + kSaltBytes + kVerifierBytes + 4, storedHash);
  api.encryptedVerifierHash.assign(hashBytes.begin(), hashBytes.end());
  constexpr int kSha1Bytes = 20;
  // A damaged size leaves the check unusable, not the key.
  if (api.verifierHashBytes != kSha1Bytes) {
    api.encryptedVerifier.clear();
    api.encryptedVerifierHash.clear();
  }
  return EncryptionDescription(std::move(api));
}

}  // namespace

Expected<EncryptionDescription, DescriptionProblem> readEncryptionDescription(
    std::span<const uint8_t> page0) {
  const int length = u16Of(page0, kLengthOffset);
  if (length <= 0 || kDescriptionOffset + static_cast<size_t>(length) > page0.size())
    return Unexpected(DescriptionProblem::kDamaged);
  const auto bytes = page0.subspan(kDescriptionOffset, static_cast<size_t>(length));
  const int major = u16Of(bytes, 0);
  const int minor = u16Of(bytes, 2);
  const auto flags = static_cast<uint32_t>(u32Of(bytes, 4));
  if (major == 4 && minor == 4) return readAgile(bytes);
  if ((major == 2 || major == 3 || major == 4) && minor == 2) return readCryptoApi(bytes, flags);
  return Unexpected(DescriptionProblem::kUnknownKind);
}

}  // namespace vantrel
