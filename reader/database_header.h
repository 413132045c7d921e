#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "reader/jet_format.h"

namespace vantrel {

class CodePageDecoder;

// The Windows code page recorded in the header page (page 0), or 1252 when it cannot be
// read. Part of the header is masked with RC4 under a fixed key; the code page lies in it.
int headerCodePage(std::span<const uint8_t> page0);

// Whether page 0 carries the signature of a Jet 3 or Jet 4 database ("Standard Jet DB"), and
// whether it carries that of Access 2007 and later ("Standard ACE DB").
bool hasJetSignature(std::span<const uint8_t> page0);
bool hasAceSignature(std::span<const uint8_t> page0);
// Either of them.
bool hasAccessSignature(std::span<const uint8_t> page0);

// The version byte of an Access 2007 or later header (2 and up): a value below 2 in a header
// with that signature is a damaged byte, read as the first of those versions.
int headerAceVersion(std::span<const uint8_t> page0);

// Whether an Access 2007 or later header describes Office encryption: the length and the
// version (2 to 4, both parts) of an encryption description whose bytes fit in page 0. Alone it
// proves nothing in a damaged header; the open also looks at the pages.
bool headerDescribesEncryption(std::span<const uint8_t> page0);

// A database password as the header stores it. It protects nothing in the pages, so it is
// never needed to read them; it is shown only when the user asks for it, so it has no text
// form but the one asked for by name.
class DatabasePassword {
 public:
  explicit DatabasePassword(std::string text) : text_(std::move(text)) {}
  const std::string& revealed() const { return text_; }
  bool operator==(const DatabasePassword&) const = default;

 private:
  std::string text_;  // UTF-8
};

// The database password of a file, read from the masked part of page 0: Jet 3 keeps it in
// the file's code page, Jet 4 in UTF-16 under a further mask made from the creation date.
// None when the file has no password, when the field holds zeros, or when page 0 has no Jet
// signature (a damaged header holds no password worth believing).
std::optional<DatabasePassword> headerPassword(std::span<const uint8_t> page0, JetVersion version,
                                               const CodePageDecoder& jet3Text);

// The key that pages 1 and on are RC4-encoded with (an "encoded" database), as page 0 stores
// it; 0 when the pages are stored as they are or the field holds zeros. Page 0 itself is
// never encoded this way.
uint32_t headerPageKey(std::span<const uint8_t> page0);

}  // namespace vantrel
