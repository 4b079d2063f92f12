// SPDX-License-Identifier: MIT
#include "toolband.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace tessary {

namespace {

// The tool bar's separator: as wide as the style makes it, drawn by it.
class TBandSeparator : public QWidget {
 public:
  explicit TBandSeparator(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
  }
  QSize sizeHint() const override {
    const int extent = style()->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, nullptr, this);
    return {extent, extent};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawPrimitive(QStyle::PE_IndicatorToolBarSeparator, &option, &painter, this);
  }
};

}  // namespace

TToolBand::TToolBand(QWidget* parent, Qt::ToolButtonStyle buttonStyle, const QSize& iconSize)
    : QWidget(parent), FRow(new QHBoxLayout(this)), FButtonStyle(buttonStyle), FIconSize(iconSize) {
  const int margin = style()->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, this) +
                     style()->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, this);
  FRow->setContentsMargins(margin, margin, margin, margin);
  FRow->setSpacing(style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, this));
  FRow->addStretch();  // the buttons stand at the left
}

QToolButton* TToolBand::AddButton(QAction* action) {
  addAction(action);
  auto* button = new QToolButton(this);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setIconSize(FIconSize);
  button->setToolButtonStyle(FButtonStyle);
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  button->setDefaultAction(action);
  FRow->insertWidget(FRow->count() - 1, button);
  return button;
}

void TToolBand::AddSeparator() {
  auto* line = new QAction(this);
  line->setSeparator(true);
  addAction(line);
  FRow->insertWidget(FRow->count() - 1, new TBandSeparator(this));
}

QToolButton* TToolBand::ButtonFor(const QAction* action) const {
  for (QToolButton* button : findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
    if (button->defaultAction() == action) return button;
  return nullptr;
}

}  // namespace tessary
