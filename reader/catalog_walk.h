#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "reader/catalog_handler.h"
#include "reader/source_database.h"
#include "run/result_codes.h"

namespace vantrel {

class RunState;

// Whether a table is one of the engine's own ("MSys..."), which the salvage leaves alone, and
// with it the relations between such tables.
bool isSystemTableName(std::string_view name);

// Walks the object catalog (definition on page 2) row by row: user tables go to the handler's
// salvageTable, saved queries to rebuildQuery (saving) or listQuery (analysis), and after the
// last row the relations step runs. When the catalog's definition cannot be read, every page
// is scanned for catalog rows instead. Returns kDone, or kStopped when the user stopped the run.
RunResult walkCatalog(SourceDatabase& db, CatalogHandler& handler);

// Whether the catalog's definition (page 2) and its columns can be read, so that the walk
// reads the catalog rather than scanning every page for its rows.
bool catalogDefinitionReadable(SourceDatabase& db);

// The scan that replaces the walk when the catalog's definition is lost: every data page of
// the catalog (its owner is page 2) is read, and each row's type, id and name are taken from
// their fixed places. Returns kDone at the end of the file, kStopped when the user stopped the run.
RunResult scanCatalogPages(SourceDatabase& db, CatalogHandler& handler);

// The saving run's per-file driver: opens the file (read-only), writes its lines to the saving
// list, walks its catalog and closes it. Returns kNothing when the file cannot be opened, else
// the walk's result (kDone or kStopped): the caller tells the two apart by this alone. The
// damage the walk passes over is told to `damage` (none: to nobody).
RunResult salvageFile(const std::filesystem::path& path, CatalogHandler& handler, RunState& run,
                      DamageSink* damage = nullptr);

// A path as shown to the user: a drive prefix ("C:") is followed by exactly one backslash.
std::string displayPath(std::string path);

}  // namespace vantrel
