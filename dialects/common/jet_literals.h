#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Literals of Jet SQL as every dialect reads them.

// "name" and 'text', with the quotes doubled.
std::string quotedName(std::string_view name);
std::string quotedString(std::string_view text);
// Whether written SQL is one 'text' literal and nothing else.
bool isStringLiteral(std::string_view sql);

// The text of a #date# literal in the destinations' one form, "YYYY-MM-DD HH:MM:SS": midnight
// when it has no time, the day 1899-12-30 when it has no date. Jet reads m/d/y (US order, whatever
// the locale) and y-m-d; a two-digit year below 30 is 20yy, else 19yy. None when the text is
// no date Jet would take.
std::optional<std::string> isoDateText(std::string_view jetDate);

}  // namespace vantrel
