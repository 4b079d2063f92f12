// SPDX-License-Identifier: MIT
// The bulletin board: one asynchronous request at start-up whose page fills
// the side panels with their pieces and links.

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

#include "aascrolltext.h"
#include "boardfetch.h"
#include "formfcalculator.h"

namespace tessary {

void TFormFCalculator::StartBoard() {
  if (!FBoardUrl.isEmpty()) BBRDClick();
}

void TFormFCalculator::BBRDClick() { FBoard->Start(FBoardUrl); }

void TFormFCalculator::ApplyBoardText(const TBoard& board) {
  const QPointer<TFormFCalculator> alive(this);
  const unsigned round = FBoard->Round();
  for (int i = 0; i < std::min(board.Count, kPanelCount); ++i) {
    // A page may ask for long rows and many of them: laid out on the
    // layout threads, the first frame first, the window answers meanwhile.
    FPanels[i]->SetLayoutInBackground(true);
    FPanels[i]->Text().SetLines(board.Lines[i]);
    FPanels[i]->SetActive(true);
    // Shows each panel as it is filled; user commands may run in between,
    // and one of them may start another fetch.
    QCoreApplication::processEvents();
    if (!alive || round != FBoard->Round()) return;
  }
}

}  // namespace tessary
