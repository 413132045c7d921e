#include "app/password_sources.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <fstream>

namespace vantrel {

namespace {

// Far beyond the 255 characters Access takes, and short enough that a wrong file (a
// database, a log) is refused rather than read whole.
constexpr size_t kLongestLine = 4096;

}  // namespace

Expected<SecretText, std::string> passwordFromFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Unexpected(std::string("the password file cannot be read"));
  std::string line(kLongestLine + 1, '\0');
  in.read(line.data(), static_cast<std::streamsize>(line.size()));
  line.resize(static_cast<size_t>(in.gcount()));
  const size_t end = line.find_first_of("\r\n");
  if (end == std::string::npos && line.size() > kLongestLine) {
    OPENSSL_cleanse(line.data(), line.size());
    return Unexpected(std::string("the first line of the password file is too long"));
  }
  SecretText password(line.substr(0, end));
  OPENSSL_cleanse(line.data(), line.size());
  if (password.empty()) return Unexpected(std::string("the password file's first line is empty"));
  return password;
}

std::optional<SecretText> passwordFromEnvironment() {
  const char* value = std::getenv(std::string(kPasswordVariable).c_str());
  if (value == nullptr || *value == '\0') return std::nullopt;
  return SecretText(value);
}

std::optional<std::string> giveStatedPassword(const std::optional<std::filesystem::path>& file) {
  if (file) {
    auto password = passwordFromFile(*file);
    if (!password) return password.error();
    giveEverySourcePassword(std::move(*password));
    return std::nullopt;
  }
  if (auto password = passwordFromEnvironment()) giveEverySourcePassword(std::move(*password));
  return std::nullopt;
}

}  // namespace vantrel
