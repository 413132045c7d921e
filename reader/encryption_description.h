#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "run/expected.h"

namespace vantrel {

// The hashes a description may name for its key derivation.
enum class KeyHash { kSha1, kSha256, kSha384, kSha512 };

// The agile kind (version 4.4): the pages are AES-CBC ciphered under a random key, which the
// description keeps encrypted under one derived from the password.
struct AgileEncryption {
  // How the pages are ciphered: each page's IV is the hash of this salt and the page's key.
  KeyHash pageHash = KeyHash::kSha1;
  int pageKeyBytes = 0;
  int pageBlockBytes = 0;
  std::vector<uint8_t> pageSalt;
  // How the password unlocks the page key.
  KeyHash passwordHash = KeyHash::kSha1;
  int spinCount = 0;
  int passwordKeyBytes = 0;
  int passwordBlockBytes = 0;
  std::vector<uint8_t> passwordSalt;
  std::vector<uint8_t> encryptedVerifierInput;
  std::vector<uint8_t> encryptedVerifierHash;
  std::vector<uint8_t> encryptedKey;
};

// The older CryptoAPI kind (versions 2.2 to 4.2): every page has its own key, the SHA-1 of
// the password's hash and the page's key; RC4, or AES in ECB mode.
struct CryptoApiEncryption {
  enum class Cipher { kRc4, kAes };
  Cipher cipher = Cipher::kRc4;
  int keyBits = 0;
  // Whether the header flags AES as the standard kind; files that use AES without the flag
  // derive the key without spinning the hash.
  bool standardAes = false;
  std::vector<uint8_t> salt;
  std::vector<uint8_t> encryptedVerifier;
  std::vector<uint8_t> encryptedVerifierHash;  // as stored: 20 bytes for RC4, 32 for AES
  int verifierHashBytes = 0;
};

using EncryptionDescription = std::variant<AgileEncryption, CryptoApiEncryption>;

// Why the description could not be read.
enum class DescriptionProblem {
  kUnknownKind,  // a version or cipher no Access file is known to use (extensible kinds)
  kDamaged,      // fields missing, out of range or not where their sizes put them
};

// The encryption description of an Access 2007 or later header (page 0, the length at 0x299,
// the bytes after it), every field checked against its bounds.
Expected<EncryptionDescription, DescriptionProblem> readEncryptionDescription(
    std::span<const uint8_t> page0);

}  // namespace vantrel
