#pragma once

#include <filesystem>
#include <vector>

#include "destinations/destination_registry.h"

namespace vantrel {

// Registers the SQLite files: the kind that takes any address no other kind takes, as the
// folder under which each run makes its folder ("Repair_9-5-7") with one file per source
// ("NAME.sqlite").
void registerSqliteDestination(DestinationRegistry& registry);

// The user tables of the SQLite destination at `path`, read back from the file itself (the
// engine's own tables left out); empty when it cannot be read.
std::vector<SavedTable> sqliteSavedTables(const std::filesystem::path& path);

}  // namespace vantrel
