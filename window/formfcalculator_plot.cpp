// SPDX-License-Identifier: MIT
// 绘图: the statement under the caret as a curve of x, in a plot window that
// gathers the curves plotted while it is open.

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <memory>

#include "definitions.h"
#include "formfcalculator.h"
#include "plotsource.h"
#include "plotwindow.h"
#include "statementsource.h"

namespace tessary {

// The line as Calculate reads it (full-width forms, comments, spaces): its
// expression after "=", or f(x) for a definition of a function f of one
// parameter.
std::optional<std::string> TFormFCalculator::PlotExpression(QString& why) const {
  const std::string line =
      JoinFormulaLines({FOriFormula->textCursor().block().text().toStdString()});
  if (line.empty()) {
    why = QStringLiteral("这一行没有可绘的式子");
    return std::nullopt;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return line;
  const std::optional<TDefinitionHead> head = ReadDefinitionHead(line.substr(0, equals));
  if (!head) return line.substr(equals + 1);
  if (head->Params.size() != 1) {
    why = QStringLiteral("函数 %1 有 %2 个参数，只能绘一个参数的函数")
              .arg(QString::fromStdString(head->Name))
              .arg(head->Params.size());
    return std::nullopt;
  }
  return head->Name + "(x)";
}

void TFormFCalculator::MTools_PlotClick() {
  QString why;
  const std::optional<std::string> expression = PlotExpression(why);
  if (!expression) return ShowPlotStatus(why);
  TWorksheet ws;
  if (!ReadSheet(ws)) return;
  auto source = std::make_shared<plot::TPlotSource>(std::move(ws), *expression);
  if (!source->Error().empty()) return ShowPlotStatus(QString::fromStdString(source->Error()));
  if (!FPlotWindow) FPlotWindow = new TPlotWindow(FDialogs, this);
  FPlotWindow->SetFolder(DialogFolder());
  if (!FPlotWindow->AddCurve(std::move(source), QString::fromStdString(*expression)))
    return ShowPlotStatus(
        QStringLiteral("绘图窗口最多容纳 %1 条曲线").arg(TPlotWindow::kMostCurves));
  ShowPlotStatus(QString());
  FPlotWindow->show();
  FPlotWindow->raise();
  FPlotWindow->activateWindow();
}

TPlotWindow* TFormFCalculator::PlotWindow() const { return FPlotWindow; }

void TFormFCalculator::ShowPlotStatus(const QString& text) {
  ShowFailure(-1);  // the status bar no longer tells of a failed result
  FStatusDetail->setText(text);
}

}  // namespace tessary
