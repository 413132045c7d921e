#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Breaks a rebuilt statement into lines for the preview: once a line has grown past 58
// characters, it is broken at its last blank, which becomes "\r\n". A line without a new
// blank grows until one comes; line breaks already in the text start a new count. The
// wrapped text ends with "\r\n\r\n". Characters are counted as UTF-16 code units.
std::u16string wrapQueryText(std::u16string_view sqlText);
std::string wrapQueryText(std::string_view sqlText);

}  // namespace vantrel
