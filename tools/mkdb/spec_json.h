#pragma once

#include <nlohmann/json.hpp>
#include <optional>

#include "tests/support/mdb_writer/schema.h"

namespace vantrel::mkdb {

// A database described in JSON (see tools/mkdb/README.md for the format). `version`, when
// given, overrides the description's "format"; columns, tables, queries and relations
// marked "formats": [...] are left out of the other format. Throws std::invalid_argument
// (with the place in the description) for anything it cannot use.
mdbwriter::DatabaseSpec specFromJson(const nlohmann::json& description,
                                     std::optional<mdbwriter::JetVersion> version = std::nullopt);

mdbwriter::JetVersion parseFormat(const std::string& name);

}  // namespace vantrel::mkdb
