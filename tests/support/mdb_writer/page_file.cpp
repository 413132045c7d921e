#include "tests/support/mdb_writer/page_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vantrel::mdbwriter {

namespace {

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PageFile::PageFile(const std::filesystem::path& path, int pageSize) : pageSize_(pageSize) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) fail("cannot create " + path.string());
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

void PageFile::write(int64_t page, std::span<const uint8_t> bytes) {
  if (page < 0 || page >= pageCount_ || bytes.size() != static_cast<size_t>(pageSize_)) {
    throw std::logic_error("page " + std::to_string(page) + " was not allocated whole");
  }
  const off_t offset = static_cast<off_t>(page) * pageSize_;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd_, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write page " + std::to_string(page));
    }
    done += static_cast<size_t>(n);
  }
}

void PageFile::finish() {
  if (fd_ < 0) return;
  if (::ftruncate(fd_, static_cast<off_t>(pageCount_) * pageSize_) != 0) fail("cannot size file");
  if (::close(fd_) != 0) {
    fd_ = -1;
    fail("cannot close file");
  }
  fd_ = -1;
}

}  // namespace vantrel::mdbwriter
