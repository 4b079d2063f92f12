// SPDX-License-Identifier: MIT
#include "boardfetch.h"

#include <QThreadPool>

#include <exception>
#include <mutex>

#include "ajaxevent.h"
#include "xmlhttp.h"

namespace tessary {

// A page of a megabyte takes a tenth of a second to decode and cut into
// pieces: too long for the window to stand still, so a worker does it and
// posts the result. The worker posts under the lock, and the fetch lets go
// under it, so a fetch that is gone, or has started another, is never
// posted to.
struct TBoardFetch::TWork {
  std::mutex Mutex;
  TBoardFetch* Fetch = nullptr;
  bool KeepText = false;  // the whole page came: Text keeps it

  // Nothing is posted afterwards.
  void Detach() {
    const std::lock_guard lock(Mutex);
    Fetch = nullptr;
  }
};

struct TBoardFetch::TResult {
  QString Text;
  TBoard Board;
  TPieces Pieces;  // each piece's lines with CR LF
};

TBoardFetch::TBoardFetch(std::function<void(const TBoard&)> show,
                         std::function<void(const QString&)> error)
    : FShow(std::move(show)), FError(std::move(error)) {}

TBoardFetch::~TBoardFetch() { Drop(); }

platform::IXmlHttpRequest* TBoardFetch::Request() const { return FRequest.Get(); }

void TBoardFetch::Drop() noexcept {
  ++FRound;
  if (FWork) FWork->Detach();
  FWork.reset();
  if (!FRequest) return;
  try {
    FRequest->abort();
  } catch (...) {  // released all the same
  }
  FRequest.Reset();
}

void TBoardFetch::Start(const QString& url) {
  FText.clear();
  FComplete = false;
  Drop();
  try {
    FRequest = platform::CreateOleObject(QStringLiteral("MSXML2.XMLHttp"));
    FRequest->open(QStringLiteral("POST"), url, true, QString(), QString());
    const platform::TComPtr<platform::IDispatchLike> sink(new TAjaxEvent(
        FRequest, [this](platform::IXmlHttpRequest* request) { EventHandl(request); }));
    FRequest->setOnreadystatechange(sink.Get());
    FRequest->send(QByteArray());
  } catch (const std::exception& e) {
    Drop();
    FError(QString::fromUtf8(e.what()));
  }
}

// A page the panels cannot take leaves them as they were. Nothing of a
// failed answer, or of one cut at the cap, is kept: the request goes with
// its body once the text, if wanted, is on its way to the pieces.
void TBoardFetch::EventHandl(platform::IXmlHttpRequest* request) {
  if (request == nullptr) return;
  const platform::TComPtr<platform::IXmlHttpRequest> keep(request);
  try {
    if (request->readyState() != 4) return;
    const bool answered = request->status() == 200;
    // A body as big as the cap was cut there.
    const bool whole =
        answered && request->bytesHeld() < platform::IXmlHttpRequest::kMaxResponseBytes;
    if (answered) {
      FComplete = true;
      Process(request->responseTextTask(), whole);
    }
    if (!whole && FRequest.Get() == request) FRequest.Reset();
  } catch (const std::exception&) {
  }
}

void TBoardFetch::Process(std::function<QString()> decode, bool keepText) {
  auto work = std::make_shared<TWork>();
  work->Fetch = this;
  work->KeepText = keepText;
  if (FWork) FWork->Detach();
  FWork = work;
  QThreadPool::globalInstance()->start([work, decode = std::move(decode)] {
    // Shared, so that the posted call is copyable; empty when the page
    // could not be taken (out of memory), which leaves the panels as they were.
    auto result = std::make_shared<std::optional<TResult>>();
    try {
      TResult& r = result->emplace();
      r.Text = decode();
      r.Board = ProcessBoardText(r.Text);
      for (int i = 0; i < r.Board.Count; ++i) r.Pieces[i] = JoinBoardLines(r.Board.Lines[i]);
    } catch (const std::exception&) {
      result->reset();
    }
    const std::lock_guard lock(work->Mutex);
    TBoardFetch* fetch = work->Fetch;
    if (fetch == nullptr) return;
    QMetaObject::invokeMethod(
        fetch, [fetch, work, result] { fetch->Processed(work, *result); }, Qt::QueuedConnection);
  });
}

void TBoardFetch::Processed(const std::shared_ptr<TWork>& work, std::optional<TResult>& result) {
  if (work != FWork) return;  // another fetch has started since
  FWork.reset();
  if (!result) return;
  if (work->KeepText) FText = std::move(result->Text);
  result->Text = QString();  // the pieces are cut; the panels need no more of it
  for (QString& piece : FPieces) piece.clear();
  for (int i = 0; i < result->Board.Count; ++i) {
    FPieces[i] = std::move(result->Pieces[i]);
    FLinks[i] = result->Board.Links[i];
  }
  FShow(result->Board);
}

}  // namespace tessary
