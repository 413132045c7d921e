#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "reader/database_header.h"
#include "reader/jet_format.h"
#include "reader/page_bytes.h"
#include "reader/page_source.h"
#include "reader/text_decoding.h"
#include "run/damage_sink.h"
#include "run/expected.h"

namespace vantrel {

class RunState;
struct PageCensus;
struct ObjectPropertyBytes;

// Which long-value rows the values being read may reach. A long-value row holds the bytes of
// one value only, and a long-value page those of one table: a value that reaches a row another
// value of the same walk over a table reached, or a page another table's values use, is
// damage, and is cut there. So no file can make one stored chain count for many values: a walk
// writes each long-value row once at most. Each walk keeps its rows in its own cursor (one bit
// a row, 16 MB at most for a file of 2 GB), so a table read again finds its values whole.
class LongValueClaims {
 public:
  // The walk whose values claim rows from here on: its bitmap and its table's definition page.
  void claimFor(std::vector<uint64_t>* rows, int64_t table) {
    rows_ = rows;
    table_ = table;
  }
  // Claims long-value row `row` of `page` for the current walk; false when it may not have it.
  bool claim(int64_t page, int row);
  // Values cut because a row they reached belonged to another value.
  int64_t cutValues() const { return cutValues_; }
  void noteCut() { ++cutValues_; }

 private:
  std::vector<uint64_t>* rows_ = nullptr;
  int64_t table_ = -1;
  std::vector<int32_t> pageTables_;  // per page: 1 + the definition page of its table, 0 none
  int64_t cutValues_ = 0;
};

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

// One open damaged database. Its pages are read through views (see PageSource): nothing
// is shared between readers but the cache, so each part of the reader holds the pages it
// works on for as long as it needs them.
class SourceDatabase {
 public:
  SourceDatabase(SourceFile file, RunState* run);
  SourceDatabase(const SourceDatabase&) = delete;
  SourceDatabase& operator=(const SourceDatabase&) = delete;

  int tableCount = 0;  // user tables handed on during the current catalog walk
  int queryCount = 0;  // saved queries listed during the current catalog walk
  // The property block (as stored) of the table whose catalog row the walk handed on last, so
  // that its salvage need not read the catalog again for it.
  struct WalkedProperties {
    int64_t tdefPage = -1;
    std::vector<uint8_t> bytes;
  };
  WalkedProperties walkedProperties;
  int wideTextSeen = 0;  // a Jet 4 text value was stored uncompressed

  SourceFile& file() { return file_; }
  const SourceFile& file() const { return file_; }
  const JetFormat& format() const { return *format_; }
  // The header's version value (0 Jet 3, 1 Jet 4), as the layers above record it.
  int formatVersion() const { return format_->versionNumber(); }
  // Jet 4 also for Access 2007 and later files (.accdb), whose pages are laid out the same.
  bool isJet4() const { return format_->isJet4(); }
  // The header's version byte of an Access 2007 or later file (2 Access 2007, 3 Access 2010,
  // 5 Access 2016, 6 Access 2019); 0 for a Jet 3 or Jet 4 file.
  int aceVersion() const { return aceVersion_; }
  bool isAce() const { return aceVersion_ > 0; }
  int pageSize() const { return format_->pageSize; }
  // Whole pages in the file: the bound for every walk over pages.
  int64_t pageCount() const { return pages_.pageCount(); }
  // Distinct pages read so far (a page read again counts once): how far the work has come
  // through the file, out of pageCount().
  int64_t pagesRead() const { return pages_.pagesRead(); }
  RunState* run() const { return run_; }

  // Page n; an empty view when it cannot be read. A page inside the file that cannot be
  // read is told to the damage sink.
  PageView page(int64_t n);

  // The first buffer.size() bytes of page n, decoded, read past the cache (see
  // PageSource::readStart): for scans over every page.
  size_t readPageStart(int64_t n, std::span<uint8_t> buffer) const {
    return pages_.readStart(n, buffer);
  }

  // Where the damage the reader passes over is told; null for nowhere. The workflow sets it
  // for the walks whose damage it reports.
  void setDamageSink(DamageSink* sink) { damage_ = sink; }
  DamageSink* damageSink() const { return damage_; }
  void noteDamage(DamageKind kind, int64_t page, std::optional<int> row = std::nullopt,
                  std::string_view table = {});

  LongValueClaims& longValues() { return longValues_; }

  // The database password the header holds (none when it holds none); never needed here.
  const std::optional<DatabasePassword>& databasePassword() const { return password_; }
  // How the pages are stored: encoded ones are decoded as they are read.
  const PageCoding& pageCoding() const { return coding_; }

  // Jet 3 text decoding, from the code page in the header (Windows-1252 when unknown).
  const CodePageDecoder& codePageDecoder() const { return codePageDecoder_; }
  // Decodes a stored text of this database's version to UTF-8.
  std::string decodeText(std::span<const uint8_t> bytes) const;
  // The same for a stored name, whole: a NUL inside a name is one of its characters, so two
  // names that differ after it stay two names.
  std::string decodeName(std::span<const uint8_t> bytes) const;

  // Format facts that the open decides.
  void setFormat(JetVersion version);
  void setAceVersion(int version) { aceVersion_ = version; }
  void setCodePage(int codePage);
  void setPageCoding(PageCoding coding);
  void setDatabasePassword(std::optional<DatabasePassword> password) {
    password_ = std::move(password);
  }
  // Closes the file; no page can be read afterwards.
  void close();

 private:
  SourceFile file_;
  const JetFormat* format_ = &kJet3PageFormat;
  int aceVersion_ = 0;
  RunState* run_ = nullptr;
  PageCoding coding_;
  PageSource pages_;
  std::optional<DatabasePassword> password_;
  CodePageDecoder codePageDecoder_{1252};
  LongValueClaims longValues_;
  DamageSink* damage_ = nullptr;
  std::shared_ptr<const PageCensus> census_;     // taken when first needed
  std::shared_ptr<const PageCensus> cutCensus_;  // one a stop cut short, taken again since
  std::shared_ptr<const ObjectPropertyBytes> propertyBytes_;  // read when first needed

  friend const PageCensus& pageCensus(SourceDatabase& db);
  friend const ObjectPropertyBytes& objectPropertyBytes(SourceDatabase& db);
};

// Why a file cannot be opened as an Access database.
enum class OpenFailure {
  kMissing,            // no such file
  kFolder,             // a folder, not a file
  kNotAFile,           // a device, a pipe or the like
  kEmpty,              // no bytes at all
  kNoPermission,       // the file may not be read
  kTooShort,           // shorter than one page
  kEncrypted,          // an Access 2007 or later database encrypted with a password, and no
                       // password given for it: its pages hold nothing readable without one
  kWrongPassword,      // the password given does not unlock the file
  kEncryptionDamaged,  // the header's encryption description cannot be read: no password can
                       // decrypt the pages without it
  kEncryptionUnknown,  // an encryption no Access file is known to use, or a cipher libcrypto
                       // does not give
  kReadError,          // the system could not read it
};

// Opens a file read-only and decides its version (by the header, or by pages 2 and 4 when
// the version field is damaged). Access 2007 and later files open as the Jet 4 they build on;
// an encrypted one is decrypted with the password given for it (see source_passwords.h). When
// the file cannot be opened or page 0 not read, the failure tells why. `run`, when given, receives
// the format version and is asked at every row.
Expected<std::unique_ptr<SourceDatabase>, OpenFailure> tryOpenSourceDatabase(
    const std::filesystem::path& path, RunState* run = nullptr);

// The same, for callers that need no reason: none when the file cannot be opened.
std::unique_ptr<SourceDatabase> openSourceDatabase(const std::filesystem::path& path,
                                                   RunState* run = nullptr);

}  // namespace vantrel
