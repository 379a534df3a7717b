#include "ui/LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QByteArray ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 404:
      return "Not Found";
    default:
      return "Status";
  }
}

}  // namespace

LocalHttpServer::LocalHttpServer() : m_server(new QTcpServer(this)) {
  m_server->setMaxPendingConnections(kMaxConnections);
  connect(m_server, &QTcpServer::newConnection, this, &LocalHttpServer::accept);
  m_server->listen(QHostAddress::LocalHost, 0);
}

LocalHttpServer::~LocalHttpServer() {
  for (const QPointer<QTcpSocket>& socket : m_sockets) {
    if (socket) socket->abort();
  }
}

bool LocalHttpServer::isListening() const {
  return m_server->isListening();
}

quint16 LocalHttpServer::port() const {
  return m_server->serverPort();
}

QUrl LocalHttpServer::url(const QString& path) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(port()).arg(path));
}

void LocalHttpServer::setRoute(const QString& path, const Response& response) {
  m_routes.insert(path, response);
}

void LocalHttpServer::setStall(const QString& path) {
  Response response;
  response.stall = true;
  setRoute(path, response);
}

void LocalHttpServer::setNotFound(const QString& path) {
  setRoute(path, Answer(404, "<html><body>Not found</body></html>"));
}

QByteArray LocalHttpServer::LinkPage(const QStringList& links) {
  QByteArray page = "<html><head><title>Downloads</title></head><body>\n<ul>\n";
  for (const QString& link : links) page += "<li><A HREF=\"" + link.toUtf8() + "\">" + link.toUtf8() + "</A></li>\n";
  return page + "</ul>\n</body></html>\n";
}

QByteArray LocalHttpServer::NewsPage(const QStringList& items, const QString& closingLine) {
  QByteArray page = "<html><head><title>News</title></head><body>\n<h1>TindleWick News</h1>\n";
  for (const QString& item : items) page += "<p>" + item.toUtf8() + "</p>\n";
  if (!closingLine.isEmpty()) page += "<p>" + closingLine.toUtf8() + "</p>\n";
  return page + "</body></html>\n";
}

QByteArray LocalHttpServer::FileBytes(qsizetype size) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (qsizetype i = 0; i < size; ++i) bytes[i] = char('a' + i % 26);
  return bytes;
}

void LocalHttpServer::accept() {
  while (QTcpSocket* socket = m_server->nextPendingConnection()) {
    m_sockets.removeAll(nullptr);
    if (m_sockets.size() >= kMaxConnections) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    socket->setParent(this);
    m_sockets.append(socket);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }
}

void LocalHttpServer::readRequest(QTcpSocket* socket) {
  if (socket->property("answered").toBool()) {
    socket->readAll();  // a stalled client may still send; nothing more is read
    return;
  }
  QByteArray head = socket->property("head").toByteArray() + socket->readAll();
  if (head.size() > kMaxRequestHeadBytes) {
    socket->abort();
    return;
  }
  const qsizetype end = head.indexOf("\r\n\r\n");
  if (end < 0) {
    socket->setProperty("head", head);
    return;
  }
  socket->setProperty("answered", true);
  const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
  if (requestLine.size() < 2 || requestLine[0] != "GET") {
    socket->write("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    return;
  }
  answer(socket, QUrl(QString::fromUtf8(requestLine[1])).path());
}

void LocalHttpServer::answer(QTcpSocket* socket, const QString& path) {
  ++m_totalHits;
  ++m_hits[path];
  const auto route = m_routes.constFind(path);
  Response response;
  if (route != m_routes.constEnd()) {
    response = *route;
  } else {
    response = Answer(404, "<html><body>Not found</body></html>");
  }
  if (response.stall) return;

  QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + ReasonPhrase(response.status) + "\r\n";
  reply += "Connection: close\r\n";
  if (!response.contentType.isEmpty()) reply += "Content-Type: " + response.contentType + "\r\n";
  if (!response.contentDisposition.isEmpty()) reply += "Content-Disposition: " + response.contentDisposition + "\r\n";
  if (response.sendContentLength)
    reply += "Content-Length: " + QByteArray::number(response.body.size() + response.missingBytes) + "\r\n";
  reply += "\r\n";
  socket->write(reply);
  socket->write(response.body);
  socket->disconnectFromHost();  // after the bytes above are sent
}
