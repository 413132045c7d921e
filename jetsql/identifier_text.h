#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Jet and SQLite compare object names without regard to ASCII case.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
std::string foldAsciiCase(std::string_view text);

// A name as it stands between brackets in a statement: each "]" in it written twice.
std::string bracketedName(std::string_view name);

// A short, single-line excerpt of a text for messages.
std::string excerptForMessage(std::string_view text, size_t maxBytes = 60);

}  // namespace vantrel
