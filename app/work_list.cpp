#include "app/work_list.h"

#include <charconv>
#include <filesystem>
#include <set>

namespace vantrel {
namespace {

// The longest path Linux takes (PATH_MAX).
constexpr size_t kMaxPathBytes = 4096;

std::optional<long long> wholeNumber(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The shard of a 0-based task among `count`, or why there is none.
Expected<Shard, std::string> shardOfTask(long long task, long long count, std::string_view from) {
  if (count < 1 || count > 1'000'000)
    return Unexpected("the shard count from " + std::string(from) + " is not from 1 to 1000000");
  if (task < 0 || task >= count)
    return Unexpected("the task from " + std::string(from) + " is not among the " +
                      std::to_string(count) + " shards");
  return Shard{static_cast<int>(task + 1), static_cast<int>(count)};
}

}  // namespace

Expected<std::vector<std::string>, std::string> readWorkList(std::istream& list,
                                                             ListSeparator separator,
                                                             size_t maxPaths) {
  const char delimiter = separator == ListSeparator::Nul ? '\0' : '\n';
  std::vector<std::string> paths;
  std::string path;
  const auto endPath = [&]() -> std::optional<std::string> {
    if (separator == ListSeparator::Line && !path.empty() && path.back() == '\r') path.pop_back();
    if (path.empty()) return std::nullopt;
    if (paths.size() == maxPaths)
      return "the list holds more than " + std::to_string(maxPaths) + " paths";
    paths.push_back(std::move(path));
    path.clear();
    return std::nullopt;
  };
  for (char c = 0; list.get(c);) {
    if (c != delimiter) {
      // Read a character at a time, so that a list without separators is refused before it
      // fills memory.
      if (path.size() == kMaxPathBytes)
        return Unexpected("a path of the list is longer than " + std::to_string(kMaxPathBytes) +
                          " bytes");
      path += c;
    } else if (auto failure = endPath()) {
      return Unexpected(std::move(*failure));
    }
  }
  if (list.bad()) return Unexpected(std::string("the list could not be read"));
  if (auto failure = endPath()) return Unexpected(std::move(*failure));
  return paths;
}

Expected<std::vector<std::string>, std::string> runSources(std::vector<std::string> paths,
                                                           bool eachOnce) {
  std::vector<std::string> sources;
  std::set<std::string> seen;
  for (std::string& path : paths) {
    if (std::error_code error; std::filesystem::is_directory(path, error)) {
      return Unexpected(path + " is a folder; list its databases instead, for example: find " +
                        path + " -name '*.mdb'");
    }
    if (!eachOnce || seen.insert(path).second) sources.push_back(std::move(path));
  }
  return sources;
}

uint64_t sourcePathHash(std::string_view path) {
  uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a 64 offset basis
  for (const char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;  // FNV 64 prime
  }
  return hash;
}

Expected<Shard, std::string> parseShard(std::string_view text) {
  const size_t slash = text.find('/');
  const auto index =
      slash == std::string_view::npos ? std::nullopt : wholeNumber(text.substr(0, slash));
  const auto count =
      slash == std::string_view::npos ? std::nullopt : wholeNumber(text.substr(slash + 1));
  if (!index || !count)
    return Unexpected("\"" + std::string(text) + "\" is no K/N (shard K of N) nor auto");
  if (*count < 1 || *count > 1'000'000 || *index < 1 || *index > *count)
    return Unexpected("\"" + std::string(text) + "\": K must be from 1 to N, N at most 1000000");
  return Shard{static_cast<int>(*index), static_cast<int>(*count)};
}

Expected<Shard, std::string> shardFromEnvironment(
    const std::function<std::optional<std::string>(const char*)>& variable) {
  const auto number = [&](const char* name) -> std::optional<long long> {
    const auto value = variable(name);
    return value ? wholeNumber(*value) : std::nullopt;
  };
  if (const auto index = variable("JOB_COMPLETION_INDEX")) {
    const auto task = wholeNumber(*index);
    const auto count = number("VANTREL_SHARD_COUNT");
    if (!task) return Unexpected("JOB_COMPLETION_INDEX is no whole number: " + *index);
    if (!count)
      return Unexpected(std::string(
          "JOB_COMPLETION_INDEX is set but VANTREL_SHARD_COUNT (the Job's completions) is not"));
    return shardOfTask(*task, *count, "JOB_COMPLETION_INDEX and VANTREL_SHARD_COUNT");
  }
  if (const auto id = variable("SLURM_ARRAY_TASK_ID")) {
    const auto task = wholeNumber(*id);
    const auto count = number("SLURM_ARRAY_TASK_COUNT");
    if (!task) return Unexpected("SLURM_ARRAY_TASK_ID is no whole number: " + *id);
    if (!count)
      return Unexpected(
          std::string("SLURM_ARRAY_TASK_ID is set but SLURM_ARRAY_TASK_COUNT is not"));
    const long long first = number("SLURM_ARRAY_TASK_MIN").value_or(0);
    const long long step = number("SLURM_ARRAY_TASK_STEP").value_or(1);
    if (step < 1 || (*task - first) % step != 0)
      return Unexpected(std::string("the Slurm array's task IDs are not evenly spaced"));
    return shardOfTask((*task - first) / step, *count,
                       "SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT");
  }
  return Unexpected(
      std::string("auto needs JOB_COMPLETION_INDEX (a Kubernetes indexed Job) or "
                  "SLURM_ARRAY_TASK_ID (a Slurm job array); neither is set"));
}

bool inShard(std::string_view path, const Shard& shard) {
  if (shard.count < 1) return true;
  return sourcePathHash(path) % static_cast<uint64_t>(shard.count) ==
         static_cast<uint64_t>(shard.index - 1);
}

std::vector<std::string> shardOf(std::span<const std::string> sources, const Shard& shard) {
  std::vector<std::string> part;
  for (const std::string& source : sources) {
    if (inShard(source, shard)) part.push_back(source);
  }
  return part;
}

}  // namespace vantrel
