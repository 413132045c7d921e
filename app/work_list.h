#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "run/expected.h"

namespace vantrel {

// How the paths of a work list are separated.
enum class ListSeparator { Line, Nul };

// The source paths of a work list (one a line, or NUL-separated as `find -print0` writes
// them), in list order. Empty entries are passed over; a line's carriage return (a list
// written on Windows) is not part of its path. At most `maxPaths` paths of at most 4096 bytes
// are taken: a longer list or path is refused rather than read into memory without end.
Expected<std::vector<std::string>, std::string> readWorkList(std::istream& list,
                                                             ListSeparator separator,
                                                             size_t maxPaths = 10'000'000);

// The sources of a run, from the command line and the work list; with `eachOnce` (a batch,
// whose manifest records each file once) a path listed again is passed over. A folder is
// refused with the way to list its databases.
Expected<std::vector<std::string>, std::string> runSources(std::vector<std::string> paths,
                                                           bool eachOnce);

// The stable hash of a source path: FNV-1a of 64 bits over the path's bytes as given. It
// never changes between versions or machines, so that every worker of a batch, wherever it
// runs, puts each path in the same shard and gives it the same destination name.
uint64_t sourcePathHash(std::string_view path);

// One of N equal parts of a work list, as `split -n K/N` counts them: 1 <= index <= count.
struct Shard {
  int index = 1;
  int count = 1;
  friend bool operator==(const Shard&, const Shard&) = default;
};

// "K/N".
Expected<Shard, std::string> parseShard(std::string_view text);

// The shard of a worker that a batch scheduler started, from its environment (`variable`
// returns a variable's value, none when unset): Kubernetes' indexed Job gives
// JOB_COMPLETION_INDEX (from 0) and the count must come with it, as VANTREL_SHARD_COUNT (a Job's
// `completions`); a Slurm job array gives SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT (the
// task IDs must run from 0 or 1 without gaps: SLURM_ARRAY_TASK_MIN says which). Neither set is
// refused: a worker that took every file would do the others' work too.
Expected<Shard, std::string> shardFromEnvironment(
    const std::function<std::optional<std::string>(const char*)>& variable);

// Whether the source belongs to the shard: its path's hash modulo the count, from 0.
bool inShard(std::string_view path, const Shard& shard);

// The sources of `sources` in the shard, in list order.
std::vector<std::string> shardOf(std::span<const std::string> sources, const Shard& shard);

}  // namespace vantrel
