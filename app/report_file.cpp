#include "app/report_file.h"

#include <fstream>
#include <random>
#include <string>

#include "queries/wide_text.h"

namespace vantrel {
namespace {

std::filesystem::path freshName(const std::filesystem::path& folder) {
  static thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<unsigned> number(0, 0x7FFFFFFF);
  std::filesystem::path name;
  std::error_code error;
  // A name already taken (by another run, or this run's previous file) is not reused.
  for (int tries = 0; tries < 100; ++tries) {
    name = folder / (std::to_string(number(random)) + ".txt");
    if (!std::filesystem::exists(name, error)) break;
  }
  return name;
}

}  // namespace

ReportFile::ReportFile(std::filesystem::path folder) : folder_(std::move(folder)) {}

ReportFile::~ReportFile() {
  remove();
}

void ReportFile::remove() {
  if (!path_) return;
  std::error_code ignored;
  std::filesystem::remove(*path_, ignored);
  path_.reset();
}

bool ReportFile::show(std::string_view text) {
  remove();
  path_ = freshName(folder_);
  std::string bytes;
  for (const char16_t unit : toWide(text)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  std::ofstream file(*path_, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace vantrel
