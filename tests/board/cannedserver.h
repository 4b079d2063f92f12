// SPDX-License-Identifier: MIT
#pragma once

// A board server on loopback answering every request with a canned
// response: at once, after a delay, or never.

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <vector>

namespace tessary::testing {

class TCannedServer : public QObject {
 public:
  struct TRequest {
    QByteArray Method, Path, Body;
  };
  static constexpr int kNever = -1;

  // delayMs: how long to wait after the request before answering (kNever:
  // accept and keep silent).
  explicit TCannedServer(QByteArray response, int delayMs = 0)
      : FResponse(std::move(response)), FDelayMs(delayMs) {
    FServer.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&FServer, &QTcpServer::newConnection, this, [this] { Accept(); });
  }

  QString Url(const char* path = "/scolbrd.php") const {
    return QStringLiteral("http://127.0.0.1:%1%2")
        .arg(FServer.serverPort())
        .arg(QLatin1String(path));
  }
  const std::vector<TRequest>& Requests() const { return FRequests; }

  // A whole HTTP response.
  static QByteArray Http(int status, const QByteArray& body,
                         const QByteArray& contentType = "text/html; charset=GBK") {
    QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + " Canned\r\n";
    r += "Content-Type: " + contentType + "\r\n";
    r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    r += "Connection: close\r\n\r\n";
    return r + body;
  }

  // A loopback address where nothing listens.
  static QString RefusingUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/scolbrd.php").arg(port);
  }

 private:
  void Accept() {
    while (QTcpSocket* socket = FServer.nextPendingConnection()) {
      socket->setParent(this);
      auto* received = new QByteArray;
      QObject::connect(socket, &QObject::destroyed, [received] { delete received; });
      QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
        *received += socket->readAll();
        if (!Complete(*received)) return;
        QObject::disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        Answer(socket);
      });
    }
  }

  // Headers in, and as much body as Content-Length says.
  bool Complete(const QByteArray& data) {
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0) return false;
    qsizetype length = 0;
    for (const QByteArray& line : data.left(end).split('\n'))
      if (line.toLower().startsWith("content-length:"))
        length = line.mid(15).trimmed().toLongLong();
    if (data.size() < end + 4 + length) return false;
    const QList<QByteArray> first = data.left(data.indexOf("\r\n")).split(' ');
    FRequests.push_back({first.value(0), first.value(1), data.mid(end + 4, length)});
    return true;
  }

  void Answer(QTcpSocket* socket) {
    if (FDelayMs == kNever) return;
    QTimer::singleShot(FDelayMs, socket, [this, socket] {
      socket->write(FResponse);
      socket->disconnectFromHost();
    });
  }

  QTcpServer FServer;
  QByteArray FResponse;
  int FDelayMs;
  std::vector<TRequest> FRequests;
};

}  // namespace tessary::testing
