#pragma once

#include <string>

#include "app/analysis_run.h"

namespace vantrel {

// The version of the JSON outputs' shape ("format": 1 in each object); it grows when a key
// changes meaning or goes.
inline constexpr int kJsonFormatVersion = 1;

// One file's analysis as one line of JSON: the shape's version, the file, whether it opened
// (and if not, the reason) or was stopped, its format ("fileFormat": "Access 2000", "Access
// 95/97" or null), its tables (with column and record counts), queries and relations, and the
// damage the reader passed over (damage_json.h), and how it was protected ("databasePassword"
// and "encodedPages", true or false). The command line prints it and the automation interface
// returns it. The password itself ("password", null when there is none) is there only when
// `showPassword` asks for it.
std::string analysisJson(const AnalysisResult& analysis, bool showPassword = false);

}  // namespace vantrel
