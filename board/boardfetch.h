// SPDX-License-Identifier: MIT
#pragma once

// The bulletin board's fetch: one asynchronous request, its answer decoded
// and cut into pieces on a worker, and what the last answer left. Whoever
// owns it shows the pieces (the window's side panels).

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "boardtext.h"
#include "dispatch.h"

namespace tessary {

namespace platform {
class IXmlHttpRequest;
}

class TBoardFetch : public QObject {
 public:
  using TPieces = std::array<QString, TBoard::kPieces>;
  // show: the page's pieces, on this object's thread, once they are cut; it
  // may run the event loop, and a fetch may start or stop meanwhile (Round).
  // error: a request that could not even be sent.
  TBoardFetch(std::function<void(const TBoard&)> show, std::function<void(const QString&)> error);
  ~TBoardFetch() override;

  // Cancels what is under way and fetches the board at url.
  void Start(const QString& url);
  // Cancels the fetch under way, if any; a late answer, or one still being
  // cut, reaches nobody.
  void Drop() noexcept;
  // The request's ready-state handler: at state 4 with status 200 it cuts
  // the page into pieces on a worker. Nothing the server sends leaves here.
  void EventHandl(platform::IXmlHttpRequest* request);

  // The request of the last fetch while it may still answer, and after a
  // whole page; after a failed answer, or one cut at the cap, nothing.
  platform::IXmlHttpRequest* Request() const;
  // The whole page; empty after a failed or capped answer.
  const QString& Text() const { return FText; }
  // A page came (status 200), capped or not.
  bool Complete() const { return FComplete; }
  // Each piece's lines, each with CR LF, and each piece's link.
  const TPieces& Pieces() const { return FPieces; }
  const TPieces& Links() const { return FLinks; }
  void SetLink(int index, const QString& link) { FLinks.at(std::size_t(index)) = link; }
  // The answer is being decoded and cut into pieces.
  bool Pending() const { return FWork != nullptr; }
  // Bumped whenever a fetch is dropped.
  unsigned Round() const { return FRound; }

 private:
  struct TWork;
  struct TResult;
  void Process(std::function<QString()> decode, bool keepText);
  void Processed(const std::shared_ptr<TWork>& work, std::optional<TResult>& result);

  std::function<void(const TBoard&)> FShow;
  std::function<void(const QString&)> FError;
  platform::TComPtr<platform::IXmlHttpRequest> FRequest;
  QString FText;
  bool FComplete = false;
  TPieces FPieces, FLinks;
  std::shared_ptr<TWork> FWork;  // the answer being processed
  unsigned FRound = 0;
};

}  // namespace tessary
