#pragma once

#include <string>
#include <vector>

#include "app/activity_log.h"

namespace vantrel {

// The activity log where the configuration puts it, begun as a repair begins: the start
// banner, the Step 1 header, the source files and the Step 2 header.
ActivityLog startActivityLog(const std::vector<std::string>& sourceFiles);

}  // namespace vantrel
