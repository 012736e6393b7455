#include "app/qt/guarded_application.h"

#include <exception>

namespace v7400 {

namespace {

std::string NameOf(const QObject* receiver) {
  return receiver != nullptr ? receiver->objectName().toLatin1().toStdString() : std::string();
}

}  // namespace

void SetApplicationIdentity() {
  QApplication::setApplicationName(QStringLiteral("V7400"));
  QApplication::setOrganizationName(QStringLiteral("Corvane"));
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  if (error_log_ == nullptr) return QApplication::notify(receiver, event);
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    error_log_->AppException(NameOf(receiver), error.what());
  } catch (...) {
    error_log_->AppException(NameOf(receiver), kUnknownError);
  }
  return false;
}

}  // namespace v7400
