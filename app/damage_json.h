#pragma once

#include <nlohmann/json.hpp>

#include "app/damage_report.h"

namespace vantrel {

// A file's damage report as the JSON outputs carry it: the summary in words (empty for none),
// the count of each kind found, the pieces listed (kind, page, row or null, table or null) and
// how many more were found than listed.
nlohmann::json damageJson(const DamageReport& report);

}  // namespace vantrel
