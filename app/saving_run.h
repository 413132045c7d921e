#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/activity_log.h"
#include "app/damage_report.h"
#include "app/log_texts.h"
#include "destinations/destination.h"
#include "destinations/destination_registry.h"
#include "run/run_state.h"
#include "run/walk_end.h"
#include "salvage/saving_tally.h"

namespace vantrel {

// The answers to the Save All question about an existing destination.
enum class OverwriteAnswer { Yes = 1, No = 2, YesToAll = 3, NoToAll = 4 };

inline constexpr std::string_view kOverwriteAllQuestion =
    "The file already exist's. Do you want to overwrite files ?";
inline constexpr std::string_view kOverwriteFileQuestion =
    "File Already Exists, Do you want to overwrite the file ?";

struct SavedFile;

// What the saving run needs from whoever shows it, besides the run's hooks. Called on the
// worker thread, which waits for the answers.
class SavingHooks {
 public:
  virtual ~SavingHooks() = default;
  // Save All: the destination exists; Yes, No, Yes To All or No To All. A question closed
  // without an answer should be answered No.
  virtual OverwriteAnswer askOverwrite(const std::filesystem::path& destination) = 0;
  // Save Current Database: the destination exists; Yes overwrites it.
  virtual bool confirmOverwrite(const std::filesystem::path& destination) = 0;
  // A file's turn begins: its number, the source path and the destination path.
  virtual void showFile(int /*fileNumber*/, int /*fileCount*/, const std::string& /*source*/,
                        const std::filesystem::path& /*destination*/) {}
  // The overall bar, in percent, after each file of Save All.
  virtual void showOverallProgress(int /*percent*/) {}
  // Save All with several jobs: the progress of every file being saved now, in file order.
  // Called from the jobs' threads, one call at a time, in place of the run's reportProgress.
  virtual void showRunningFiles(std::span<const RunProgress> /*running*/) {}
  // A file's saving begins (its destination made, its source about to be read) and a file's
  // outcome is settled, whatever it is. With several jobs these come from the jobs' threads,
  // one call at a time.
  virtual void fileStarted(int /*fileNumber*/, const std::string& /*source*/) {}
  virtual void fileEnded(int /*fileNumber*/, const SavedFile& /*file*/) {}
};

struct SavingRequest {
  std::vector<std::string> sourceFiles;  // every selected source, in list order
  // Where the files are saved, as the user gives it: a folder (the run's subfolder in it holds
  // a file per source), or another address a registered kind of destination takes
  // ("postgresql://..."). The program's destination registry chooses the kind.
  std::string destination;
  bool saveAll = true;  // Save All; else Save Current Database
  int fileNumber = 1;   // Save Current Database: the preview's file (1-based)
  // Names the "Repair_" subfolder; none: the time the run starts.
  std::optional<LogTime> startTime;
  // How the registry opens them (a server's schemas, its questions, its timeout).
  DestinationOptions destinationOptions;
  // The run's destinations when the caller opened them already; none: the registry opens the
  // kind `destination` names.
  std::shared_ptr<const DestinationKind> destinations;
  // Save All: how many files are saved at the same time, each in its own thread. The
  // questions are all asked first; each file's saving-list lines and log lines then come
  // together when it ends. Only destinations of a file per source are saved several at once.
  int jobs = 1;
  // The destination name of each source, in list order (listWideNames); empty: each source's
  // stem, with " (2)" and so on for a stem an earlier source has.
  std::vector<std::string> destinationNames;
};

// How the run ends, for the caller to act on: the end dialog (which shows
// viewLogResultText() and logs logRunEnd()), the completion notice (completionNoticeText()),
// or a quiet return to the preview.
enum class SavingEnd { ViewLog, CompletionNotice, Quiet };

// One file's outcome, the same on every front: the saving list, the end text, the command
// line's exit status, the JSON outputs and the activity log all read it.
struct SavedFile {
  enum class Status {
    Saved,            // every salvaged table created and every salvaged row written, durably
    SavedWithLosses,  // the destination refused tables, rows, queries or relations, or failed
    Stopped,          // the user stopped the run during this file; what was written stays
    Kept,             // the destination existed and the user kept it: nothing was written
    NotOpened,        // the source could not be opened as an Access database; no destination
    NotCreated,       // the destination could not be created; the source was not read
    NothingSalvaged,  // no table, query or relation came back; the destination was removed
  };
  std::string source;  // the source path as shown to the user
  // Where the destination is: its file, or the server and schema.
  std::filesystem::path destination;
  DestinationPlace place;  // where the run put it, in the destination kind's terms
  Status status = Status::Saved;
  // Every status but Saved and Kept: why, as the saving list, the end text and the log tell it
  // (cannotOpenText, nothingSalvagedText, the losses' summary, the stopped table).
  std::string problem;
  // What the destination took and did not take, each lost object by name.
  SavingTally tally;
  // What the reader passed over in the source.
  DamageReport damage;
};

struct SavingOutcome {
  SavingEnd end = SavingEnd::Quiet;
  WalkEnd lastFileEnd = WalkEnd::kFinished;  // how the saving of the last file saved ended
  bool savingAborted = false;                // the run ended on a confirmed stop
  std::filesystem::path subfolder;  // where the run's destinations are: its folder, the server
  std::vector<SavedFile> files;     // each file the run came to, in order
  // The kind of the run's destinations, which reads them back; null when it could not be opened.
  std::shared_ptr<const DestinationKind> destinations;
};

// The saving run: writes each source (Save All) or the preview's file (Save Current
// Database) into a new database in the "Repair_" subfolder of the chosen folder, asking
// through `hooks` before an existing destination is replaced, with the saving list through
// the run's hooks and its steps in `log` (may be null). The source files are only read.
SavingOutcome runSaving(const SavingRequest& request, RunState& run, SavingHooks& hooks,
                        const ActivityLog* log);

// The end dialog's result and the completion notice.
std::string_view viewLogResultText(bool savingAborted);
// Whether every file the run came to was saved whole, or kept by the user's choice.
bool savedEverything(const SavingOutcome& outcome);
// The end text of a run, the same on every front: the success text only when every file was
// saved, or kept while at least one other was saved; "Repairing aborted" and the stopped
// table after a stop; "Nothing was saved: ..." when every destination was kept; else
// "Repairing failed for N file(s):" and each such file with its losses.
std::string viewLogResultText(const SavingOutcome& outcome);
// The end of the run in the activity log, as the end dialog shows it, with every loss.
int logSavingEnd(const ActivityLog& log, const SavingOutcome& outcome);
// Save Current Database of one file among several: the notice at its end.
std::string completionNoticeText(const SavingOutcome& outcome);
std::string completionNoticeText(WalkEnd lastFileEnd);

// An end text for the windows, followed by the warning that the activity log could not be
// written, when it could not (once per run).
std::string withLogWarning(std::string endText, const ActivityLog& log);

inline constexpr std::string_view kEverythingKeptText =
    "Nothing was saved: every destination already existed and was kept";

}  // namespace vantrel
