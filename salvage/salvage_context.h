#pragma once

#include <optional>
#include <string>

#include "destinations/destination.h"
#include "run/display_text.h"
#include "run/log_sink.h"
#include "run/run_state.h"
#include "salvage/saving_tally.h"

namespace vantrel {

// What the saving of one source file works with besides the file itself: the run's hooks, the
// destination and the activity log.
struct SalvageContext {
  RunState& run;
  const LogSink* log = nullptr;
  Destination* destination = nullptr;
  // While saving: what the destination did not take. Once it can take nothing more, the rest
  // of the file is only counted, so that every loss is named.
  SavingTally tally;

  bool destinationLost() const { return tally.destinationLost(); }
  // One attempt at saving an object: none when it was saved, or kept at the user's choice;
  // else why not (the fault, once the destination has failed for good).
  template <typename Attempt>
  std::optional<std::string> attemptSave(Attempt&& attempt) {
    if (destinationLost()) return std::string(destinationFaultText(tally.fault));
    try {
      attempt();
      return std::nullopt;
    } catch (const KeptExisting&) {
      ++tally.keptObjects;
      return std::nullopt;
    } catch (const DestinationError& error) {
      tally.note(error);
      return tally.reasonFor(error);
    }
  }
  // A query or relation the destination did not take: named in the saving list and the log.
  void loseObject(ObjectLoss loss) {
    const std::string line = "Not saved: " + objectLossText(loss);
    run.appendSavingListLine(line);
    appendLog(line + "\r\n");
    tally.objects.push_back(std::move(loss));
  }
  // Appends a text that ends in its line breaks; names in it show escaped (display_text.h).
  void appendLog(std::string_view text) const {
    if (log != nullptr) log->appendLogLine(escapedLogText(text));
  }
};

}  // namespace vantrel
