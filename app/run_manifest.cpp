#include "app/run_manifest.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/damage_json.h"
#include "app/file_digest.h"
#include "app/saving_json.h"
#include "app/version.h"

namespace vantrel {
namespace {

constexpr SavedFile::Status kStatuses[] = {
    SavedFile::Status::Saved,          SavedFile::Status::SavedWithLosses,
    SavedFile::Status::Stopped,        SavedFile::Status::Kept,
    SavedFile::Status::NotOpened,      SavedFile::Status::NotCreated,
    SavedFile::Status::NothingSalvaged};

std::optional<SavedFile::Status> statusOfText(std::string_view text) {
  for (const SavedFile::Status status : kStatuses) {
    if (savedFileStatusText(status) == text) return status;
  }
  return std::nullopt;
}

// Paths are bytes; JSON text is UTF-8. A path that is not valid UTF-8 is written with its
// invalid bytes replaced, and looked up on resume in that same form.
template <typename Json>
std::string dumped(const Json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string asWritten(const std::string& path) {
  return nlohmann::json::parse(dumped(nlohmann::json(path))).get<std::string>();
}

// A line read a piece at a time, so that a manifest with a line of no end cannot take all
// memory: longer lines are passed over as unreadable.
constexpr size_t kMaxLineBytes = 1 << 20;

}  // namespace

Expected<SourceIdentity, std::string> identifySource(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return Unexpected(path + ": " + error.message());
  auto sha256 = fileSha256(path);
  if (!sha256) return Unexpected(sha256.error());
  return SourceIdentity{size, std::move(*sha256)};
}

std::string manifestLine(const std::string& source, const std::optional<SourceIdentity>& identity,
                         const SavedFile& file, double seconds) {
  int64_t tablesLost = 0;
  int64_t rowsLost = 0;
  for (const ObjectLoss& loss : file.tally.objects) {
    if (loss.kind == ObjectLoss::Kind::kTable && loss.missing) ++tablesLost;
    rowsLost += loss.rowsLost;
  }
  const nlohmann::json damage = damageJson(file.damage);
  const nlohmann::ordered_json line = {
      {"source", source},
      {"size", identity ? nlohmann::json(identity->size) : nlohmann::json()},
      {"sha256", identity ? nlohmann::json(identity->sha256) : nlohmann::json()},
      {"outcome", savedFileStatusText(file.status)},
      {"tables_saved", file.tally.savedTables},
      {"rows_saved", file.tally.savedRows},
      {"tables_lost", tablesLost},
      {"rows_lost", rowsLost},
      {"objects_lost", file.tally.objects.size()},
      {"destination", file.destination.string()},
      {"problem", file.problem},
      {"damage", {{"summary", damage.at("summary")}, {"counts", damage.at("counts")}}},
      {"seconds", std::round(seconds * 1000.0) / 1000.0},
      {"version", kVersion}};
  return dumped(line);
}

std::optional<ManifestRecord> parseManifestLine(std::string_view line) {
  const nlohmann::json value = nlohmann::json::parse(line, nullptr, false);
  if (value.is_discarded() || !value.is_object()) return std::nullopt;
  const auto source = value.find("source");
  const auto sha256 = value.find("sha256");
  const auto outcome = value.find("outcome");
  if (source == value.end() || !source->is_string() || outcome == value.end() ||
      !outcome->is_string() || sha256 == value.end() || !(sha256->is_string() || sha256->is_null()))
    return std::nullopt;
  const auto status = statusOfText(outcome->get<std::string>());
  if (!status) return std::nullopt;
  return ManifestRecord{source->get<std::string>(),
                        sha256->is_string() ? sha256->get<std::string>() : std::string(), *status};
}

bool outcomeIsFinal(SavedFile::Status outcome) {
  using Status = SavedFile::Status;
  return outcome == Status::Saved || outcome == Status::Kept || outcome == Status::NotOpened ||
         outcome == Status::NothingSalvaged;
}

Expected<ResumePoint, std::string> ResumePoint::read(const std::filesystem::path& manifest) {
  ResumePoint point;
  std::ifstream file(manifest, std::ios::binary);
  if (!file) {
    if (std::error_code error; !std::filesystem::exists(manifest, error) && !error) return point;
    return Unexpected(manifest.string() + ": " + std::strerror(errno));
  }
  std::string line;
  bool overlong = false;
  char c = 0;
  const auto endLine = [&] {
    if (overlong || line.empty()) {
      if (overlong) ++point.unreadableLines_;
    } else if (const auto record = parseManifestLine(line)) {
      if (outcomeIsFinal(record->outcome) && !record->sha256.empty())
        point.finished_[record->source].insert(record->sha256);
    } else {
      ++point.unreadableLines_;
    }
    line.clear();
    overlong = false;
  };
  while (file.get(c)) {
    if (c == '\n') {
      endLine();
    } else if (line.size() < kMaxLineBytes) {
      line += c;
    } else {
      overlong = true;
    }
  }
  if (file.bad()) return Unexpected(manifest.string() + ": the manifest could not be read");
  endLine();  // a last line without its newline: whole if it parses, torn if not
  return point;
}

bool ResumePoint::done(const std::string& source,
                       const std::function<std::optional<std::string>()>& sha256) const {
  const auto found = finished_.find(asWritten(source));
  if (found == finished_.end()) return false;
  const auto digest = sha256();
  return digest && found->second.contains(*digest);
}

std::pair<std::vector<std::string>, size_t> sourcesLeft(std::span<const std::string> sources,
                                                        const ResumePoint& resume) {
  std::vector<std::string> left;
  size_t done = 0;
  for (const std::string& source : sources) {
    const bool finished = resume.done(source, [&]() -> std::optional<std::string> {
      auto digest = fileSha256(source);
      return digest ? std::optional<std::string>(std::move(*digest)) : std::nullopt;
    });
    if (finished) {
      ++done;
    } else {
      left.push_back(source);
    }
  }
  return {std::move(left), done};
}

Expected<std::unique_ptr<ManifestWriter>, std::string> ManifestWriter::open(
    const std::filesystem::path& manifest, std::vector<std::string> sources) {
  const int descriptor = ::open(manifest.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor < 0) return Unexpected(manifest.string() + ": " + std::strerror(errno));
  // A line torn by a worker killed in the middle of its write is ended, so that the next line
  // is not joined to it.
  if (const off_t size = ::lseek(descriptor, 0, SEEK_END); size > 0) {
    char last = '\n';
    if (::pread(descriptor, &last, 1, size - 1) == 1 && last != '\n' &&
        ::write(descriptor, "\n", 1) != 1) {
      const std::string why = std::strerror(errno);
      ::close(descriptor);
      return Unexpected(manifest.string() + ": " + why);
    }
  }
  return std::unique_ptr<ManifestWriter>(
      new ManifestWriter(descriptor, manifest, std::move(sources)));
}

ManifestWriter::ManifestWriter(int descriptor, std::filesystem::path path,
                               std::vector<std::string> sources)
    : descriptor_(descriptor), path_(std::move(path)), sources_(std::move(sources)) {}

ManifestWriter::~ManifestWriter() {
  ::close(descriptor_);
}

void ManifestWriter::fileStarted(int fileNumber) {
  const std::lock_guard lock(mutex_);
  started_[fileNumber] = std::chrono::steady_clock::now();
}

void ManifestWriter::fileEnded(int fileNumber, const SavedFile& file) {
  const size_t index = static_cast<size_t>(fileNumber - 1);
  const std::string& source =
      fileNumber >= 1 && index < sources_.size() ? sources_[index] : file.source;
  double seconds = 0;
  {
    const std::lock_guard lock(mutex_);
    if (const auto found = started_.find(fileNumber); found != started_.end()) {
      seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - found->second).count();
      started_.erase(found);
    }
  }
  // Hashed after the saving, outside the lock: the jobs' files are hashed at the same time.
  const auto identity = identifySource(source);
  const std::string line =
      manifestLine(source, identity ? std::optional(*identity) : std::nullopt, file, seconds) +
      "\n";
  // One write() of the whole line: appends of other workers land before or after it, never
  // inside it.
  ssize_t written = -1;
  do {
    written = ::write(descriptor_, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(line.size())) return;
  const std::string why = written < 0 ? std::strerror(errno) : "the line was cut short";
  const std::lock_guard lock(mutex_);
  ++failedLines_;
  lastError_ = why;
}

std::string ManifestWriter::failure() const {
  const std::lock_guard lock(mutex_);
  if (failedLines_ == 0) return "";
  return path_.string() + ": " + std::to_string(failedLines_) +
         (failedLines_ == 1 ? " file's line" : " files' lines") + " could not be written (" +
         lastError_ + ")";
}

}  // namespace vantrel
