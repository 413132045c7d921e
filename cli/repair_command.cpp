#include <algorithm>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/log_texts.h"
#include "app/saving_run.h"
#include "app/workflow_log.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/postgres_run.h"
#include "cli/terminal.h"

namespace vantrel::cli {

namespace {

enum class OverwriteMode { Ask, Yes, No };

struct RepairOptions {
  std::vector<std::string> files;
  std::string out;
  std::string to;  // a PostgreSQL server instead of a folder
  bool schemaPerFile = false;
  int connectTimeout = 10;  // seconds a server may take to answer a new connection
  std::optional<OverwriteMode> overwrite;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
};

// The saving run on a terminal or in a pipe: saving-list lines on standard output, progress
// and questions on standard error, answers from standard input. Every stop request comes
// from Ctrl-C and is meant, so it is confirmed without a question.
class RepairHooks : public RunHooks, public SavingHooks {
 public:
  explicit RepairHooks(OverwriteMode mode) : mode_(mode) {}

  bool confirmStop(std::string_view) override { return true; }
  void appendSavingListLine(int, std::string_view text) override {
    progress_.clear();
    std::cout << text << "\n" << std::flush;
  }
  void addPreviewColumn(int, std::string_view) override {}
  void setPreviewCell(int, int, std::string_view) override {}
  void reportProgress(const RunProgress& progress) override { progress_.show(progress); }
  void showRunningFiles(std::span<const RunProgress> running) override { progress_.show(running); }

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
  ProgressLine progress_;
  std::mutex replaceMutex_;
  std::optional<bool> replaceAll_;
};

int runRepair(const RepairOptions& options) {
  const OverwriteMode mode = options.overwrite.value_or(
      standardInputIsTerminal() ? OverwriteMode::Ask : OverwriteMode::No);
  RepairHooks hooks(mode);
  RunState run(hooks);
  InterruptGuard guard(run);
  const ActivityLog log = startActivityLog(options.files);
  std::unique_ptr<PostgresRun> postgres;
  if (!options.to.empty()) {
    postgres = startPostgresRun(
        options.to, options.schemaPerFile,
        [&hooks](std::string_view what) { return hooks.replaceExisting(what); }, &log,
        {.timeoutSeconds = options.connectTimeout, .stop = &run.stopRequested});
    if (!postgres) return kExitUsage;
  }

  SavingRequest request;
  request.sourceFiles = options.files;
  request.folder = postgres ? postgres->workFolder() : std::filesystem::path(options.out);
  if (postgres) request.destinations = &postgres->destinations();
  request.saveAll = options.files.size() != 1;  // one file is saved as the current database
  request.jobs = options.jobs;
  const SavingOutcome outcome = runSaving(request, run, hooks, &log);

  int exitCode = kExitOk;
  for (const SavedFile& file : outcome.files) {
    using Status = SavedFile::Status;
    if (file.status == Status::NotOpened || file.status == Status::NothingSalvaged) {
      std::cerr << "vantrel-cli: " << file.problem << "\n";
      exitCode = kExitNotOpened;
    }
    if (file.status == Status::Saved && !file.problem.empty()) {
      std::cerr << "vantrel-cli: " << file.problem << "\n";
      exitCode = kExitNotOpened;
    }
    if (file.status == Status::NotCreated) {
      std::cerr << "vantrel-cli: "
                << (file.problem.empty() ? "cannot create " + file.destination.string()
                                         : file.problem)
                << "\n";
      exitCode = kExitNotOpened;
    }
    if (file.status == Status::Skipped) {
      std::cerr << "vantrel-cli: kept the existing " << file.destination.string() << "\n";
    }
  }
  if (outcome.end == SavingEnd::ViewLog) {
    logSavingEnd(log, outcome);
    std::cout << viewLogResultText(outcome) << "\n";
  }
  if (postgres) {
    if (const std::string written = postgres->describe(outcome); !written.empty())
      std::cout << "Destination: " << written << "\n";
  } else if (std::error_code error; std::filesystem::exists(outcome.subfolder, error)) {
    std::cout << "Destination folder: " << outcome.subfolder.string() << "\n";
  }
  std::cout << "Activity log: " << log.path().string() << "\n";
  if (outcome.savingAborted || InterruptGuard::interrupted()) return kExitInterrupted;
  return exitCode;
}

}  // namespace

void addRepairCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<RepairOptions>();
  CLI::App* repair = app.add_subcommand(
      "repair", "Save what can be salvaged of each database into DIR/Repair_H-M-S/NAME.sqlite");
  repair->add_option("FILE", options->files, "The .mdb files")->required();
  auto* out =
      repair->add_option("--out", options->out, "The folder to save into (made when missing)");
  auto* to = repair->add_option(
      "--to", options->to,
      "Save into PostgreSQL instead: postgresql://USER@HOST:PORT/DB, one schema per run named "
      "like the folder (repair_H_M_S); the password comes from PGPASSWORD, ~/.pgpass or a "
      "service file, never from here");
  out->excludes(to);
  repair
      ->add_flag("--schema-per-file", options->schemaPerFile,
                 "With --to: a schema for each file, named after it")
      ->needs(to);
  repair
      ->add_option("--connect-timeout", options->connectTimeout,
                   "With --to: the seconds a server may take to answer a new connection "
                   "(the default: 10)")
      ->check(CLI::Range(1, 3600))
      ->needs(to);
  repair
      ->add_option("--overwrite", options->overwrite,
                   "An existing destination: ask (the default on a terminal), yes, or no (the "
                   "default otherwise)")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, OverwriteMode>{
              {"ask", OverwriteMode::Ask}, {"yes", OverwriteMode::Yes}, {"no", OverwriteMode::No}},
          CLI::ignore_case));
  repair
      ->add_option("--jobs", options->jobs,
                   "How many files are saved at the same time (the default: one per processor)")
      ->check(CLI::PositiveNumber);
  repair->callback([options, &exitCode] {
    if (options->out.empty() && options->to.empty()) throw CLI::RequiredError("--out or --to");
    exitCode = runRepair(*options);
  });
}

}  // namespace vantrel::cli
