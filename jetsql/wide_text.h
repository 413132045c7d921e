#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The query rebuilder works on UTF-16 text: every length and position it uses counts UTF-16
// code units, as the stored queries were written by a UTF-16 engine. The rest of the core
// speaks UTF-8; these two convert at the border.

// UTF-8 to UTF-16. A byte that starts no valid sequence becomes U+FFFD.
std::u16string toWide(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view wide);

}  // namespace vantrel
