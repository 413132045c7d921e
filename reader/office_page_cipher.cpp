#include "reader/office_page_cipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <climits>
#include <initializer_list>
#include <optional>

#include "reader/rc4_cipher.h"

namespace vantrel {

namespace {

using Bytes = std::vector<uint8_t>;

// The block numbers the agile kind derives its three keys with.
constexpr std::array<uint8_t, 8> kVerifierInputBlock{0xfe, 0xa7, 0xd2, 0x76,
                                                     0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<uint8_t, 8> kVerifierHashBlock{0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr std::array<uint8_t, 8> kKeyBlock{0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

// The spin count of the standard AES kind; files that use AES without its flag do not spin.
constexpr int kStandardAesSpin = 50'000;
constexpr size_t kLongestPassword = 255;  // characters, as Access takes them

// The password as the key derivation takes it: UTF-16LE, its first 255 characters. A byte
// that is no UTF-8 stands for itself, as a Latin-1 character.
Bytes utf16Password(std::string_view utf8) {
  Bytes out;
  size_t characters = 0;
  const auto put = [&out](uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  };
  for (size_t i = 0; i < utf8.size() && characters < kLongestPassword; ++characters) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    uint32_t code = lead;
    bool valid = length > 0 && i + static_cast<size_t>(length) <= utf8.size();
    if (valid && length > 1) {
      code = lead & (0x7F >> length);
      for (int k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(utf8[i + static_cast<size_t>(k)]);
        if ((next & 0xC0) != 0x80) valid = false;
        code = code << 6 | (next & 0x3F);
      }
      if (code > 0x10FFFF) valid = false;
    }
    if (!valid) {
      put(lead);
      ++i;
      continue;
    }
    i += static_cast<size_t>(length);
    if (code >= 0x10000) {
      code -= 0x10000;
      put(0xD800 | (code >> 10));
      put(0xDC00 | (code & 0x3FF));
    } else {
      put(code);
    }
  }
  return out;
}

const EVP_MD* digestOf(KeyHash hash) {
  switch (hash) {
    case KeyHash::kSha1:
      return EVP_sha1();
    case KeyHash::kSha256:
      return EVP_sha256();
    case KeyHash::kSha384:
      return EVP_sha384();
    case KeyHash::kSha512:
      return EVP_sha512();
  }
  return nullptr;
}

struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// The hash of the parts one after another; none when libcrypto fails.
std::optional<Bytes> hashOf(KeyHash hash, std::initializer_list<std::span<const uint8_t>> parts,
                            EVP_MD_CTX* reused = nullptr) {
  DigestContext owned;
  EVP_MD_CTX* context = reused;
  if (context == nullptr) {
    owned.reset(EVP_MD_CTX_new());
    context = owned.get();
  }
  const EVP_MD* digest = digestOf(hash);
  if (context == nullptr || digest == nullptr || EVP_DigestInit_ex(context, digest, nullptr) != 1) {
    return std::nullopt;
  }
  for (const auto part : parts) {
    if (EVP_DigestUpdate(context, part.data(), part.size()) != 1) return std::nullopt;
  }
  Bytes out(static_cast<size_t>(EVP_MD_get_size(digest)));
  unsigned int written = 0;
  if (EVP_DigestFinal_ex(context, out.data(), &written) != 1 || written != out.size())
    return std::nullopt;
  return out;
}

// `bytes` cut or padded with `fill` to `length`.
Bytes sized(Bytes bytes, size_t length, uint8_t fill) {
  bytes.resize(length, fill);
  return bytes;
}

std::array<uint8_t, 4> littleEndian(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// The hash of the salt and the password, spun `spin` times with the round number before it.
std::optional<Bytes> spunHash(KeyHash hash, std::span<const uint8_t> salt,
                              std::span<const uint8_t> password, int spin) {
  auto current = hashOf(hash, {salt, password});
  const DigestContext context(EVP_MD_CTX_new());
  if (!context) return std::nullopt;
  for (int round = 0; current && round < spin; ++round) {
    const auto number = littleEndian(static_cast<uint32_t>(round));
    current = hashOf(hash, {number, *current}, context.get());
  }
  return current;
}

const EVP_CIPHER* aesCipher(size_t keyBytes, bool chained) {
  switch (keyBytes) {
    case 16:
      return chained ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24:
      return chained ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32:
      return chained ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default:
      return nullptr;
  }
}

// Decrypts whole AES blocks of `bytes` in place, CBC under `iv` or ECB when `iv` is empty;
// a tail shorter than a block is left as it is.
bool aesDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                std::span<uint8_t> bytes) {
  constexpr size_t kBlock = 16;
  const EVP_CIPHER* cipher = aesCipher(key.size(), !iv.empty());
  const size_t whole = bytes.size() / kBlock * kBlock;
  if (cipher == nullptr || (!iv.empty() && iv.size() != kBlock) || whole > INT_MAX) return false;
  if (whole == 0) return true;
  const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
  if (!context ||
      EVP_DecryptInit_ex(context.get(), cipher, nullptr, key.data(),
                         iv.empty() ? nullptr : iv.data()) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
    return false;
  }
  int written = 0;
  return EVP_DecryptUpdate(context.get(), bytes.data(), &written, bytes.data(),
                           static_cast<int>(whole)) == 1 &&
         written == static_cast<int>(whole);
}

std::optional<Bytes> aesDecrypted(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                  std::span<const uint8_t> bytes) {
  Bytes out(bytes.begin(), bytes.end());
  if (!aesDecrypt(key, iv, out)) return std::nullopt;
  return out;
}

bool sameStart(std::span<const uint8_t> a, std::span<const uint8_t> b, size_t length) {
  return a.size() >= length && b.size() >= length && CRYPTO_memcmp(a.data(), b.data(), length) == 0;
}

// The agile kind: a key for each of the three values the description keeps encrypted.
std::optional<Bytes> agileKey(const AgileEncryption& agile, std::span<const uint8_t> spun,
                              std::span<const uint8_t> block) {
  auto hash = hashOf(agile.passwordHash, {spun, block});
  if (!hash) return std::nullopt;
  return sized(std::move(*hash), static_cast<size_t>(agile.passwordKeyBytes), 0x36);
}

OfficePageCipher::Unlocked unlockAgile(const AgileEncryption& agile, uint32_t pageKey,
                                       std::span<const uint8_t> password) {
  const auto spun = spunHash(agile.passwordHash, agile.passwordSalt, password, agile.spinCount);
  if (!spun) return {};
  const Bytes iv = sized(agile.passwordSalt, static_cast<size_t>(agile.passwordBlockBytes), 0x36);
  PasswordCheck check = PasswordCheck::kUnchecked;
  if (!agile.encryptedVerifierInput.empty()) {
    const auto inputKey = agileKey(agile, *spun, kVerifierInputBlock);
    const auto hashKey = agileKey(agile, *spun, kVerifierHashBlock);
    if (!inputKey || !hashKey) return {};
    const auto input = aesDecrypted(*inputKey, iv, agile.encryptedVerifierInput);
    const auto expected = aesDecrypted(*hashKey, iv, agile.encryptedVerifierHash);
    if (!input || !expected) return {};
    const auto actual = hashOf(agile.passwordHash, {*input});
    if (!actual) return {};
    if (!sameStart(*actual, *expected, actual->size())) return {nullptr, PasswordCheck::kWrong};
    check = PasswordCheck::kMatches;
  }
  const auto keyKey = agileKey(agile, *spun, kKeyBlock);
  if (!keyKey) return {};
  auto key = aesDecrypted(*keyKey, iv, agile.encryptedKey);
  if (!key) return {};
  key->resize(static_cast<size_t>(agile.pageKeyBytes));
  return {std::make_shared<const OfficePageCipher>(
              OfficePageCipher::Keys{agile, pageKey, std::move(*key)}),
          check};
}

// The CryptoAPI kind: the key of one block (a page, or 0 for the check) from the password's
// spun hash.
std::optional<Bytes> cryptoApiKey(const CryptoApiEncryption& api, std::span<const uint8_t> spun,
                                  std::span<const uint8_t> block) {
  auto hash = hashOf(KeyHash::kSha1, {spun, block});
  if (!hash) return std::nullopt;
  const auto keyBytes = static_cast<size_t>(api.keyBits / 8);
  if (api.cipher == CryptoApiEncryption::Cipher::kRc4) {
    // A 40-bit key is taken as 128 bits whose last 88 are zeros.
    constexpr size_t kShortKeyBytes = 5;
    constexpr size_t kPaddedKeyBytes = 16;
    hash->resize(keyBytes);
    if (keyBytes == kShortKeyBytes) hash->resize(kPaddedKeyBytes, 0);
    return hash;
  }
  // AES takes its key from two hashes of the block's hash under the HMAC pads.
  constexpr size_t kPadBytes = 64;
  std::array<uint8_t, kPadBytes> inner{};
  std::array<uint8_t, kPadBytes> outer{};
  inner.fill(0x36);
  outer.fill(0x5c);
  for (size_t i = 0; i < hash->size() && i < kPadBytes; ++i) {
    inner[i] ^= (*hash)[i];
    outer[i] ^= (*hash)[i];
  }
  auto first = hashOf(KeyHash::kSha1, {inner});
  const auto second = hashOf(KeyHash::kSha1, {outer});
  if (!first || !second) return std::nullopt;
  first->insert(first->end(), second->begin(), second->end());
  first->resize(keyBytes);
  return first;
}

// Whether the password fits the check: nullopt when libcrypto failed.
std::optional<bool> cryptoApiCheck(const CryptoApiEncryption& api, std::span<const uint8_t> spun) {
  const auto key = cryptoApiKey(api, spun, littleEndian(0));
  if (!key) return std::nullopt;
  Bytes verifier = api.encryptedVerifier;
  Bytes expected = api.encryptedVerifierHash;
  if (api.cipher == CryptoApiEncryption::Cipher::kRc4) {
    // One key stream runs through the verifier and then its hash.
    Bytes both = verifier;
    both.insert(both.end(), expected.begin(), expected.end());
    if (!applyRc4(*key, both)) return std::nullopt;
    verifier.assign(both.begin(), both.begin() + static_cast<std::ptrdiff_t>(verifier.size()));
    expected.assign(both.begin() + static_cast<std::ptrdiff_t>(verifier.size()), both.end());
  } else if (!aesDecrypt(*key, {}, verifier) || !aesDecrypt(*key, {}, expected)) {
    return std::nullopt;
  }
  const auto actual = hashOf(KeyHash::kSha1, {verifier});
  if (!actual) return std::nullopt;
  return sameStart(*actual, expected, static_cast<size_t>(api.verifierHashBytes));
}

OfficePageCipher::Unlocked unlockCryptoApi(const CryptoApiEncryption& api, uint32_t pageKey,
                                           std::span<const uint8_t> password) {
  std::vector<int> spins{0};
  if (api.cipher == CryptoApiEncryption::Cipher::kAes) {
    spins = api.standardAes ? std::vector<int>{kStandardAesSpin, 0}
                            : std::vector<int>{0, kStandardAesSpin};
  }
  for (const int spin : spins) {
    auto spun = spunHash(KeyHash::kSha1, api.salt, password, spin);
    if (!spun) return {};
    PasswordCheck check = PasswordCheck::kUnchecked;
    if (!api.encryptedVerifier.empty()) {
      const auto fits = cryptoApiCheck(api, *spun);
      if (!fits) return {};
      if (!*fits) continue;
      check = PasswordCheck::kMatches;
    }
    return {std::make_shared<const OfficePageCipher>(
                OfficePageCipher::Keys{api, pageKey, std::move(*spun)}),
            check};
  }
  return {nullptr, PasswordCheck::kWrong};
}

}  // namespace

OfficePageCipher::Unlocked OfficePageCipher::unlock(const EncryptionDescription& description,
                                                    uint32_t pageKey, std::string_view password) {
  const Bytes utf16 = utf16Password(password);
  if (const auto* agile = std::get_if<AgileEncryption>(&description))
    return unlockAgile(*agile, pageKey, utf16);
  return unlockCryptoApi(std::get<CryptoApiEncryption>(description), pageKey, utf16);
}

bool OfficePageCipher::decrypt(int64_t n, std::span<uint8_t> bytes) const {
  const auto block = littleEndian(keys_.pageKey ^ static_cast<uint32_t>(n));
  if (const auto* agile = std::get_if<AgileEncryption>(&keys_.description)) {
    auto iv = hashOf(agile->pageHash, {agile->pageSalt, block});
    if (!iv) return false;
    const Bytes sizedIv = sized(std::move(*iv), static_cast<size_t>(agile->pageBlockBytes), 0x36);
    return aesDecrypt(keys_.key, sizedIv, bytes);
  }
  const auto& api = std::get<CryptoApiEncryption>(keys_.description);
  const auto key = cryptoApiKey(api, keys_.key, block);
  if (!key) return false;
  if (api.cipher == CryptoApiEncryption::Cipher::kRc4)
    return bytes.empty() || applyRc4(*key, bytes);
  return aesDecrypt(*key, {}, bytes);
}

}  // namespace vantrel
