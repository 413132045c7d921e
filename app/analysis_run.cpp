#include "app/analysis_run.h"

#include "app/log_texts.h"
#include "app/progress_tracker.h"
#include "app/report_texts.h"
#include "app/salvage_handler.h"
#include "app/source_problems.h"
#include "reader/catalog_walk.h"
#include "run/result_codes.h"

namespace vantrel {

AnalysisResult runAnalysis(const std::string& sourcePath, RunState& run, const ActivityLog* log,
                           ReportFile* report) {
  run.stopRequested = 0;
  run.runPhase = RunPhase::kAnalysis;
  run.savingMode = SavingMode::kIdle;
  run.previewLoading = PreviewLoading::kIdle;

  AnalysisResult analysis;
  analysis.currentSourcePath = sourcePath;
  {
    ProgressTracker tracker(run, 1);
    tracker.startFile(1, sourcePath);
    run.sourceFormatVersion = RunState::kNoFormatVersion;
    if (auto db = tryOpenSourceDatabase(sourcePath, &run)) {
      analysis.opened = true;
      SalvageContext context{run, analysis.summary};
      SalvageHandler salvage(context);
      ProgressHandler handler(salvage, tracker);
      analysis.result = walkCatalog(**db, handler);
    } else {
      analysis.problem = cannotOpenText(sourcePath, db.error());
    }
    tracker.endFile();
  }
  analysis.formatVersion = run.sourceFormatVersion.load();

  analysis.tree = objectTreeOf(sourcePath, analysis.summary);
  analysis.previewQueryCount = static_cast<int>(analysis.tree.queries.size());
  analysis.previewRelationCount = static_cast<int>(analysis.tree.relations.size());
  analysis.reportText =
      summaryReportText(analysis.summary, analysis.formatVersion, analysis.previewQueryCount,
                        analysis.previewRelationCount);
  if (report != nullptr) report->show(analysis.reportText);

  if (log != nullptr) {
    std::vector<LoggedTable> tables;
    tables.reserve(analysis.summary.tables.size());
    for (const auto& table : analysis.summary.tables) {
      tables.push_back({table.name, table.columnCount, table.recordCount});
    }
    logFileAnalysis(*log, analysis.tree.root, tables);
    if (!analysis.opened) log->appendLogLine(analysis.problem + "\r\n\r\n");
  }
  return analysis;
}

}  // namespace vantrel
