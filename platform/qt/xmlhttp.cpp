// SPDX-License-Identifier: MIT
// The HTTP request itself: built as a module of its own (xmlhttpmodule.h).
#include "xmlhttp.h"
#include "xmlhttpmodule.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cp936.h"

namespace tessary::platform {

namespace {

std::atomic<int> gInactivityTimeoutMs{IXmlHttpRequest::kInactivityTimeoutMs};

// What Qt reads ahead of us for one reply: once that much waits unread it
// stops taking data off the network, so a server sending more than the body
// cap fills its own buffers, never ours. Big enough that a fast server needs
// only a few turns of the event loop for a capped body.
constexpr qint64 kReadBufferBytes = 1024 * 1024;
constexpr int kMaxRedirects = 5;

std::string Utf8(const QString& text) { return text.toStdString(); }

// Processor time Qt's network threads (named after the manager) have used,
// in seconds.
double NetworkThreadSeconds() {
  static const double kTicks = double(sysconf(_SC_CLK_TCK));
  double seconds = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return 0;
  while (const dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    const std::string dir = std::string("/proc/self/task/") + task->d_name;
    std::string name;
    std::getline(std::ifstream(dir + "/comm"), name);
    if (!name.starts_with("QNetworkAccess")) continue;
    std::string stat;
    std::getline(std::ifstream(dir + "/stat"), stat);
    const std::size_t end = stat.rfind(") ");
    if (end == std::string::npos) continue;
    unsigned long user = 0, system = 0;
    // After the name: state and ten numbers, then user and system time.
    if (std::sscanf(stat.c_str() + end + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                    &user, &system) == 2)
      seconds += double(user + system) / kTicks;
  }
  closedir(tasks);
  return seconds;
}

// The process's TCP connections, by descriptor and socket inode.
std::vector<std::pair<int, ino_t>> TcpSockets() {
  std::vector<std::pair<int, ino_t>> sockets;
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return sockets;
  while (const dirent* entry = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != 0 || fd == dirfd(fds)) continue;
    struct stat info {};
    int domain = 0, type = 0;
    socklen_t size = sizeof domain;
    if (fstat(int(fd), &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
    if (getsockopt(int(fd), SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0) continue;
    size = sizeof type;
    if (getsockopt(int(fd), SOL_SOCKET, SO_TYPE, &type, &size) != 0) continue;
    int listening = 0;
    size = sizeof listening;
    if (getsockopt(int(fd), SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening)
      continue;
    if ((domain == AF_INET || domain == AF_INET6) && type == SOCK_STREAM)
      sockets.emplace_back(int(fd), info.st_ino);
  }
  closedir(fds);
  return sockets;
}

// Ends a connection Qt's network thread is reading, under its feet: reset
// (a server that ignores a shutdown keeps sending), and its descriptor
// replaced by a socket connected nowhere, on which Qt's next read fails.
// The descriptor stays Qt's to close, so its number is never reused under
// Qt.
void CutConnection(int fd, ino_t inode) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_ino != inode) return;  // closed meanwhile
  const int nowhere = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (nowhere < 0) return;
  const linger reset{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  dup3(nowhere, fd, O_CLOEXEC);
  close(nowhere);
}

// Qt 6.4's network thread reads an endless head a byte at a time without
// once returning to its event loop: it never sees an abort, holds a core for
// as long as the server keeps sending, and keeps exit waiting. No answer
// costs that thread a second of processor time without bringing a head or
// body bytes, so past that budget the guard fails the request and cuts its
// connections underneath Qt, which ends the loop. Its connections are the
// TCP sockets that appeared since the request was sent, taken when Qt
// starts connecting or soon after, so that later requests' ones are left
// alone. The guard
// outlives a request ended by the limits, the cap or abort() for a few
// seconds, since the thread may still be caught then.
class TSpinGuard : public QObject {
 public:
  static constexpr double kBudgetSeconds = 1.0;
  static constexpr int kTickMs = 250;
  static constexpr int kOrphanTicks = 20;

  TSpinGuard(QObject* hub, std::function<void()> onTrip)
      : QObject(hub), FOnTrip(std::move(onTrip)), FBaseline(NetworkThreadSeconds()) {
    for (const auto& [fd, inode] : TcpSockets()) FBefore.insert(inode);
    auto* timer = new QTimer(this);
    QObject::connect(timer, &QTimer::timeout, this, [this] { Tick(); });
    timer->start(kTickMs);
  }
  void Progress() { FBaseline = NetworkThreadSeconds(); }
  // Qt opened a connection for the request (one per redirect at most).
  void Connecting() {
    for (const auto& [fd, inode] : TcpSockets())
      if (FBefore.insert(inode).second) FMine.emplace_back(fd, inode);
  }
  // The request is over. If Qt ended the exchange itself, its thread is
  // free; otherwise it may still be caught in the loop.
  void Release(bool endedByQt) {
    FOnTrip = nullptr;
    if (endedByQt) deleteLater();
  }

 private:
  void Tick() {
    if (!FOnTrip && ++FOrphanTicks > kOrphanTicks) {
      deleteLater();
      return;
    }
    // Qt may open the socket after the signal, once the host is looked up.
    if (FOnTrip && FMine.empty()) Connecting();
    if (NetworkThreadSeconds() - FBaseline < kBudgetSeconds) return;
    for (const auto& [fd, inode] : FMine) CutConnection(fd, inode);
    if (auto trip = std::exchange(FOnTrip, nullptr)) trip();
    deleteLater();
  }

  std::function<void()> FOnTrip;
  double FBaseline;
  std::set<ino_t> FBefore;
  std::vector<std::pair<int, ino_t>> FMine;
  int FOrphanTicks = 0;
};

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
  explicit TRequestHub(QObject* parent);

  QNetworkAccessManager* FManager;
  std::vector<TXmlHttpRequest*> FPending;
};

// The hubs by thread. A table, not a thread_local: this code is loaded at
// run time, where a thread_local lives in storage the loader hands out to
// each thread on first use, which the sanitizers' leak check at exit cannot
// always read.
std::mutex gHubsMutex;
std::vector<std::pair<QThread*, TRequestHub*>> gHubs;  // under gHubsMutex
TRequestHub* gMainHub = nullptr;                       // under gHubsMutex

class TXmlHttpRequest final : public IXmlHttpRequest {
 public:
  TXmlHttpRequest() = default;
  ~TXmlHttpRequest() override { DetachReply(); }

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
  void DeliverPosted(unsigned generation, int state);
  void Notify();
  void Watch(QNetworkReply* reply);
  void OnMetaData();
  void OnReadyRead();
  void OnFinished();
  bool Keep(const QByteArray& data);
  void Finish(int status);
  void DetachReply(bool now = false);
  bool Current(unsigned generation) const { return generation == FGeneration && FReply; }

  QByteArray FMethod;
  QUrl FUrl;
  int FReadyState = 0;
  int FStatus = 0;
  QByteArray FContentType;
  QByteArray FBody;
  // Bumped by open() and abort(): a notification posted for an earlier
  // round, or a sink release after one, must not touch the new one.
  unsigned FGeneration = 0;
  TComPtr<IDispatchLike> FSink;
  // The exchange under way: Qt's reply, and the object that receives its
  // signals and owns the total-time timer (gone with the exchange).
  QPointer<QNetworkReply> FReply;
  QObject* FContext = nullptr;
  QPointer<TSpinGuard> FGuard;
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

TRequestHub::TRequestHub(QObject* parent)
    : QObject(parent), FManager(new QNetworkAccessManager(this)) {
  // The user's proxy: http_proxy, https_proxy and no_proxy, or what the
  // desktop says; loopback addresses always go direct.
  QNetworkProxyFactory::setUseSystemConfiguration(true);
  FManager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
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
  delete FManager;
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

// Whether the server's status stands once the reply has ended with this
// error: Qt reports statuses from 400 up as errors of their own; any other
// error (refused, no host, silence, cut short, undecodable) means no answer.
bool KeepsStatus(QNetworkReply::NetworkError error, int status) {
  if (error == QNetworkReply::NoError) return true;
  if (status < 400) return false;
  return (error >= QNetworkReply::ContentAccessDenied &&
          error <= QNetworkReply::UnknownContentError) ||
         (error >= QNetworkReply::InternalServerError &&
          error <= QNetworkReply::UnknownServerError);
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

  DetachReply();  // opening again cancels the round under way
  ++FGeneration;
  FMethod = verb;
  FUrl = url;
  FStatus = 0;
  FContentType.clear();
  FBody.clear();
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
  if (FReadyState != 1 || FReply) throw EOleError("HTTP 请求尚未打开，或已经发送");
  TRequestHub& hub = TRequestHub::ForThisThread();
  QNetworkRequest request(FUrl);
  request.setTransferTimeout(gInactivityTimeoutMs.load());
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  QNetworkAccessManager& manager = hub.Manager();
  QNetworkReply* reply = nullptr;
  if (FMethod == "GET" && body.isEmpty()) {
    reply = manager.get(request);
  } else if (FMethod == "HEAD" && body.isEmpty()) {
    reply = manager.head(request);  // Qt then expects no body
  } else if (body.isEmpty()) {
    // No body to upload: Qt waits for the answer as soon as the head is out.
    // With an empty one it is still uploading then, and a server that
    // answers and closes at once makes it send the request again.
    if (FMethod == "POST" || FMethod == "PUT")
      request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    reply = manager.sendCustomRequest(request, FMethod);
  } else {
    reply = manager.sendCustomRequest(request, FMethod, body);
  }
  FReply = reply;
  FGuard = new TSpinGuard(&hub, [this, generation = FGeneration] {
    if (Current(generation)) Finish(0);
  });
  FHub = &hub;
  hub.Track(this);
  FSelf = TComPtr<IXmlHttpRequest>(this);
  Watch(reply);
}

// Connects the reply to this request through a context object that goes
// with the exchange, so that nothing arrives afterwards, and starts the
// total-time limit.
void TXmlHttpRequest::Watch(QNetworkReply* reply) {
  FContext = new QObject;
  QObject::connect(reply, &QNetworkReply::socketStartedConnecting, FContext, [this] {
    if (FGuard) FGuard->Connecting();
  });
  QObject::connect(reply, &QNetworkReply::metaDataChanged, FContext, [this] { OnMetaData(); });
  QObject::connect(reply, &QNetworkReply::readyRead, FContext, [this] { OnReadyRead(); });
  QObject::connect(reply, &QNetworkReply::finished, FContext, [this] { OnFinished(); });
  auto* deadline = new QTimer(FContext);
  deadline->setSingleShot(true);
  QObject::connect(deadline, &QTimer::timeout, FContext, [this] { Finish(0); });
  deadline->start(2 * gInactivityTimeoutMs.load());
  // Qt 6.4 passes a read buffer size on to its network thread only once the
  // reply has started there, a turn of the event loop after it was made:
  // set earlier, it is lost and Qt reads ahead without bound.
  QMetaObject::invokeMethod(
      FContext,
      [reply = QPointer<QNetworkReply>(reply)] {
        if (reply) reply->setReadBufferSize(kReadBufferBytes);
      },
      Qt::QueuedConnection);
}

void TXmlHttpRequest::abort() {
  TComPtr<IXmlHttpRequest> keep(this);
  ++FGeneration;
  DetachReply();
  FReadyState = 0;
  FStatus = 0;
  FContentType.clear();
  FBody.clear();
  FSink.Reset();
}

void TXmlHttpRequest::Abandon() {
  TComPtr<IXmlHttpRequest> keep(this);
  ++FGeneration;
  // No event loop runs any more to delete what would be deleted later.
  DetachReply(/*now=*/true);
  FReadyState = 4;
  FStatus = 0;
  FSink.Reset();
}

QString TXmlHttpRequest::responseText() const { return DecodeBody(FBody, FContentType); }

std::function<QString()> TXmlHttpRequest::responseTextTask() const {
  return [body = FBody, contentType = FContentType] { return DecodeBody(body, contentType); };
}

qint64 TXmlHttpRequest::bytesHeld() const {
  return FBody.size() + (FReply ? FReply->bytesAvailable() : 0);
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

// Statuses whose Location Qt follows.
bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 305 || status == 307 ||
         status == 308;
}

// The head of the answer. The head of a redirect is not: Qt follows it, or
// fails the request where it may not (too many, or from https to http).
void TXmlHttpRequest::OnMetaData() {
  TComPtr<IXmlHttpRequest> keep(this);
  if (FGuard) FGuard->Progress();
  if (!FReply || FReadyState >= 2) return;
  const QVariant status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!status.isValid()) return;
  if (IsRedirect(status.toInt()) && FReply->hasRawHeader("Location")) return;
  FStatus = status.toInt();
  FContentType = FReply->rawHeader("Content-Type");
  FReadyState = 2;
  Notify();
}

// Body bytes as they come, decompressed by Qt. Never more than one byte
// past the cap is taken: that byte tells a capped body from one of exactly
// the cap, and the rest stays with Qt until the reply goes.
void TXmlHttpRequest::OnReadyRead() {
  TComPtr<IXmlHttpRequest> keep(this);
  const unsigned generation = FGeneration;
  if (FReadyState < 2) OnMetaData();
  if (!Current(generation) || FReadyState < 2 || !FReply->isOpen()) return;
  if (FGuard) FGuard->Progress();
  const qint64 room = kMaxResponseBytes - FBody.size();
  Keep(FReply->read(std::min(FReply->bytesAvailable(), room + 1)));
}

// Keeps what fits under the cap. At the cap the transfer stops, and the
// answer counts as complete with its status; false once it has ended.
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
    Finish(FStatus);
    return false;
  }
  return true;
}

void TXmlHttpRequest::OnFinished() {
  TComPtr<IXmlHttpRequest> keep(this);
  const unsigned generation = FGeneration;
  OnReadyRead();  // what is left
  if (!Current(generation)) return;
  Finish(KeepsStatus(FReply->error(), FStatus) ? FStatus : 0);
}

// Ends the exchange and notifies readyState 4; status 0 for a network
// failure (refused, no host, silence, too slow, cut short).
void TXmlHttpRequest::Finish(int status) {
  TComPtr<IXmlHttpRequest> keep(this);
  if (!FReply) return;  // already finished
  FStatus = status;
  DetachReply();
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

// Stops the exchange: the reply is aborted and goes, with whatever Qt
// buffered for it, once the handler that may be running has returned.
void TXmlHttpRequest::DetachReply(bool now) {
  if (QNetworkReply* reply = FReply.data()) {
    if (FGuard) std::exchange(FGuard, nullptr)->Release(reply->isFinished());
    FReply = nullptr;
    QObject::disconnect(reply, nullptr, FContext, nullptr);  // abort() signals at once
    reply->abort();
    reply->deleteLater();
  }
  if (FContext != nullptr) {
    for (QTimer* timer : FContext->findChildren<QTimer*>()) timer->stop();
    QObject* context = std::exchange(FContext, nullptr);
    if (now)
      delete context;
    else
      context->deleteLater();  // we may be inside one of its handlers
  }
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
