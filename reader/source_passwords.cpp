#include "reader/source_passwords.h"

#include <openssl/crypto.h>

#include <map>
#include <mutex>
#include <set>

namespace vantrel {

namespace {

struct PasswordBook {
  std::mutex mutex;
  std::map<std::filesystem::path, SecretText> byFile;
  std::optional<SecretText> forEveryFile;
  // One question at a time, and each file once, whichever thread opens it.
  std::mutex askMutex;
  SourcePasswordAsker asker;
  std::set<std::filesystem::path> asked;
};

PasswordBook& book() {
  static PasswordBook passwords;
  return passwords;
}

// One spelling per file, so that `a.accdb` and `./a.accdb` find the same password.
std::filesystem::path keyOf(const std::filesystem::path& file) {
  std::error_code error;
  auto absolute = std::filesystem::weakly_canonical(file, error);
  return error ? file.lexically_normal() : absolute;
}

}  // namespace

SecretText& SecretText::operator=(const SecretText& other) {
  if (this != &other) {
    OPENSSL_cleanse(text_.data(), text_.size());
    text_ = other.text_;
  }
  return *this;
}

SecretText::~SecretText() {
  OPENSSL_cleanse(text_.data(), text_.size());
}

void giveSourcePassword(const std::filesystem::path& file, SecretText password) {
  auto& passwords = book();
  const std::lock_guard lock(passwords.mutex);
  passwords.byFile.insert_or_assign(keyOf(file), std::move(password));
}

void giveEverySourcePassword(SecretText password) {
  auto& passwords = book();
  const std::lock_guard lock(passwords.mutex);
  passwords.forEveryFile = std::move(password);
}

void forgetSourcePassword(const std::filesystem::path& file) {
  auto& passwords = book();
  const std::lock_guard lock(passwords.mutex);
  passwords.byFile.erase(keyOf(file));
}

void forgetSourcePasswords() {
  auto& passwords = book();
  {
    const std::lock_guard lock(passwords.mutex);
    passwords.byFile.clear();
    passwords.forEveryFile.reset();
  }
  // One lock at a time: an asker holds askMutex while it takes mutex.
  const std::lock_guard askLock(passwords.askMutex);
  passwords.asked.clear();
}

std::optional<SecretText> sourcePasswordFor(const std::filesystem::path& file) {
  auto& passwords = book();
  const auto key = keyOf(file);
  const std::lock_guard lock(passwords.mutex);
  if (const auto found = passwords.byFile.find(key); found != passwords.byFile.end())
    return found->second;
  return passwords.forEveryFile;
}

}  // namespace vantrel

namespace vantrel {

void setSourcePasswordAsker(SourcePasswordAsker asker) {
  auto& passwords = book();
  const std::lock_guard lock(passwords.askMutex);
  passwords.asker = std::move(asker);
  passwords.asked.clear();
}

std::optional<SecretText> sourcePasswordOrAsk(const std::filesystem::path& file) {
  if (auto given = sourcePasswordFor(file)) return given;
  auto& passwords = book();
  const std::lock_guard askLock(passwords.askMutex);
  // Another thread may have asked meanwhile.
  if (auto given = sourcePasswordFor(file)) return given;
  if (!passwords.asker || !passwords.asked.insert(keyOf(file)).second) return std::nullopt;
  auto answer = passwords.asker(file);
  if (answer) giveSourcePassword(file, *answer);
  return answer;
}

}  // namespace vantrel
