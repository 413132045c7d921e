#include "cli/help_text.h"

#include "cli/commands.h"

namespace vantrel::cli {

namespace {

constexpr const char* kEnvironment = R"(Environment:
  VANTREL_LOG_PATH    The activity log's folder; wins over LogPath= in the configuration
  VANTREL_FILE_PATH   The application folder; wins over FilePath= in the configuration
  XDG_CONFIG_HOME     Where Vantrel/VantrelDB.conf is read from (default: ~/.config)
  XDG_STATE_HOME      Where Vantrel/Activity Log.txt goes when neither LogPath nor FilePath is a
                      folder that can be written to (default: ~/.local/state)
  HOME                The base of both defaults
  VANTREL_PASSWORD    The password of encrypted .accdb files, when --password-file gives none
  PGPASSWORD, PGPASSFILE, PGSERVICE, PGSERVICEFILE
                      With repair --to: where libpq finds the password and the connection's
                      other settings (see libpq's documentation for the rest of its variables)
  JOB_COMPLETION_INDEX, VANTREL_SHARD_COUNT
                      With repair --shard auto: this worker's index from 0 (a Kubernetes indexed
                      Job sets it) and the number of shards (the Job's completions)
  SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_COUNT, SLURM_ARRAY_TASK_MIN, SLURM_ARRAY_TASK_STEP
                      With repair --shard auto: this task of a Slurm job array and the array's
                      size, first ID and step
  LC_ALL, LC_MONETARY
                      The currency symbol the table verb shows before currency values

)";

constexpr const char* kFiles = R"(Files:
  ~/.config/Vantrel/VantrelDB.conf
                      Read only: FilePath= (the application folder) and LogPath= (the activity
                      log's folder), one key a line
  ~/.local/state/Vantrel/Activity Log.txt
                      The activity log of every analyze and repair, when LogPath and FilePath
                      name no folder that can be written to; emptied once above 5,242,880 bytes

)";

constexpr const char* kExamples = R"(Examples:
What a damaged file still holds, and the same as JSON, one object a line
  $ vantrel-cli analyze damaged.mdb
  $ vantrel-cli analyze --json *.mdb

Save what can be salvaged into repaired/Repair_H-M-S/NAME.sqlite, two files at a time
  $ vantrel-cli repair --out repaired --jobs 2 a.mdb b.mdb

The same into PostgreSQL, the password from ~/.pgpass
  $ vantrel-cli repair --to postgresql://me@db.example/archive a.mdb

Worker 2 of 4 of a batch over a share: its part of the list, a shared manifest to resume from
  $ find /share -name '*.mdb' -print0 > list
  $ vantrel-cli repair --to postgresql://me@db.example/archive --files-from list -0 \
      --shard 2/4 --resume /share/run.jsonl --progress json

The first ten rows of one table as JSON with typed values, dates in ISO form
  $ vantrel-cli table --format json --limit 10 damaged.mdb Customers

The pictures and files of one table's OLE Object fields, into the folder pictures/
  $ vantrel-cli ole --out pictures damaged.mdb Employees

One saved query's SQL, and the SQLite view a repair makes of it
  $ vantrel-cli query --sql damaged.mdb "Top Products"
  $ vantrel-cli query --sqlite damaged.mdb "Top Products"
)";

std::string exitStatusSection(bool forManualPage) {
  const auto line = [](int status, const char* meaning) {
    std::string code = std::to_string(status);
    return "  " + code + std::string(20 - code.size(), ' ') + meaning + "\n";
  };
  return std::string(forManualPage ? "*Exit status*\n" : "Exit status:\n") +
         line(kExitOk, "Every file opened (and, for repair, something of it was saved)") +
         line(kExitNotOpened,
              "A file could not be opened, nothing of it could be salvaged, or a destination "
              "could not be created") +
         line(kExitUsage, "A usage error, or no table, query or relation of the name given") +
         line(kExitInterrupted, "Stopped with Ctrl-C") + "\n";
}

}  // namespace

HelpFormatter::HelpFormatter() {
  label("SUBCOMMAND", "VERB");
  label("Subcommands", "Verbs");
  label("Positionals", "Arguments");
}

std::string HelpFormatter::make_expanded(const CLI::App* verb) const {
  std::string usage = make_usage(verb, verb->get_parent()->get_name() + " " + verb->get_name());
  usage = usage.substr(usage.find(':') + 2);
  while (!usage.empty() && usage.back() == '\n')
    usage.pop_back();
  // The blank line ends the description's paragraph for help2man.
  std::string text = usage + ":\n  " + verb->get_description() + "\n\n";
  for (const CLI::Option* option : verb->get_options()) {
    if (option == verb->get_help_ptr() || option == verb->get_help_all_ptr()) continue;
    text += make_option(option, option->get_positional());
  }
  return text + "\n";
}

std::string HelpFormatter::make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const {
  if (mode != CLI::AppFormatMode::All) return CLI::Formatter::make_subcommands(app, mode);
  std::string text = "\n";
  for (const CLI::App* verb : app->get_subcommands({}))
    text += make_expanded(verb);
  return text;
}

std::string closingHelpSections(bool forManualPage) {
  return std::string(kEnvironment) + kFiles + exitStatusSection(forManualPage) + kExamples;
}

}  // namespace vantrel::cli
