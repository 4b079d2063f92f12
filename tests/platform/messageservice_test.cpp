// SPDX-License-Identifier: MIT
// The real message boxes, headless: how a question with 取消 is answered
// from the keyboard and by closing the box.

#include "messageservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace tessary::platform {
namespace {

// Runs act on the box once it is up, then answers the question.
TMessageAnswer Ask(TMessageButtons buttons, const std::function<void(QMessageBox*)>& act) {
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      poll.stop();
      act(box);
    }
  });
  poll.start(10);
  return SystemMessageService().ShowMessageBox(nullptr, QStringLiteral("当前数据已经变动"),
                                               QStringLiteral("你保存当前数据吗？"),
                                               TMessageIcon::Question, buttons);
}

// Escape and the box's close button mean 取消: the command stops.
TEST(MessageService, EscapeAndClosingCancelTheSaveQuestion) {
  QStringList captions;
  EXPECT_EQ(Ask(TMessageButtons::YesNoCancel,
                [&](QMessageBox* box) {
                  for (QAbstractButton* b : box->buttons()) captions << b->text();
                  QTest::keyClick(box, Qt::Key_Escape);
                }),
            TMessageAnswer::Cancel);
  EXPECT_TRUE(captions.contains(QStringLiteral("取消"))) << captions.join(", ").toStdString();
  EXPECT_EQ(Ask(TMessageButtons::YesNoCancel, [](QMessageBox* box) { box->close(); }),
            TMessageAnswer::Cancel);
  EXPECT_EQ(Ask(TMessageButtons::YesNoCancel,
                [](QMessageBox* box) { box->button(QMessageBox::No)->click(); }),
            TMessageAnswer::No);
}

}  // namespace
}  // namespace tessary::platform
