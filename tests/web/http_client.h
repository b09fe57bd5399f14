#pragma once
// A browser's requests, written byte for byte on a socket of the test's thread, the service's
// events handled while the answer comes.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QUrl>
#include <chrono>
#include <functional>

namespace chromaflow::testing {

struct HttpAnswer {
  int status = 0;  // 0: no answer (the connection closed, or nothing within the time)
  QByteArray head, body;
  QByteArray header(const QByteArray& name) const {
    for (const QByteArray& line : head.split('\n'))
      if (line.toLower().startsWith(name.toLower() + ":")) return line.mid(name.size() + 1).trimmed();
    return {};
  }
};

// Handles the program's events until `done` or the time has passed; true when done.
inline bool pumpUntil(const std::function<bool()>& done, int milliseconds = 10'000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Reads one answer (with its Content-Length) from the socket.
inline HttpAnswer readAnswer(QTcpSocket& socket, int milliseconds = 10'000) {
  QByteArray got;
  HttpAnswer answer;
  pumpUntil(
      [&] {
        got += socket.readAll();
        const qsizetype end = got.indexOf("\r\n\r\n");
        if (end < 0) return socket.state() != QAbstractSocket::ConnectedState;
        answer.head = got.left(end);
        const QByteArray length = answer.header("Content-Length");
        return got.size() >= end + 4 + length.toLongLong() || socket.state() != QAbstractSocket::ConnectedState;
      },
      milliseconds);
  const qsizetype end = got.indexOf("\r\n\r\n");
  if (end < 0) return answer;
  answer.head = got.left(end);
  answer.body = got.mid(end + 4);
  answer.status = answer.head.mid(9, 3).toInt();
  return answer;
}

inline HttpAnswer ask(quint16 port, const QByteArray& request) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  // Connected, or already let go by the service.
  pumpUntil([&] {
    return socket.state() == QAbstractSocket::ConnectedState || socket.state() == QAbstractSocket::UnconnectedState;
  });
  if (socket.state() != QAbstractSocket::ConnectedState) return {};
  socket.write(request);
  return readAnswer(socket);
}

inline HttpAnswer get(quint16 port, const QByteArray& path) {
  return ask(port, "GET " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
}

}  // namespace chromaflow::testing
