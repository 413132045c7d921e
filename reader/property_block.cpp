#include "reader/property_block.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "reader/column_types.h"
#include "reader/field_decoding.h"
#include "reader/page_bytes.h"
#include "reader/source_database.h"

namespace vantrel {

namespace {

// The block starts with a signature of its version, then holds chunks: a 32-bit length that
// counts the chunk's own six header bytes, a 16-bit kind, and the chunk's body.
constexpr std::array<uint8_t, 4> kJet4Signature{'M', 'R', '2', 0};
constexpr std::array<uint8_t, 4> kJet3Signature{'K', 'K', 'D', 0};
constexpr int kChunkHeaderSize = 6;
constexpr int kNamesChunk = 0x80;      // the property names the other chunks refer to by number
constexpr int kLastGroupChunk = 0x02;  // 0: the object's own, 1 and 2: a column's or a part's
constexpr int kEntryHeaderSize = 8;    // length, DDL flag, type, name number, value length

using Bytes = std::span<const uint8_t>;

std::vector<std::string> readNames(Bytes body, SourceDatabase& db) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at + 2 <= body.size()) {
    const auto length = static_cast<size_t>(u16Of(body, static_cast<int64_t>(at)));
    at += 2;
    if (length > body.size() - at) break;
    names.push_back(db.decodeName(body.subspan(at, length)));
    at += length;
  }
  return names;
}

FieldValue decodeValue(int dataType, Bytes value, SourceDatabase& db) {
  FieldValue out;
  switch (dataType) {
    case kTypeBoolean:
      if (!value.empty()) {
        out.value.kind = SavedValue::Kind::Boolean;
        out.value.integer = value[0] != 0 ? 1 : 0;
      }
      return out;
    case kTypeText:
    case kTypeMemo:
      out.text = db.decodeText(value);
      if (!out.text.empty()) out.value.kind = SavedValue::Kind::Text;
      return out;
    case kTypeBinary:
    case kTypeOle:
      out.value.kind = SavedValue::Kind::Bytes;
      out.bytes.assign(value.begin(), value.end());
      return out;
    default: {
      // A fixed-size value decodes as the field of a column of its type would.
      ColumnDefinition column;
      column.type = dataType;
      column.size = static_cast<int>(value.size());
      column.isFixed = true;
      decodeField(db, value, 0, static_cast<int>(value.size()), column, 0, out);
      return out;
    }
  }
}

// A group chunk's body: a name part (its own 32-bit length, then a 16-bit length and the
// name), then the entries. Returns false when the body is not laid out as one.
bool readGroup(Bytes body, const std::vector<std::string>& names, SourceDatabase& db,
               PropertyGroup& group) {
  const int64_t namePartLength = u32Of(body, 0);
  const int nameLength = u16Of(body, 4);
  if (namePartLength < 6 || nameLength < 0 || 6 + nameLength > namePartLength ||
      namePartLength > static_cast<int64_t>(body.size())) {
    return false;
  }
  group.name = db.decodeName(body.subspan(6, static_cast<size_t>(nameLength)));
  auto at = static_cast<size_t>(namePartLength);
  while (at + kEntryHeaderSize <= body.size()) {
    const auto entry = body.subspan(at);
    const int entryLength = u16Of(entry, 0);
    const int dataType = byteOf(entry, 3);
    const int nameNumber = u16Of(entry, 4);
    const int valueLength = u16Of(entry, 6);
    if (entryLength < kEntryHeaderSize || static_cast<size_t>(entryLength) > entry.size() ||
        kEntryHeaderSize + valueLength > entryLength) {
      return false;
    }
    if (static_cast<size_t>(nameNumber) < names.size()) {
      group.properties.push_back(
          {.name = names[static_cast<size_t>(nameNumber)],
           .dataType = dataType,
           .value = decodeValue(
               dataType, entry.subspan(kEntryHeaderSize, static_cast<size_t>(valueLength)), db)});
    }
    at += static_cast<size_t>(entryLength);
  }
  return at == body.size();
}

}  // namespace

const StoredProperty* PropertyGroup::find(std::string_view propertyName) const {
  for (const StoredProperty& property : properties) {
    if (property.name == propertyName) return &property;
  }
  return nullptr;
}

const PropertyGroup* PropertyBlock::objectGroup() const {
  for (const PropertyGroup& group : groups) {
    if (group.name.empty()) return &group;
  }
  return nullptr;
}

const PropertyGroup* PropertyBlock::column(std::string_view columnName) const {
  for (const PropertyGroup& group : groups) {
    if (!group.name.empty() && group.name == columnName) return &group;
  }
  return nullptr;
}

std::vector<const PropertyGroup*> PropertyBlock::columnGroups() const {
  std::vector<const PropertyGroup*> columns;
  for (const PropertyGroup& group : groups) {
    if (!group.name.empty()) columns.push_back(&group);
  }
  return columns;
}

std::optional<PropertyBlock> parsePropertyBlock(std::span<const uint8_t> bytes,
                                                SourceDatabase& db) {
  const auto& signature = db.isJet4() ? kJet4Signature : kJet3Signature;
  if (bytes.size() < signature.size() ||
      !std::equal(signature.begin(), signature.end(), bytes.begin())) {
    return std::nullopt;
  }
  PropertyBlock block;
  std::vector<std::string> names;
  size_t at = signature.size();
  // Every chunk is at least its header long, so the loop ends within the block's bytes.
  while (at < bytes.size()) {
    const auto chunk = bytes.subspan(at);
    const int64_t length = u32Of(chunk, 0);
    const int kind = u16Of(chunk, 4);
    if (length < kChunkHeaderSize || length > static_cast<int64_t>(chunk.size()) || kind < 0) {
      block.damaged = true;
      break;
    }
    const auto body = chunk.subspan(kChunkHeaderSize, static_cast<size_t>(length) - 6);
    if (kind == kNamesChunk) {
      names = readNames(body, db);
    } else if (kind <= kLastGroupChunk) {
      PropertyGroup group;
      if (!readGroup(body, names, db, group)) block.damaged = true;
      if (!group.properties.empty() || !group.name.empty())
        block.groups.push_back(std::move(group));
    }
    at += static_cast<size_t>(length);
  }
  return block;
}

std::optional<std::string> textProperty(const PropertyGroup& group, std::string_view name) {
  const StoredProperty* property = group.find(name);
  if (property == nullptr || property->value.value.kind != SavedValue::Kind::Text) {
    return std::nullopt;
  }
  return property->value.text;
}

ColumnProperties columnPropertiesOf(const PropertyGroup& group) {
  ColumnProperties properties;
  if (const StoredProperty* required = group.find("Required")) {
    properties.required = required->value.value.kind == SavedValue::Kind::Boolean &&
                          required->value.value.integer != 0;
  }
  properties.defaultValue = textProperty(group, "DefaultValue");
  return properties;
}

}  // namespace vantrel
