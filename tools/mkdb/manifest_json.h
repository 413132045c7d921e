#pragma once

#include <nlohmann/json.hpp>

#include "tests/support/mdb_writer/manifest.h"

namespace vantrel::mkdb {

// The manifest as JSON; page sets are lists of [first, count] ranges.
nlohmann::json manifestToJson(const mdbwriter::Manifest& manifest);

}  // namespace vantrel::mkdb
