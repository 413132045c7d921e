#include "app/analysis_run.h"

#include "app/analysis_handler.h"
#include "app/log_texts.h"
#include "app/progress_tracker.h"
#include "app/protection_notes.h"
#include "app/report_texts.h"
#include "app/source_problems.h"
#include "reader/catalog_walk.h"
#include "reader/database_header.h"

namespace vantrel {

AnalysisResult runAnalysis(const std::string& sourcePath, RunState& run, const ActivityLog* log,
                           ReportFile* report) {
  run.stopRequested = 0;
  run.runPhase = RunPhase::kAnalysis;

  AnalysisResult analysis;
  analysis.currentSourcePath = sourcePath;
  {
    ProgressTracker tracker(run, 1);
    tracker.startFile(1, sourcePath);
    run.sourceFormatVersion = RunState::kNoFormatVersion;
    if (auto db = tryOpenSourceDatabase(sourcePath, &run)) {
      analysis.opened = true;
      AnalysisHandler analyser(analysis.summary);
      ProgressHandler handler(analyser, tracker);
      const bool accessHeader = hasAccessSignature((*db)->page(0).bytes());
      (*db)->setDamageSink(&analysis.damage);
      analysis.databasePassword = (*db)->databasePassword();
      analysis.pageCoding = (*db)->pageCoding();
      analysis.end = walkCatalog(**db, handler);
      const CatalogSummary& found = analysis.summary;
      // A file with no Access header that gave nothing is no Access database at all.
      if (found.tables.empty() && found.queryList.empty() && found.relations.empty() &&
          analysis.end != WalkEnd::kStopped && !accessHeader) {
        analysis.opened = false;
        analysis.problem = notAnAccessDatabaseText(sourcePath);
      }
    } else {
      analysis.problem = cannotOpenText(sourcePath, db.error());
    }
    tracker.endFile();
  }
  analysis.formatVersion = run.sourceFormatVersion.load();

  analysis.tree = objectTreeOf(sourcePath, analysis.summary);
  analysis.tree.damage = damageItemLines(analysis.damage);
  analysis.previewQueryCount = static_cast<int>(analysis.tree.queries.size());
  analysis.previewRelationCount = static_cast<int>(analysis.tree.relations.size());
  analysis.reportText =
      summaryReportText(analysis.summary, analysis.formatVersion, analysis.previewQueryCount,
                        analysis.previewRelationCount);
  // The report says why it is empty, or that it is not all there is.
  if (!analysis.opened) analysis.reportText = analysis.problem + "\r\n";
  if (analysis.end == WalkEnd::kStopped) {
    analysis.reportText = std::string(kAnalysisStoppedText) + "\r\n\r\n" + analysis.reportText;
  }
  if (const std::string line = damageFoundLine(analysis.damage); !line.empty()) {
    analysis.reportText += line + "\r\n\r\n\r\n";
  }
  for (const std::string& note :
       protectionNotes(analysis.databasePassword.has_value(), analysis.pageCoding))
    analysis.reportText += note + "\r\n\r\n";
  if (report != nullptr) report->show(analysis.reportText);

  if (log != nullptr) {
    std::vector<LoggedTable> tables;
    tables.reserve(analysis.summary.tables.size());
    for (const auto& table : analysis.summary.tables) {
      tables.push_back({table.name, table.columnCount, table.recordCount});
    }
    logFileAnalysis(*log, analysis.tree.root, tables);
    if (const std::string line = damageFoundLine(analysis.damage); !line.empty()) {
      log->appendLogLine(line + "\r\n\r\n");
    }
    if (!analysis.opened) log->appendLogLine(analysis.problem + "\r\n\r\n");
  }
  return analysis;
}

}  // namespace vantrel
