#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "reader/encryption_description.h"

namespace vantrel {

// What the password check in the description said.
enum class PasswordCheck {
  kMatches,
  kWrong,
  kUnchecked,  // the check's fields are damaged: only the pages can tell
};

// The keys of an Office-encrypted file, derived from its password: decrypts its pages 1 and
// on, each under a key or IV of its own made from the page number and the header's page key.
class OfficePageCipher {
 public:
  // Derives the keys from `password` (UTF-8) and checks it against the description. The cipher
  // is none for a wrong password, or when libcrypto could not give a hash or cipher.
  struct Unlocked {
    std::shared_ptr<const OfficePageCipher> cipher;
    PasswordCheck check = PasswordCheck::kWrong;
  };
  static Unlocked unlock(const EncryptionDescription& description, uint32_t pageKey,
                         std::string_view password);

  // Decrypts page n in place: the whole page, or its first bytes (a multiple of the cipher's
  // block for AES; a shorter AES tail is left as it is). False when the cipher failed.
  bool decrypt(int64_t n, std::span<uint8_t> bytes) const;

  // Public for unlock(); build one through it.
  struct Keys {
    EncryptionDescription description;
    uint32_t pageKey = 0;
    std::vector<uint8_t> key;  // agile: the page key; CryptoAPI: the password's base hash
  };
  explicit OfficePageCipher(Keys keys) : keys_(std::move(keys)) {}

 private:
  Keys keys_;
};

}  // namespace vantrel
