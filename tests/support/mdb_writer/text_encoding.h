#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tests/support/mdb_writer/values.h"

namespace vantrel::mdbwriter {

// UTF-8 to UTF-16; throws std::invalid_argument on malformed UTF-8.
std::u16string utf8ToUtf16(std::string_view text);
size_t utf16Length(std::string_view utf8);

// Jet 4 text in the compressed form: FF FE, then one byte per character, a 0x00 byte
// switching to UTF-16 units and back. None when the text cannot take that form: a
// character whose low byte is 0 (U+0000, U+0100, ...) would read as a switch.
std::optional<Bytes> compressedJet4Text(std::u16string_view text);

// Jet 4 text as stored: compressed when asked for, possible and no longer, else UTF-16LE.
Bytes jet4Text(std::string_view utf8, bool compressed);

// Jet 3 text: the bytes of a Windows code page; throws std::invalid_argument when a
// character has none.
Bytes codePageText(std::string_view utf8, int codePage);

}  // namespace vantrel::mdbwriter
