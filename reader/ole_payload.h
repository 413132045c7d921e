#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

// What an OLE Object field holds once Access's wrappers are taken off: the picture, file or
// document the user put there. The field's stored bytes themselves are never changed; this
// is for handing the payload out as a file and for showing pictures.
struct OlePayload {
  std::string className;       // the OLE class ("PBrush", "Package", ...); empty for bare bytes
  std::string fileName;        // a package's own file name, when it names one
  std::string extension;       // ".bmp", ".jpg", ".png", ".gif", ".pdf", ".doc", ".xls", ".bin"
  bool isPicture = false;      // a bitmap, PNG, JPEG or GIF
  std::vector<uint8_t> bytes;  // the payload as a file of its kind holds it
};

// Takes the wrappers off one OLE Object field's bytes: Access's object header and the OLE 1
// stream inside it, then a package (a file dropped into the field) or a Paint picture; bare
// pictures and documents stored without a wrapper are recognised by their signatures. None
// when the bytes hold no payload (a linked object, or wrappers too damaged to read).
std::optional<OlePayload> olePayload(std::span<const uint8_t> field);

}  // namespace vantrel
