#include "app/activity_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <system_error>

#include "reader/text_decoding.h"

namespace vantrel {
namespace {

// Every append in the process goes through this lock; the file lock below keeps other
// processes' appends apart too.
std::mutex& appendMutex() {
  static std::mutex mutex;
  return mutex;
}

bool isWritableFolder(const std::string& folder) {
  std::error_code error;
  return !folder.empty() && std::filesystem::is_directory(folder, error) &&
         ::access(folder.c_str(), W_OK) == 0;
}

// Length of the valid UTF-8 sequence at `i`, or 0.
size_t validSequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  char32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, codePoint = lead & 0x1F;
  if (lead >= 0xE0 && lead <= 0xEF) length = 3, codePoint = lead & 0x0F;
  if (lead >= 0xF0 && lead <= 0xF4) length = 4, codePoint = lead & 0x07;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
  }
  const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  return overlong || surrogate || codePoint > 0x10FFFF ? 0 : length;
}

// The text with each byte that starts no valid UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = validSequenceLength(text, i);
    if (length == 0) {
      appendUtf8(valid, 0xFFFD);
      ++i;
    } else {
      valid.append(text.substr(i, length));
      i += length;
    }
  }
  return valid;
}

// The texts keep the "\r\n" line breaks of the log's format; the file has Linux's "\n".
std::string withPlatformLineEnds(std::string text) {
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
  return text;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

struct ActivityLog::Failure {
  std::mutex mutex;
  std::optional<std::string> reason;
};

ActivityLog::ActivityLog(std::filesystem::path file)
    : path_(std::move(file)), failure_(std::make_shared<Failure>()) {}

void ActivityLog::noteFailure(int error) const {
  std::lock_guard lock(failure_->mutex);
  if (!failure_->reason)
    failure_->reason = std::error_code(error, std::generic_category()).message();
}

std::optional<std::string> ActivityLog::writeFailure() const {
  std::lock_guard lock(failure_->mutex);
  return failure_->reason;
}

std::string logWarningText(const ActivityLog& log) {
  const auto failure = log.writeFailure();
  if (!failure) return "";
  return "The activity log " + log.path().string() + " could not be written (" + *failure +
         "): the steps of this run are missing from it";
}

ActivityLog ActivityLog::atConfiguredLocation(const Configuration& configuration,
                                              const EnvironmentLookup& environment) {
  std::filesystem::path folder = stateFolder(environment);
  if (isWritableFolder(configuration.filePath)) folder = configuration.filePath;
  if (isWritableFolder(configuration.logPath)) folder = configuration.logPath;
  ActivityLog log(folder / kFileName);
  log.trimBetweenRuns();
  return log;
}

int ActivityLog::appendLogLine(std::string_view text) const {
  const std::string bytes = withPlatformLineEnds(validUtf8(text));
  std::lock_guard lock(appendMutex());
  std::error_code ignored;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ignored);
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    noteFailure(errno);
    return 0;
  }
  ::flock(fd, LOCK_EX);
  const bool written = writeAll(fd, bytes);
  const int error = errno;
  ::close(fd);  // also releases the file lock
  if (!written) noteFailure(error != 0 ? error : EIO);
  return written ? 1 : 0;
}

void ActivityLog::trimBetweenRuns() const {
  std::lock_guard lock(appendMutex());
  const int fd = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  if (fd < 0) return;
  ::flock(fd, LOCK_EX);
  struct stat status {};
  if (::fstat(fd, &status) == 0 && static_cast<std::uintmax_t>(status.st_size) > kSizeLimit) {
    // A failure leaves the log as it was: it still takes the run's texts.
    (void)::ftruncate(fd, 0);
  }
  ::close(fd);
}

int ActivityLog::clear() const {
  {
    std::lock_guard lock(appendMutex());
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  return appendLogLine("\r\n");
}

}  // namespace vantrel
