#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialects/common/jet_literals.h"

namespace vantrel {

// Literals of Jet SQL written as SQLite literals.

// 'text', with quotes doubled.
std::string sqliteString(std::string_view text);
// "name", with quotes doubled.
std::string sqliteName(std::string_view name);

// A Like pattern (* ? # [...] [!...]) as an SQLite comparison that follows the compared value:
// " LIKE 'pattern' ESCAPE '\'" when it needs only * and ?, else " GLOB '...'" with every letter
// matched in both cases, as Jet compares text without regard to case.
std::string likeComparison(std::string_view jetPattern);

}  // namespace vantrel
