#include "tools/mkdb/damage.h"

#include <fstream>
#include <stdexcept>

namespace vantrel::mkdb {

namespace {

void overwrite(std::fstream& file, int64_t offset, const std::vector<char>& bytes,
               int64_t fileSize) {
  if (offset < 0 || offset + static_cast<int64_t>(bytes.size()) > fileSize) {
    throw std::runtime_error("damage at offset " + std::to_string(offset) +
                             " lies beyond the file");
  }
  file.seekp(offset);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write the damaged copy");
}

}  // namespace

void damageFile(const std::filesystem::path& source, const std::filesystem::path& target,
                const Damage& damage) {
  std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
  const auto fileSize = static_cast<int64_t>(std::filesystem::file_size(target));
  std::fstream file(target, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + target.string());
  // The page size follows the version byte, as in the header.
  char version = 0;
  file.seekg(0x14);
  file.read(&version, 1);
  const int64_t pageSize = version == 0 ? 2048 : 4096;
  for (int64_t page : damage.zeroPages) {
    overwrite(file, page * pageSize, std::vector<char>(static_cast<size_t>(pageSize), 0), fileSize);
  }
  for (const auto& [page, value] : damage.fillPages) {
    overwrite(file, page * pageSize,
              std::vector<char>(static_cast<size_t>(pageSize), static_cast<char>(value)), fileSize);
  }
  for (const auto& [offset, value] : damage.setBytes) {
    overwrite(file, offset, {static_cast<char>(value)}, fileSize);
  }
}

std::vector<int64_t> dataPagesOf(const nlohmann::json& manifest, const std::string& table,
                                 int64_t first, int64_t count) {
  for (const auto& t : manifest.at("tables")) {
    if (t.at("name").get<std::string>() != table) continue;
    std::vector<int64_t> all;
    for (const auto& range : t.at("dataPages")) {
      const int64_t start = range.at(0).get<int64_t>();
      for (int64_t k = 0; k < range.at(1).get<int64_t>(); ++k)
        all.push_back(start + k);
    }
    if (first < 0 || count < 0 || first + count > static_cast<int64_t>(all.size())) {
      throw std::invalid_argument("table \"" + table + "\" has " + std::to_string(all.size()) +
                                  " data pages");
    }
    return {all.begin() + first, all.begin() + first + count};
  }
  throw std::invalid_argument("no table \"" + table + "\" in the manifest");
}

}  // namespace vantrel::mkdb
