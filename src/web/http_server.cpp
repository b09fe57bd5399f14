#include "web/http_server.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

namespace chromaflow::web {
namespace {

// What every answer carries: nothing from elsewhere runs or shows in the pages, no page is framed,
// nothing is guessed of a content's type, no address leaves with a link.
const QList<QPair<QByteArray, QByteArray>> kCommonHeaders = {
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
     "base-uri 'none'; form-action 'self'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"X-Frame-Options", "DENY"},
    {"Referrer-Policy", "no-referrer"},
    {"Cross-Origin-Opener-Policy", "same-origin"},
    {"Cross-Origin-Resource-Policy", "same-origin"},
};

QByteArray reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool isToken(const QByteArray& word) {
  if (word.isEmpty()) return false;
  for (char c : word)
    if (c <= ' ' || c >= 127 || QByteArray("()<>@,;:\\\"/[]?={}").contains(c)) return false;
  return true;
}

}  // namespace

QByteArray HttpRequest::header(const QByteArray& lowerName) const {
  for (const auto& [name, value] : headers)
    if (name == lowerName) return value;
  return {};
}

QString HttpRequest::queryValue(const QString& name) const {
  const QUrlQuery parsed(QString::fromUtf8(query));
  return parsed.queryItemValue(name, QUrl::FullyDecoded);
}

QByteArray HttpRequest::cookie(const QByteArray& name) const {
  for (const auto& [header, value] : headers) {
    if (header != "cookie") continue;
    for (QByteArray pair : value.split(';')) {
      pair = pair.trimmed();
      const qsizetype equals = pair.indexOf('=');
      if (equals > 0 && pair.left(equals) == name) return pair.mid(equals + 1);
    }
  }
  return {};
}

HttpResponse HttpResponse::text(int status, const QByteArray& body) {
  HttpResponse response;
  response.status = status;
  response.body = body;
  return response;
}

// One client's connection: its requests read one at a time, each answered before the next.
class HttpConnection : public QObject {
  Q_OBJECT
 public:
  HttpConnection(HttpServer& server, QTcpSocket* socket) : server_(server), socket_(socket) {
    socket_->setParent(this);
    // What a client sends beyond one request waits in the system's buffers, not in ours.
    socket_->setReadBufferSize(server_.limits().headerBytes + server_.limits().bodyBytes + 1);
    connect(socket_, &QTcpSocket::readyRead, this, &HttpConnection::readSome);
    connect(socket_, &QTcpSocket::disconnected, this, &HttpConnection::gone);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] { socket_->abort(); });
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
      if (!streaming_) idle_.start();
    });
    idle_.setSingleShot(true);
    idle_.setInterval(server_.limits().idleMilliseconds);
    connect(&idle_, &QTimer::timeout, this, [this] {
      // Still reading the client's request: it is too slow; otherwise the connection rests.
      if (!busy_) socket_->abort();
    });
    idle_.start();
    if (socket_->bytesAvailable() > 0) readSome();
  }

  bool streaming() const { return streaming_; }
  const QHostAddress peer() const { return socket_->peerAddress(); }

  void send(const HttpResponse& response) {
    if (!busy_ || !socket_->isOpen()) return;
    busy_ = false;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " " + reason(response.status) + "\r\n";
    bool cacheGiven = false;
    for (const auto& [name, value] : kCommonHeaders) head += name + ": " + value + "\r\n";
    for (const auto& [name, value] : response.headers) {
      cacheGiven = cacheGiven || name.compare("Cache-Control", Qt::CaseInsensitive) == 0;
      head += name + ": " + value + "\r\n";
    }
    if (!cacheGiven) head += "Cache-Control: no-store\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += closeAfter_ ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
    write(head);
    if (!head_ && socket_->isOpen()) write(response.body);
    if (!socket_->isOpen()) return;  // dropped: it did not read what it was sent
    idle_.start();
    if (closeAfter_) {
      socket_->disconnectFromHost();
      return;
    }
    nextRequest();
  }

  bool startEvents() {
    if (!busy_ || !socket_->isOpen()) return false;
    busy_ = false;
    streaming_ = true;
    idle_.stop();
    QByteArray head = "HTTP/1.1 200 OK\r\n";
    for (const auto& [name, value] : kCommonHeaders) head += name + ": " + value + "\r\n";
    head += "Content-Type: text/event-stream; charset=utf-8\r\nCache-Control: no-store\r\nX-Accel-Buffering: no\r\n"
            "Connection: keep-alive\r\n\r\n: flux ouvert\n\n";
    write(head);
    return true;
  }

  void event(const QByteArray& text) {
    if (streaming_ && socket_->isOpen()) write(text);
  }

 private:
  void write(const QByteArray& bytes) {
    if (!socket_->isOpen()) return;
    socket_->write(bytes);
    // A client that does not read what it is sent is let go, not waited on.
    if (socket_->bytesToWrite() > server_.limits().unsentBytes) socket_->abort();
  }

  void fail(int status, const QByteArray& why) {
    busy_ = true;
    closeAfter_ = true;
    send(HttpResponse::text(status, why + "\n"));
  }

  void readSome() {
    const qsizetype most = server_.limits().headerBytes + server_.limits().bodyBytes;
    QByteArray bytes = socket_->read(most + 1 - buffer_.size() > 0 ? most + 1 - buffer_.size() : 0);
    if (streaming_ || closeAfter_) {
      socket_->readAll();  // nothing more is read from a stream or a connection being closed
      return;
    }
    buffer_ += bytes;
    idle_.start();
    if (!busy_) nextRequest();
    // More than a request may hold, and not yet taken by one.
    if (!busy_ && buffer_.size() > most) fail(431, "Requête trop grande.");
    else if (socket_->bytesAvailable() > 0 && buffer_.size() <= most) QTimer::singleShot(0, this, &HttpConnection::readSome);
  }

  // Takes the next whole request from what was read, if there is one, and hands it over.
  void nextRequest() {
    if (busy_ || streaming_ || closeAfter_) return;
    const auto& limits = server_.limits();
    const qsizetype end = buffer_.indexOf("\r\n\r\n");
    if (end < 0) {
      if (buffer_.size() > limits.headerBytes) fail(431, "En-têtes trop grands.");
      return;
    }
    if (end > limits.headerBytes) return fail(431, "En-têtes trop grands.");
    const QList<QByteArray> lines = buffer_.left(end).split('\n');
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3 || !isToken(first[0]) || !first[1].startsWith('/') ||
        (first[2] != "HTTP/1.1" && first[2] != "HTTP/1.0"))
      return fail(400, "Requête illisible.");
    HttpRequest request;
    request.method = first[0];
    request.peer = socket_->peerAddress();
    const qsizetype question = first[1].indexOf('?');
    request.path = QByteArray::fromPercentEncoding(question < 0 ? first[1] : first[1].left(question));
    if (question >= 0) request.query = first[1].mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const QByteArray line = lines[i].trimmed();
      const qsizetype colon = line.indexOf(':');
      if (colon <= 0 || !isToken(line.left(colon))) return fail(400, "En-tête illisible.");
      request.headers.append({line.left(colon).toLower(), line.mid(colon + 1).trimmed()});
    }
    if (!request.header("transfer-encoding").isEmpty()) return fail(501, "Corps de requête par morceaux refusé.");
    qsizetype length = 0;
    if (const QByteArray given = request.header("content-length"); !given.isEmpty()) {
      bool number = false;
      length = given.toLongLong(&number);
      if (!number || length < 0) return fail(400, "Longueur illisible.");
      if (length > limits.bodyBytes) return fail(413, "Corps de requête trop grand.");
    }
    if (buffer_.size() < end + 4 + length) return;  // the body is still coming
    request.body = buffer_.mid(end + 4, length);
    buffer_.remove(0, end + 4 + length);
    const QByteArray connection = request.header("connection").toLower();
    closeAfter_ = first[2] == "HTTP/1.0" ? !connection.contains("keep-alive") : connection.contains("close");
    head_ = request.method == "HEAD";
    busy_ = true;
    server_.handler_(request, Reply(this));
  }

  void gone() {
    idle_.stop();
    server_.connectionGone(this);
    deleteLater();
  }

  HttpServer& server_;
  QTcpSocket* socket_;
  QByteArray buffer_;
  QTimer idle_;
  bool busy_ = false;        // a request handed over and not yet answered
  bool closeAfter_ = false;  // the client asked to close, or a failure closes
  bool head_ = false;
  bool streaming_ = false;
};

Reply::Reply(HttpConnection* connection) : connection_(connection) {}

void Reply::send(const HttpResponse& response) const {
  if (connection_) connection_->send(response);
}

bool Reply::startEvents() const { return connection_ && connection_->startEvents(); }

bool Reply::gone() const { return !connection_; }

HttpServer::HttpServer(Handler handler, QObject* parent) : HttpServer(std::move(handler), Limits{}, parent) {}

HttpServer::HttpServer(Handler handler, Limits limits, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), limits_(limits) {
  heartbeat_.setInterval(15'000);
  connect(&heartbeat_, &QTimer::timeout, this, [this] {
    for (HttpConnection* connection : connections_) connection->event(": toujours là\n\n");
  });
  heartbeat_.start();
}

HttpServer::~HttpServer() {
  // The connections go with the server, without telling it.
  for (HttpConnection* connection : connections_) {
    connection->disconnect();
    delete connection;
  }
}

bool HttpServer::listen(const QHostAddress& address, quint16 port, const std::optional<QSslConfiguration>& tls,
                        QString* why) {
  if (tls) {
    auto secure = std::make_unique<QSslServer>();
    secure->setSslConfiguration(*tls);
    listener_ = std::move(secure);
  } else {
    listener_ = std::make_unique<QTcpServer>();
  }
  connect(listener_.get(), &QTcpServer::pendingConnectionAvailable, this, &HttpServer::accept);
  if (!listener_->listen(address, port)) {
    if (why) *why = listener_->errorString();
    return false;
  }
  return true;
}

quint16 HttpServer::port() const { return listener_ ? listener_->serverPort() : 0; }
QHostAddress HttpServer::address() const { return listener_ ? listener_->serverAddress() : QHostAddress(); }

void HttpServer::accept() {
  while (listener_->hasPendingConnections()) {
    QTcpSocket* socket = listener_->nextPendingConnection();
    if (connections_.size() >= limits_.connections) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    socket->setParent(nullptr);
    connections_.append(new HttpConnection(*this, socket));
  }
}

void HttpServer::connectionGone(HttpConnection* connection) { connections_.removeOne(connection); }

void HttpServer::broadcast(const QByteArray& name, const QByteArray& data) {
  const QByteArray text = "event: " + name + "\ndata: " + data + "\n\n";
  for (HttpConnection* connection : QList<HttpConnection*>(connections_)) connection->event(text);
}

int HttpServer::streams() const {
  int count = 0;
  for (const HttpConnection* connection : connections_) count += connection->streaming() ? 1 : 0;
  return count;
}

int HttpServer::connections() const { return static_cast<int>(connections_.size()); }

}  // namespace chromaflow::web

#include "http_server.moc"
