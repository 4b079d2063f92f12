// SPDX-License-Identifier: MIT
#pragma once

// A stand-in for the platform's late-bound asynchronous HTTP request object,
// on Qt Network's QNetworkAccessManager: Qt speaks HTTP and TLS (certificates
// verified as Qt does), follows at most five redirects and never from https
// to http, decompresses what the server compressed, and takes its proxy from
// the system (http_proxy, https_proxy and no_proxy, or the desktop's
// settings). Its ready-state notifications reach the sink on the thread that
// created it (the user-interface thread), between window messages: never
// from inside open(), send() or another member.
//
// Memory: Qt reads at most 1 MB ahead of the request, which takes the answer
// as it arrives and stops the transfer at kMaxResponseBytes, counted after
// decompression; a server that sends more fills only its own buffers.
//
// Time: a request fails as a network failure when nothing of the answer
// comes for kInactivityTimeoutMs, or when it is not over kTotalTimeoutMs
// after send(). Qt restarts the inactivity clock on a complete head and on
// body data only, and sets no size limit on a head. A server that floods
// the client with what is never an answer (interim "100 Continue" heads
// without end) holds Qt 6.4's network thread in a loop that sees no abort;
// once that thread has spent a second of processor time without a head or
// body bytes arriving, the request fails as a network failure and its
// connection is cut underneath Qt.
//
// Lifetime: the request holds a counted reference to its sink, and a sink that
// holds the request back closes a cycle. The request releases the sink after
// notifying readyState 4, on abort(), on setOnreadystatechange(nullptr) and
// when it is destroyed. While a request is under way it keeps itself alive, so
// a caller may drop its reference after send(). A request still under way when
// the application object goes is abandoned without notifying its sink, so exit
// never waits for a server.

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

#include "dispatch.h"

namespace tessary::platform {

// Thrown by CreateOleObject for a class it does not know, and by members
// called out of order.
class EOleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IXmlHttpRequest : public TInterfacedObject {
 public:
  // method "GET"/"POST"; asynchronous must be true here.
  virtual void open(const QString& method, const QString& address, bool asynchronous,
                    const QString& user = {}, const QString& password = {}) = 0;
  // The sink called through its default member (0) at every ready-state change.
  virtual void setOnreadystatechange(IDispatchLike* sink) = 0;
  virtual void send(const QByteArray& body = {}) = 0;
  // Cancels a request under way without notifying the sink, releases the
  // sink and returns to readyState 0 with status 0.
  virtual void abort() = 0;
  virtual int readyState() const = 0;  // 0 unsent, 1 opened, 2 headers, 3 loading, 4 done
  virtual int status() const = 0;      // the HTTP status; 0 when none was received
  // The body as text: code page 936 unless the Content-Type names another
  // charset. At most kMaxResponseBytes are kept; the transfer stops there.
  virtual QString responseText() const = 0;
  // The same text, worked out when the function is called: it holds the
  // body (shared, not copied) and nothing of the request, so it may run on
  // another thread and after the request is gone. Decoding megabytes takes
  // longer than a window may stand still.
  virtual std::function<QString()> responseTextTask() const {
    return [text = responseText()] { return text; };
  }
  // The bytes of the response taken in from the network and still held:
  // the body kept plus what Qt has ready for it, not yet read.
  virtual qint64 bytesHeld() const = 0;
  // Caps what one response may hold in memory: the body after
  // decompression. A transfer stopped there keeps its status.
  static constexpr qint64 kMaxResponseBytes = 8 * 1024 * 1024;
  // A request that receives nothing for this long fails as a network
  // failure (readyState 4, status 0).
  static constexpr int kInactivityTimeoutMs = 30000;
  // And so does one still under way this long after send(), however
  // steadily the server trickles: a minute, redirects included, twice the
  // inactivity limit.
  static constexpr int kTotalTimeoutMs = 2 * kInactivityTimeoutMs;
};

// Creates a request object by its class name; only "MSXML2.XMLHttp" is known.
// Needs a running application object on the calling thread.
TComPtr<IXmlHttpRequest> CreateOleObject(const QString& className);

// Changes the inactivity limit for requests sent afterwards, and with it the
// total limit, always twice as long (tests use short ones); 0 or less
// restores kInactivityTimeoutMs and kTotalTimeoutMs.
void SetXmlHttpInactivityTimeout(int milliseconds);

}  // namespace tessary::platform
