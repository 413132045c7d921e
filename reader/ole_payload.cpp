#include "reader/ole_payload.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "reader/page_bytes.h"

namespace vantrel {

namespace {

using Bytes = std::span<const uint8_t>;

constexpr int kAccessHeaderSignature = 0x1C15;
constexpr int64_t kOle1Version = 0x0501;
constexpr int64_t kEmbeddedObject = 2;
constexpr int kPackageSignature = 2;
constexpr size_t kMaxExtension = 10;
constexpr size_t kBitmapInfoSize = 40;  // BITMAPINFOHEADER
constexpr size_t kBitmapFileHeaderSize = 14;

// Reads an OLE 1 stream's fields in order; every read is checked, and a failed one leaves the
// reader failed.
class FieldReader {
 public:
  explicit FieldReader(Bytes bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  size_t position() const { return at_; }

  int64_t u32() {
    const int64_t value = u32Of(bytes_, static_cast<int64_t>(at_));
    if (value < 0) return fail();
    at_ += 4;
    return value;
  }
  int u16() {
    const int value = u16Of(bytes_, static_cast<int64_t>(at_));
    if (value < 0) return static_cast<int>(fail());
    at_ += 2;
    return value;
  }
  Bytes take(int64_t count) {
    if (!ok_ || count < 0 || static_cast<uint64_t>(count) > bytes_.size() - at_) {
      fail();
      return {};
    }
    const Bytes taken = bytes_.subspan(at_, static_cast<size_t>(count));
    at_ += static_cast<size_t>(count);
    return taken;
  }
  // A string with a 32-bit length that counts its terminating zero.
  std::string lengthPrefixed() { return zeroEnded(take(u32())); }
  // A string ended by a zero byte.
  std::string zeroTerminated() {
    const Bytes rest = ok_ ? bytes_.subspan(at_) : Bytes{};
    const auto zero = std::ranges::find(rest, uint8_t{0});
    if (zero == rest.end()) {
      fail();
      return {};
    }
    const auto length = static_cast<size_t>(zero - rest.begin());
    at_ += length + 1;
    return std::string(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(length));
  }
  static std::string zeroEnded(Bytes bytes) {
    const auto zero = std::ranges::find(bytes, uint8_t{0});
    return std::string(bytes.begin(), zero);
  }

 private:
  int64_t fail() {
    ok_ = false;
    return -1;
  }
  Bytes bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

struct Signature {
  std::string_view magic;
  std::string_view extension;
  bool picture;
};

constexpr std::array<Signature, 7> kSignatures{{
    {"\x89PNG\r\n\x1a\n", ".png", true},
    {"\xFF\xD8\xFF", ".jpg", true},
    {"GIF87a", ".gif", true},
    {"GIF89a", ".gif", true},
    {"BM", ".bmp", true},
    {"%PDF-", ".pdf", false},
    {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", "", false},  // a compound file: see its class
}};

bool startsWith(Bytes bytes, std::string_view magic) {
  return bytes.size() >= magic.size() &&
         std::equal(magic.begin(), magic.end(), bytes.begin(),
                    [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

const Signature* signatureOf(Bytes bytes) {
  for (const Signature& signature : kSignatures) {
    if (startsWith(bytes, signature.magic)) return &signature;
  }
  return nullptr;
}

// The extension of a file name, when it is a plain one (letters and digits).
std::string extensionOf(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == fileName.size() ||
      fileName.size() - dot - 1 > kMaxExtension) {
    return {};
  }
  std::string extension = ".";
  for (const char c : fileName.substr(dot + 1)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return {};
    extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return extension;
}

// A compound file's kind from the class that made it: the 97 to 2003 formats are the compound
// file itself. (Later ones keep their file inside it, in a stream of its own.)
std::string_view documentExtension(std::string_view className) {
  if (!className.ends_with(".8")) return ".bin";
  if (className.starts_with("Word.Document")) return ".doc";
  if (className.starts_with("Excel.")) return ".xls";
  if (className.starts_with("PowerPoint.")) return ".ppt";
  return ".bin";
}

void describeBySignature(OlePayload& payload) {
  const Signature* signature = signatureOf(payload.bytes);
  if (signature == nullptr) {
    payload.extension = ".bin";
    return;
  }
  payload.isPicture = signature->picture;
  payload.extension = signature->extension.empty()
                          ? std::string(documentExtension(payload.className))
                          : std::string(signature->extension);
}

// A bare device-independent bitmap (a picture's header, palette and pixels) becomes a bitmap
// file: the 14-byte file header that says where its pixels start comes first.
std::optional<std::vector<uint8_t>> bitmapFileOf(Bytes dib) {
  const int64_t headerSize = u32Of(dib, 0);
  if (dib.size() < kBitmapInfoSize || headerSize < static_cast<int64_t>(kBitmapInfoSize) ||
      headerSize > static_cast<int64_t>(dib.size())) {
    return std::nullopt;
  }
  const int bitCount = u16Of(dib, 14);
  int64_t colours = u32Of(dib, 32);
  if (colours == 0 && bitCount > 0 && bitCount <= 8) colours = int64_t{1} << bitCount;
  const int64_t pixelsAt = static_cast<int64_t>(kBitmapFileHeaderSize) + headerSize + colours * 4;
  const uint64_t fileSize = kBitmapFileHeaderSize + dib.size();
  if (fileSize > 0xFFFFFFFFU || pixelsAt > static_cast<int64_t>(fileSize)) return std::nullopt;
  std::vector<uint8_t> file{'B', 'M'};
  for (const uint64_t value : {fileSize, uint64_t{0}, static_cast<uint64_t>(pixelsAt)}) {
    for (int shift = 0; shift < 32; shift += 8)
      file.push_back(static_cast<uint8_t>(value >> shift));
  }
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

// A package: a file dropped into the field, with its label, its path and its bytes.
bool unpackPackage(Bytes native, OlePayload& payload) {
  FieldReader read(native);
  if (read.u16() != kPackageSignature) return false;
  payload.fileName = read.zeroTerminated();
  const std::string sourcePath = read.zeroTerminated();
  read.u16();             // reserved
  read.u16();             // the kind of package (3: an embedded file)
  read.lengthPrefixed();  // where the packager unpacked it
  const Bytes data = read.take(read.u32());
  if (!read.ok()) return false;
  if (payload.fileName.empty()) payload.fileName = sourcePath;
  payload.bytes.assign(data.begin(), data.end());
  describeBySignature(payload);
  if (const std::string named = extensionOf(payload.fileName); !named.empty()) {
    payload.extension = named;
  }
  return true;
}

std::optional<OlePayload> unwrapAccessObject(Bytes field) {
  FieldReader header(field);
  header.u16();  // the signature
  const int headerSize = header.u16();
  if (!header.ok() || headerSize < 4 || static_cast<size_t>(headerSize) > field.size()) {
    return std::nullopt;
  }
  FieldReader stream(field.subspan(static_cast<size_t>(headerSize)));
  if (stream.u32() != kOle1Version || stream.u32() != kEmbeddedObject) return std::nullopt;
  OlePayload payload;
  payload.className = stream.lengthPrefixed();
  stream.take(stream.u32());  // topic
  stream.take(stream.u32());  // item
  const Bytes native = stream.take(stream.u32());
  if (!stream.ok()) return std::nullopt;

  if (payload.className == "Package") {
    if (unpackPackage(native, payload)) return payload;
    payload.fileName.clear();
  }
  if (payload.className == "DIB" || (!startsWith(native, "BM") && u32Of(native, 0) == 40)) {
    if (auto file = bitmapFileOf(native)) {
      payload.bytes = std::move(*file);
      payload.extension = ".bmp";
      payload.isPicture = true;
      return payload;
    }
  }
  payload.bytes.assign(native.begin(), native.end());
  describeBySignature(payload);
  return payload;
}

}  // namespace

std::optional<OlePayload> olePayload(std::span<const uint8_t> field) {
  if (u16Of(field, 0) == kAccessHeaderSignature) return unwrapAccessObject(field);
  const Signature* signature = signatureOf(field);
  if (signature == nullptr || signature->extension.empty()) return std::nullopt;
  OlePayload payload;
  payload.bytes.assign(field.begin(), field.end());
  describeBySignature(payload);
  return payload;
}

}  // namespace vantrel
