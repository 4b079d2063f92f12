// SPDX-License-Identifier: MIT
// The HTTP request object against an in-process server on 127.0.0.1 that
// answers each request with a canned, slow, endless or silent response.

#include "xmlhttp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/scopedenv.h"

namespace tessary::platform {
namespace {

// What one round left behind: the sink outlives the test body when a request
// is still under way at exit, so it shares this instead of pointing into it.
struct TLog {
  std::vector<int> States;  // readyState seen at each notification
  int Status = -1;          // status and text read at readyState 4
  QString Text;
  QString TextWhileLoading;  // responseText at readyState 3
  int SinkDestroyed = 0;
  bool InOurCall = false;  // set around open/setOnreadystatechange/send
  int CallsInside = 0;     // notifications that arrived inside one of those
  std::function<void(IXmlHttpRequest&)> OnNotify;
};

// Holds the request back, as the board's sink does: request and sink form a
// cycle that the request must break.
class TCountingSink final : public TInterfacedObject {
 public:
  TCountingSink(IXmlHttpRequest* request, std::shared_ptr<TLog> log)
      : FRequest(request), FLog(std::move(log)) {}
  ~TCountingSink() override { ++FLog->SinkDestroyed; }

  long GetTypeInfoCount(unsigned*) override { return E_NOTIMPL_; }
  long GetTypeInfo(unsigned, void**) override { return E_NOTIMPL_; }
  long GetIDsOfNames(const QString*, unsigned, int*) override { return E_NOTIMPL_; }
  long Invoke(int dispId, const QVariantList&, QVariant*) override {
    if (dispId != 0) return E_INVALIDARG_;
    if (FLog->InOurCall) ++FLog->CallsInside;
    FLog->States.push_back(FRequest->readyState());
    if (FRequest->readyState() == 3) FLog->TextWhileLoading = FRequest->responseText();
    if (FRequest->readyState() == 4) {
      FLog->Status = FRequest->status();
      FLog->Text = FRequest->responseText();
    }
    if (FLog->OnNotify) FLog->OnNotify(*FRequest.Get());
    return S_OK_;
  }

 private:
  TComPtr<IXmlHttpRequest> FRequest;
  std::shared_ptr<TLog> FLog;
};

// Accepts connections and hands each one, once its request head and body are
// in, to Answer. Records the request lines it saw.
class TTestServer {
 public:
  using TAnswer = std::function<void(QTcpSocket*)>;

  explicit TTestServer(TAnswer answer) : FAnswer(std::move(answer)) {
    EXPECT_TRUE(FServer.listen(QHostAddress::LocalHost));
    QObject::connect(&FServer, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = FServer.nextPendingConnection()) Accept(socket);
    });
  }
  QString Url() const {
    return QStringLiteral("http://127.0.0.1:%1/scolbrd.php").arg(FServer.serverPort());
  }
  // Connections still open are reset, not closed, so that a client still
  // reading an endless answer stops at once.
  ~TTestServer() {
    for (QTcpSocket* socket : FServer.findChildren<QTcpSocket*>()) {
      const linger reset{1, 0};
      setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      socket->abort();
    }
  }
  quint16 Port() const { return FServer.serverPort(); }
  const QList<QByteArray>& RequestLines() const { return FRequestLines; }
  int OpenConnections() const {
    const auto sockets = FServer.findChildren<QTcpSocket*>();
    return int(std::count_if(sockets.begin(), sockets.end(), [](const QTcpSocket* socket) {
      return socket->state() == QAbstractSocket::ConnectedState;
    }));
  }

 private:
  void Accept(QTcpSocket* socket) {
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
      *buffer += socket->readAll();
      const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
      if (headEnd < 0 || socket->property("answered").toBool()) return;
      qsizetype length = 0;
      for (const QByteArray& line : buffer->left(headEnd).split('\n'))
        if (line.toLower().startsWith("content-length:"))
          length = line.mid(15).trimmed().toLongLong();
      if (buffer->size() < headEnd + 4 + length) return;
      socket->setProperty("answered", true);
      FRequestLines.append(buffer->left(buffer->indexOf("\r\n")));
      socket->setProperty("requestLine", FRequestLines.last());
      FAnswer(socket);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }

  QTcpServer FServer;
  TAnswer FAnswer;
  QList<QByteArray> FRequestLines;
};

TTestServer::TAnswer Canned(const QByteArray& response) {
  return [response](QTcpSocket* socket) {
    socket->write(response);
    socket->disconnectFromHost();
  };
}

// Writes head, then repeat again and again, as fast as the client takes it.
TTestServer::TAnswer Endless(const QByteArray& head, const QByteArray& repeat) {
  return [head, repeat](QTcpSocket* socket) {
    socket->write(head);
    const QByteArray block = repeat.repeated(64 * 1024 / repeat.size());
    auto more = [socket, block] {
      while (socket->state() == QAbstractSocket::ConnectedState &&
             socket->bytesToWrite() < 4 * block.size())
        socket->write(block);
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
  };
}

// Writes head, then a byte every 20 ms.
TTestServer::TAnswer Trickle(const QByteArray& head) {
  return [head](QTcpSocket* socket) {
    socket->write(head);
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
    timer->start(20);
  };
}

QByteArray Response(const QByteArray& statusLine, const QByteArray& contentType,
                    const QByteArray& body) {
  QByteArray head =
      "HTTP/1.1 " + statusLine + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
  if (!contentType.isEmpty()) head += "Content-Type: " + contentType + "\r\n";
  return head + "Connection: close\r\n\r\n" + body;
}

// A 200 answer whose body is sent compressed ("deflate": a zlib stream).
QByteArray Compressed(const QByteArray& body) {
  const QByteArray zlib = qCompress(body).mid(4);  // without Qt's length prefix
  return "HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\nContent-Length: " +
         QByteArray::number(zlib.size()) + "\r\n\r\n" + zlib;
}

// Starts a POST with an empty body as the board does, and keeps no reference
// of its own unless asked: from then on only the sink holds the request.
TComPtr<IXmlHttpRequest> Start(const QString& url, const std::shared_ptr<TLog>& log) {
  TComPtr<IXmlHttpRequest> request = CreateOleObject(QStringLiteral("MSXML2.XMLHttp"));
  log->InOurCall = true;
  request->open(QStringLiteral("POST"), url, true);
  request->setOnreadystatechange(new TCountingSink(request.Get(), log));
  request->send();
  log->InOurCall = false;
  return request;
}

// Runs the event loop until done() holds. Unlike QTest::qWaitFor it never
// sleeps, so the server's per-millisecond timers keep their pace.
bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer clock;
  clock.start();
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done() || clock.elapsed() >= milliseconds) loop.quit();
  });
  poll.start(1);
  if (!done()) loop.exec();
  return done();
}

// The round is over once the request let go of its sink.
bool WaitReleased(const TLog& log, int milliseconds = 1500) {
  return WaitUntil([&] { return log.SinkDestroyed > 0; }, milliseconds);
}

// A port nothing listens on.
QString RefusingUrl() {
  QTcpServer probe;
  EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
  const quint16 port = probe.serverPort();
  probe.close();
  return QStringLiteral("http://127.0.0.1:%1/scolbrd.php").arg(port);
}

class ScopedInactivityTimeout {
 public:
  explicit ScopedInactivityTimeout(int ms) { SetXmlHttpInactivityTimeout(ms); }
  ~ScopedInactivityTimeout() { SetXmlHttpInactivityTimeout(0); }
};

TEST(XmlHttp, CreatesOnlyTheKnownClass) {
  for (const char* name : {"MSXML2.XMLHttp", "msxml2.xmlhttp", " MSXML2.XMLHTTP "}) {
    TComPtr<IXmlHttpRequest> request = CreateOleObject(QString::fromUtf8(name));
    ASSERT_TRUE(request) << name;
    EXPECT_EQ(request->RefCount(), 1u) << name;
    EXPECT_EQ(request->readyState(), 0) << name;
  }
  for (const char* name : {"", "MSXML2.XMLHttp.9", "Tessary.Board"}) {
    try {
      CreateOleObject(QString::fromUtf8(name));
      ADD_FAILURE() << "created " << name;
    } catch (const EOleError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("“") + name + "”"), std::string::npos)
          << e.what();
    }
  }
}

TEST(XmlHttp, RefusesBadUseWithoutChangingState) {
  struct TCase {
    const char* Method;
    const char* Address;
    bool Asynchronous;
    const char* Why;
  };
  const TCase cases[] = {
      {"POST", "http://127.0.0.1/scolbrd.php", false, "synchronous"},
      {"", "http://127.0.0.1/scolbrd.php", true, "no method"},
      {"GE T", "http://127.0.0.1/scolbrd.php", true, "method with a blank"},
      {"POST", "ftp://127.0.0.1/scolbrd.php", true, "not HTTP"},
      {"POST", "http://", true, "no host"},
      {"POST", "scolbrd.php", true, "relative"},
  };
  for (const TCase& c : cases) {
    TComPtr<IXmlHttpRequest> request = CreateOleObject(QStringLiteral("MSXML2.XMLHttp"));
    EXPECT_THROW(
        request->open(QString::fromUtf8(c.Method), QString::fromUtf8(c.Address), c.Asynchronous),
        EOleError)
        << c.Why;
    EXPECT_EQ(request->readyState(), 0) << c.Why;
  }
  TComPtr<IXmlHttpRequest> request = CreateOleObject(QStringLiteral("MSXML2.XMLHttp"));
  EXPECT_THROW(request->send(), EOleError) << "send before open";
  request->open(QStringLiteral("POST"), RefusingUrl(), true);
  request->send();
  EXPECT_THROW(request->send(), EOleError) << "send twice";
  request->abort();
}

// Canned answers: status, text decoding and the states the sink sees.
TEST(XmlHttp, ReportsStatusAndDecodedTextOfCannedAnswers) {
  const QString chinese = QStringLiteral("中文");
  const QString bad = QString(QChar(0xFFFD));
  struct TCase {
    QByteArray Response;
    int Status;
    QString Text;
    std::vector<int> States;
    const char* Why;
  };
  const std::vector<TCase> cases = {
      {Response("200 OK", "text/html", "\xD6\xD0\xCE\xC4"),
       200,
       chinese,
       {1, 2, 3, 4},
       "code page 936 by default"},
      {Response("200 OK", "", "\xD6\xD0\xCE\xC4"), 200, chinese, {1, 2, 3, 4}, "no Content-Type"},
      {Response("200 OK", "text/html; charset=UTF-8", "中文"),
       200,
       chinese,
       {1, 2, 3, 4},
       "named UTF-8"},
      {Response("200 OK", "text/html;charset=\"gb2312\"", "\xD6\xD0\xCE\xC4"),
       200,
       chinese,
       {1, 2, 3, 4},
       "quoted gb2312 read as code page 936"},
      {Response("200 OK", "text/html; charset=x-unheard-of", "\xD6\xD0\xCE\xC4"),
       200,
       chinese,
       {1, 2, 3, 4},
       "unknown charset falls back to code page 936"},
      {Response("200 OK", "text/plain; charset=iso-8859-1", "\xD6\xD0"),
       200,
       QStringLiteral("ÖÐ"),
       {1, 2, 3, 4},
       "named Latin-1"},
      {Response("200 OK", "text/html",
                "1\xFF"
                "2\xD6"),
       200,
       "1" + bad + "2" + bad,
       {1, 2, 3, 4},
       "malformed code page 936"},
      {Response("200 OK", "text/html; charset=utf-8", "a\xC3(b"),
       200,
       "a" + bad + "(b",
       {1, 2, 3, 4},
       "malformed UTF-8"},
      {Response("404 Not Found", "text/plain", "missing"),
       404,
       "missing",
       {1, 2, 3, 4},
       "404 keeps its body"},
      {Response("200 OK", "text/html", "a" + QByteArray("\xD6\xD0").repeated(150000)),
       200,
       "a" + chinese.left(1).repeated(150000),
       {1, 2, 3, 4},
       "a long text: no character split in decoding"},
      {Response("500 Internal Server Error", "", ""),
       500,
       "",
       {1, 2, 4},
       "no body, no loading state"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\nabc",
       0,
       "abc",
       {1, 2, 3, 4},
       "closed before the whole body: no status"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: "
       "chunked\r\n\r\n3;ext=1\r\nabc\r\nA\r\n0123456789\r\n0\r\n"
       "Trailer: x\r\n\r\n",
       200,
       "abc0123456789",
       {1, 2, 3, 4},
       "chunked, with an extension and a trailer"},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       200,
       "ok",
       {1, 2, 3, 4},
       "an interim answer before the real one"},
      {Compressed("\xD6\xD0\xCE\xC4"),
       200,
       chinese,
       {1, 2, 3, 4},
       "compressed: decompressed, then decoded"},
      {"HTTP/1.0 200 OK\r\n\r\nuntil the end",
       200,
       "until the end",
       {1, 2, 3, 4},
       "no length: read to the end"},
  };
  for (const TCase& c : cases) {
    TTestServer server(Canned(c.Response));
    auto log = std::make_shared<TLog>();
    Start(server.Url(), log);
    ASSERT_TRUE(WaitReleased(*log)) << c.Why;
    EXPECT_EQ(log->States, c.States) << c.Why;
    EXPECT_EQ(log->Status, c.Status) << c.Why;
    EXPECT_EQ(log->Text, c.Text) << c.Why;
    EXPECT_EQ(log->CallsInside, 0) << c.Why;
    // Qt 6.4 now and then sends the request again when a server closes the
    // connection to end its answer.
    EXPECT_FALSE(server.RequestLines().isEmpty()) << c.Why;
    for (const QByteArray& line : server.RequestLines())
      EXPECT_EQ(line, "POST /scolbrd.php HTTP/1.1") << c.Why;
  }
}

// Redirects are followed as browsers do, a POST becoming a GET, and at most
// five of them: a sixth fails the request as a network failure.
TEST(XmlHttp, FollowsAtMostFiveRedirects) {
  struct TCase {
    int Redirects;
    int Status;
    QString Text;
    std::vector<int> States;
    QList<QByteArray> Requests;
  };
  const TCase cases[] = {
      {5,
       200,
       "fine",
       {1, 2, 3, 4},
       {"POST /scolbrd.php HTTP/1.1", "GET /r1 HTTP/1.1", "GET /r2 HTTP/1.1", "GET /r3 HTTP/1.1",
        "GET /r4 HTTP/1.1", "GET /r5 HTTP/1.1"}},
      {6,
       0,
       "",
       {1, 4},
       {"POST /scolbrd.php HTTP/1.1", "GET /r1 HTTP/1.1", "GET /r2 HTTP/1.1", "GET /r3 HTTP/1.1",
        "GET /r4 HTTP/1.1", "GET /r5 HTTP/1.1"}},
  };
  for (const TCase& c : cases) {
    // "/scolbrd.php" leads to "/r1", "/r1" to "/r2" and so on; the last one answers.
    TTestServer server([last = c.Redirects](QTcpSocket* socket) {
      const QByteArray path = socket->property("requestLine").toByteArray().split(' ').value(1);
      const int at = path.startsWith("/r") ? path.mid(2).toInt() : 0;
      Canned(at < last ? "HTTP/1.1 302 Found\r\nLocation: /r" + QByteArray::number(at + 1) +
                             "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nmoved"
                       : Response("200 OK", "text/plain", "fine"))(socket);
    });
    auto log = std::make_shared<TLog>();
    Start(server.Url(), log);
    ASSERT_TRUE(WaitReleased(*log)) << c.Redirects;
    EXPECT_EQ(log->Status, c.Status) << c.Redirects;
    EXPECT_EQ(log->Text, c.Text) << c.Redirects;
    EXPECT_EQ(log->States, c.States) << c.Redirects;
    // Qt 6.4 now and then sends a request twice when a server closes the
    // connection after its answer.
    QList<QByteArray> requests = server.RequestLines();
    requests.erase(std::unique(requests.begin(), requests.end()), requests.end());
    EXPECT_EQ(requests, c.Requests) << c.Redirects;
  }
}

TEST(XmlHttp, FailsWithoutStatusWhenNoServerAnswers) {
  ScopedInactivityTimeout timeout(600);  // bounds the name lookup where DNS hangs
  struct TCase {
    QString Url;
    const char* Why;
  };
  const TCase cases[] = {
      {RefusingUrl(), "connection refused"},
      {QStringLiteral("http://nonexistent.invalid/scolbrd.php"), "host not found"},
  };
  for (const TCase& c : cases) {
    auto log = std::make_shared<TLog>();
    Start(c.Url, log);
    ASSERT_TRUE(WaitReleased(*log)) << c.Why;
    EXPECT_EQ(log->States, (std::vector<int>{1, 4})) << c.Why;
    EXPECT_EQ(log->Status, 0) << c.Why;
    EXPECT_EQ(log->Text, "") << c.Why;
  }
}

// After completion only the caller's reference is left: the sink was released,
// and with it the sink's reference to the request.
TEST(XmlHttp, CompletionBreaksTheRequestSinkCycle) {
  TTestServer server(Canned(Response("200 OK", "text/html", "ok")));
  auto log = std::make_shared<TLog>();
  TComPtr<IXmlHttpRequest> request = Start(server.Url(), log);
  EXPECT_EQ(request->readyState(), 1);
  ASSERT_TRUE(WaitReleased(*log));
  EXPECT_EQ(log->SinkDestroyed, 1);
  EXPECT_EQ(request->RefCount(), 1u);
  EXPECT_EQ(request->readyState(), 4);
  EXPECT_EQ(request->status(), 200);
  EXPECT_EQ(request->responseText(), "ok");
}

TEST(XmlHttp, AbortReleasesTheSinkAndStaysSilent) {
  TTestServer server([](QTcpSocket*) {});
  auto log = std::make_shared<TLog>();
  TComPtr<IXmlHttpRequest> request = Start(server.Url(), log);
  ASSERT_TRUE(WaitUntil([&] { return server.RequestLines().size() == 1; }, 1000));
  request->abort();
  EXPECT_EQ(log->SinkDestroyed, 1);
  EXPECT_EQ(request->RefCount(), 1u);
  EXPECT_EQ(request->readyState(), 0);
  WaitUntil([] { return false; }, 20);
  EXPECT_EQ(log->States, (std::vector<int>{1}));
}

// A sink may unregister itself, or drop the last outside reference, while it
// is being called.
TEST(XmlHttp, SinkMayLetGoWhileBeingCalled) {
  TTestServer server(Canned(Response("200 OK", "text/html", "ok")));
  auto log = std::make_shared<TLog>();
  log->OnNotify = [](IXmlHttpRequest& request) {
    if (request.readyState() == 2) request.setOnreadystatechange(nullptr);
  };
  Start(server.Url(), log);
  ASSERT_TRUE(WaitReleased(*log));
  EXPECT_EQ(log->States, (std::vector<int>{1, 2}));
}

TEST(XmlHttp, SlowByteByByteAnswerNotifiesEachStateOnce) {
  const QByteArray response = Response("200 OK", "text/plain; charset=utf-8", "中文 board");
  TTestServer server([response](QTcpSocket* socket) {
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // one byte, one segment
    auto* timer = new QTimer(socket);
    timer->setTimerType(Qt::PreciseTimer);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, response, sent] {
      socket->write(response.mid((*sent)++, 1));
      if (*sent == response.size()) {
        timer->stop();
        socket->disconnectFromHost();
      }
    });
    timer->start(1);
  });
  auto log = std::make_shared<TLog>();
  Start(server.Url(), log);
  ASSERT_TRUE(WaitReleased(*log));
  EXPECT_EQ(log->States, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(log->Status, 200);
  EXPECT_EQ(log->Text, QStringLiteral("中文 board"));
  EXPECT_LT(log->TextWhileLoading.size(), log->Text.size())
      << "arrived in one piece: proves nothing";
}

// A 50 MB body: the text stops at the cap, the status stays, and the client
// hangs up while the server is still sending (what the kernel buffers on the
// way, up to tens of MB on loopback, is out of the client's hands).
TEST(XmlHttp, CapsAHugeBodyAndStopsTheTransfer) {
  constexpr qint64 kBodyBytes = 50 * 1024 * 1024;
  struct TFeed {
    qint64 Sent = 0;
    bool HungUp = false;
  };
  auto feed = std::make_shared<TFeed>();
  TTestServer server([feed](QTcpSocket* socket) {
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                  QByteArray::number(kBodyBytes) + "\r\n\r\n");
    const QByteArray chunk(1024 * 1024, 'x');
    auto more = [socket, feed, chunk] {
      while (feed->Sent < kBodyBytes && socket->state() == QAbstractSocket::ConnectedState &&
             socket->bytesToWrite() < 4 * chunk.size()) {
        socket->write(chunk);
        feed->Sent += chunk.size();
      }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    QObject::connect(socket, &QTcpSocket::disconnected, [feed] { feed->HungUp = true; });
    more();
  });
  auto log = std::make_shared<TLog>();
  Start(server.Url(), log);
  ASSERT_TRUE(WaitReleased(*log, 1500));
  EXPECT_EQ(log->States, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(log->Status, 200);
  EXPECT_EQ(log->Text.size(), IXmlHttpRequest::kMaxResponseBytes);
  ASSERT_TRUE(WaitUntil([&] { return feed->HungUp; }, 400));
  EXPECT_LT(feed->Sent, kBodyBytes);
}

// A chunked answer far over the cap, sent as fast as the client takes it:
// the request never holds more than the cap of it, whatever the server
// sends, and ends with the status and the capped text.
TEST(XmlHttp, NeverHoldsMoreThanTheCapOfAChunkedAnswer) {
  constexpr qint64 kBodyBytes = 100 * 1024 * 1024;
  auto sent = std::make_shared<qint64>(0);
  TTestServer server([sent](QTcpSocket* socket) {
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n");
    const QByteArray chunk = "100000\r\n" + QByteArray(0x100000, 'x') + "\r\n";
    auto more = [socket, sent, chunk] {
      while (*sent < kBodyBytes && socket->state() == QAbstractSocket::ConnectedState &&
             socket->bytesToWrite() < 4 * chunk.size()) {
        socket->write(chunk);
        *sent += 0x100000;
        if (*sent >= kBodyBytes) socket->write("0\r\n\r\n");
      }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
  });
  auto log = std::make_shared<TLog>();
  auto held = std::make_shared<qint64>(0);
  log->OnNotify = [held](IXmlHttpRequest& request) {
    *held = std::max(*held, request.bytesHeld());
  };
  TComPtr<IXmlHttpRequest> request = Start(server.Url(), log);
  ASSERT_TRUE(WaitUntil(
      [&] {
        *held = std::max(*held, request->bytesHeld());
        return log->SinkDestroyed > 0;
      },
      5000));
  EXPECT_LE(*held, IXmlHttpRequest::kMaxResponseBytes);
  EXPECT_GE(*held, IXmlHttpRequest::kMaxResponseBytes) << "the cap itself is kept";
  EXPECT_EQ(log->States, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(log->Status, 200);
  EXPECT_EQ(log->Text.size(), IXmlHttpRequest::kMaxResponseBytes);
  EXPECT_EQ(request->bytesHeld(), IXmlHttpRequest::kMaxResponseBytes)
      << "nothing but the kept text stays";
}

TEST(XmlHttp, SilentServerFailsAfterTheInactivityLimit) {
  ScopedInactivityTimeout timeout(300);
  TTestServer server(
      [](QTcpSocket* socket) { socket->write("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"); });
  auto log = std::make_shared<TLog>();
  Start(server.Url(), log);
  ASSERT_TRUE(WaitReleased(*log));
  EXPECT_EQ(log->States, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(log->Status, 0);
}

// Answers that never end: the inactivity limit or the total limit ends
// each, however busily the server keeps sending; trailer lines Qt ends at
// once, well within limits long enough for a slow (sanitized) build.
TEST(XmlHttp, EndlessAnswersEndWithinTheLimits) {
  struct TCase {
    int LimitMs;  // the inactivity limit, half the total one
    TTestServer::TAnswer Answer;
    int Status;
    std::optional<QString> Text;  // unset: however much trickled in
    std::vector<int> States;
    const char* Why;
  };
  const TCase cases[] = {
      {300, Endless("", "HTTP/1.1 100 Continue\r\n\r\n"), 0, "", {1, 4}, "interim heads only"},
      {2000,
       Endless("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n",
               "X-Trailer: y\r\n"),
       200,
       "abc",
       {1, 2, 3, 4},
       "trailer lines after the last chunk"},
      {300,
       Trickle("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n"),
       0,
       std::nullopt,
       {1, 2, 3, 4},
       "a body trickling in, never silent for long"},
  };
  for (const TCase& c : cases) {
    ScopedInactivityTimeout timeout(c.LimitMs);
    TTestServer server(c.Answer);
    auto log = std::make_shared<TLog>();
    Start(server.Url(), log);
    ASSERT_TRUE(WaitReleased(*log, 5000)) << c.Why;
    EXPECT_EQ(log->Status, c.Status) << c.Why;
    if (c.Text) {
      EXPECT_EQ(log->Text, *c.Text) << c.Why;
    }
    EXPECT_EQ(log->States, c.States) << c.Why;
  }
}

// A server that floods the client with what is never an answer holds Qt's
// network thread in a loop that sees no abort: the request ends well before
// the limits, and its connection is closed, not left to spin until the
// server stops.
TEST(XmlHttp, FloodWithoutAnswerEndsAndClosesTheConnection) {
  struct TCase {
    TTestServer::TAnswer Answer;
    std::vector<int> States;
    const char* Why;
  };
  const TCase cases[] = {
      {Endless("", "HTTP/1.1 100 Continue\r\n\r\n"), {1, 4}, "interim heads only"},
      {Endless("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n",
               "X-Trailer: y\r\n"),
       {1, 2, 3, 4},
       "trailer lines after the last chunk"},
  };
  for (const TCase& c : cases) {
    TTestServer server(c.Answer);
    auto log = std::make_shared<TLog>();
    Start(server.Url(), log);
    // The limits are 30 s and a minute: long before those.
    ASSERT_TRUE(WaitReleased(*log, 15000)) << c.Why;
    EXPECT_EQ(log->States, c.States) << c.Why;
    EXPECT_TRUE(WaitUntil([&] { return server.OpenConnections() == 0; }, 5000)) << c.Why;
  }
}

// The proxy comes from the environment: http_proxy for http, https_proxy
// for https, none for a host that no_proxy names. The proxy looks the host
// up, so it need not resolve here.
TEST(XmlHttp, GoesThroughTheProxyTheEnvironmentNames) {
  ScopedInactivityTimeout timeout(600);  // bounds the name lookup where DNS hangs
  struct TCase {
    const char* Url;
    const char* NoProxy;  // nullptr: unset
    QList<QByteArray> ProxySees;
    int Status;
    const char* Why;
  };
  const TCase cases[] = {
      {"http://nonexistent.invalid/scolbrd.php",
       nullptr,
       {"POST http://nonexistent.invalid/scolbrd.php HTTP/1.1"},
       200,
       "http_proxy"},
      {"https://nonexistent.invalid/scolbrd.php",
       nullptr,
       {"CONNECT nonexistent.invalid:443 HTTP/1.1"},
       0,
       "https_proxy: a tunnel, in which TLS then fails"},
      {"http://nonexistent.invalid/scolbrd.php",
       "localhost,.invalid",
       {},
       0,
       "no_proxy: direct, where the host is not found"},
  };
  for (const TCase& c : cases) {
    TTestServer proxy(Canned(Response("200 OK", "text/plain", "ok")));
    const std::string address = "http://127.0.0.1:" + std::to_string(proxy.Port());
    testing::TScopedEnv env;
    env.Set("http_proxy", address);
    env.Set("https_proxy", address);
    env.Set("no_proxy", c.NoProxy ? std::optional<std::string>(c.NoProxy) : std::nullopt);
    for (const char* name : {"HTTP_PROXY", "HTTPS_PROXY", "NO_PROXY", "all_proxy", "ALL_PROXY"})
      env.Set(name, std::nullopt);
    auto log = std::make_shared<TLog>();
    Start(QString::fromLatin1(c.Url), log);
    ASSERT_TRUE(WaitReleased(*log)) << c.Why;
    EXPECT_EQ(proxy.RequestLines(), c.ProxySees) << c.Why;
    EXPECT_EQ(log->Status, c.Status) << c.Why;
  }
}

// The cap counts the body as Qt hands it over, decompressed.
TEST(XmlHttp, CapsACompressedBodyAfterDecompression) {
  QByteArray digits(12 * 1024 * 1024, '0');  // some 2.4 to 1 compressed
  quint32 seed = 1;
  for (char& digit : digits) {
    seed = seed * 1103515245u + 12345u;
    digit = char('0' + (seed >> 16) % 10);
  }
  struct TCase {
    QByteArray Body;
    int Status;
    qsizetype TextSize;
    const char* Why;
  };
  const TCase cases[] = {
      {digits, 200, IXmlHttpRequest::kMaxResponseBytes, "12 MB of digits"},
      {QByteArray(50 * 1024 * 1024, '0'), 0, 0,
       "50 MB of one digit, some 50 KB compressed: Qt refuses such a bomb"},
  };
  for (const TCase& c : cases) {
    TTestServer server(Canned(Compressed(c.Body)));
    auto log = std::make_shared<TLog>();
    Start(server.Url(), log);
    ASSERT_TRUE(WaitReleased(*log, 5000)) << c.Why;
    EXPECT_EQ(log->Status, c.Status) << c.Why;
    EXPECT_EQ(log->Text.size(), c.TextSize) << c.Why;
  }
}

// The caller drops the request of a server that never answers and goes on;
// the request waits in the background until the application object goes.
TEST(XmlHttp, SilentServerNeitherBlocksNorNotifies) {
  // Lives on like a remote server, until the application object goes.
  auto* server = new TTestServer([](QTcpSocket*) {});
  QObject::connect(QCoreApplication::instance(), &QObject::destroyed, [server] { delete server; });
  auto log = std::make_shared<TLog>();
  QElapsedTimer clock;
  clock.start();
  // Held to the end of the test and released there: the request is then
  // abandoned on purpose, not left to the end of the application.
  const TComPtr<IXmlHttpRequest> request = Start(server->Url(), log);
  ASSERT_TRUE(WaitUntil([&] { return server->RequestLines().size() == 1; }, 1000));
  WaitUntil([] { return false; }, 50);
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_EQ(log->States, (std::vector<int>{1}));
  EXPECT_EQ(log->SinkDestroyed, 0);
}

// The end of the thread that owns a request under way abandons it: the sink
// is released without another call, and the end does not wait for the server.
TEST(XmlHttp, EndOfItsThreadAbandonsARequestUnderWay) {
  TTestServer server([](QTcpSocket*) {});
  auto log = std::make_shared<TLog>();
  QThread thread;
  QObject context;
  context.moveToThread(&thread);
  thread.start();
  QMetaObject::invokeMethod(&context, [&] { Start(server.Url(), log); });
  ASSERT_TRUE(WaitUntil([&] { return server.RequestLines().size() == 1; }, 1000));
  QElapsedTimer clock;
  clock.start();
  thread.quit();
  ASSERT_TRUE(thread.wait(1000));
  EXPECT_LT(clock.elapsed(), 500);
  EXPECT_EQ(log->SinkDestroyed, 1);
  EXPECT_EQ(log->States, (std::vector<int>{1}));
}

}  // namespace
}  // namespace tessary::platform

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
