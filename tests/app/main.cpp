// SPDX-License-Identifier: MIT
// The application tests run inside one TApplication whose error report goes
// to a recorder instead of a box; headless on Qt's offscreen platform.

#include <gtest/gtest.h>

#include "application.h"
#include "recordingmessages.h"

namespace tessary::testing {
TRecordingMessages gMessages;
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  tessary::TApplication app(argc, argv, &tessary::testing::gMessages);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
