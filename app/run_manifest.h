#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/saving_run.h"
#include "run/expected.h"

namespace vantrel {

// A run manifest is a file of JSON lines, one per source file as its saving ends, that the
// workers of a batch append to together (each line in one write, with O_APPEND, so lines
// from different workers never interleave) and that a restarted worker reads to do only what
// is left.

// What identifies a source's content: its size and SHA-256.
struct SourceIdentity {
  uint64_t size = 0;
  std::string sha256;
};

// The size and SHA-256 of a source file; why not when it cannot be read.
Expected<SourceIdentity, std::string> identifySource(const std::string& path);

// The fields of one line that a later run acts on.
struct ManifestRecord {
  std::string source;
  std::string sha256;  // empty: the source could not be read when the line was written
  SavedFile::Status outcome = SavedFile::Status::Saved;
};

// One file's line, without its newline: the source path as listed, its size and SHA-256 (null
// when unreadable), the outcome (savedFileStatusText), the tables and rows saved and lost,
// the destination, the problem, the damage summary and counts, the seconds the file took and
// the program's version.
std::string manifestLine(const std::string& source, const std::optional<SourceIdentity>& identity,
                         const SavedFile& file, double seconds);

// The record of a line; none for a line that is not one (torn by a killed worker, or not
// JSON).
std::optional<ManifestRecord> parseManifestLine(std::string_view line);

// The outcomes after which a file is not saved again on resume: its destination is whole, the
// user chose to keep the one there, or its bytes (which the SHA-256 pins) do not open or hold
// nothing, which a second try would only find again. Losses, stops and destinations not made
// may go otherwise another time.
bool outcomeIsFinal(SavedFile::Status outcome);

// What a manifest says is done: each source path with the SHA-256 of every content it has a
// final outcome for.
class ResumePoint {
 public:
  // A missing manifest is an empty one (a worker's first start); lines that are not records
  // are counted and passed over.
  static Expected<ResumePoint, std::string> read(const std::filesystem::path& manifest);

  // Whether the source is done: its path has a final outcome with the SHA-256 `sha256` gives
  // (asked only for such paths, since hashing a file reads it whole).
  bool done(const std::string& source,
            const std::function<std::optional<std::string>()>& sha256) const;
  size_t unreadableLines() const { return unreadableLines_; }

 private:
  std::map<std::string, std::set<std::string>> finished_;  // source -> SHA-256s
  size_t unreadableLines_ = 0;
};

// The sources of `sources` that `resume` does not hold as done, in order, and the count of
// those it does.
std::pair<std::vector<std::string>, size_t> sourcesLeft(std::span<const std::string> sources,
                                                        const ResumePoint& resume);

// Appends each file's line to the manifest as the file ends. Thread-safe: the run's jobs
// tell their files' ends from their own threads.
class ManifestWriter {
 public:
  // Opens (makes when missing) the manifest for appending; why not when it cannot be.
  static Expected<std::unique_ptr<ManifestWriter>, std::string> open(
      const std::filesystem::path& manifest, std::vector<std::string> sources);
  ~ManifestWriter();
  ManifestWriter(const ManifestWriter&) = delete;
  ManifestWriter& operator=(const ManifestWriter&) = delete;

  void fileStarted(int fileNumber);
  // Writes the file's line; a line that could not be written whole is counted.
  void fileEnded(int fileNumber, const SavedFile& file);
  // Why lines were lost, empty when none was: the run did not record every file.
  std::string failure() const;

 private:
  ManifestWriter(int descriptor, std::filesystem::path path, std::vector<std::string> sources);

  int descriptor_;
  std::filesystem::path path_;
  std::vector<std::string> sources_;  // as listed, by file number - 1
  mutable std::mutex mutex_;
  std::map<int, std::chrono::steady_clock::time_point> started_;
  size_t failedLines_ = 0;
  std::string lastError_;
};

}  // namespace vantrel
