#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace vantrel {

// The temporary file that holds the report text currently shown: in the temporary folder,
// named by a random number, UTF-16LE without a byte-order mark. Each new text goes into a
// fresh file and the previous one is deleted; the last one is deleted with this object.
// The windows give it a private folder of their own.
class ReportFile {
 public:
  explicit ReportFile(std::filesystem::path folder = std::filesystem::temp_directory_path());
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Deletes the previous file and writes `text` (UTF-8) into a new one, created exclusively
  // (mode 0600). Returns false when the file could not be written; the path is then none
  // when no file was created, or the new file.
  bool show(std::string_view text);
  // Deletes the current file, if any.
  void remove();

  // The file currently shown; none before the first text and after remove().
  const std::optional<std::filesystem::path>& path() const { return path_; }

 private:
  std::filesystem::path folder_;
  std::optional<std::filesystem::path> path_;
};

}  // namespace vantrel
