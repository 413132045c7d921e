#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// A password kept in memory only: it has no text form but the one asked for by name, and its
// bytes are wiped when it goes.
class SecretText {
 public:
  explicit SecretText(std::string text) : text_(std::move(text)) {}
  SecretText(const SecretText& other) : text_(other.text_) {}
  SecretText& operator=(const SecretText& other);
  ~SecretText();
  const std::string& revealed() const { return text_; }
  bool empty() const { return text_.empty(); }

 private:
  std::string text_;  // UTF-8
};

// The passwords of encrypted sources, given once by the user (a file, the environment, a
// prompt, a dialog) and found by every open of the file afterwards, whichever part of the
// workflow opens it. One may be given for a file, and one for every file that has none of
// its own. Safe to use from any thread.
void giveSourcePassword(const std::filesystem::path& file, SecretText password);
void giveEverySourcePassword(SecretText password);
// Forgets the password of `file` (one that proved wrong), or every password.
void forgetSourcePassword(const std::filesystem::path& file);
void forgetSourcePasswords();
std::optional<SecretText> sourcePasswordFor(const std::filesystem::path& file);

// Asks the user for the password of an encrypted file that has none given: none skips the
// file. Each file is asked for once; the answer is kept as if it had been given.
using SourcePasswordAsker =
    std::function<std::optional<SecretText>(const std::filesystem::path& file)>;
void setSourcePasswordAsker(SourcePasswordAsker asker);
// The password given for `file`, or, when there is none, the one the asker answers once.
std::optional<SecretText> sourcePasswordOrAsk(const std::filesystem::path& file);

}  // namespace vantrel
