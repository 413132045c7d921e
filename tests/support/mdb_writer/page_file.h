#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace vantrel::mdbwriter {

// The database file being written: pages are numbered as they are allocated and written in
// any order, each as soon as it is complete, so that memory stays flat.
class PageFile {
 public:
  PageFile(const std::filesystem::path& path, int pageSize);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  int pageSize() const { return pageSize_; }
  int64_t pageCount() const { return pageCount_; }
  int64_t allocate() { return pageCount_++; }

  // Writes one whole page; throws std::runtime_error when the write fails.
  void write(int64_t page, std::span<const uint8_t> bytes);
  // Gives the file its full length (pages allocated but never written read as zeros) and
  // closes it.
  void finish();

 private:
  int fd_ = -1;
  int pageSize_;
  int64_t pageCount_ = 0;
};

}  // namespace vantrel::mdbwriter
