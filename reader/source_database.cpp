#include "reader/source_database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "reader/database_header.h"
#include "reader/encryption_description.h"
#include "reader/office_page_cipher.h"
#include "reader/source_passwords.h"
#include "run/run_state.h"

namespace vantrel {

std::optional<SourceFile> SourceFile::open(const std::filesystem::path& path) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come; the type is
  // checked on the open descriptor, so a file swapped meanwhile is checked as it is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    errno = ENXIO;  // no file to read, whatever the open said
    return std::nullopt;
  }
  return SourceFile(fd, path, static_cast<uint64_t>(status.st_size));
}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), size_(other.size_) {}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    size_ = other.size_;
  }
  return *this;
}

SourceFile::~SourceFile() {
  close();
}

void SourceFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

size_t SourceFile::readAt(uint64_t offset, std::span<uint8_t> buffer) const {
  if (fd_ < 0 || offset >= size_ || buffer.size() > size_ - offset) return 0;
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got =
        ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 0;
    done += static_cast<size_t>(got);
  }
  return done;
}

bool LongValueClaims::claim(int64_t page, int row) {
  if (page < 0 || row < 0 || row > 0xFF) return false;
  if (rows_ == nullptr) return true;  // a value read outside any walk
  const auto at = static_cast<size_t>(page);
  if (at >= pageTables_.size()) pageTables_.resize(std::max(at + 1, pageTables_.size() * 2));
  const auto table = static_cast<int32_t>(std::clamp<int64_t>(table_ + 1, 1, INT32_MAX));
  if (pageTables_[at] == 0) pageTables_[at] = table;
  if (pageTables_[at] != table) return false;
  const auto bit = static_cast<uint64_t>(page) << 8 | static_cast<uint64_t>(row);
  const size_t word = bit / 64;
  std::vector<uint64_t>& claimed = *rows_;
  if (word >= claimed.size()) claimed.resize(std::max(word + 1, claimed.size() * 2));
  const uint64_t mask = uint64_t{1} << (bit % 64);
  if ((claimed[word] & mask) != 0) return false;
  claimed[word] |= mask;
  return true;
}

SourceDatabase::SourceDatabase(SourceFile file, RunState* run)
    : file_(std::move(file)),
      run_(run),
      pages_(file_, format_->pageSize, format_->largestFileBytes) {}

void SourceDatabase::setFormat(JetVersion version) {
  format_ = &jetFormatFor(version);
  // The page size may have changed: read and count again in pages of the new size.
  pages_ = PageSource(file_, format_->pageSize, format_->largestFileBytes, coding_);
}

void SourceDatabase::setPageCoding(PageCoding coding) {
  coding_ = coding;
  pages_ = PageSource(file_, format_->pageSize, format_->largestFileBytes, coding_);
}

PageView SourceDatabase::page(int64_t n) {
  PageView view = pages_.page(n);
  if (!view && n >= 0 && n < pageCount() && file_.isOpen()) {
    noteDamage(pages_.undecoded(n) ? DamageKind::kUndecodedPage : DamageKind::kUnreadablePage, n);
  }
  return view;
}

void SourceDatabase::noteDamage(DamageKind kind, int64_t page, std::optional<int> row,
                                std::string_view table) {
  if (damage_ != nullptr) damage_->noteDamage({kind, page, row, std::string(table)});
}

void SourceDatabase::close() {
  file_.close();
  pages_.clear();
}

void SourceDatabase::setCodePage(int codePage) {
  if (codePage != codePageDecoder_.codePage()) codePageDecoder_ = CodePageDecoder(codePage);
}

std::string SourceDatabase::decodeText(std::span<const uint8_t> bytes) const {
  return isJet4() ? decodeJet4Text(bytes) : codePageDecoder_.decode(bytes);
}

std::string SourceDatabase::decodeName(std::span<const uint8_t> bytes) const {
  return isJet4() ? decodeJet4Text(bytes, false) : codePageDecoder_.decode(bytes, false);
}

namespace {

constexpr int kVersionOffset = 0x14;
constexpr int kJet3TdefMark = 0x4356;  // "VC" at offset 2 of a Jet 3 definition page

// Decides the version of a file whose version field is neither 0 nor 1, by the definition
// pages 2 and 4 read as Jet 3 pages.
JetVersion versionByContent(SourceDatabase& db) {
  const auto markedJet3 = [&db](int64_t n) {
    return u16Of(db.page(n).bytes(), 2) == kJet3TdefMark;
  };
  return markedJet3(4) || markedJet3(2) ? JetVersion::kJet3 : JetVersion::kJet4;
}

// Pages whose start is checked to tell whether the header's page key fits the pages.
constexpr int64_t kCodingSamplePages = 8;

// How the pages are stored. A key of 0 leaves them as they are. Otherwise the pages 1 to 8
// are looked at both decoded with it and as they are: when more look like pages decoded,
// they are decoded; when more look like pages as they are, the key is a damaged field of a
// file that was never encoded. When neither tells, a key under an Access header cannot be
// trusted, and only the pages it decodes into pages are read; one under no such header (a
// file of any other kind) is no key.
PageCoding pageCodingOf(const SourceFile& file, const JetFormat& format, uint32_t key,
                        bool accessHeader) {
  if (key == 0) return {};
  PageSource decoding(file, format.pageSize, format.largestFileBytes, {key, false});
  PageSource plain(file, format.pageSize, format.largestFileBytes);
  int decodedPages = 0;
  int plainPages = 0;
  const int64_t last = std::min(decoding.pageCount() - 1, kCodingSamplePages);
  for (int64_t n = 1; n <= last; ++n) {
    decodedPages += looksLikePage(decoding.page(n).bytes()) ? 1 : 0;
    plainPages += looksLikePage(plain.page(n).bytes()) ? 1 : 0;
  }
  if (decodedPages > plainPages) return {key, false};
  if (plainPages > decodedPages || !accessHeader) return {};
  return {key, true};
}

// Whether an Access 2007 or later file is encrypted: its header describes the encryption and
// its pages do not read as pages. A description left in a damaged header over pages that read
// as they are is no encryption.
bool encryptedPages(SourceDatabase& db, std::span<const uint8_t> page0) {
  if (!headerDescribesEncryption(page0)) return false;
  const int64_t last = std::min(db.pageCount() - 1, kCodingSamplePages);
  int plainPages = 0;
  for (int64_t n = 1; n <= last; ++n)
    plainPages += looksLikePage(db.page(n).bytes()) ? 1 : 0;
  return plainPages * 2 <= last;
}

// How the pages of an Office-encrypted file are decrypted, with the password given for it.
// The first pages tell whether the keys fit: when the password check in the header is damaged,
// most of them must decrypt into pages, or the password is taken as wrong. When most do not
// although the check passed (a damaged page key), each page is checked as it is read, so
// that those that do not decrypt are named as damage rather than read as garbage.
Expected<PageCoding, OpenFailure> officeCoding(const SourceDatabase& db,
                                               std::span<const uint8_t> page0) {
  const auto description = readEncryptionDescription(page0);
  if (!description) {
    return Unexpected(description.error() == DescriptionProblem::kUnknownKind
                          ? OpenFailure::kEncryptionUnknown
                          : OpenFailure::kEncryptionDamaged);
  }
  const auto password = sourcePasswordOrAsk(db.file().path());
  if (!password) return Unexpected(OpenFailure::kEncrypted);
  auto unlocked =
      OfficePageCipher::unlock(*description, headerPageKey(page0), password->revealed());
  if (unlocked.check == PasswordCheck::kWrong) return Unexpected(OpenFailure::kWrongPassword);
  if (!unlocked.cipher) return Unexpected(OpenFailure::kEncryptionUnknown);
  PageCoding coding{0, false, std::move(unlocked.cipher)};
  const auto& format = db.format();
  PageSource decrypting(db.file(), format.pageSize, format.largestFileBytes, coding);
  const int64_t last = std::min(decrypting.pageCount() - 1, kCodingSamplePages);
  int pages = 0;
  for (int64_t n = 1; n <= last; ++n)
    pages += looksLikePage(decrypting.page(n).bytes()) ? 1 : 0;
  const bool mostDecrypt = pages * 2 > last;
  if (unlocked.check == PasswordCheck::kUnchecked && !mostDecrypt)
    return Unexpected(OpenFailure::kWrongPassword);
  coding.checkEachPage = unlocked.check == PasswordCheck::kUnchecked || !mostDecrypt;
  return coding;
}

}  // namespace

namespace {

// Why the file at `path` could not be opened for reading.
OpenFailure whyNotOpened(const std::filesystem::path& path, int openError) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return OpenFailure::kMissing;
  if (status.type() == std::filesystem::file_type::directory) return OpenFailure::kFolder;
  if (openError == EACCES || openError == EPERM) return OpenFailure::kNoPermission;
  if (!error && status.type() != std::filesystem::file_type::regular) {
    return OpenFailure::kNotAFile;
  }
  return OpenFailure::kReadError;
}

}  // namespace

Expected<std::unique_ptr<SourceDatabase>, OpenFailure> tryOpenSourceDatabase(
    const std::filesystem::path& path, RunState* run) {
  errno = 0;
  auto file = SourceFile::open(path);
  if (!file) return Unexpected(whyNotOpened(path, errno));
  if (file->size() == 0) return Unexpected(OpenFailure::kEmpty);
  auto db = std::make_unique<SourceDatabase>(std::move(*file), run);
  db->setFormat(JetVersion::kJet3);
  PageView header = db->page(0);
  if (!header) {
    return Unexpected(db->file().size() < static_cast<uint64_t>(db->pageSize())
                          ? OpenFailure::kTooShort
                          : OpenFailure::kReadError);
  }
  const bool ace = hasAceSignature(header.bytes());
  const int64_t versionField = u32Of(header.bytes(), kVersionOffset);
  JetVersion version = versionField == 1 || ace ? JetVersion::kJet4 : JetVersion::kJet3;
  if (!ace && versionField != 0 && versionField != 1) {
    version = versionByContent(*db);
  }
  db->setCodePage(headerCodePage(header.bytes()));
  db->setFormat(version);
  // The header page whole, at the format's page size: an encryption description may reach
  // past the first 2048 bytes.
  if (PageView whole = db->page(0)) header = std::move(whole);
  if (ace && encryptedPages(*db, header.bytes())) {
    auto coding = officeCoding(*db, header.bytes());
    if (!coding) return Unexpected(coding.error());
    db->setPageCoding(std::move(*coding));
  } else {
    db->setPageCoding(pageCodingOf(db->file(), db->format(), headerPageKey(header.bytes()),
                                   hasAccessSignature(header.bytes())));
  }
  if (ace) db->setAceVersion(headerAceVersion(header.bytes()));
  db->setDatabasePassword(headerPassword(header.bytes(), version, db->codePageDecoder()));
  db->wideTextSeen = 0;
  if (run != nullptr)
    run->sourceFormatVersion.store(db->isAce() ? db->aceVersion() : db->formatVersion());
  return db;
}

std::unique_ptr<SourceDatabase> openSourceDatabase(const std::filesystem::path& path,
                                                   RunState* run) {
  return tryOpenSourceDatabase(path, run).value_or(nullptr);
}

}  // namespace vantrel
