#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "reader/jet_format.h"
#include "reader/page_bytes.h"
#include "reader/text_decoding.h"

namespace vantrel {

class RunState;
struct PageCensus;

// The damaged file, opened read-only. Nothing in Vantrel ever writes to it.
class SourceFile {
 public:
  static std::optional<SourceFile> open(const std::filesystem::path& path);

  SourceFile(SourceFile&& other) noexcept;
  SourceFile& operator=(SourceFile&& other) noexcept;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  ~SourceFile();

  bool isOpen() const { return fd_ >= 0; }
  void close();
  const std::filesystem::path& path() const { return path_; }
  uint64_t size() const { return size_; }

  // Reads buffer.size() bytes at `offset`. Returns the count read: the whole buffer, or 0
  // for a short read, a read error or an offset at or beyond the end.
  size_t readAt(uint64_t offset, std::span<uint8_t> buffer) const;

 private:
  SourceFile(int fd, std::filesystem::path path, uint64_t size)
      : fd_(fd), path_(std::move(path)), size_(size) {}
  int fd_ = -1;
  std::filesystem::path path_;
  uint64_t size_ = 0;
};

using PageBuffer = std::array<uint8_t, kPageBufferSize>;

// One open damaged database and the two page buffers through which everything reads it.
class SourceDatabase {
 public:
  SourceDatabase(SourceFile file, RunState* run);

  int tableCount = 0;     // user tables handed on during the current catalog walk
  int queryCount = 0;     // saved queries listed during the current catalog walk
  int currentPage = 0;    // the page held in pageBuffer()
  int wideTextSeen = 0;   // a Jet 4 text value was stored uncompressed
  int recordCounter = 0;  // rows of the table being salvaged

  SourceFile& file() { return file_; }
  const SourceFile& file() const { return file_; }
  const JetFormat& format() const { return *format_; }
  // The header's version value (0 Jet 3, 1 Jet 4), as the layers above record it.
  int formatVersion() const { return format_->versionNumber(); }
  bool isJet4() const { return format_->isJet4(); }
  int pageSize() const { return format_->pageSize; }
  // Whole pages in the file: the bound for every walk over pages.
  int64_t pageCount() const;
  // Distinct pages read so far (a page read again counts once): how far the work has come
  // through the file, out of pageCount().
  int64_t pagesRead() const { return pagesRead_; }
  void notePageRead(int64_t n);
  RunState* run() const { return run_; }

  // Jet 3 text decoding, from the code page in the header (Windows-1252 when unknown).
  const CodePageDecoder& codePageDecoder() const { return codePageDecoder_; }
  // Decodes a stored text of this database's version to UTF-8.
  std::string decodeText(std::span<const uint8_t> bytes) const;

  PageBuffer& pageBuffer() { return buffers_[current_]; }
  const PageBuffer& pageBuffer() const { return buffers_[current_]; }
  PageBuffer& altPageBuffer() { return buffers_[1 - current_]; }
  const PageBuffer& altPageBuffer() const { return buffers_[1 - current_]; }
  // The page data of each buffer: its first pageSize() bytes.
  std::span<const uint8_t> page() const { return std::span(pageBuffer()).first(pageSize()); }
  std::span<const uint8_t> altPage() const { return std::span(altPageBuffer()).first(pageSize()); }

  // Little-endian readers on pageBuffer(); a position outside the page reads as -1.
  int byteAt(int64_t pos) const;
  int u16At(int64_t pos) const;
  int u24At(int64_t pos) const;  // needs four bytes inside the page, like u32At
  int64_t u32At(int64_t pos) const;

  // Format facts that the open decides.
  void setFormat(JetVersion version);
  void setCodePage(int codePage);

 private:
  SourceFile file_;
  const JetFormat* format_ = &kJet3PageFormat;
  RunState* run_ = nullptr;
  std::array<PageBuffer, 2> buffers_{};
  int current_ = 0;
  std::vector<bool> pagesSeen_;
  int64_t pagesRead_ = 0;
  CodePageDecoder codePageDecoder_{1252};
  std::shared_ptr<const PageCensus> census_;  // taken when first needed

  friend void swapPageBuffers(SourceDatabase& db);
  friend const PageCensus& pageCensus(SourceDatabase& db);
};

// Why a file cannot be opened as a Jet 3 or Jet 4 database.
enum class OpenFailure {
  kMissing,       // no such file
  kFolder,        // a folder, not a file
  kNotAFile,      // a device, a pipe or the like
  kEmpty,         // no bytes at all
  kNoPermission,  // the file may not be read
  kTooShort,      // shorter than one page
  kNewerAccess,   // an Access 2007 or later database (.accdb), which is not Jet 3 or Jet 4
  kReadError,     // the system could not read it
};

// Opens a file read-only and decides its version (by the header, or by pages 2 and 4 when
// the version field is damaged). None when the file cannot be opened or page 0 not read;
// `failure`, when given, then tells why. `run`, when given, receives the format version and
// is asked at every row.
std::unique_ptr<SourceDatabase> openSourceDatabase(const std::filesystem::path& path,
                                                   RunState* run = nullptr,
                                                   OpenFailure* failure = nullptr);

// Closes the file while the preview loads one object; otherwise the database stays open for
// the preview, as after an analysis. Returns whether it was closed.
bool closeSourceDatabase(SourceDatabase& db);

// Reads page n into a buffer. Returns the bytes read (a whole page) or 0.
size_t readPage(SourceDatabase& db, PageBuffer& buffer, int64_t n);

// Makes page n current in pageBuffer(). Page 0, and any page other than the current one,
// is read again. Returns the bytes read; a page already current counts as a whole page.
size_t loadPage(SourceDatabase& db, int64_t n);

// Reads page n into altPageBuffer(); the current page does not change.
size_t readAltPage(SourceDatabase& db, int64_t n);

void swapPageBuffers(SourceDatabase& db);

}  // namespace vantrel
