#pragma once

#include <string_view>

#include "run/run_state.h"

namespace vantrel {

// What a stop request asks while a run is going on, on every front that asks.
inline constexpr std::string_view kSavingStopQuestion =
    "Saving is in progress, Do you want to stop ?      ";
inline constexpr std::string_view kAnalysisStopQuestion =
    "Analysis is in progress, Do you want to stop ?      ";

// The question of a run's phase; empty for a phase that stops unasked.
inline std::string_view stopQuestionText(RunPhase phase) {
  if (phase == RunPhase::kSaving) return kSavingStopQuestion;
  if (phase == RunPhase::kAnalysis) return kAnalysisStopQuestion;
  return {};
}

}  // namespace vantrel
