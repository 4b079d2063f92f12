#include "xmlhttp.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <string_view>
#include <vector>

#include "cp936.h"

namespace tessary::platform {

namespace {

std::atomic<int> gInactivityTimeoutMs{IXmlHttpRequest::kInactivityTimeoutMs};

// What Qt buffers for one reply before it stops reading the socket: with the
// body cap this bounds the memory a response can take.
constexpr qint64 kReadBufferBytes = 256 * 1024;

std::string Utf8(const QString& text) { return text.toStdString(); }

class TXmlHttpRequest;

// One per thread: the network manager and the requests under way. It goes
// with the application object (or its thread) and abandons what is still
// under way then, so that exit never waits for a server.
class TRequestHub : public QObject {
 public:
  static TRequestHub& ForThisThread();

  QNetworkAccessManager& Manager() { return *FManager; }
  void Track(TXmlHttpRequest* request) { FPending.push_back(request); }
  void Untrack(TXmlHttpRequest* request) { std::erase(FPending, request); }
  ~TRequestHub() override;

 private:
  explicit TRequestHub(QObject* parent) : QObject(parent), FManager(new QNetworkAccessManager(this)) {}

  QNetworkAccessManager* FManager;
  std::vector<TXmlHttpRequest*> FPending;
  static thread_local TRequestHub* tHub;
};

thread_local TRequestHub* TRequestHub::tHub = nullptr;

class TXmlHttpRequest final : public IXmlHttpRequest {
 public:
  TXmlHttpRequest() = default;
  ~TXmlHttpRequest() override { DetachReply(true); }

  void open(const QString& method, const QString& address, bool asynchronous, const QString& user,
            const QString& password) override;
  void setOnreadystatechange(IDispatchLike* sink) override;
  void send(const QByteArray& body) override;
  void abort() override;
  int readyState() const override { return FReadyState; }
  int status() const override { return FStatus; }
  QString responseText() const override;

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
  void DeliverPosted(unsigned generation, int state);
  void Notify();
  void OnMetaData();
  void OnReadyRead();
  void OnFinished();
  void TakeHeaders();
  void ReadAvailable();
  void DetachReply(bool abortReply);

  QByteArray FMethod;
  QUrl FUrl;
  int FReadyState = 0;
  int FStatus = 0;
  QByteArray FContentType;
  QByteArray FBody;
  bool FCapped = false;  // the body reached kMaxResponseBytes and the rest was dropped
  // Bumped by open() and abort(): a notification posted for an earlier
  // round, or a sink release after one, must not touch the new one.
  unsigned FGeneration = 0;
  TComPtr<IDispatchLike> FSink;
  QPointer<QNetworkReply> FReply;
  std::unique_ptr<QObject> FContext;  // receives the reply's signals; gone with the reply
  TRequestHub* FHub = nullptr;        // set while under way
  TComPtr<IXmlHttpRequest> FSelf;     // keeps the request alive while under way
};

TRequestHub& TRequestHub::ForThisThread() {
  if (tHub != nullptr) return *tHub;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) throw EOleError("HTTP 请求需要应用程序对象");
  QThread* thread = QThread::currentThread();
  if (thread == app->thread()) {
    // Gone at the start of the application object's end, while the event
    // machinery still runs; as a child of the application object it would go
    // after that, and Qt's HTTP thread sometimes leaks its connections then.
    tHub = new TRequestHub(nullptr);
    qAddPostRoutine([] { delete tHub; });
  } else {
    auto* hub = new TRequestHub(nullptr);
    QObject::connect(thread, &QThread::finished, hub, [hub] { delete hub; }, Qt::DirectConnection);
    tHub = hub;
  }
  return *tHub;
}

TRequestHub::~TRequestHub() {
  if (tHub == this) tHub = nullptr;
  // Abandoning one request may release another (a sink can hold one).
  while (!FPending.empty()) {
    TXmlHttpRequest* request = FPending.back();
    FPending.pop_back();
    request->Abandon();
  }
  delete FManager;
}

QByteArray CharsetOf(const QByteArray& contentType) {
  for (const QByteArray& part : contentType.split(';')) {
    const QByteArray item = part.trimmed();
    if (!item.toLower().startsWith("charset=")) continue;
    QByteArray name = item.mid(8).trimmed();
    if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"')) name = name.mid(1, name.size() - 2);
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
  return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* n) { return name == n; });
}

QString DecodeBody(const QByteArray& body, const QByteArray& contentType) {
  const QByteArray charset = CharsetOf(contentType);
  if (!charset.isEmpty() && !IsCp936Name(charset)) {
    QStringDecoder decoder(charset.constData());
    if (decoder.isValid()) return decoder.decode(body);
  }
  const std::string utf8 = Cp936ToUtf8(std::string_view(body.constData(), std::size_t(body.size())));
  return QString::fromStdString(utf8);
}

// Whether a reply that ended with this error still carries the server's
// answer (an HTTP status such as 404); otherwise no status was received.
bool CarriesHttpAnswer(QNetworkReply::NetworkError error) {
  return error == QNetworkReply::NoError ||
         (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
         (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
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

  DetachReply(true);  // opening again cancels the round under way
  ++FGeneration;
  FMethod = verb;
  FUrl = url;
  FStatus = 0;
  FContentType.clear();
  FBody.clear();
  FCapped = false;
  FReadyState = 1;
  // Posted, so that a sink registered right after open() hears of state 1
  // too, and never from inside open() itself.
  const unsigned generation = FGeneration;
  QMetaObject::invokeMethod(
      &hub, [keep, generation] { static_cast<TXmlHttpRequest*>(keep.Get())->DeliverPosted(generation, 1); },
      Qt::QueuedConnection);
}

void TXmlHttpRequest::setOnreadystatechange(IDispatchLike* sink) {
  TComPtr<IXmlHttpRequest> keep(this);  // the old sink may hold the last reference
  FSink = TComPtr<IDispatchLike>(sink);
}

void TXmlHttpRequest::send(const QByteArray& body) {
  if (FReadyState != 1 || FReply) throw EOleError("HTTP 请求尚未打开，或已经发送");
  TRequestHub& hub = TRequestHub::ForThisThread();
  QNetworkRequest request(FUrl);
  request.setTransferTimeout(gInactivityTimeoutMs.load());
  QNetworkAccessManager& manager = hub.Manager();
  QNetworkReply* reply = nullptr;
  if (FMethod == "GET" && body.isEmpty()) {
    reply = manager.get(request);
  } else if (FMethod == "POST") {
    reply = manager.post(request, body);
  } else {
    reply = manager.sendCustomRequest(request, FMethod, body);
  }
  reply->setReadBufferSize(kReadBufferBytes);
  FReply = reply;
  FContext = std::make_unique<QObject>();
  QObject::connect(reply, &QNetworkReply::metaDataChanged, FContext.get(), [this] { OnMetaData(); });
  QObject::connect(reply, &QNetworkReply::readyRead, FContext.get(), [this] { OnReadyRead(); });
  QObject::connect(reply, &QNetworkReply::finished, FContext.get(), [this] { OnFinished(); });
  FHub = &hub;
  hub.Track(this);
  FSelf = TComPtr<IXmlHttpRequest>(this);
}

void TXmlHttpRequest::abort() {
  TComPtr<IXmlHttpRequest> keep(this);
  ++FGeneration;
  DetachReply(true);
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
  DetachReply(true);
  FReadyState = 4;
  FStatus = 0;
  FSink.Reset();
}

QString TXmlHttpRequest::responseText() const { return DecodeBody(FBody, FContentType); }

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

void TXmlHttpRequest::TakeHeaders() {
  const QVariant code = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  FStatus = code.isValid() ? code.toInt() : 0;
  FContentType = FReply->rawHeader("Content-Type");
}

void TXmlHttpRequest::OnMetaData() {
  if (!FReply || FReadyState >= 2) return;
  TakeHeaders();
  FReadyState = 2;
  Notify();
}

void TXmlHttpRequest::ReadAvailable() {
  if (!FReply->isOpen()) return;  // aborted: nothing left to read
  const qint64 room = kMaxResponseBytes - FBody.size();
  if (room > 0) FBody += FReply->read(std::min(room, FReply->bytesAvailable()));
  if (FReply->bytesAvailable() > 0) FCapped = true;
}

void TXmlHttpRequest::OnReadyRead() {
  TComPtr<IXmlHttpRequest> keep(this);
  if (!FReply) return;
  const unsigned generation = FGeneration;
  if (FReadyState < 2) OnMetaData();
  if (generation != FGeneration || !FReply) return;  // the sink aborted or reopened
  ReadAvailable();
  if (FReadyState < 3) {
    FReadyState = 3;
    Notify();
    if (generation != FGeneration || !FReply) return;
  }
  // No more is kept: stop the transfer; finished reports what was kept.
  if (FCapped) FReply->abort();
}

void TXmlHttpRequest::OnFinished() {
  TComPtr<IXmlHttpRequest> keep(this);
  if (!FReply) return;
  ReadAvailable();
  // A transfer we cut at the cap still reports the server's status; a
  // network failure (refused, no host, silence, cut short) reports none.
  if (FCapped || CarriesHttpAnswer(FReply->error()))
    TakeHeaders();
  else
    FStatus = 0;
  DetachReply(false);
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

void TXmlHttpRequest::DetachReply(bool abortReply) {
  if (QNetworkReply* reply = FReply.data()) {
    FReply = nullptr;
    FContext.reset();  // disconnects our handlers only
    if (abortReply) reply->abort();
    reply->deleteLater();
  }
  FContext.reset();
  if (FHub != nullptr) {
    FHub->Untrack(this);
    FHub = nullptr;
  }
  FSelf.Reset();  // callers hold their own reference meanwhile
}

}  // namespace

TComPtr<IXmlHttpRequest> CreateOleObject(const QString& className) {
  if (className.trimmed().compare(QLatin1String("MSXML2.XMLHttp"), Qt::CaseInsensitive) != 0)
    throw EOleError(Utf8("无法创建对象“" + className + "”：未知的类名"));
  TRequestHub::ForThisThread();  // fails now, not at send(), without an application object
  return TComPtr<IXmlHttpRequest>(new TXmlHttpRequest);
}

void SetXmlHttpInactivityTimeout(int milliseconds) {
  gInactivityTimeoutMs = milliseconds > 0 ? milliseconds : IXmlHttpRequest::kInactivityTimeoutMs;
}

}  // namespace tessary::platform
