#include <iostream>
#include <string>
#include <vector>

#include "app/analysis_json.h"
#include "app/analysis_run.h"
#include "app/report_texts.h"
#include "app/workflow_log.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/terminal.h"
#include "run/walk_end.h"

namespace vantrel::cli {

namespace {

struct AnalyzeOptions {
  std::vector<std::string> files;
  bool json = false;
  bool showPassword = false;
};

std::string reportTexts(const AnalysisResult& analysis) {
  return analysis.reportText + tablesReportText(analysis.summary) +
         queriesReportText(analysis.summary, analysis.previewQueryCount) +
         relationsReportText(analysis.summary, analysis.previewRelationCount);
}

int runAnalyze(const AnalyzeOptions& options, Verbosity verbosity) {
  SilentRunHooks hooks;  // Ctrl-C is the only stop request, and it is meant
  RunState run(hooks);
  InterruptGuard guard(run);
  const ActivityLog log = startActivityLog(options.files);
  verboseNote(verbosity, "activity log: " + log.path().string());
  int exitCode = kExitOk;
  for (const std::string& file : options.files) {
    const AnalysisResult analysis = runAnalysis(file, run, &log, nullptr);
    if (!analysis.opened) {
      // Only the reason, on standard error: there is no summary of a file that did not open.
      std::cerr << "vantrel-cli: " << analysis.problem << "\n";
      exitCode = kExitNotOpened;
    } else if (options.json) {
      std::cout << analysisJson(analysis, options.showPassword) << "\n";
    } else {
      std::cout << withLineFeeds(reportTexts(analysis));
    }
    std::cout.flush();
    if (analysis.end == WalkEnd::kStopped || InterruptGuard::interrupted()) {
      std::cerr << "vantrel-cli: analysis stopped\n";
      return kExitInterrupted;
    }
  }
  if (const std::string warning = logWarningText(log); !warning.empty())
    std::cerr << "vantrel-cli: warning: " << warning << "\n";
  return exitCode;
}

}  // namespace

void addAnalyzeCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity) {
  auto options = std::make_shared<AnalyzeOptions>();
  CLI::App* analyze = app.add_subcommand(
      "analyze", "Analyse databases: the summary, tables, queries and relations of each");
  analyze->add_option("FILE", options->files, "The .mdb and .accdb files")->required();
  analyze->add_flag("--json", options->json,
                    "Print each file's tables, queries and relations as one JSON object a line");
  // The password protects nothing Vantrel needs, but its owner may have forgotten it.
  analyze
      ->add_flag("--show-password", options->showPassword,
                 "With --json: give each file's database password (\"password\")")
      ->needs("--json");
  analyze->callback(
      [options, &exitCode, &verbosity] { exitCode = runAnalyze(*options, verbosity); });
}

}  // namespace vantrel::cli
