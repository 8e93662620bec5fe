#include <gtest/gtest.h>

#include <stdexcept>

#include "core/common/Prompter.h"
#include "support/ScriptedPrompter.h"

namespace typelane {
namespace {

using V = std::vector<std::string_view>;
using A = std::vector<Answer>;

TEST(Prompter, MessageLinesSplitAtEveryLineBreak) {
  EXPECT_EQ(MessageLines("Position the mouse.\rThen press Enter."),
            (V{"Position the mouse.", "Then press Enter."}));
  EXPECT_EQ(MessageLines("one\r\ntwo\nthree"), (V{"one", "two", "three"}));
  // An empty line in the middle stays; a break at the end adds no line.
  EXPECT_EQ(MessageLines("a\r\rb\r"), (V{"a", "", "b"}));
  EXPECT_EQ(MessageLines(""), (V{""}));
  EXPECT_EQ(MessageLines("\r\n"), (V{""}));
  // LF CR is two breaks, CR LF one.
  EXPECT_EQ(MessageLines("a\n\rb"), (V{"a", "", "b"}));
}

TEST(Prompter, ButtonSetsWithTheirDefaultAndEscapeButtons) {
  auto answers = [](Buttons b) {
    auto span = ButtonAnswers(b);
    return A(span.begin(), span.end());
  };
  EXPECT_EQ(answers(Buttons::kOk), (A{Answer::kOk}));
  EXPECT_EQ(answers(Buttons::kOkCancel), (A{Answer::kOk, Answer::kCancel}));
  EXPECT_EQ(answers(Buttons::kYesNo), (A{Answer::kYes, Answer::kNo}));
  EXPECT_EQ(answers(Buttons::kYesNoCancel), (A{Answer::kYes, Answer::kNo, Answer::kCancel}));

  // Enter: the first button. Esc: OK alone, Cancel where there is one, and
  // nothing at all for Yes/No (the close question must not lose changes).
  EXPECT_EQ(DefaultAnswer(Buttons::kOkCancel), Answer::kOk);
  EXPECT_EQ(DefaultAnswer(Buttons::kYesNoCancel), Answer::kYes);
  EXPECT_EQ(EscapeAnswer(Buttons::kOk), Answer::kOk);
  EXPECT_EQ(EscapeAnswer(Buttons::kOkCancel), Answer::kCancel);
  EXPECT_EQ(EscapeAnswer(Buttons::kYesNoCancel), Answer::kCancel);
  EXPECT_EQ(EscapeAnswer(Buttons::kYesNo), std::nullopt);
  // A message naming a file: Enter and Esc both only close it.
  EXPECT_EQ(answers(Buttons::kOkOpen), (A{Answer::kOk, Answer::kOpen}));
  EXPECT_EQ(DefaultAnswer(Buttons::kOkOpen), Answer::kOk);
  EXPECT_EQ(EscapeAnswer(Buttons::kOkOpen), Answer::kOk);
  EXPECT_TRUE(HasAnswer(Buttons::kOkCancel, Answer::kCancel));
  EXPECT_FALSE(HasAnswer(Buttons::kYesNo, Answer::kCancel));
}

TEST(Prompter, ScriptedPrompterAnswersLikeTheBox) {
  testing::ScriptedPrompter p;
  // Unscripted: Esc's answer, or No where Esc does nothing.
  EXPECT_EQ(p.Message(kTitleInfo, "Turn it on?\rClick OK.", Buttons::kOkCancel), Answer::kCancel);
  EXPECT_EQ(p.Message(kTitleInfo, "Save?", Buttons::kYesNo), Answer::kNo);
  EXPECT_EQ(p.shown[0].lines, (std::vector<std::string>{"Turn it on?", "Click OK."}));
  p.answers.push_back(Answer::kOk);
  EXPECT_EQ(p.Message(kTitleInfo, "x", Buttons::kOkCancel), Answer::kOk);
  // A test that scripts an answer the box does not have is told so.
  p.answers.push_back(Answer::kCancel);
  EXPECT_THROW(p.Message(kTitleInfo, "x", Buttons::kYesNo), std::logic_error);
}

}  // namespace
}  // namespace typelane
