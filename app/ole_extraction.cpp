#include "app/ole_extraction.h"

#include <fstream>
#include <system_error>

#include "app/table_rows.h"
#include "display/value_text.h"
#include "reader/column_types.h"
#include "reader/complex_columns.h"
#include "reader/lost_definition.h"
#include "reader/ole_payload.h"
#include "reader/text_decoding.h"

namespace vantrel {

namespace {

constexpr size_t kMaxNamePart = 60;  // characters of each of table, key and column
constexpr int kMaxSameNames = 1000;

std::string namePart(std::string_view text) {
  std::string part;
  for (const char c : truncateUtf8(text, kMaxNamePart)) {
    const auto byte = static_cast<unsigned char>(c);
    const bool refused = byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':' ||
                         c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
    part += refused ? '_' : c;
  }
  return part;
}

// A free name in the folder: the name itself, or the name with "~2", "~3"... before its
// extension. None after many taken ones.
std::optional<std::filesystem::path> freePath(const std::filesystem::path& folder,
                                              const std::string& name, std::string_view extension) {
  const std::string stem = name.substr(0, name.size() - extension.size());
  for (int n = 1; n <= kMaxSameNames; ++n) {
    const std::string candidate =
        n == 1 ? name : stem + "~" + std::to_string(n) + std::string(extension);
    std::error_code error;
    const auto path = folder / candidate;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return path;
  }
  return std::nullopt;
}

class OleWriter : public TableRowVisitor {
 public:
  OleWriter(const std::string& table, const std::filesystem::path& folder, OleExtraction& out)
      : table_(table), folder_(folder), out_(out) {}

  void columns(std::span<const ColumnDefinition>) override {}

  bool row(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields) override {
    ++out_.rows;
    for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) {
      if (columns[i].type != kTypeOle || fields[i].value.kind != SavedValue::Kind::Bytes ||
          fields[i].bytes.empty()) {
        continue;
      }
      write(keyOf(columns, fields), columns[i].name, fields[i].bytes);
    }
    return true;
  }

 private:
  std::string keyOf(std::span<const ColumnDefinition> columns,
                    std::span<const FieldValue> fields) const {
    std::string key;
    for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) {
      if (columns[i].isPrimaryKey == 0) continue;
      if (!key.empty()) key += "-";
      key += fieldText(columns[i], fields[i]);
    }
    return key.empty() ? std::to_string(out_.rows) : key;
  }

  void write(const std::string& key, const std::string& column,
             const std::vector<uint8_t>& stored) {
    const auto payload = olePayload(stored);
    ExtractedObject object;
    object.unwrapped = payload.has_value();
    const std::string extension = payload ? payload->extension : ".bin";
    const std::span<const uint8_t> bytes = payload ? std::span(payload->bytes) : std::span(stored);
    if (payload) object.className = payload->className;
    const std::string name = oleFileName(table_, key, column, extension);
    const auto path = freePath(folder_, name, extension);
    if (!path) {
      out_.failures.push_back(name + ": too many files of that name already");
      return;
    }
    std::ofstream file(*path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(*path, ignored);
      out_.failures.push_back(path->filename().string() + ": could not be written");
      return;
    }
    object.file = *path;
    object.size = static_cast<int64_t>(bytes.size());
    out_.written.push_back(std::move(object));
  }

  const std::string& table_;
  const std::filesystem::path& folder_;
  OleExtraction& out_;
};

// Finds one field of one row and stops reading there: an OLE Object value's payload, or the
// stored key of an attachment column.
class OneValue : public TableRowVisitor {
 public:
  OneValue(int64_t row, size_t column) : row_(row), column_(column) {}
  void columns(std::span<const ColumnDefinition>) override {}
  bool row(std::span<const ColumnDefinition> columns, std::span<const FieldValue> fields) override {
    if (seen_++ < row_) return true;
    if (column_ >= columns.size() || column_ >= fields.size()) return false;
    const FieldValue& field = fields[column_];
    if (columns[column_].type == kTypeOle && field.value.kind == SavedValue::Kind::Bytes) {
      payload = olePayload(field.bytes);
    } else if (columns[column_].type == kTypeComplex &&
               field.value.kind == SavedValue::Kind::Integer) {
      complexKey = field.value.integer;
    }
    return false;
  }
  std::optional<OlePayload> payload;
  std::optional<int64_t> complexKey;

 private:
  int64_t row_;
  size_t column_;
  int64_t seen_ = 0;
};

// What the preview shows of the files attached under one key: the first picture, else the
// first file that could be unpacked.
std::optional<OlePayload> attachedPayload(SourceDatabase& db, int64_t tdefPage,
                                          const std::string& table, size_t column, int64_t key) {
  const auto definition =
      readOrInferDefinition(db, {.name = table, .objectType = kObjectTable, .tdefPage = tdefPage});
  if (!definition) return std::nullopt;
  std::optional<OlePayload> shown;
  for (const ComplexColumn& found : findComplexColumns(db, tdefPage, *definition)) {
    if (found.position != column || !found.flat) continue;
    for (Attachment& attached : attachmentsOf(db, *found.flat, key)) {
      if (!attached.file) continue;
      OlePayload payload = olePayload(attached.file->bytes)
                               .value_or(OlePayload{.extension = "." + attached.file->extension});
      payload.fileName = attached.name;
      payload.bytes = std::move(attached.file->bytes);
      if (payload.isPicture) return payload;
      if (!shown) shown = std::move(payload);
    }
  }
  return shown;
}

}  // namespace

Expected<std::optional<OlePayload>, OpenFailure> readOlePayload(RunState& run,
                                                                const std::string& sourcePath,
                                                                int64_t tdefPage,
                                                                const std::string& table,
                                                                int64_t row, size_t column) {
  auto db = tryOpenSourceDatabase(sourcePath, &run);
  if (!db) return Unexpected(db.error());
  OneValue value(row, column);
  visitTableRows(**db, tdefPage, table, value, ComplexCells::kStoredKeys);
  if (value.complexKey) return attachedPayload(**db, tdefPage, table, column, *value.complexKey);
  return std::move(value.payload);
}

std::string olePayloadText(const std::optional<OlePayload>& payload) {
  if (!payload) return "Nothing could be taken out of this value.";
  // Only an attached file has a name without an OLE class.
  if (payload->className.empty() && !payload->fileName.empty()) {
    return std::string(payload->isPicture ? "An attached picture" : "An attached file") + " \"" +
           payload->fileName + "\" (" + payload->extension + "), " +
           std::to_string(payload->bytes.size()) + " bytes.";
  }
  const std::string kind = payload->className.empty() ? std::string("stored without a wrapper")
                                                      : "from " + payload->className;
  const std::string size = std::to_string(payload->bytes.size()) + " bytes";
  if (payload->isPicture)
    return "A picture (" + payload->extension + ", " + kind + "), " + size + ".";
  const std::string named = payload->fileName.empty() ? "" : " \"" + payload->fileName + "\"";
  return "Not a picture: a file" + named + " (" + payload->extension + ", " + kind + "), " + size +
         ". vantrel-cli ole writes it out.";
}

std::string oleFileName(std::string_view table, std::string_view key, std::string_view column,
                        std::string_view extension) {
  std::string name =
      namePart(table) + "_" + namePart(key) + "_" + namePart(column) + std::string(extension);
  if (name.starts_with('.')) name.insert(0, "_");  // not hidden
  return name;
}

Expected<OleExtraction, OpenFailure> extractOleObjects(RunState& run, const std::string& sourcePath,
                                                       int64_t tdefPage, const std::string& table,
                                                       const std::filesystem::path& folder) {
  OleExtraction extraction;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    extraction.failures.push_back(folder.string() + ": " + error.message());
    return extraction;
  }
  OleWriter writer(table, folder, extraction);
  // Only OLE Object columns are written: complex columns need not be looked up.
  const auto read =
      readTableRows(run, sourcePath, tdefPage, table, writer, ComplexCells::kStoredKeys);
  if (!read) return Unexpected(read.error());
  extraction.end = *read;
  return extraction;
}

}  // namespace vantrel
