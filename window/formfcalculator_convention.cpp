// SPDX-License-Identifier: MIT
// The math convention of the worksheet: declared by a comment line before
// the first statement, so the window only writes and reads that line.

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include <vector>

#include "convention.h"
#include "formfcalculator.h"

namespace tessary {

namespace {

// Calls each(block, line) for the lines before the first statement.
template <typename TEach>
void ForLeadingLines(const QTextDocument& document, TEach each) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const TLeadingLine line = ReadLeadingLine(block.text().toStdString());
    if (line.Role == TLineRole::Statement) return;
    each(block, line);
  }
}

TConvention DeclaredIn(const QTextDocument& document) {
  TConvention declared = TConvention::Classic;
  ForLeadingLines(document, [&declared](const QTextBlock&, const TLeadingLine& line) {
    if (line.Declares) declared = *line.Declares;
  });
  return declared;
}

}  // namespace

void TFormFCalculator::BuildConventionMenu(QMenu* tools) {
  QMenu* menu = tools->addMenu(QStringLiteral("&M 数学约定"));
  menu->setObjectName(QStringLiteral("MTools_Convention"));
  auto* group = new QActionGroup(menu);
  FClassicItem = menu->addAction(QStringLiteral("&C 经典（2^3^2=64，-2^2=4）"));
  FClassicItem->setObjectName(QStringLiteral("MTools_Classic"));
  FStandardItem = menu->addAction(QStringLiteral("&S 标准（2^3^2=512，-2^2=-4）"));
  FStandardItem->setObjectName(QStringLiteral("MTools_Standard"));
  for (QAction* item : {FClassicItem, FStandardItem}) {
    item->setCheckable(true);
    group->addAction(item);
  }
  FClassicItem->setChecked(true);
  connect(FClassicItem, &QAction::triggered, this,
          [this] { ChooseConvention(TConvention::Classic); });
  connect(FStandardItem, &QAction::triggered, this,
          [this] { ChooseConvention(TConvention::Standard); });
}

// Removes every declaration before the first statement and, for the
// textbook rules, puts one line at the top: one step of Undo.
void TFormFCalculator::ChooseConvention(TConvention convention) {
  QTextDocument& document = *FOriFormula->document();
  if (DeclaredIn(document) == convention) return;
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  std::vector<int> declarations;
  ForLeadingLines(document, [&declarations](const QTextBlock& block, const TLeadingLine& line) {
    if (line.Declares) declarations.push_back(block.blockNumber());
  });
  for (auto at = declarations.rbegin(); at != declarations.rend(); ++at) {
    QTextCursor line(document.findBlockByNumber(*at));
    line.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    if (line.position() == line.anchor()) {  // the last line: take the break before it
      line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      line.movePosition(QTextCursor::StartOfBlock);
      line.movePosition(QTextCursor::PreviousCharacter);
      line.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    line.removeSelectedText();
  }
  if (convention == TConvention::Standard) {
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(QString::fromUtf8(kStandardDeclaration.data(),
                                        static_cast<qsizetype>(kStandardDeclaration.size())) +
                      QLatin1Char('\n'));
  }
  cursor.endEditBlock();
  ShowConvention();
}

void TFormFCalculator::ShowConvention() {
  const bool standard = DeclaredIn(*FOriFormula->document()) == TConvention::Standard;
  FStatusConvention->setText(standard ? QStringLiteral("约定：标准")
                                      : QStringLiteral("约定：经典"));
  (standard ? FStandardItem : FClassicItem)->setChecked(true);
}

}  // namespace tessary
