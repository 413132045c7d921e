#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vantrel::mkdb {

// Controlled damage to a copy of a database file.
struct Damage {
  std::vector<int64_t> zeroPages;                      // whole pages set to 0x00
  std::vector<std::pair<int64_t, uint8_t>> fillPages;  // whole pages set to one byte
  std::vector<std::pair<int64_t, uint8_t>> setBytes;   // single bytes, by file offset
};

// Copies `source` to `target` and damages the copy. Throws std::runtime_error when a page or
// byte lies beyond the file, or the files cannot be read or written.
void damageFile(const std::filesystem::path& source, const std::filesystem::path& target,
                const Damage& damage);

// The data pages `first` to `first + count - 1` (in page order) of a table, from a manifest
// as vantrel-mkdb writes it. Throws std::invalid_argument when the table or pages are not
// there.
std::vector<int64_t> dataPagesOf(const nlohmann::json& manifest, const std::string& table,
                                 int64_t first, int64_t count);

}  // namespace vantrel::mkdb
