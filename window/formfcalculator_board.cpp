// SPDX-License-Identifier: MIT
// The bulletin board: one asynchronous request at start-up whose page fills
// the side panels with their pieces and links.

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <exception>
#include <mutex>
#include <optional>

#include "aascrolltext.h"
#include "ajaxevent.h"
#include "boardtext.h"
#include "formfcalculator.h"

namespace tessary {

// A page of a megabyte takes a tenth of a second to decode and cut into
// pieces: too long for the window to stand still, so a worker does it and
// posts the result. The worker posts under the lock, and the window lets go
// under it, so a window that is gone, or has started another fetch, is never
// posted to.
struct TFormFCalculator::TBoardWork {
  std::mutex Mutex;
  TFormFCalculator* Window = nullptr;
  bool KeepText = false;  // the whole page came: BoardText keeps it

  // Nothing is posted to the window afterwards.
  void Detach() {
    const std::lock_guard lock(Mutex);
    Window = nullptr;
  }
};

struct TFormFCalculator::TBoardResult {
  QString Text;
  TBoard Board;
  std::array<QString, kBoardPieces> Pieces;  // each piece's lines with CR LF
};

void TFormFCalculator::StartBoard() {
  if (!FBoardUrl.isEmpty()) BBRDClick();
}

// Cancels the fetch under way, if any, and lets go of the request; its sink
// hears nothing more, so a late answer cannot reach a window that is gone.
// An answer still being processed is dropped likewise.
void TFormFCalculator::DropBoardRequest() noexcept {
  ++FBoardRound;
  if (FBoardWork) FBoardWork->Detach();
  FBoardWork.reset();
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
// take leaves them as they were. Nothing of a failed answer, or of one cut
// at the cap, is kept: the request goes with its body once the text, if
// wanted, is on its way to the panels.
void TFormFCalculator::EventHandl(platform::IXmlHttpRequest* request) {
  if (request == nullptr) return;
  const platform::TComPtr<platform::IXmlHttpRequest> keep(request);
  try {
    if (request->readyState() != 4) return;
    const bool answered = request->status() == 200;
    // A body as big as the cap was cut there.
    const bool whole =
        answered && request->bytesHeld() < platform::IXmlHttpRequest::kMaxResponseBytes;
    if (answered) {
      BoardComplete = true;
      ProcessBoardAnswer(request->responseTextTask(), whole);
    }
    if (!whole && BoardRequest.Get() == request) BoardRequest.Reset();
  } catch (const std::exception&) {
  }
}

void TFormFCalculator::ProcessBoardAnswer(std::function<QString()> decode, bool keepText) {
  auto work = std::make_shared<TBoardWork>();
  work->Window = this;
  work->KeepText = keepText;
  if (FBoardWork) FBoardWork->Detach();
  FBoardWork = work;
  QThreadPool::globalInstance()->start([work, decode = std::move(decode)] {
    // Shared, so that the posted call is copyable; empty when the page
    // could not be taken (out of memory), which leaves the panels as they were.
    auto result = std::make_shared<std::optional<TBoardResult>>();
    try {
      TBoardResult& r = result->emplace();
      r.Text = decode();
      r.Board = ProcessBoardText(r.Text);
      for (int i = 0; i < r.Board.Count; ++i) r.Pieces[i] = JoinBoardLines(r.Board.Lines[i]);
    } catch (const std::exception&) {
      result->reset();
    }
    const std::lock_guard lock(work->Mutex);
    TFormFCalculator* window = work->Window;
    if (window == nullptr) return;
    QMetaObject::invokeMethod(
        window, [window, work, result] { window->BoardProcessed(work, *result); },
        Qt::QueuedConnection);
  });
}

void TFormFCalculator::BoardProcessed(const std::shared_ptr<TBoardWork>& work,
                                      std::optional<TBoardResult>& result) {
  if (work != FBoardWork) return;  // another fetch has started since
  FBoardWork.reset();
  if (!result) return;
  if (work->KeepText) BoardText = std::move(result->Text);
  result->Text = QString();  // the pieces are cut; the panels need no more of it
  ApplyBoardText(*result);
}

void TFormFCalculator::ApplyBoardText(const TBoardResult& result) {
  const TBoard& board = result.Board;
  for (QString& piece : BoardPieces) piece.clear();
  const QPointer<TFormFCalculator> alive(this);
  const unsigned round = FBoardRound;
  for (int i = 0; i < board.Count; ++i) {
    BoardPieces[i] = result.Pieces[i];
    PanelLinks[i] = board.Links[i];
    if (i >= kPanelCount) continue;
    // A page may ask for long rows and many of them: laid out on the
    // layout threads, the first frame first, the window answers meanwhile.
    FPanels[i]->SetLayoutInBackground(true);
    FPanels[i]->Text().SetLines(board.Lines[i]);
    FPanels[i]->SetActive(true);
    // Shows each panel as it is filled; user commands may run in between,
    // and one of them may start another fetch.
    QCoreApplication::processEvents();
    if (!alive || round != FBoardRound) return;
  }
}

}  // namespace tessary
