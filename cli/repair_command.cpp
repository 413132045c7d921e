#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/log_texts.h"
#include "app/progress_events.h"
#include "app/run_manifest.h"
#include "app/saving_json.h"
#include "app/saving_run.h"
#include "app/work_list.h"
#include "app/worker_files.h"
#include "app/workflow_log.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/terminal.h"
#include "cli/word_options.h"

namespace vantrel::cli {

namespace {

enum class OverwriteMode { Ask, Yes, No };
enum class ProgressMode { Line, Json };

struct RepairOptions {
  std::vector<std::string> files;
  std::string out;
  std::string to;  // a PostgreSQL server instead of a folder
  bool oneSchema = false;
  bool schemaPerFile = false;  // the default; kept for the scripts that still ask for it
  int connectTimeout = 10;     // seconds a server may take to answer a new connection
  bool json = false;           // the run's outcome as one line of JSON, in place of the list
  std::optional<OverwriteMode> overwrite;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string filesFrom;  // a work list; "-": standard input
  bool nulSeparated = false;
  std::string shard;     // "K/N" or "auto"; empty: every file
  std::string manifest;  // appended to; empty: the resume manifest, if any
  std::string resume;
  ProgressMode progress = ProgressMode::Line;
};

// What a batch worker does besides saving: the manifest it appends to and the progress events
// it writes on standard error.
struct BatchFollowers {
  std::unique_ptr<ManifestWriter> manifest;
  std::unique_ptr<ProgressEvents> events;
};

// The saving run on a terminal or in a pipe: saving-list lines on standard output, progress
// and questions on standard error, answers from standard input. Every stop request comes
// from Ctrl-C and is meant, so it is confirmed without a question.
class RepairHooks : public RunHooks, public SavingHooks {
 public:
  RepairHooks(OverwriteMode mode, Verbosity verbosity, BatchFollowers& batch)
      : mode_(mode), quiet_(verbosity == Verbosity::Quiet), batch_(batch) {}

  bool confirmStop(RunPhase) override { return true; }
  void appendSavingListLine(int, std::string_view text) override {
    if (quiet_) return;
    progress_.clear();
    std::cout << text << "\n" << std::flush;
  }
  void reportProgress(const RunProgress& progress) override {
    if (batch_.events) {
      batch_.events->progress(progress);
    } else if (!quiet_) {
      progress_.show(progress);
    }
  }
  void showRunningFiles(std::span<const RunProgress> running) override {
    if (batch_.events) {
      for (const RunProgress& file : running)
        batch_.events->progress(file);
    } else if (!quiet_) {
      progress_.show(running);
    }
  }
  void fileStarted(int fileNumber, const std::string& source) override {
    if (batch_.manifest) batch_.manifest->fileStarted(fileNumber);
    if (batch_.events) batch_.events->fileStarted(fileNumber, source);
  }
  void fileEnded(int fileNumber, const SavedFile& file) override {
    if (batch_.manifest) batch_.manifest->fileEnded(fileNumber, file);
    if (batch_.events) batch_.events->fileEnded(fileNumber, file);
  }

  OverwriteAnswer askOverwrite(const std::filesystem::path& destination) override {
    if (mode_ != OverwriteMode::Ask) {
      return mode_ == OverwriteMode::Yes ? OverwriteAnswer::Yes : OverwriteAnswer::No;
    }
    static const std::map<std::string, OverwriteAnswer> kAnswers{
        {"y", OverwriteAnswer::Yes},      {"yes", OverwriteAnswer::Yes},
        {"n", OverwriteAnswer::No},       {"no", OverwriteAnswer::No},
        {"a", OverwriteAnswer::YesToAll}, {"yes to all", OverwriteAnswer::YesToAll},
        {"o", OverwriteAnswer::NoToAll},  {"no to all", OverwriteAnswer::NoToAll}};
    const auto answer = ask(std::string(kOverwriteAllQuestion) + " " + destination.string() +
                                "\n[y] Yes  [n] No  [a] Yes To All  [o] No To All: ",
                            kAnswers);
    return answer.value_or(OverwriteAnswer::No);
  }

  bool confirmOverwrite(const std::filesystem::path& destination) override {
    if (mode_ != OverwriteMode::Ask) return mode_ == OverwriteMode::Yes;
    static const std::map<std::string, bool> kAnswers{
        {"y", true}, {"yes", true}, {"n", false}, {"no", false}};
    return ask(std::string(kOverwriteFileQuestion) + " " + destination.string() + "\n[y/n]: ",
               kAnswers)
        .value_or(false);
  }

  // A table or query of a PostgreSQL schema that an earlier file or run saved: whether it
  // is replaced. Files saved at the same time ask one after another.
  bool replaceExisting(std::string_view what) {
    const std::lock_guard lock(replaceMutex_);
    if (!replaceAll_) {
      const OverwriteAnswer answer = askOverwrite(std::string(what) + " in the PostgreSQL schema");
      if (answer == OverwriteAnswer::YesToAll || answer == OverwriteAnswer::NoToAll)
        replaceAll_ = answer == OverwriteAnswer::YesToAll;
      return answer == OverwriteAnswer::Yes || answer == OverwriteAnswer::YesToAll;
    }
    return *replaceAll_;
  }

 private:
  // Asks until one of the answers is given; none at the end of input or on Ctrl-C.
  template <typename Answer>
  std::optional<Answer> ask(const std::string& question,
                            const std::map<std::string, Answer>& answers) {
    progress_.clear();
    for (;;) {
      std::cerr << question << std::flush;
      const auto line = readAnswerLine();
      if (!line) {
        std::cerr << "\n";
        return std::nullopt;
      }
      std::string key;
      for (const char c : *line)
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
      const auto found = answers.find(key);
      if (found != answers.end()) return found->second;
    }
  }

  OverwriteMode mode_;
  bool quiet_;
  BatchFollowers& batch_;
  ProgressLine progress_;
  std::mutex replaceMutex_;
  std::optional<bool> replaceAll_;
};

// What the run ended with and where its results went, on standard output.
void printEnd(const SavingOutcome& outcome, const ActivityLog& log) {
  std::cout << viewLogResultText(outcome) << "\n";
  if (outcome.destinations && !outcome.destinations->capabilities().filePerSource) {
    std::vector<std::string> written;
    for (const SavedFile& file : outcome.files) {
      if (file.status == SavedFile::Status::Saved ||
          file.status == SavedFile::Status::SavedWithLosses ||
          file.status == SavedFile::Status::Stopped)
        written.push_back(file.destination.string());
    }
    if (const std::string summary = outcome.destinations->summary(written); !summary.empty())
      std::cout << "Destination: " << summary << "\n";
  } else if (std::error_code error; std::filesystem::exists(outcome.subfolder, error)) {
    std::cout << "Destination folder: " << outcome.subfolder.string() << "\n";
  }
  // A log that could not be written is warned about instead, on standard error.
  if (!log.writeFailure()) std::cout << "Activity log: " << log.path().string() << "\n";
}

std::optional<std::string> environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// The files this worker saves, each with its destination name, or why the command cannot be
// carried out.
Expected<WorkerFiles, std::string> chosenFiles(const RepairOptions& options) {
  std::vector<std::string> paths = options.files;
  if (!options.filesFrom.empty()) {
    std::ifstream file;
    if (options.filesFrom != "-") {
      file.open(options.filesFrom, std::ios::binary);
      if (!file) return Unexpected("--files-from: " + options.filesFrom + " cannot be read");
    }
    auto listed = readWorkList(options.filesFrom == "-" ? std::cin : file,
                               options.nulSeparated ? ListSeparator::Nul : ListSeparator::Line);
    if (!listed) return Unexpected("--files-from: " + listed.error());
    paths.insert(paths.end(), listed->begin(), listed->end());
  }
  WorkerChoice choice;
  choice.batch = !options.filesFrom.empty() || !options.shard.empty() ||
                 !options.manifest.empty() || !options.resume.empty();
  if (!options.shard.empty()) {
    auto shard = options.shard == "auto" ? shardFromEnvironment(environmentVariable)
                                         : parseShard(options.shard);
    if (!shard) return Unexpected("--shard: " + shard.error());
    choice.shard = *shard;
  }
  std::optional<ResumePoint> resume;
  if (!options.resume.empty()) {
    auto read = ResumePoint::read(options.resume);
    if (!read) return Unexpected("--resume: " + read.error());
    resume = std::move(*read);
    choice.resume = &*resume;
  }
  return workerFiles(std::move(paths), choice);
}

int runRepair(const RepairOptions& options, Verbosity verbosity) {
  auto chosen = chosenFiles(options);
  if (!chosen) {
    std::cerr << "vantrel-cli: " << chosen.error() << "\n";
    return kExitUsage;
  }
  if (chosen->sources.empty()) {
    // A shard the list gives nothing, or a worker restarted after its last file: done.
    if (verbosity != Verbosity::Quiet) {
      std::cerr << "vantrel-cli: nothing to save"
                << (chosen->done > 0 ? ": every file was done already (" +
                                           std::to_string(chosen->done) + " in the manifest)"
                                     : std::string())
                << "\n";
    }
    // A list that names no file at all is a mistake; a part of one that is empty is not.
    return options.shard.empty() && options.resume.empty() ? kExitUsage : kExitOk;
  }
  if (chosen->done > 0)
    verboseNote(verbosity, std::to_string(chosen->done) + " files done already are passed over");
  BatchFollowers batch;
  if (const std::string& manifest = options.manifest.empty() ? options.resume : options.manifest;
      !manifest.empty()) {
    auto writer = ManifestWriter::open(manifest, chosen->sources);
    if (!writer) {
      std::cerr << "vantrel-cli: --manifest: " << writer.error() << "\n";
      return kExitUsage;
    }
    batch.manifest = std::move(*writer);
  }
  if (options.progress == ProgressMode::Json) {
    batch.events = std::make_unique<ProgressEvents>(static_cast<int>(chosen->sources.size()),
                                                    [](std::string_view line) {
                                                      std::cerr << line << "\n" << std::flush;
                                                    });
  }
  const OverwriteMode mode = options.overwrite.value_or(
      standardInputIsTerminal() && options.filesFrom != "-" ? OverwriteMode::Ask
                                                            : OverwriteMode::No);
  // The JSON line is all that standard output carries: the saving list stays in the log.
  RepairHooks hooks(mode, options.json ? Verbosity::Quiet : verbosity, batch);
  RunState run(hooks);
  InterruptGuard guard(run);
  const ActivityLog log = startActivityLog(chosen->sources);
  SavingRequest request;
  request.sourceFiles = chosen->sources;
  request.destinationNames = chosen->names;
  request.destination = options.to.empty() ? options.out : options.to;
  request.destinationOptions = {
      .schemaPerFile = !options.oneSchema,
      .replaceExisting = [&hooks](std::string_view what) { return hooks.replaceExisting(what); },
      .log = &log,
      .connectTimeoutSeconds = options.connectTimeout,
      .stop = &run.stopRequested};
  // The destinations are opened before the run, so that an address that serves none is a
  // mistake in the command.
  auto opened = destinationRegistry().open(request.destination, request.destinationOptions);
  if (opened && !options.to.empty() && (*opened)->capabilities().filePerSource)
    opened = Unexpected(std::string("the destination is no PostgreSQL URL or connection string"));
  if (!opened) {
    std::cerr << "vantrel-cli: " << (options.to.empty() ? "--out" : "--to") << ": "
              << opened.error() << "\n";
    return kExitUsage;
  }
  request.destinations = std::move(*opened);
  // One file is saved as the current database.
  request.saveAll = request.sourceFiles.size() != 1;
  request.jobs = options.jobs;
  verboseNote(verbosity, "saving " + std::to_string(request.sourceFiles.size()) + " files, up to " +
                             std::to_string(options.jobs) + " at a time");
  const SavingOutcome outcome = runSaving(request, run, hooks, &log);

  // The saving list told every loss as it came; standard error names each file that was not
  // saved whole (with JSON progress, its file_ended event did), and the end text is the
  // windows' and the service's.
  for (const SavedFile& file : batch.events ? std::span<const SavedFile>() : outcome.files) {
    using Status = SavedFile::Status;
    if (file.status == Status::Kept) {
      if (verbosity != Verbosity::Quiet)
        std::cerr << "vantrel-cli: kept the existing " << file.destination.string() << "\n";
    } else if (file.status != Status::Saved && !file.problem.empty()) {
      std::cerr << "vantrel-cli: " << file.problem << "\n";
    }
  }
  logSavingEnd(log, outcome);
  // Quiet: the exit status and the errors above tell the outcome.
  if (options.json) {
    std::cout << savingJson(outcome) << "\n";
  } else if (verbosity != Verbosity::Quiet) {
    printEnd(outcome, log);
  }
  if (const std::string warning = logWarningText(log); !warning.empty())
    std::cerr << "vantrel-cli: warning: " << warning << "\n";
  if (outcome.savingAborted || InterruptGuard::interrupted()) return kExitInterrupted;
  // A file the manifest does not record would be saved again by a resumed run: not a success.
  if (batch.manifest) {
    if (const std::string failure = batch.manifest->failure(); !failure.empty()) {
      std::cerr << "vantrel-cli: --manifest: " << failure << "\n";
      return kExitNotOpened;
    }
  }
  return savedEverything(outcome) ? kExitOk : kExitNotOpened;
}

}  // namespace

void addRepairCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity) {
  auto options = std::make_shared<RepairOptions>();
  CLI::App* repair = app.add_subcommand(
      "repair", "Save what can be salvaged of each database into DIR/Repair_H-M-S/NAME.sqlite");
  repair->add_option("FILE", options->files, "The .mdb and .accdb files");
  auto* filesFrom =
      repair
          ->add_option("--files-from", options->filesFrom,
                       "Also save the files LIST names, one path a line (\"-\": standard "
                       "input); a folder is refused (list its files with find DIR -name "
                       "'*.mdb')")
          ->type_name("LIST");
  repair
      ->add_flag("-0,--null", options->nulSeparated,
                 "The --files-from list's paths end with NUL, as find -print0 writes them")
      ->needs(filesFrom);
  repair
      ->add_option("--shard", options->shard,
                   "Save only shard K of N of the files (K from 1 to N), by a stable hash of "
                   "each path, so that N workers given the same list share it out; auto: K and "
                   "N from JOB_COMPLETION_INDEX and VANTREL_SHARD_COUNT (a Kubernetes indexed "
                   "Job) or SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT (a Slurm job array), "
                   "refused when neither is set")
      ->type_name("K/N|auto");
  repair
      ->add_option("--manifest", options->manifest,
                   "Append one JSON line per file as it ends to FILE: the source, its size and "
                   "SHA-256, the outcome, the tables and rows saved and lost, the destination, "
                   "the damage, the seconds taken; workers may share one")
      ->type_name("FILE");
  repair
      ->add_option("--resume", options->resume,
                   "Pass over each file that FILE (a manifest) holds with the same path and "
                   "SHA-256 as saved, kept, not opened or nothing salvaged, and append to FILE "
                   "unless --manifest names another; a missing FILE holds nothing")
      ->type_name("FILE");
  addWordOption(*repair, "--progress", options->progress,
                std::vector<std::pair<std::string, ProgressMode>>{{"line", ProgressMode::Line},
                                                                  {"json", ProgressMode::Json}},
                "Progress on standard error: line (the default), or json: one JSON line per "
                "event (file_started, table, pages_read, file_ended)");
  auto* out =
      repair->add_option("--out", options->out, "The folder to save into (made when missing)")
          ->type_name("DIR");
  auto* to = repair
                 ->add_option("--to", options->to,
                              "Save into PostgreSQL instead: postgresql://USER@HOST:PORT/DB, a "
                              "schema for each file named after it; the password comes from "
                              "PGPASSWORD, ~/.pgpass or a service file, never from here")
                 ->type_name("URL");
  out->excludes(to);
  auto* oneSchema =
      repair
          ->add_flag("--one-schema", options->oneSchema,
                     "With --to: every file into one schema named like the folder (repair_H_M_S) "
                     "instead of a schema for each file; a table or query whose name another "
                     "file of the run took is not saved, and that file is saved with losses")
          ->needs(to);
  repair
      ->add_flag("--schema-per-file", options->schemaPerFile,
                 "With --to: a schema for each file, named after it (the default)")
      ->needs(to)
      ->excludes(oneSchema);
  repair
      ->add_option("--connect-timeout", options->connectTimeout,
                   "With --to: the seconds a server may take to answer a new connection "
                   "(the default: 10)")
      ->check(CLI::Range(1, 3600))
      ->needs(to);
  addWordOption(
      *repair, "--overwrite", options->overwrite,
      std::vector<std::pair<std::string, OverwriteMode>>{
          {"ask", OverwriteMode::Ask}, {"yes", OverwriteMode::Yes}, {"no", OverwriteMode::No}},
      "An existing destination: ask (the default on a terminal), yes, or no (the "
      "default otherwise)");
  repair->add_flag("--json", options->json,
                   "Print the run's outcome as one line of JSON in place of the saving list: "
                   "each file's status, tables and rows saved, losses and damage found");
  repair
      ->add_option("--jobs", options->jobs,
                   "How many files are saved at the same time (the default: one per processor)")
      ->type_name("N")
      ->check(wholeNumberAtLeast(1));
  repair->callback([options, &exitCode, &verbosity] {
    if (options->out.empty() && options->to.empty()) throw CLI::RequiredError("--out or --to");
    if (options->files.empty() && options->filesFrom.empty())
      throw CLI::RequiredError("FILE or --files-from");
    exitCode = runRepair(*options, verbosity);
  });
}

}  // namespace vantrel::cli
