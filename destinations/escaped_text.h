#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Appends `text` in the text form of tab-separated rows that PostgreSQL's COPY reads and the
// command line's TSV writes: backslash, tab, line feed and carriage return as \\, \t, \n, \r.
void appendBackslashEscaped(std::string& out, std::string_view text);

}  // namespace vantrel
