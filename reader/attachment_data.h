#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

// The most bytes one attached file is unpacked to: a stored value that claims more, or
// inflates to more, is damage and stays as it is stored.
inline constexpr size_t kMaxAttachmentBytes = size_t{256} << 20;

// One attached file as the user attached it.
struct AttachedFile {
  std::string extension;  // as the value's own header names it ("txt", "png"); may be empty
  std::vector<uint8_t> bytes;
};

// Unpacks the stored FileData of an attachment: a 32-bit flag (1: deflated), the 32-bit
// length of what it unpacks to, then the deflated (or plain) bytes, which begin with a
// header of their own (its length, a version, the extension's length in characters and the
// extension in UTF-16) before the file. None when any part of it is damaged.
std::optional<AttachedFile> unpackAttachment(std::span<const uint8_t> stored);

}  // namespace vantrel
