#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// A text as it may be shown on a terminal, in a window or in the log: every control character
// (C0, DEL and C1) written as "\xNN" or "\u00NN", so that a name from a damaged or hostile
// file can neither move the cursor, set a window title nor start a line of its own.
std::string escapedControlCharacters(std::string_view text);

// The same for a text of the log that ends in its own line breaks: those stay line breaks.
std::string escapedLogText(std::string_view text);

// A count with its noun, singular for one: "1 row", "41 rows".
std::string countedText(int64_t count, std::string_view one, std::string_view many);

}  // namespace vantrel
