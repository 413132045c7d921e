#pragma once

#include <filesystem>

#include "tests/support/mdb_writer/manifest.h"
#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mdbwriter {

// Writes a whole database: header, system tables, the user tables with their rows (pulled
// from each table's row source one at a time), saved queries and relationships. Returns
// where everything went. Throws std::invalid_argument for a description the format cannot
// hold and std::runtime_error when the file cannot be written.
Manifest writeDatabase(const std::filesystem::path& path, DatabaseSpec spec);

}  // namespace vantrel::mdbwriter
