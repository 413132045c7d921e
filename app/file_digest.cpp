#include "app/file_digest.h"

#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

namespace vantrel {

Expected<std::string, std::string> fileSha256(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Unexpected(path.string() + ": " + std::strerror(errno));
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return Unexpected(std::string("SHA-256 is not available"));
  std::array<char, 1 << 16> buffer{};
  while (file) {
    file.read(buffer.data(), buffer.size());
    const std::streamsize got = file.gcount();
    if (got > 0 && EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(got)) != 1)
      return Unexpected(std::string("SHA-256 failed"));
  }
  if (file.bad()) return Unexpected(path.string() + ": the file could not be read to its end");
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1)
    return Unexpected(std::string("SHA-256 failed"));
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(static_cast<size_t>(length) * 2);
  for (unsigned int i = 0; i < length; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 0xf];
  }
  return text;
}

}  // namespace vantrel
