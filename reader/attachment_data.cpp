#include "reader/attachment_data.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

#include "reader/page_bytes.h"
#include "reader/text_decoding.h"

namespace vantrel {

namespace {

constexpr int64_t kDeflatedFlag = 1;
constexpr int64_t kPlainFlag = 0;
constexpr size_t kOuterHeaderSize = 8;
constexpr int64_t kInnerFixedSize = 12;  // header length, version, extension length
// Deflate makes at most about 1032 bytes of one: a length beyond that is no length the stream
// can give, and is not worth a buffer.
constexpr uint64_t kLargestInflation = 1032;
constexpr uint64_t kInflationSlack = 64;

// Inflates a zlib stream to exactly `length` bytes; none when it is damaged, ends short or
// holds more.
std::optional<std::vector<uint8_t>> inflateExactly(std::span<const uint8_t> stream, size_t length) {
  if (stream.size() > UINT32_MAX) return std::nullopt;
  std::vector<uint8_t> out(length);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  z.next_in = const_cast<Bytef*>(stream.data());  // zlib does not write through it
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  int result = inflate(&z, Z_FINISH);
  // A stream that has filled the buffer and still holds data is longer than it says.
  if (result == Z_BUF_ERROR && z.avail_out == 0) {
    uint8_t probe = 0;
    z.next_out = &probe;
    z.avail_out = 1;
    result = inflate(&z, Z_FINISH);
    if (z.avail_out == 0) result = Z_DATA_ERROR;
  }
  const bool whole = result == Z_STREAM_END && z.total_out == length;
  inflateEnd(&z);
  if (!whole) return std::nullopt;
  return out;
}

}  // namespace

std::optional<AttachedFile> unpackAttachment(std::span<const uint8_t> stored) {
  const int64_t flag = u32Of(stored, 0);
  const int64_t length = u32Of(stored, 4);
  if (length < kInnerFixedSize || static_cast<uint64_t>(length) > kMaxAttachmentBytes) {
    return std::nullopt;
  }
  const auto payload = stored.subspan(std::min(stored.size(), kOuterHeaderSize));
  std::vector<uint8_t> unpacked;
  if (flag == kDeflatedFlag) {
    if (static_cast<uint64_t>(length) > payload.size() * kLargestInflation + kInflationSlack)
      return std::nullopt;
    auto inflated = inflateExactly(payload, static_cast<size_t>(length));
    if (!inflated) return std::nullopt;
    unpacked = std::move(*inflated);
  } else if (flag == kPlainFlag && payload.size() == static_cast<size_t>(length)) {
    unpacked.assign(payload.begin(), payload.end());
  } else {
    return std::nullopt;
  }

  const std::span<const uint8_t> bytes(unpacked);
  const int64_t headerLength = u32Of(bytes, 0);
  const int64_t extensionCharacters = u32Of(bytes, 8);
  if (headerLength < kInnerFixedSize || headerLength > length || extensionCharacters < 0 ||
      kInnerFixedSize + 2 * extensionCharacters > headerLength) {
    return std::nullopt;
  }
  AttachedFile file;
  file.extension =
      utf16LeToUtf8(bytes.subspan(kInnerFixedSize, static_cast<size_t>(2 * extensionCharacters)));
  unpacked.erase(unpacked.begin(), unpacked.begin() + headerLength);
  file.bytes = std::move(unpacked);
  return file;
}

}  // namespace vantrel
