// SPDX-License-Identifier: MIT
// main() of the test programs that need a QApplication: without a screen
// they use Qt's offscreen platform.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Tessary公式计算器"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
