#pragma once

#include <optional>
#include <string>

#include "run/catalog_summary.h"
#include "run/display_text.h"
#include "run/log_sink.h"
#include "run/run_state.h"
#include "salvage/destination.h"

namespace vantrel {

// What the salvage of one source file works with besides the file itself: the run's switches
// and hooks, the lists that analysis fills for the preview, and, while saving, the destination
// and the activity log.
struct SalvageContext {
  RunState& run;
  CatalogSummary& summary;
  const LogSink* log = nullptr;
  Destination* destination = nullptr;
  std::string sqlText;                      // the text of the query rebuilt last
  std::optional<std::string> queryConnect;  // its connect string when it is a pass-through

  bool saving() const { return run.savingMode.load() == SavingMode::kSaving; }
  bool previewing() const { return run.previewLoading.load() == PreviewLoading::kLoading; }
  // Appends a text that ends in its line breaks; names in it show escaped (display_text.h).
  void appendLog(std::string_view text) const {
    if (log != nullptr) log->appendLogLine(escapedLogText(text));
  }
};

}  // namespace vantrel
