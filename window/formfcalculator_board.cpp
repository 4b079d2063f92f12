// The bulletin board: one asynchronous request at start-up whose page fills
// the side panels with their pieces and links.

#include <QCoreApplication>
#include <QPointer>

#include <exception>

#include "aascrolltext.h"
#include "ajaxevent.h"
#include "boardtext.h"
#include "formfcalculator.h"

namespace tessary {

void TFormFCalculator::StartBoard() {
  if (!FBoardUrl.isEmpty()) BBRDClick();
}

// Cancels the fetch under way, if any, and lets go of the request; its sink
// hears nothing more, so a late answer cannot reach a window that is gone.
void TFormFCalculator::DropBoardRequest() noexcept {
  if (!BoardRequest) return;
  try {
    BoardRequest->abort();
  } catch (...) {  // released all the same
  }
  BoardRequest.Reset();
}

void TFormFCalculator::BBRDClick() {
  BoardText.clear();
  BoardComplete = false;
  DropBoardRequest();
  try {
    BoardRequest = platform::CreateOleObject(QStringLiteral("MSXML2.XMLHttp"));
    BoardRequest->open(QStringLiteral("POST"), FBoardUrl, true, QString(), QString());
    const platform::TComPtr<platform::IDispatchLike> sink(new TAjaxEvent(
        BoardRequest, [this](platform::IXmlHttpRequest* request) { EventHandl(request); }));
    BoardRequest->setOnreadystatechange(sink.Get());
    BoardRequest->send(QByteArray());
  } catch (const std::exception& e) {
    DropBoardRequest();
    ShowError(QString::fromUtf8(e.what()));
  }
}

// Whatever the server sends, nothing leaves here: a page the panels cannot
// take leaves them as they were.
void TFormFCalculator::EventHandl(platform::IXmlHttpRequest* request) {
  if (request == nullptr) return;
  const platform::TComPtr<platform::IXmlHttpRequest> keep(request);
  try {
    if (request->readyState() != 4) return;
    if (request->status() != 200) return;
    BoardComplete = true;
    BoardText = request->responseText();
    if (BoardComplete) ApplyBoardText();
  } catch (const std::exception&) {
  }
}

void TFormFCalculator::ApplyBoardText() {
  const TBoard board = ProcessBoardText(BoardText);
  for (QString& piece : BoardPieces) piece.clear();
  const QPointer<TFormFCalculator> alive(this);
  for (int i = 0; i < board.Count; ++i) {
    BoardPieces[i] = JoinBoardLines(board.Lines[i]);
    PanelLinks[i] = board.Links[i];
    if (i >= kPanelCount) continue;
    // A page may ask for long rows and many of them: laid out on a thread
    // of the panel's own, the window answers meanwhile.
    FPanels[i]->SetLayoutInBackground(true);
    FPanels[i]->Text().SetLines(board.Lines[i]);
    FPanels[i]->SetActive(true);
    // Shows each panel as it is filled; user commands may run in between.
    QCoreApplication::processEvents();
    if (!alive) return;
  }
}

}  // namespace tessary
