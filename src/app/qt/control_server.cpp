#include "app/qt/control_server.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QTcpServer>
#include <QUrl>
#include <exception>

namespace v7400 {

namespace {

std::string MethodName(QHttpServerRequest::Method method) {
  switch (method) {
    case QHttpServerRequest::Method::Get:
      return "GET";
    case QHttpServerRequest::Method::Put:
      return "PUT";
    case QHttpServerRequest::Method::Delete:
      return "DELETE";
    case QHttpServerRequest::Method::Post:
      return "POST";
    case QHttpServerRequest::Method::Head:
      return "HEAD";
    case QHttpServerRequest::Method::Options:
      return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
      return "PATCH";
    default:
      return "OTHER";
  }
}

std::string Bytes(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray Bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

ControlRequest PlainRequest(const QHttpServerRequest& request) {
  ControlRequest plain;
  plain.method = MethodName(request.method());
  const QUrl url = request.url();
  plain.path = url.path(QUrl::FullyEncoded).toStdString();
  plain.query = url.query(QUrl::FullyEncoded).toStdString();
  for (const auto& [name, value] : request.headers()) {
    plain.headers.emplace_back(Bytes(name), Bytes(value));
  }
  plain.body = Bytes(request.body());
  return plain;
}

}  // namespace

std::uint16_t ControlServer::Listen(const ControlOptions& options, std::string& error) {
  auto* server = new QTcpServer(this);
  const QHostAddress address(QString::fromLatin1(options.address.c_str()));
  if (!server->listen(address, options.port)) {
    error = "--control " + ControlAddressText(options, options.port) +
            ": cannot listen: " + server->errorString().toStdString();
    delete server;
    return 0;
  }
  const std::uint16_t port = server->serverPort();
  bind(server);
  return port;
}

bool ControlServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  ControlResponse response;
  try {
    response = api_.Handle(PlainRequest(request));
  } catch (const std::exception& problem) {
    error_log_.AppException("ControlServer", problem.what());
    response = {500, "application/json", JsonText(Json{{"error", problem.what()}}), {}};
  }
  QHttpServerResponse reply(Bytes(response.content_type), Bytes(response.body),
                            static_cast<QHttpServerResponder::StatusCode>(response.status));
  for (const auto& [name, value] : response.headers) reply.addHeader(Bytes(name), Bytes(value));
  reply.write(makeResponder(request, socket));
  return true;
}

void ControlServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  handleRequest(request, socket);
}

}  // namespace v7400
