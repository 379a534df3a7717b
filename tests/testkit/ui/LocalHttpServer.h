#pragma once
// A small HTTP server on 127.0.0.1 (a free port) for the tests of the
// update and news checks, so that no test reaches outside the machine. It
// answers GET requests from a table of routes, counts the requests for each
// path, and can stall (read a request, answer nothing) to drive time-outs.
// It is bounded: a few connections at a time, short request heads, and it
// never reads a request body. It runs on the thread that made it, so tests
// must let that thread's event loop run while a client waits.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

class QTcpServer;
class QTcpSocket;

class LocalHttpServer : public QObject {
 public:
  static constexpr int kMaxConnections = 16;
  static constexpr qsizetype kMaxRequestHeadBytes = 16 * 1024;

  struct Response {
    int status = 200;
    QByteArray body;
    // Sends "Content-Length"; without it the body ends when the connection
    // closes.
    bool sendContentLength = true;
    // Claims this many bytes more than the body holds, then closes early.
    qsizetype missingBytes = 0;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray contentDisposition;  // sent when not empty
    // Reads the request and never answers.
    bool stall = false;
  };

  LocalHttpServer();
  ~LocalHttpServer() override;
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool isListening() const;
  quint16 port() const;
  // "http://127.0.0.1:<port>/" plus the path (no leading slash).
  QUrl url(const QString& path = QString()) const;

  // The answer for a path ("/downloads"); paths without one get 404.
  void setRoute(const QString& path, const Response& response);
  // A plain answer: the status and the body, with its length.
  static Response Answer(int status, const QByteArray& body) {
    Response response;
    response.status = status;
    response.body = body;
    return response;
  }
  void setPage(const QString& path, const QByteArray& html) { setRoute(path, Answer(200, html)); }
  void setStall(const QString& path);
  void setNotFound(const QString& path);

  // Requests seen for a path, and in all.
  int hits(const QString& path) const { return m_hits.value(path); }
  int totalHits() const { return m_totalHits; }

  // A downloads index whose anchors link to each name.
  static QByteArray LinkPage(const QStringList& links);
  // A news page: a heading, one paragraph per item, and a closing line.
  static QByteArray NewsPage(const QStringList& items, const QString& closingLine);
  // Bytes of the given size, a repeating pattern.
  static QByteArray FileBytes(qsizetype size);

 private:
  void accept();
  void readRequest(QTcpSocket* socket);
  void answer(QTcpSocket* socket, const QString& path);

  QTcpServer* m_server = nullptr;
  QHash<QString, Response> m_routes;
  QHash<QString, int> m_hits;
  int m_totalHits = 0;
  QList<QPointer<QTcpSocket>> m_sockets;
};
