#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "reader/catalog_handler.h"
#include "reader/source_database.h"
#include "run/walk_end.h"

namespace vantrel {

class RunState;

// Whether a table is one of the engine's own ("MSys..."), which the salvage leaves alone, and
// with it the relations between such tables.
bool isSystemTableName(std::string_view name);

// Walks the object catalog (definition on page 2) row by row, handing user tables and saved
// queries to the handler, then the relations, then the tables no catalog row reached. When
// the catalog's definition cannot be read, every page is scanned for catalog rows instead.
WalkEnd walkCatalog(SourceDatabase& db, CatalogHandler& handler);

// Whether the catalog's definition (page 2) and its columns can be read, so that the walk
// reads the catalog rather than scanning every page for its rows.
bool catalogDefinitionReadable(SourceDatabase& db);

// The scan that replaces the walk when the catalog's definition is lost: every data page of
// the catalog (its owner is page 2) is read, and each row's type, id and name are taken from
// their fixed places.
WalkEnd scanCatalogPages(SourceDatabase& db, CatalogHandler& handler);

// Opens the file (read-only) and walks its catalog, telling `damage` (none: nobody) of what
// the walk passes over; or why the file could not be opened.
Expected<WalkEnd, OpenFailure> walkFile(const std::filesystem::path& path, CatalogHandler& handler,
                                        RunState& run, DamageSink* damage = nullptr);

// A path as shown to the user: a drive prefix ("C:") is followed by exactly one backslash.
std::string displayPath(std::string path);

}  // namespace vantrel
