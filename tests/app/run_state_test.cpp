#include "run/run_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/stop_questions.h"
#include "run/walk_end.h"

namespace vantrel {
namespace {

// Hooks that answer every stop question with a fixed answer and remember what was asked.
class ScriptedHooks : public SilentRunHooks {
 public:
  explicit ScriptedHooks(bool answer) : answer_(answer) {}
  bool confirmStop(RunPhase phase) override {
    questions.emplace_back(stopQuestionText(phase));
    return answer_;
  }
  void appendSavingListLine(int row, std::string_view text) override {
    lines.emplace_back(std::to_string(row) + ":" + std::string(text));
  }
  std::vector<std::string> questions;
  std::vector<std::string> lines;

 private:
  bool answer_;
};

TEST(RunStateTest, NoRequestMeansNoQuestion) {
  ScriptedHooks hooks(true);
  RunState run(hooks);
  run.runPhase = RunPhase::kAnalysis;
  EXPECT_FALSE(run.stopConfirmed());
  EXPECT_TRUE(hooks.questions.empty());
}

TEST(RunStateTest, AConfirmedStopAsksThePhasesQuestion) {
  ScriptedHooks hooks(true);
  RunState run(hooks);
  run.runPhase = RunPhase::kSaving;
  run.requestStop();
  EXPECT_TRUE(run.stopConfirmed());
  run.runPhase = RunPhase::kAnalysis;
  run.requestStop();
  EXPECT_TRUE(run.stopConfirmed());
  ASSERT_EQ(hooks.questions.size(), 2u);
  EXPECT_EQ(hooks.questions[0], "Saving is in progress, Do you want to stop ?      ");
  EXPECT_EQ(hooks.questions[1], "Analysis is in progress, Do you want to stop ?      ");
}

TEST(RunStateTest, ACancelledPreviewLoadStopsWithoutAQuestion) {
  ScriptedHooks hooks(false);
  RunState run(hooks);
  run.runPhase = RunPhase::kPreviewLoad;
  run.requestStop();
  EXPECT_TRUE(run.stopConfirmed());
  EXPECT_TRUE(hooks.questions.empty());
}

TEST(RunStateTest, DeclinedStopGoesOnAndClearsTheRequest) {
  ScriptedHooks hooks(false);
  RunState run(hooks);
  run.runPhase = RunPhase::kAnalysis;
  run.requestStop();
  EXPECT_FALSE(run.stopConfirmed());
  EXPECT_EQ(run.stopRequested.load(), 0);
  EXPECT_FALSE(run.stopConfirmed());
  EXPECT_EQ(hooks.questions.size(), 1u);
}

TEST(RunStateTest, TwoRequestsBeforeOneCheckGiveOneQuestion) {
  ScriptedHooks hooks(true);
  RunState run(hooks);
  run.runPhase = RunPhase::kSaving;
  run.requestStop();
  run.requestStop();
  EXPECT_TRUE(run.stopConfirmed());
  EXPECT_FALSE(run.stopConfirmed());
  EXPECT_EQ(hooks.questions.size(), 1u);
}

TEST(RunStateTest, SavingListLinesAdvanceTheRow) {
  ScriptedHooks hooks(true);
  RunState run(hooks);
  run.appendSavingListLine("first");
  run.appendSavingListLine("");
  EXPECT_EQ(run.savingListRow.load(), 2);
  EXPECT_EQ(hooks.lines, (std::vector<std::string>{"0:first", "1:"}));
}

}  // namespace
}  // namespace vantrel
