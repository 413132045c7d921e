#include "reader/rc4_cipher.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <climits>
#include <memory>

namespace vantrel {
namespace {

// OpenSSL 3 keeps RC4 in its legacy provider. It is loaded into a library context of its own,
// so that the rest of the process keeps the default algorithms only.
struct LegacyRc4 {
  OSSL_LIB_CTX* context = nullptr;
  EVP_CIPHER* cipher = nullptr;

  LegacyRc4() {
    context = OSSL_LIB_CTX_new();
    if (context == nullptr) return;
    if (OSSL_PROVIDER_load(context, "legacy") == nullptr) return;
    cipher = EVP_CIPHER_fetch(context, "RC4", nullptr);
  }
};

// Loaded once and never released: the pages may be read until the process ends, and
// libcrypto cleans up after itself at exit.
const EVP_CIPHER* rc4Cipher() {
  static const LegacyRc4* const legacy = new LegacyRc4();
  return legacy->cipher;
}

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

}  // namespace

bool applyRc4(std::span<const uint8_t> key, std::span<uint8_t> bytes) {
  constexpr size_t kLongestKey = 256;
  if (key.empty() || key.size() > kLongestKey || bytes.size() > INT_MAX) return false;
  const EVP_CIPHER* cipher = rc4Cipher();
  if (cipher == nullptr) return false;
  const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
  if (!context || EVP_EncryptInit_ex2(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) != 1 ||
      EVP_EncryptInit_ex2(context.get(), nullptr, key.data(), nullptr, nullptr) != 1) {
    return false;
  }
  if (bytes.empty()) return true;
  // A stream cipher: the output is as long as the input and may overwrite it.
  int written = 0;
  return EVP_EncryptUpdate(context.get(), bytes.data(), &written, bytes.data(),
                           static_cast<int>(bytes.size())) == 1 &&
         written == static_cast<int>(bytes.size());
}

}  // namespace vantrel
