#pragma once

#include <cstdint>
#include <span>

namespace vantrel {

// The Windows code page recorded in the header page (page 0), or 1252 when it cannot be
// read. Part of the header is masked with RC4 under a fixed key; the code page lies in it.
int headerCodePage(std::span<const uint8_t> page0);

// Whether page 0 carries the signature of a Jet 3 or Jet 4 database ("Standard Jet DB"), and
// whether it carries that of Access 2007 and later ("Standard ACE DB"), a format not read here.
bool hasJetSignature(std::span<const uint8_t> page0);
bool hasAceSignature(std::span<const uint8_t> page0);

}  // namespace vantrel
