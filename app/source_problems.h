#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "reader/source_database.h"

namespace vantrel {

// Why a source gave nothing, in words a user understands. The command line prints these
// texts, the activity log records them and the windows show them.

inline constexpr std::string_view kNothingSalvaged = "Nothing could be salvaged";

// "Cannot open PATH: the file does not exist"
std::string cannotOpenText(std::string_view path, OpenFailure failure);

// "Cannot open PATH: the file is not an Access database", for a file that opened but holds
// no Access header and gave nothing.
std::string notAnAccessDatabaseText(std::string_view path);

// The first line of the report of an analysis the user stopped.
inline constexpr std::string_view kAnalysisStoppedText =
    "Analysis stopped: what was found before the stop";

// "Nothing could be salvaged from PATH: " and the reason, which the file is opened again to
// find: it has no Access header, its catalog lists nothing, or its catalog is lost.
std::string nothingSalvagedText(std::string_view path, const std::filesystem::path& source);

}  // namespace vantrel
