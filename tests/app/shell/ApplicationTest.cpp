// Tests of TApplication (app/shell/Application.cpp): failures reaching the
// message loop.
#include <new>
#include <stdexcept>

#include "app/shell/Application.h"
#include "editor/SrcEdit.h"
#include "tests/app/AppFixture.h"

// A failure that reaches the message loop is shown as an error and the
// program goes on; an event that raised counts as not handled.
TEST_F(AppFixture, FailuresReachingTheMessageLoopAreShown) {
  struct Case {
    std::function<bool()> deliver;
    QString shown;
  };
  const Case cases[] = {
      {[]() -> bool { throw ESrcEditError(QStringLiteral("Not enough memory to paste the text.")); },
       QStringLiteral("Not enough memory to paste the text.")},
      {[]() -> bool { throw std::bad_alloc(); }, QStringLiteral("OutOfMemory")},
      {[]() -> bool { throw std::runtime_error("disk gone"); }, QStringLiteral("disk gone")},
  };
  for (const Case& c : cases) EXPECT_FALSE(TApplication::DeliverShowingFailures(c.deliver));
  ASSERT_EQ(prompts.Messages().size(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(prompts.Messages()[i].text, cases[i].shown);
    EXPECT_EQ(prompts.Messages()[i].kind, 2);
  }
  EXPECT_TRUE(TApplication::DeliverShowingFailures([] { return true; }));
  EXPECT_EQ(prompts.Messages().size(), 3);
}
