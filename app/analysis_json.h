#pragma once

#include <string>

#include "app/analysis_run.h"

namespace vantrel {

// One file's analysis as one line of JSON: the file, whether it opened (and if not, the
// reason) or was stopped, its format, and its tables (with column and record counts), queries and
// relations. The command line prints it and the automation interface returns it.
std::string analysisJson(const AnalysisResult& analysis);

}  // namespace vantrel
