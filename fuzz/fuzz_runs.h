#pragma once

#include <cstdint>
#include <span>

namespace vantrel::fuzz {

// What each fuzz target does with one input. The file runs take the bytes of a whole database
// file; they must come back, whatever the bytes, without a crash, a hang or unbounded memory.
// The regression tests replay the inputs the fuzzers once failed on through the same runs.

// Analyses the file as the analysis run does (tables counted, queries and relations listed,
// tree, report and log lines), then loads the rows of its tables as the preview does.
void analyseFile(std::span<const uint8_t> bytes);

// Saves the whole file into a fresh destination database: tables with their rows, queries
// and relations.
void saveFile(std::span<const uint8_t> bytes);

// Rebuilds every saved query the file's analysis lists, as the preview shows it and unwrapped.
void rebuildQueries(std::span<const uint8_t> bytes);

// Query-catalog rows given as text, fed to the query builder and the preview's wrapping.
// The first byte chooses the row layout ('3' Jet 3, anything else Jet 4); then come the
// rows, each ended by a record separator (0x1E), their column texts in the layout's column
// order separated by unit separators (0x1F). Texts may hold any other character.
void buildQueryFromRows(std::span<const uint8_t> bytes);
inline constexpr char kRowSeparator = '\x1e';

// A saved query's Jet SQL text translated for an SQLite view (a crosstab's pivot reads two
// fixed values), and the names it mentions.
void translateView(std::span<const uint8_t> bytes);

// Stored name bytes decoded as each version does (the first byte chooses Jet 4, else a code
// page), then placed for each destination and escaped for display. Aborts when a placed name
// holds a NUL or is longer than its destination allows, or a shown name a control character.
void decodeNames(std::span<const uint8_t> bytes);
inline constexpr char kColumnSeparator = '\x1f';

}  // namespace vantrel::fuzz
