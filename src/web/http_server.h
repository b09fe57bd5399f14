#pragma once
// A small HTTP/1.1 server for the foreman's view, on Qt Network: read-only pages and a stream
// of news (Server-Sent Events). Every bound a service left on needs is its own:
//
//   - a request's line and headers hold 16 KiB at most, its body 4 KiB (a login), or the
//     connection is answered 431/413 and closed;
//   - 256 connections at most at once; a connection silent for 30 s is closed;
//   - what a client does not read is not kept without end: past 8 MiB waiting to be sent, its
//     connection is dropped, so that a slow reader costs memory only for itself and never
//     stalls the others (every write is queued, never waited on);
//   - a handler may answer later (after the history was read on another thread): its Reply
//     does nothing if the client has gone.
//
// HTTPS when a certificate and its key are given (QSslServer).

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace chromaflow::web {

struct HttpRequest {
  QByteArray method;  // "GET", "HEAD", "POST"
  QByteArray path;    // as sent, without its query, percent-decoded
  QByteArray query;   // after "?", as sent
  QList<QPair<QByteArray, QByteArray>> headers;  // names in lower case
  QByteArray body;
  QHostAddress peer;

  QByteArray header(const QByteArray& lowerName) const;
  // A value of the query ("page=2&tri=surface"), percent-decoded; empty when absent.
  QString queryValue(const QString& name) const;
  // A cookie's value, empty when absent.
  QByteArray cookie(const QByteArray& name) const;
};

struct HttpResponse {
  int status = 200;
  QByteArray contentType = "text/plain; charset=utf-8";
  QByteArray body;
  QList<QPair<QByteArray, QByteArray>> headers;  // besides those every answer carries

  static HttpResponse text(int status, const QByteArray& body);
};

class HttpConnection;

// Answers a request, now or later, at most once; nothing happens if the client has gone.
class Reply {
 public:
  Reply() = default;
  explicit Reply(HttpConnection* connection);
  void send(const HttpResponse& response) const;
  // Starts a stream of Server-Sent Events on the connection, which then serves nothing else and
  // hears every HttpServer::broadcast; false if the client has gone.
  bool startEvents() const;
  bool gone() const;

 private:
  QPointer<HttpConnection> connection_;
};

class HttpServer : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(const HttpRequest&, Reply)>;

  struct Limits {
    qsizetype headerBytes = 16 * 1024;
    qsizetype bodyBytes = 4 * 1024;
    int connections = 256;
    int idleMilliseconds = 30'000;
    qint64 unsentBytes = 8 * 1024 * 1024;
  };

  explicit HttpServer(Handler handler, QObject* parent = nullptr);
  HttpServer(Handler handler, Limits limits, QObject* parent = nullptr);
  ~HttpServer() override;

  // Listens on the address and port (0: any free one); with `tls`, HTTPS. False with why.
  bool listen(const QHostAddress& address, quint16 port, const std::optional<QSslConfiguration>& tls,
              QString* why = nullptr);
  quint16 port() const;
  QHostAddress address() const;

  // To every stream open: one event, "event: NAME\ndata: DATA\n\n". DATA holds no line end.
  void broadcast(const QByteArray& name, const QByteArray& data);
  int streams() const;
  int connections() const;
  const Limits& limits() const { return limits_; }

 private:
  friend class HttpConnection;
  void accept();
  void connectionGone(HttpConnection* connection);

  Handler handler_;
  Limits limits_;
  std::unique_ptr<QTcpServer> listener_;
  QList<HttpConnection*> connections_;
  QTimer heartbeat_;  // a comment down every stream, so that proxies keep it open
};

}  // namespace chromaflow::web
