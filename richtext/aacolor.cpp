// SPDX-License-Identifier: MIT
#include "aacolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace tessary {

namespace {

// The classic system colour indices the controls use, and the palette roles
// that play their part here.
QPalette::ColorRole RoleOf(int index, bool& known) {
  known = true;
  switch (index) {
    case 5: return QPalette::Base;        // window background
    case 8: return QPalette::WindowText;  // window text
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;  // button face
    case 18: return QPalette::ButtonText;
    default: known = false; return QPalette::WindowText;
  }
}

}  // namespace

QColor ResolveColor(TColor color) {
  if (color >= 0) return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  bool known = false;
  const QPalette::ColorRole role = RoleOf(color & 0xFF, known);
  if (!known) return QColor(0, 0, 0);
  const QColor c = QGuiApplication::palette().color(QPalette::Active, role);
  return QColor(c.red(), c.green(), c.blue());
}

}  // namespace tessary
