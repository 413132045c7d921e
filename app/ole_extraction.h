#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "reader/ole_payload.h"
#include "reader/source_database.h"
#include "run/expected.h"
#include "run/run_state.h"
#include "run/walk_end.h"

namespace vantrel {

// One OLE Object value handed out as a file.
struct ExtractedObject {
  std::filesystem::path file;  // as written
  std::string className;       // the OLE class, or empty for bare bytes
  int64_t size = 0;
  bool unwrapped = false;  // false: no wrapper came off, the stored bytes were written as they are
};

// What handing out one table's OLE Object values gave.
struct OleExtraction {
  std::vector<ExtractedObject> written;
  std::vector<std::string> failures;  // files that could not be written, each with why
  int64_t rows = 0;
  WalkEnd end = WalkEnd::kFinished;
};

// Writes the payload of every OLE Object value of the table into `folder` (created when
// missing), one file per value, named by table, key and column
// ("Categories_1_Picture.bmp"); the key is the primary key's values, or the row's number when
// the table has none. A file of the name already there is kept and the new one gets "~2", "~3"...
// The source is read as the preview reads it; none when it cannot be opened.
Expected<OleExtraction, OpenFailure> extractOleObjects(RunState& run, const std::string& sourcePath,
                                                       int64_t tdefPage, const std::string& table,
                                                       const std::filesystem::path& folder);

// One OLE Object value of the table for the preview: the `column`-th field of the `row`-th
// row as the preview lists them (rows that hold nothing left out). What its wrappers hold, or
// none when the field is not an OLE Object value or gives no payload.
Expected<std::optional<OlePayload>, OpenFailure> readOlePayload(RunState& run,
                                                                const std::string& sourcePath,
                                                                int64_t tdefPage,
                                                                const std::string& table,
                                                                int64_t row, size_t column);

// The preview's hint on the cells of such values.
inline constexpr char kOleCellHint[] = "Double-click, or press Enter, to see what this value holds";

// What the preview says of such a value beside its picture, or instead of one.
std::string olePayloadText(const std::optional<OlePayload>& payload);

// The file name for one value: every character a file name cannot hold becomes "_", each part
// is cut to a length every file system takes.
std::string oleFileName(std::string_view table, std::string_view key, std::string_view column,
                        std::string_view extension);

}  // namespace vantrel
