#pragma once

#include <filesystem>
#include <string>

#include "tests/support/mdb_writer/database_writer.h"
#include "tests/support/temp_dir.h"

namespace vantrel::test {

// Writes a database into a fresh temporary folder and keeps its manifest.
class WrittenDatabase {
 public:
  explicit WrittenDatabase(mdbwriter::DatabaseSpec spec)
      : path_(dir_ / "written.mdb"), manifest_(mdbwriter::writeDatabase(path_, std::move(spec))) {}

  const std::filesystem::path& path() const { return path_; }
  const mdbwriter::Manifest& manifest() const { return manifest_; }

 private:
  TempDir dir_;
  std::filesystem::path path_;
  mdbwriter::Manifest manifest_;
};

inline std::string versionName(mdbwriter::JetVersion version) {
  return version == mdbwriter::JetVersion::kJet4 ? "Jet4" : "Jet3";
}

}  // namespace vantrel::test
