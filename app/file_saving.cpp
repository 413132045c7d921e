#include "app/file_saving.h"

#include "app/protection_notes.h"
#include "app/saving_handler.h"
#include "app/source_problems.h"
#include "destinations/destination.h"
#include "reader/catalog_walk.h"
#include "run/expected.h"
#include "salvage/query_views.h"

namespace vantrel {
namespace {

using Status = SavedFile::Status;

void logText(const LogSink* log, std::string_view text) {
  if (log != nullptr) log->appendLogLine(text);
}

// A destination that holds nothing is removed, and the saving list and the log say why.
void reportNothingSalvaged(SavedFile& file, const DestinationKind& destinations, RunState& run,
                           const LogSink* log) {
  file.status = Status::NothingSalvaged;
  file.problem = nothingSalvagedText(file.source, file.source);
  run.appendSavingListLine(file.problem);
  run.appendSavingListLine("");
  logText(log, file.problem + "\r\n\r\n");
  destinations.remove(file.place);
}

// The destination of `file`, made by `destinations`, or why it could not be made.
Expected<std::unique_ptr<Destination>, std::string> createDestination(
    const DestinationKind& destinations, const SavedFile& file) {
  try {
    return destinations.create(file.place);
  } catch (const DestinationError& error) {
    return Unexpected(std::string(error.what()));
  }
}

// Opens the source, names it in the saving list and walks its catalog into the destination.
Expected<WalkEnd, OpenFailure> walkSource(SavedFile& file, CatalogHandler& handler, RunState& run) {
  auto db = tryOpenSourceDatabase(file.source, &run);
  if (!db) return Unexpected(db.error());
  run.appendSavingListLine("Selected File For Repairing: " + displayPath(file.source));
  run.appendSavingListLine("Scanning file for Table[s] ");
  run.appendSavingListLine("");
  const auto notes = protectionNotes((*db)->databasePassword().has_value(), (*db)->pageCoding());
  for (const std::string& note : notes)
    run.appendSavingListLine(note);
  if (!notes.empty()) run.appendSavingListLine("");
  (*db)->setDamageSink(&file.damage);
  return walkCatalog(**db, handler);
}

}  // namespace

WalkEnd saveSourceFile(int fileNumber, SavedFile& file, const DestinationKind& destinations,
                       RunState& run, ProgressTracker& tracker, const LogSink* log) {
  const std::string location = file.destination.string();
  auto created = createDestination(destinations, file);
  if (!created) {
    // Reading the source into nothing would report tables as recovered that are not.
    const std::string& why = created.error();
    logText(log, "Not created: " + location + " (" + why + ")\r\n\r\n");
    file.status = Status::NotCreated;
    file.problem =
        file.source + ": the destination " + location + " cannot be created (" + why + ")";
    return WalkEnd::kFinished;
  }
  const std::unique_ptr<Destination> destination = std::move(*created);
  SalvageContext context{run, log, destination.get()};
  SavingHandler saver(context);
  ProgressHandler handler(saver, tracker);
  tracker.startFile(fileNumber, file.source);
  const auto walked = walkSource(file, handler, run);
  tracker.endFile();
  const bool opened = walked.has_value();
  WalkEnd end = opened ? *walked : WalkEnd::kFinished;
  // The saved queries become views once every table and relation is in place, where the
  // destination takes views.
  if (opened && end != WalkEnd::kStopped && destinations.capabilities().takesViews &&
      createQueryViews(context, destinations.capabilities().viewDialect).stopped) {
    end = WalkEnd::kStopped;
  }
  SavingTally& tally = context.tally;
  bool holdsNothing = false;
  std::string closeFailure;  // what the destination could not save at its close
  try {
    holdsNothing = destination->isOpen() && destination->holdsNothing();
  } catch (const DestinationError& error) {
    tally.note(error);
  }
  try {
    if (destination->isOpen()) destination->close();
  } catch (const DestinationError& error) {
    logText(log, "Not saved: rows of " + location + " (" + error.what() + ")\r\n\r\n");
    tally.note(error);
    closeFailure = error.what();
  }
  file.tally = std::move(tally);
  // What the reader passed over, for a file that gave something: of one that gave nothing, the
  // next line says why (the JSON outputs still carry its damage).
  if (const std::string line = damageFoundLine(file.damage);
      opened && !line.empty() && (!holdsNothing || file.tally.any())) {
    run.appendSavingListLine(line);
    run.appendSavingListLine("");
    logText(log, line + "\r\n\r\n");
  }
  if (!opened) {
    file.status = Status::NotOpened;
    file.problem = cannotOpenText(file.source, walked.error());
    logText(log, file.problem + "\r\n\r\n");
    destinations.remove(file.place);
    return end;
  }
  if (end == WalkEnd::kStopped) {
    file.status = Status::Stopped;
    file.problem = file.source + ": " + stoppedText(file.tally);
  } else if (file.tally.any() || !closeFailure.empty()) {
    // Whatever the file's tables said, it is not saved whole: the run must not end as a success.
    file.status = Status::SavedWithLosses;
    std::string summary = lossSummaryText(file.tally);
    if (summary.empty()) summary = "not everything was saved (" + closeFailure + ")";
    file.problem = file.source + ": " + summary;
    run.appendSavingListLine(file.problem);
    run.appendSavingListLine("");
    logText(log, file.problem + "\r\n\r\n");
    // A destination that took nothing is not left behind.
    if (holdsNothing) destinations.remove(file.place);
  } else if (holdsNothing && file.tally.keptObjects > 0) {
    // Every object was one the destination held already and the user kept.
    file.status = Status::Kept;
  } else if (holdsNothing) {
    reportNothingSalvaged(file, destinations, run, log);
  } else {
    file.status = Status::Saved;
  }
  return end;
}

}  // namespace vantrel
