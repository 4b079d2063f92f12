// SPDX-License-Identifier: MIT
// The HTTP request itself: built as a module of its own (xmlhttpmodule.h).
#include "xmlhttp.h"
#include "xmlhttpmodule.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "cp936.h"

namespace tessary::platform {

namespace {

std::atomic<int> gInactivityTimeoutMs{IXmlHttpRequest::kInactivityTimeoutMs};

// What the socket reads ahead of us: once that much waits unread it stops
// taking data off the network, so a server sending more than the body cap
// fills its own buffers, never ours. Big enough that a fast server needs
// only a few turns of the event loop for a capped body.
constexpr qint64 kReadBufferBytes = 1024 * 1024;
// The longest status line, header line or chunk line, and the whole head.
constexpr qsizetype kMaxLineBytes = 16 * 1024;
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr int kMaxRedirects = 5;

std::string Utf8(const QString& text) { return text.toStdString(); }

class TXmlHttpRequest;

// One per thread: the requests under way. It goes with the application
// object (or its thread) and abandons what is still under way then, so that
// exit never waits for a server.
class TRequestHub : public QObject {
 public:
  static TRequestHub& ForThisThread();

  void Track(TXmlHttpRequest* request) { FPending.push_back(request); }
  void Untrack(TXmlHttpRequest* request) { std::erase(FPending, request); }
  ~TRequestHub() override;

 private:
  explicit TRequestHub(QObject* parent) : QObject(parent) {}

  std::vector<TXmlHttpRequest*> FPending;
};

// The hubs by thread. A table, not a thread_local: this code is loaded at
// run time, where a thread_local lives in storage the loader hands out to
// each thread on first use, which the sanitizers' leak check at exit cannot
// always read.
std::mutex gHubsMutex;
std::vector<std::pair<QThread*, TRequestHub*>> gHubs;  // under gHubsMutex
TRequestHub* gMainHub = nullptr;                       // under gHubsMutex

// The request speaks HTTP/1.1 itself over a socket of its own, one exchange
// per connection ("Connection: close"), reading the answer as it arrives.
class TXmlHttpRequest final : public IXmlHttpRequest {
 public:
  TXmlHttpRequest() = default;
  ~TXmlHttpRequest() override { DetachSocket(); }

  void open(const QString& method, const QString& address, bool asynchronous, const QString& user,
            const QString& password) override;
  void setOnreadystatechange(IDispatchLike* sink) override;
  void send(const QByteArray& body) override;
  void abort() override;
  int readyState() const override { return FReadyState; }
  int status() const override { return FStatus; }
  QString responseText() const override;
  std::function<QString()> responseTextTask() const override;
  qint64 bytesHeld() const override;

  long GetTypeInfoCount(unsigned* count) override {
    if (count != nullptr) *count = 0;
    return S_OK_;
  }
  long GetTypeInfo(unsigned, void**) override { return E_NOTIMPL_; }
  long GetIDsOfNames(const QString*, unsigned, int*) override { return E_NOTIMPL_; }
  long Invoke(int, const QVariantList&, QVariant*) override { return E_NOTIMPL_; }

  // The application object is going: drop the request without a word to
  // the sink, whose owner may be gone already.
  void Abandon();

 private:
  enum class TPhase { Head, Body, Done };
  enum class TBodyMode { Length, Chunked, UntilClose };
  enum class TChunkStep { Size, Data, DataEnd, Trailer };

  void DeliverPosted(unsigned generation, int state);
  void Notify();
  void Connect();
  void WriteRequest();
  void OnReadyRead();
  void OnClosed();
  bool TakeLine(QByteArray& line);
  bool ReadHead();
  void StartBody();
  bool ReadBody();
  bool ReadChunked();
  bool Keep(const QByteArray& data);
  bool Redirect();
  void Finish(bool answered);
  void DetachSocket();
  bool Current(unsigned generation) const {
    return generation == FGeneration && FSocket != nullptr;
  }

  QByteArray FMethod;
  QUrl FUrl;
  QByteArray FRequestBody;
  int FReadyState = 0;
  int FStatus = 0;
  QByteArray FContentType;
  QByteArray FBody;
  bool FCapped = false;  // the body reached kMaxResponseBytes and the rest was dropped
  // Bumped by open() and abort(): a notification posted for an earlier
  // round, or a sink release after one, must not touch the new one.
  unsigned FGeneration = 0;
  TComPtr<IDispatchLike> FSink;
  // The exchange under way: its socket, the inactivity timer, the object
  // that receives their signals (gone with them), and where the reading is.
  QPointer<QTcpSocket> FSocket;
  std::unique_ptr<QObject> FContext;
  QTimer* FIdle = nullptr;
  TPhase FPhase = TPhase::Head;
  QByteArray FLine;  // a line not yet ended
  QList<QByteArray> FHead;
  qsizetype FHeadBytes = 0;
  QByteArray FLocation;
  TBodyMode FMode = TBodyMode::UntilClose;
  TChunkStep FChunk = TChunkStep::Size;
  qint64 FRemaining = 0;
  int FRedirects = 0;
  TRequestHub* FHub = nullptr;     // set while under way
  TComPtr<IXmlHttpRequest> FSelf;  // keeps the request alive while under way
};

TRequestHub& TRequestHub::ForThisThread() {
  QThread* thread = QThread::currentThread();
  {
    const std::lock_guard lock(gHubsMutex);
    for (const auto& [owner, hub] : gHubs)
      if (owner == thread) return *hub;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) throw EOleError("HTTP 请求需要应用程序对象");
  auto* hub = new TRequestHub(nullptr);
  const std::lock_guard lock(gHubsMutex);
  gHubs.emplace_back(thread, hub);
  if (thread == app->thread()) {
    // Gone at the start of the application object's end, while the event
    // machinery still runs; as a child of the application object it would go
    // after that, and Qt's HTTP thread sometimes leaks its connections then.
    gMainHub = hub;
    qAddPostRoutine([] {
      TRequestHub* main = nullptr;
      {
        const std::lock_guard lock(gHubsMutex);
        main = std::exchange(gMainHub, nullptr);
      }
      delete main;
    });
  } else {
    QObject::connect(
        thread, &QThread::finished, hub, [hub] { delete hub; }, Qt::DirectConnection);
  }
  return *hub;
}

TRequestHub::~TRequestHub() {
  {
    const std::lock_guard lock(gHubsMutex);
    std::erase_if(gHubs, [this](const auto& entry) { return entry.second == this; });
    if (gMainHub == this) gMainHub = nullptr;
  }
  // Abandoning one request may release another (a sink can hold one).
  while (!FPending.empty()) {
    TXmlHttpRequest* request = FPending.back();
    FPending.pop_back();
    request->Abandon();
  }
}

QByteArray CharsetOf(const QByteArray& contentType) {
  for (const QByteArray& part : contentType.split(';')) {
    const QByteArray item = part.trimmed();
    if (!item.toLower().startsWith("charset=")) continue;
    QByteArray name = item.mid(8).trimmed();
    if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
      name = name.mid(1, name.size() - 2);
    return name.trimmed().toLower();
  }
  return {};
}

// Names servers use for code page 936 text (GB2312 is routinely sent for
// GBK): these go through the house decoder, which turns malformed bytes into
// U+FFFD where Qt's would map some of them to private-use characters.
bool IsCp936Name(const QByteArray& name) {
  static const char* const kNames[] = {"gbk",   "gb2312", "cp936",    "windows-936",
                                       "x-gbk", "ms936",  "csgb2312", "euc-cn"};
  return std::any_of(std::begin(kNames), std::end(kNames),
                     [&](const char* n) { return name == n; });
}

QString DecodeBody(const QByteArray& body, const QByteArray& contentType) {
  const QByteArray charset = CharsetOf(contentType);
  if (!charset.isEmpty() && !IsCp936Name(charset)) {
    QStringDecoder decoder(charset.constData());
    if (decoder.isValid()) return decoder.decode(body);
  }
  // Slice by slice, never between the two bytes of a character: no UTF-8
  // copy of the whole body is ever held beside the text.
  constexpr qsizetype kSlice = 64 * 1024;
  QString text;
  // A character per byte at most; growing by copies would hold the text
  // twice for a moment, while pages reserved and never written cost nothing.
  text.reserve(body.size());
  qsizetype at = 0;
  while (at < body.size()) {
    qsizetype end = at;
    while (end < body.size() && end - at < kSlice) {
      const auto byte = static_cast<unsigned char>(body[end]);
      end += byte >= 0x81 && byte <= 0xFE ? 2 : 1;
    }
    end = std::min(end, body.size());
    text += QString::fromStdString(
        Cp936ToUtf8(std::string_view(body.constData() + at, std::size_t(end - at))));
    at = end;
  }
  return text;
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// "HTTP/1.1 200 OK" gives 200; anything else is not an HTTP answer: -1.
int StatusOf(const QByteArray& line) {
  if (!line.startsWith("HTTP/")) return -1;
  const QList<QByteArray> parts = line.simplified().split(' ');
  if (parts.size() < 2 || parts[1].size() != 3) return -1;
  bool ok = false;
  const int code = parts[1].toInt(&ok);
  return ok && code >= 100 ? code : -1;
}

void TXmlHttpRequest::open(const QString& method, const QString& address, bool asynchronous,
                           const QString& user, const QString& password) {
  TComPtr<IXmlHttpRequest> keep(this);
  if (!asynchronous) throw EOleError("HTTP 请求只能异步发送");
  const QByteArray verb = method.trimmed().toUpper().toLatin1();
  const bool token = !verb.isEmpty() && std::all_of(verb.begin(), verb.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
  });
  if (!token) throw EOleError(Utf8("无效的请求方法“" + method + "”"));
  QUrl url(address.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https"))
    throw EOleError(Utf8("无效的地址“" + address + "”"));
  if (!user.isEmpty()) url.setUserName(user);
  if (!password.isEmpty()) url.setPassword(password);
  TRequestHub& hub = TRequestHub::ForThisThread();

  DetachSocket();  // opening again cancels the round under way
  ++FGeneration;
  FMethod = verb;
  FUrl = url;
  FStatus = 0;
  FContentType.clear();
  FBody.clear();
  FCapped = false;
  FRedirects = 0;
  FReadyState = 1;
  // Posted, so that a sink registered right after open() hears of state 1
  // too, and never from inside open() itself.
  const unsigned generation = FGeneration;
  QMetaObject::invokeMethod(
      &hub,
      [keep, generation] {
        static_cast<TXmlHttpRequest*>(keep.Get())->DeliverPosted(generation, 1);
      },
      Qt::QueuedConnection);
}

void TXmlHttpRequest::setOnreadystatechange(IDispatchLike* sink) {
  TComPtr<IXmlHttpRequest> keep(this);  // the old sink may hold the last reference
  FSink = TComPtr<IDispatchLike>(sink);
}

void TXmlHttpRequest::send(const QByteArray& body) {
  if (FReadyState != 1 || FSocket) throw EOleError("HTTP 请求尚未打开，或已经发送");
  TRequestHub& hub = TRequestHub::ForThisThread();
  FRequestBody = body;
  FHub = &hub;
  hub.Track(this);
  FSelf = TComPtr<IXmlHttpRequest>(this);
  Connect();
}

// A new connection to FUrl; its signals go to a context object that is
// deleted with the exchange, so that nothing arrives afterwards.
void TXmlHttpRequest::Connect() {
  const bool secure = FUrl.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
  QTcpSocket* socket = nullptr;
#if QT_CONFIG(ssl)
  if (secure && QSslSocket::supportsSsl()) socket = new QSslSocket;
#endif
  if (secure && socket == nullptr) socket = nullptr;
  FContext = std::make_unique<QObject>();
  FIdle = new QTimer(FContext.get());
  FIdle->setSingleShot(true);
  FIdle->setInterval(gInactivityTimeoutMs.load());
  QObject::connect(FIdle, &QTimer::timeout, FContext.get(), [this] { Finish(false); });
  FIdle->start();
  FPhase = TPhase::Head;
  FLine.clear();
  FHead.clear();
  FHeadBytes = 0;
  FLocation.clear();
  if (secure && socket == nullptr) {
    // No TLS in this Qt: fails as a connection would, after the call.
    QTimer::singleShot(0, FContext.get(), [this] { Finish(false); });
    return;
  }
  if (socket == nullptr) socket = new QTcpSocket;
  FSocket = socket;
  socket->setReadBufferSize(kReadBufferBytes);
  QObject* context = FContext.get();
  QObject::connect(socket, &QTcpSocket::readyRead, context, [this] { OnReadyRead(); });
  QObject::connect(socket, &QTcpSocket::bytesWritten, context, [this] { FIdle->start(); });
  QObject::connect(socket, &QTcpSocket::disconnected, context, [this] { OnClosed(); });
  QObject::connect(socket, &QTcpSocket::errorOccurred, context,
                   [this](QAbstractSocket::SocketError error) {
                     if (error == QAbstractSocket::RemoteHostClosedError)
                       OnClosed();
                     else
                       Finish(false);
                   });
  const quint16 port = static_cast<quint16>(FUrl.port(secure ? 443 : 80));
#if QT_CONFIG(ssl)
  if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
    QObject::connect(tls, &QSslSocket::encrypted, context, [this] { WriteRequest(); });
    tls->connectToHostEncrypted(FUrl.host(), port);
    return;
  }
#endif
  QObject::connect(socket, &QTcpSocket::connected, context, [this] { WriteRequest(); });
  socket->connectToHost(FUrl.host(), port);
}

void TXmlHttpRequest::WriteRequest() {
  FIdle->start();
  QByteArray target = FUrl.path(QUrl::FullyEncoded).toLatin1();
  if (target.isEmpty()) target = "/";
  if (FUrl.hasQuery()) target += "?" + FUrl.query(QUrl::FullyEncoded).toLatin1();
  QByteArray host = FUrl.host(QUrl::FullyEncoded).toLatin1();
  if (host.contains(':')) host = "[" + host + "]";
  if (FUrl.port() != -1) host += ":" + QByteArray::number(FUrl.port());
  QByteArray head =
      FMethod + " " + target + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n";
  if (!FUrl.userName().isEmpty())
    head += "Authorization: Basic " +
            (FUrl.userName() + ":" + FUrl.password()).toUtf8().toBase64() + "\r\n";
  if (!FRequestBody.isEmpty() || FMethod == "POST" || FMethod == "PUT")
    head += "Content-Length: " + QByteArray::number(FRequestBody.size()) + "\r\n";
  FSocket->write(head + "\r\n" + FRequestBody);
}

void TXmlHttpRequest::abort() {
  TComPtr<IXmlHttpRequest> keep(this);
  ++FGeneration;
  DetachSocket();
  FReadyState = 0;
  FStatus = 0;
  FContentType.clear();
  FBody.clear();
  FCapped = false;
  FSink.Reset();
}

void TXmlHttpRequest::Abandon() {
  TComPtr<IXmlHttpRequest> keep(this);
  ++FGeneration;
  DetachSocket();
  FReadyState = 4;
  FStatus = 0;
  FSink.Reset();
}

QString TXmlHttpRequest::responseText() const { return DecodeBody(FBody, FContentType); }

std::function<QString()> TXmlHttpRequest::responseTextTask() const {
  return [body = FBody, contentType = FContentType] { return DecodeBody(body, contentType); };
}

qint64 TXmlHttpRequest::bytesHeld() const {
  qint64 held = FBody.size() + FLine.size() + FHeadBytes;
  if (FSocket) held += FSocket->bytesAvailable();
  return held;
}

void TXmlHttpRequest::DeliverPosted(unsigned generation, int state) {
  // Late: the state moved on and was notified in its own right.
  if (generation != FGeneration || FReadyState != state) return;
  Notify();
}

void TXmlHttpRequest::Notify() {
  // The sink may drop the last outside reference, or replace itself.
  TComPtr<IXmlHttpRequest> keep(this);
  TComPtr<IDispatchLike> sink = FSink;
  if (sink) sink->Invoke(0, {}, nullptr);
}

// One line off the socket into line, without its CR LF; false while the
// line has not ended yet. An over-long line ends the exchange.
bool TXmlHttpRequest::TakeLine(QByteArray& line) {
  FLine += FSocket->readLine(kMaxLineBytes + 1 - FLine.size());
  if (!FLine.endsWith('\n')) {
    if (FLine.size() > kMaxLineBytes) Finish(false);
    return false;
  }
  FLine.chop(FLine.endsWith("\r\n") ? 2 : 1);
  line = std::move(FLine);
  FLine.clear();
  return true;
}

void TXmlHttpRequest::OnReadyRead() {
  TComPtr<IXmlHttpRequest> keep(this);
  const unsigned generation = FGeneration;
  FIdle->start();
  while (Current(generation) && FSocket->bytesAvailable() > 0) {
    const bool more = FPhase == TPhase::Head ? ReadHead() : ReadBody();
    if (!more) break;
  }
}

// The status line and the header lines; true when the body may follow.
bool TXmlHttpRequest::ReadHead() {
  QByteArray line;
  while (TakeLine(line)) {
    FHeadBytes += line.size() + 2;
    if (FHeadBytes > kMaxHeadBytes) {
      Finish(false);
      return false;
    }
    if (!line.isEmpty()) {
      FHead.append(line);
      continue;
    }
    if (FHead.isEmpty()) continue;  // stray blank lines before the status line
    const int status = StatusOf(FHead.first());
    if (status < 0) {
      Finish(false);
      return false;
    }
    if (status < 200) {  // "100 Continue" and the like: the answer follows
      FHead.clear();
      FHeadBytes = 0;
      continue;
    }
    FStatus = status;
    StartBody();
    return FSocket != nullptr && FPhase == TPhase::Body;
  }
  return false;
}

void TXmlHttpRequest::StartBody() {
  FContentType.clear();
  qint64 length = -1;
  bool chunked = false;
  for (qsizetype i = 1; i < FHead.size(); ++i) {
    const QByteArray& header = FHead[i];
    const qsizetype colon = header.indexOf(':');
    if (colon <= 0) continue;
    const QByteArray name = header.left(colon).trimmed().toLower();
    const QByteArray value = header.mid(colon + 1).trimmed();
    if (name == "content-type") FContentType = value;
    if (name == "location") FLocation = value;
    if (name == "transfer-encoding") chunked = value.toLower().endsWith("chunked");
    if (name == "content-length") {
      bool ok = false;
      const qint64 n = value.toLongLong(&ok);
      length = ok && n >= 0 ? n : -1;
    }
  }
  FHead.clear();
  FHeadBytes = 0;
  if (IsRedirect(FStatus) && Redirect()) return;
  const unsigned generation = FGeneration;
  FReadyState = 2;
  Notify();
  if (!Current(generation)) return;  // the sink aborted or opened again
  FPhase = TPhase::Body;
  if (FMethod == "HEAD" || FStatus == 204 || FStatus == 304 || length == 0) {
    Finish(true);
  } else if (chunked) {
    FMode = TBodyMode::Chunked;
    FChunk = TChunkStep::Size;
  } else if (length > 0) {
    FMode = TBodyMode::Length;
    FRemaining = length;
  } else {
    FMode = TBodyMode::UntilClose;
  }
}

// Follows a redirect as browsers do (a POST answered by 301, 302 or 303
// becomes a GET), never from https to http, at most kMaxRedirects times.
bool TXmlHttpRequest::Redirect() {
  if (FLocation.isEmpty() || FRedirects >= kMaxRedirects) return false;
  const QUrl next = FUrl.resolved(QUrl::fromEncoded(FLocation));
  const QString scheme = next.scheme().toLower();
  const bool downgrade = FUrl.scheme().toLower() == "https" && scheme != "https";
  if (!next.isValid() || next.host().isEmpty() || (scheme != "http" && scheme != "https") ||
      downgrade)
    return false;
  ++FRedirects;
  if (FStatus == 303 || ((FStatus == 301 || FStatus == 302) && FMethod == "POST")) {
    FMethod = "GET";
    FRequestBody.clear();
  }
  FUrl = next;
  FStatus = 0;
  FContentType.clear();
  QPointer<QTcpSocket> old = FSocket;
  std::unique_ptr<QObject> context = std::move(FContext);
  FSocket = nullptr;
  if (old) {
    old->abort();
    old->deleteLater();
  }
  context.release()->deleteLater();  // we may be inside one of its handlers
  Connect();
  return true;
}

// Body bytes as they come; false once the exchange has ended.
bool TXmlHttpRequest::ReadBody() {
  if (FMode == TBodyMode::Chunked) return ReadChunked();
  const qint64 available = FSocket->bytesAvailable();
  const qint64 n = FMode == TBodyMode::Length ? std::min(available, FRemaining) : available;
  if (!Keep(FSocket->read(n))) return false;
  if (FMode == TBodyMode::Length && (FRemaining -= n) == 0) {
    Finish(true);
    return false;
  }
  return true;
}

bool TXmlHttpRequest::ReadChunked() {
  QByteArray line;
  switch (FChunk) {
    case TChunkStep::Size: {
      if (!TakeLine(line)) return false;
      bool ok = false;
      const qsizetype extension = line.indexOf(';');
      const qint64 size =
          (extension < 0 ? line : line.left(extension)).trimmed().toLongLong(&ok, 16);
      if (!ok || size < 0) {
        Finish(false);
        return false;
      }
      FRemaining = size;
      FChunk = size == 0 ? TChunkStep::Trailer : TChunkStep::Data;
      return true;
    }
    case TChunkStep::Data: {
      const qint64 n = std::min(FSocket->bytesAvailable(), FRemaining);
      if (!Keep(FSocket->read(n))) return false;
      if ((FRemaining -= n) == 0) FChunk = TChunkStep::DataEnd;
      return true;
    }
    case TChunkStep::DataEnd:
      if (!TakeLine(line)) return false;
      FChunk = TChunkStep::Size;
      return true;
    case TChunkStep::Trailer:
      if (!TakeLine(line)) return false;
      if (line.isEmpty()) {
        Finish(true);
        return false;
      }
      return true;
  }
  return false;
}

// Keeps what fits under the cap. At the cap the transfer stops: the rest is
// never read, and the answer counts as complete with its status.
bool TXmlHttpRequest::Keep(const QByteArray& data) {
  if (data.isEmpty()) return true;
  // Reserved pages cost nothing until written; growing by copies would
  // hold the body twice for a moment.
  if (FBody.isEmpty()) FBody.reserve(kMaxResponseBytes);
  const qint64 room = kMaxResponseBytes - FBody.size();
  FBody += data.left(std::min<qint64>(room, data.size()));
  const bool capped = data.size() > room;
  if (FReadyState < 3) {
    const unsigned generation = FGeneration;
    FReadyState = 3;
    Notify();
    if (!Current(generation)) return false;
  }
  if (capped) {
    FCapped = true;
    Finish(true);
    return false;
  }
  return true;
}

// The server closed: what it sent so far still counts; an answer without
// an end of its own ends here, any other is cut short.
void TXmlHttpRequest::OnClosed() {
  TComPtr<IXmlHttpRequest> keep(this);
  if (!FSocket) return;
  OnReadyRead();
  if (!FSocket) return;
  Finish(FPhase == TPhase::Body && FMode == TBodyMode::UntilClose);
}

// A network failure (refused, no host, silence, cut short) reports no status.
void TXmlHttpRequest::Finish(bool answered) {
  TComPtr<IXmlHttpRequest> keep(this);
  if (!FContext) return;  // already finished
  if (!answered) FStatus = 0;
  FPhase = TPhase::Done;
  DetachSocket();
  FReadyState = 4;
  const unsigned generation = FGeneration;
  // Completion breaks the request-sink cycle, even when the sink throws;
  // unless the sink opened the request again for another round.
  struct TReleaseSink {
    TXmlHttpRequest* Request;
    unsigned Generation;
    ~TReleaseSink() {
      if (Request->FGeneration == Generation) Request->FSink.Reset();
    }
  } release{this, generation};
  Notify();
}

// Ends the exchange: the socket is closed at once and goes, with whatever
// it buffered, once the handler that may be running has returned.
void TXmlHttpRequest::DetachSocket() {
  if (QTcpSocket* socket = FSocket.data()) {
    FSocket = nullptr;
    socket->abort();
    socket->deleteLater();
  }
  if (FContext) FContext.release()->deleteLater();  // stops its signals; we may be inside one
  FIdle = nullptr;
  FLine.clear();
  FHead.clear();
  FHeadBytes = 0;
  if (FHub != nullptr) {
    FHub->Untrack(this);
    FHub = nullptr;
  }
  FSelf.Reset();  // callers hold their own reference meanwhile
}

}  // namespace

}  // namespace tessary::platform

// The module's entries (xmlhttpmodule.h), found by name when it is loaded.
extern "C" __attribute__((visibility("default"))) tessary::platform::IXmlHttpRequest*
TessaryNewXmlHttpRequest() {
  using namespace tessary::platform;
  TRequestHub::ForThisThread();  // fails now, not at send(), without an application object
  return new TXmlHttpRequest;
}

extern "C" __attribute__((visibility("default"))) void TessarySetXmlHttpTimeout(int milliseconds) {
  tessary::platform::gInactivityTimeoutMs = milliseconds;
}
