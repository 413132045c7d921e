#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Literals of Jet SQL written as SQLite literals.

// 'text', with quotes doubled.
std::string sqliteString(std::string_view text);
// "name", with quotes doubled.
std::string sqliteName(std::string_view name);

// The text of a #date# literal in the destination's one form, "YYYY-MM-DD HH:MM:SS": midnight
// when it has no time, the day 1899-12-30 when it has no date. Jet reads m/d/y (US order, whatever
// the locale) and y-m-d; a two-digit year below 30 is 20yy, else 19yy. None when the text is
// no date Jet would take.
std::optional<std::string> isoDateText(std::string_view jetDate);

// A Like pattern (* ? # [...] [!...]) as an SQLite comparison that follows the compared value:
// " LIKE 'pattern' ESCAPE '\'" when it needs only * and ?, else " GLOB '...'" with every letter
// matched in both cases, as Jet compares text without regard to case.
std::string likeComparison(std::string_view jetPattern);

}  // namespace vantrel
