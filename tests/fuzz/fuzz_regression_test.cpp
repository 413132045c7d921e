// Every input a fuzz target once failed on, replayed through the same run (fuzz/regressions/
// <target>/). Each must come back; the sanitizer build catches any fault on the way.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz/fuzz_runs.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

using Run = std::function<void(std::span<const uint8_t>)>;

const std::map<std::string, Run>& runsByTarget() {
  static const std::map<std::string, Run> runs{
      {"analysis", fuzz::analyseFile},           {"saving", fuzz::saveFile},
      {"query_rebuild", fuzz::rebuildQueries},   {"query_rows", fuzz::buildQueryFromRows},
      {"view_translation", fuzz::translateView}, {"name_decoding", fuzz::decodeNames},
  };
  return runs;
}

struct RegressionInput {
  std::string target;
  fs::path path;
};

std::vector<RegressionInput> regressionInputs() {
  std::vector<RegressionInput> inputs;
  const fs::path root = fs::path(VANTREL_SOURCE_DIR) / "fuzz" / "regressions";
  for (const auto& [target, run] : runsByTarget()) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root / target, error)) {
      if (entry.is_regular_file()) inputs.push_back({target, entry.path()});
    }
  }
  std::sort(inputs.begin(), inputs.end(),
            [](const auto& a, const auto& b) { return a.path < b.path; });
  return inputs;
}

std::string testName(const ::testing::TestParamInfo<RegressionInput>& info) {
  std::string name = info.param.target + "_" + info.param.path.stem().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class FuzzRegressionTest : public ::testing::TestWithParam<RegressionInput> {};

TEST_P(FuzzRegressionTest, InputComesBack) {
  std::ifstream in(GetParam().path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(bytes.empty());
  runsByTarget().at(GetParam().target)(bytes);
  // Each input of a file target is also saved and analysed: what one walk survives, the
  // others must survive too.
  if (GetParam().target != "query_rows" && GetParam().target != "view_translation" &&
      GetParam().target != "name_decoding") {
    fuzz::analyseFile(bytes);
    fuzz::saveFile(bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegressionTest, ::testing::ValuesIn(regressionInputs()),
                         testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegressionTest);

}  // namespace
}  // namespace vantrel
