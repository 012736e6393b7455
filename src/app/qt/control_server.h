// The live control's HTTP/1.1 server on Qt HTTP Server, on the program's own event loop: every
// request is translated to a plain one for ControlApi and its answer written back.
#pragma once

#include <QAbstractHttpServer>
#include <cstdint>
#include <string>

#include "app/control_api.h"
#include "app/control_options.h"
#include "app/error_log.h"

namespace v7400 {

class ControlServer : public QAbstractHttpServer {
 public:
  ControlServer(ControlApi& api, const ErrorLog& error_log) : api_(api), error_log_(error_log) {}

  // Listens where `options` say; the port bound, or 0 with `error` saying why not.
  std::uint16_t Listen(const ControlOptions& options, std::string& error);

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  ControlApi& api_;
  const ErrorLog& error_log_;
};

}  // namespace v7400
