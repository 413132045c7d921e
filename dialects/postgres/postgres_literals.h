#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// A #date# literal read as "YYYY-MM-DD[ HH:MM:SS]" or "HH:MM:SS" as a PostgreSQL timestamp;
// a time alone is on 30 December 1899, Jet's day zero, as the destination keeps it.
std::string postgresTimestamp(const std::string& isoText);

// A Like pattern (* ? # [...] [!...]) as a PostgreSQL comparison that follows the compared
// value, without regard to case as Jet compares: "ILIKE '...'" when it needs only * and ?,
// else a regular expression "~* '^...$'". `negated` gives the comparison of Not Like.
std::string postgresLike(std::string_view jetPattern, bool negated);

}  // namespace vantrel
