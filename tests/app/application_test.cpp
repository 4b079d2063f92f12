// SPDX-License-Identifier: MIT
// An exception that leaves a command is shown, once, with its message, and
// the program carries on.

#include "application.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>

#include "exceptionhook.h"
#include "recordingmessages.h"

namespace tessary {
namespace {

using testing::gMessages;

// Runs the event loop until pred holds or two seconds have passed.
bool ProcessUntil(const std::function<bool()>& pred) {
  QDeadlineTimer deadline(2000);
  while (!pred() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return pred();
}

TEST(Application, ExceptionFromASlotIsShownAndTheProgramGoesOn) {
  struct TCase {
    const char* what;
    std::function<void()> thrower;
    QString expected;
  };
  const TCase cases[] = {
      {"our message", [] { throw std::runtime_error("公式错误：括号不配对!"); },
       QStringLiteral("公式错误：括号不配对!")},
      // A duplicate key of the variable table, as the worksheet code makes
      // it: the key in code page 936 ("变量" = B1E4 C1BF).
      {"code page 936 key",
       [] {
         throw std::runtime_error("A key with the name of \"\xB1\xE4\xC1\xBF\" already exists");
       },
       QStringLiteral("A key with the name of \"变量\" already exists")},
      {"not a std::exception", [] { throw 42; }, QStringLiteral("未知错误")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    gMessages.Boxes.clear();
    bool later = false;
    QTimer::singleShot(0, qApp, c.thrower);
    QTimer::singleShot(0, qApp, [&later] { later = true; });
    ASSERT_TRUE(ProcessUntil([&] { return later; })) << "the loop goes on after the exception";
    ASSERT_EQ(gMessages.Boxes.size(), 1u);
    const testing::TRecordedBox& box = gMessages.Boxes.front();
    EXPECT_EQ(box.Caption, QStringLiteral("Tessary公式计算器"));
    EXPECT_EQ(box.Text, c.expected);
    EXPECT_EQ(box.Icon, platform::TMessageIcon::Error);
    EXPECT_EQ(box.Buttons, platform::TMessageButtons::Ok);
  }
}

TEST(Application, ATimerHandlerFailureIsReportedOnTheUserInterfaceThread) {
  gMessages.Boxes.clear();
  // As the timer worker reports a throwing unsynchronised handler: from
  // another thread, where no box may open.
  std::thread worker(
      [] { HandleApplicationException(std::runtime_error("Invalid line!"), "Timer handler"); });
  worker.join();
  EXPECT_TRUE(gMessages.Boxes.empty()) << "nothing is shown off the user-interface thread";
  ASSERT_TRUE(ProcessUntil([] { return !gMessages.Boxes.empty(); }));
  EXPECT_EQ(gMessages.Boxes.front().Text, QStringLiteral("Invalid line!"));
}

TEST(Application, MessageText) {
  struct TCase {
    std::string what;
    QString expected;
  };
  const TCase cases[] = {
      {"", QString()},
      {"Invalid line!", QStringLiteral("Invalid line!")},
      {"被0除", QStringLiteral("被0除")},  // valid UTF-8 stays as it is
      {"\xB1\xBB"
       "0\xB3\xFD",
       QStringLiteral("被0除")},  // the same in code page 936
  };
  for (const TCase& c : cases) EXPECT_EQ(TApplication::MessageText(c.what), c.expected) << c.what;
}

TEST(Application, IsNamedForTheUser) {
  EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Tessary公式计算器"));
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Tessary公式计算器"));
}

}  // namespace
}  // namespace tessary
