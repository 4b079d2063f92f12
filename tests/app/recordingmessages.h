// SPDX-License-Identifier: MIT
#pragma once

// Message boxes that are recorded instead of shown.

#include <QString>

#include <vector>

#include "messageservice.h"

namespace tessary::testing {

struct TRecordedBox {
  QString Caption;
  QString Text;
  platform::TMessageIcon Icon;
  platform::TMessageButtons Buttons;
};

class TRecordingMessages final : public platform::IMessageService {
 public:
  platform::TMessageAnswer ShowMessageBox(QWidget*, const QString& caption, const QString& text,
                                          platform::TMessageIcon icon,
                                          platform::TMessageButtons buttons) override {
    Boxes.push_back({caption, text, icon, buttons});
    return platform::TMessageAnswer::Ok;
  }
  std::vector<TRecordedBox> Boxes;
};

extern TRecordingMessages gMessages;

}  // namespace tessary::testing
