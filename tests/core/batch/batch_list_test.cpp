#include "batch/batch_list.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

namespace imbrino {
namespace {

// With a decimal point under any locale: the desktop program runs under the
// user's, and a German one writes "1,50" for printf's "%.2f".
TEST(FileSizeText, ChangesUnitAtEachBoundaryWhateverTheLocale) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 Byte"},        {1023, "1023 Byte"},           {1024, "1.00 KB"},
      {1536, "1.50 KB"},    {1048575, "1024.00 KB"},       {1048576, "1.00 MB"},
      {3145728, "3.00 MB"}, {5368709120ull, "5120.00 MB"}, {1029, "1.00 KB"},
  };
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  for (const auto& [bytes, text] : cases) EXPECT_EQ(fileSizeText(bytes), text) << bytes;
  std::setlocale(LC_NUMERIC, before.c_str());
  if (!german) GTEST_SKIP() << "de_DE.UTF-8 is not installed: checked under " << before << " only";
}

// Plays a round of adding: `listed` says which files are listed already,
// `answers` answers the questions in turn. Returns which files went in and
// how many questions were asked.
struct Round {
  std::vector<bool> added;
  int questions = 0;
};
Round play(const std::vector<bool>& listed, std::vector<DuplicateAnswer> answers) {
  DuplicateRule rule;
  Round round;
  for (const bool isListed : listed) {
    switch (rule.decide(isListed)) {
      case DuplicateRule::Decision::Add:
        round.added.push_back(true);
        break;
      case DuplicateRule::Decision::Skip:
        round.added.push_back(false);
        break;
      case DuplicateRule::Decision::Ask:
        ++round.questions;
        round.added.push_back(rule.answer(answers.at(round.questions - 1)));
        break;
    }
  }
  return round;
}

TEST(DuplicateRule, AnswersHoldForOneFileOrForTheRestOfTheRound) {
  using A = DuplicateAnswer;
  const bool T = true, F = false;
  // Ten files, three listed; "no to all" at the first: the seven new ones
  // go in without another question.
  Round r = play({F, T, F, T, F, F, T, F, F, F}, {A::NoToAll});
  EXPECT_EQ(r.questions, 1);
  EXPECT_EQ(r.added, (std::vector<bool>{T, F, T, F, T, T, F, T, T, T}));
  // "Yes to all": every listed file goes in again, asked once.
  r = play({T, F, T, T}, {A::YesToAll});
  EXPECT_EQ(r.questions, 1);
  EXPECT_EQ(r.added, (std::vector<bool>{T, T, T, T}));
  // "Yes" and "no" hold for one file: asked each time.
  r = play({T, T, T}, {A::Yes, A::No, A::Yes});
  EXPECT_EQ(r.questions, 3);
  EXPECT_EQ(r.added, (std::vector<bool>{T, F, T}));
  // A new round asks again.
  r = play({T}, {A::No});
  EXPECT_EQ(r.questions, 1);
  EXPECT_EQ(r.added, (std::vector<bool>{F}));
}

}  // namespace
}  // namespace imbrino
