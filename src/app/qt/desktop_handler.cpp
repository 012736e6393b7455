#include "app/qt/desktop_handler.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>

namespace v7400 {

namespace {

constexpr int kQueryMs = 3000;

// The tool's standard output, or nothing when it did not finish in time or failed.
QString Query(const QString& tool, const QStringList& arguments) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));  // gio's words, unchanged
  process.setProcessEnvironment(environment);
  process.start(tool, arguments);
  if (!process.waitForFinished(kQueryMs) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    process.kill();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

}  // namespace

bool HasDesktopHandler(const QString& mime_type) {
  const QString xdg_mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (!xdg_mime.isEmpty()) {
    return !Query(xdg_mime, {QStringLiteral("query"), QStringLiteral("default"), mime_type})
                .isEmpty();
  }
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  if (!gio.isEmpty()) {
    // "Default application for “text/html”: firefox.desktop"; without one, "No default
    // applications for ...", though it may still list programs that merely registered.
    return Query(gio, {QStringLiteral("mime"), mime_type})
        .startsWith(QStringLiteral("Default application for"));
  }
  return true;
}

}  // namespace v7400
