#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// How far a run has come, for a progress display: which file of how many, the table being
// read, and the distinct pages of the file read so far out of its page count.
struct RunProgress {
  int fileNumber = 0;  // 1-based; 0 before the first file
  int fileCount = 0;
  std::string sourcePath;
  std::string table;  // empty before the file's first table
  int64_t pagesRead = 0;
  int64_t pageCount = 0;
  int64_t rowsRead = 0;  // rows the reader has come to in this file
};

}  // namespace vantrel
