// The mode is decided by plain case-sensitive searches of the whole command
// line, program path included, in the order /a, /p, /c.
#include <gtest/gtest.h>

#include "app/Dispatch.h"
#include "app/Preview.h"

namespace {

using app::Mode;

TEST(Dispatch, SelectsModeBySubstringInFixedOrder) {
  struct Case {
    const char* commandLine;
    Mode expected;
  } cases[] = {
      {R"("C:\Windows\SarvaneShuttle.scr")", Mode::Run},
      {R"("C:\Windows\SarvaneShuttle.scr" /s)", Mode::Run},
      {R"("C:\Windows\SarvaneShuttle.scr" /S)", Mode::Run},
      {R"(SarvaneShuttle.scr /C)", Mode::Run},  // case-sensitive: upper case matches nothing
      {R"(SarvaneShuttle.scr /P 1234)", Mode::Run},
      {R"(SarvaneShuttle.scr /A 1)", Mode::Run},
      {R"(SarvaneShuttle.scr -c)", Mode::Run},
      {R"(SarvaneShuttle.scr /c)", Mode::Configure},
      {R"(SarvaneShuttle.scr /c:1234)", Mode::Configure},
      {R"(SarvaneShuttle.scr /c 1234)", Mode::Configure},
      {R"(SarvaneShuttle.scr /p)", Mode::Preview},
      {R"(SarvaneShuttle.scr /p:1234)", Mode::Preview},
      {R"(SarvaneShuttle.scr /p 1234)", Mode::Preview},
      {R"(SarvaneShuttle.scr /a 99)", Mode::PasswordSetup},
      {R"(SarvaneShuttle.scr /c /p 5)", Mode::Preview},           // /p beats /c wherever it stands
      {R"(SarvaneShuttle.scr /p 5 /c /a)", Mode::PasswordSetup},  // /a beats both
      {R"(SarvaneShuttle.scr /s /c)", Mode::Configure},
      {R"("C:/programs/saver.scr" /c)", Mode::Preview},    // the path holds "/p"
      {R"("C:/apps/saver.scr" /c)", Mode::PasswordSetup},  // the path holds "/a"
      {"", Mode::Run},
  };
  for (const auto& c : cases) EXPECT_EQ(app::SelectMode(c.commandLine), c.expected) << c.commandLine;
}

TEST(Dispatch, SplitsWordsOnBlanksAndTabsWithQuotesGrouping) {
  struct Case {
    const char* commandLine;
    std::vector<std::string> expected;
  } cases[] = {
      {R"("C:\Program Files\Saver.scr" /p 1234)", {R"(C:\Program Files\Saver.scr)", "/p", "1234"}},
      {"saver.scr\t/p\t\t42  ", {"saver.scr", "/p", "42"}},
      {"saver.scr /p:1234", {"saver.scr", "/p:1234"}},
      {R"(a"b c"d e)", {"ab cd", "e"}},
      {R"(saver.scr "" x)", {"saver.scr", "", "x"}},
      {"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(app::SplitWords(c.commandLine), c.expected) << c.commandLine;
}

TEST(Dispatch, ReadsThePreviewHandleLikePercentD) {
  struct Case {
    const char* word;
    long expected;
  } cases[] = {
      {"1234", 1234},  {"  77", 77}, {"+5", 5}, {"-42", -42},
      {"123abc", 123}, {"abc", 0},   {"", 0},   {"0x10", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(app::ParseHandleWord(c.word), c.expected) << c.word;
}

}  // namespace
