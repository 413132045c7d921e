#include "app/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "jetsql/wide_text.h"

namespace vantrel {
namespace {

std::filesystem::path randomName(const std::filesystem::path& folder) {
  static thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<unsigned> number(0, 0x7FFFFFFF);
  return folder / (std::to_string(number(random)) + ".txt");
}

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

ReportFile::ReportFile(std::filesystem::path folder) : folder_(std::move(folder)) {}

ReportFile::~ReportFile() {
  remove();
}

void ReportFile::remove() {
  if (!path_) return;
  std::error_code ignored;
  std::filesystem::remove(*path_, ignored);
  path_.reset();
}

bool ReportFile::show(std::string_view text) {
  remove();
  std::string bytes;
  for (const char16_t unit : toWide(text)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  // Each file is created new and exclusively: a name that is taken, by another run or by
  // anything else, is never written to or later deleted.
  for (int tries = 0; tries < 100; ++tries) {
    const std::filesystem::path name = randomName(folder_);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    path_ = name;
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
  }
  return false;
}

}  // namespace vantrel
