// SPDX-License-Identifier: MIT
#pragma once

// One band of the window's tool bar: a row of tool buttons for actions,
// with separators between groups, spaced and drawn as in a QToolBar. The
// window's bands never move, float or overflow, which is all a QToolBar adds;
// its layout alone cost a good part of the window's start.

#include <QAction>
#include <QSize>
#include <QToolButton>
#include <QWidget>

class QHBoxLayout;

namespace tessary {

class TToolBand : public QWidget {
  Q_OBJECT

 public:
  TToolBand(QWidget* parent, Qt::ToolButtonStyle buttonStyle, const QSize& iconSize);

  // A button for action, at the end of the row; the action is the band's
  // too (actions()).
  QToolButton* AddButton(QAction* action);
  // A line between two groups of buttons.
  void AddSeparator();
  // The button of action, or null.
  QToolButton* ButtonFor(const QAction* action) const;

 private:
  QHBoxLayout* FRow;
  Qt::ToolButtonStyle FButtonStyle;
  QSize FIconSize;
};

}  // namespace tessary
