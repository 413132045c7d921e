#pragma once

#include <optional>
#include <string>

#include "app/activity_log.h"
#include "app/damage_report.h"
#include "app/object_tree.h"
#include "app/report_file.h"
#include "reader/database_header.h"
#include "reader/page_source.h"
#include "run/catalog_summary.h"
#include "run/run_state.h"
#include "run/walk_end.h"

namespace vantrel {

// What the analysis of one file leaves for the preview.
struct AnalysisResult {
  std::string currentSourcePath;                   // the file analysed, as given
  bool opened = false;                             // the file opened as an Access database
  std::string problem;                             // not opened: why (cannotOpenText)
  WalkEnd end = WalkEnd::kFinished;                // how the walk ended, when it opened
  int formatVersion = RunState::kNoFormatVersion;  // as RunState::sourceFormatVersion
  CatalogSummary summary;
  ObjectTree tree;
  int previewQueryCount = 0;
  int previewRelationCount = 0;
  std::string reportText;  // the summary report text
  DamageReport damage;     // what the walk passed over
  // How the file was protected: its database password (shown only when asked for) and how
  // its pages were stored.
  std::optional<DatabasePassword> databasePassword;
  PageCoding pageCoding;
};

// Analyses one source file: opens it, walks its catalog counting every table's rows and
// listing its queries and relations, builds the tree and the summary report text, shows that
// text in `report` and writes the file's analysis lines to `log` (either may be null). A
// confirmed stop ends the walk; everything is still built from what it had found. A file that
// cannot be opened gives an empty tree, zero counts and the log lines all the same.
AnalysisResult runAnalysis(const std::string& sourcePath, RunState& run, const ActivityLog* log,
                           ReportFile* report);

}  // namespace vantrel
