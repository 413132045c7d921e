#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "run/damage_sink.h"

namespace vantrel::test {

// The rows one reader got out of one table, every value as text.
struct TableRows {
  std::vector<std::string> columns;
  std::set<std::string> longValueColumns;  // memo and OLE columns
  std::set<std::string> textColumns;       // text and memo columns
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// Every table Vantrel saved from a file (saving run into a fresh destination in `workDir`),
// by name. The saving list's lines go to `savingList` and the damage the reader passed over to
// `damage` when given.
std::map<std::string, TableRows> salvageWithVantrel(const std::filesystem::path& file,
                                                    const std::filesystem::path& workDir,
                                                    std::vector<std::string>* savingList = nullptr,
                                                    DamageSink* damage = nullptr);

// The definition page of every user table the analysis of a healthy file finds, by name.
std::map<std::string, int64_t> tableDefinitionPages(const std::filesystem::path& file);

// The name under which a table whose catalog row is lost comes back.
std::string recoveredTableName(int64_t definitionPage);
// The name under which a table whose definition and catalog row are lost comes back.
std::string lostDefinitionTableName(int64_t definitionPage);

// The rows mdb-export prints for a table, its long-value columns named by the caller. None
// when it fails, crashes or takes more than `seconds`.
std::optional<TableRows> exportWithMdbtools(const std::filesystem::path& file,
                                            const std::string& table,
                                            const std::set<std::string>& longValueColumns,
                                            int seconds = 10);
// The user tables mdb-tables lists; none when it fails.
std::optional<std::vector<std::string>> mdbtoolsTables(const std::filesystem::path& file);

// How many rows of `salvaged` are rows of `healthy` (each healthy row matched once), the
// columns compared by name: every column, or all but the long-value columns.
int64_t matchingRows(const TableRows& healthy, const TableRows& salvaged, bool withLongValues);

// Rows of `healthy` that hold a text value (a non-empty text or memo value).
int64_t rowsWithText(const TableRows& healthy);
// How many of those rows have every text value back in one row of `salvaged` (each salvaged
// row matched once), in whichever columns: a table whose definition is lost comes back with
// columns of its own.
int64_t matchingTextRows(const TableRows& healthy, const TableRows& salvaged);

// One row as "column=value, ...", for messages.
std::string describeRow(const TableRows& table, size_t row);

}  // namespace vantrel::test
