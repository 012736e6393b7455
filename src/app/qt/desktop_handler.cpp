#include "app/qt/desktop_handler.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace v7400 {

namespace {

constexpr int kQueryMs = 3000;

// The tool's standard output, or nothing when it did not finish in time or failed.
QString Query(const QString& tool, const QStringList& arguments) {
  QProcess process;
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
    // "Default application for “text/html”: firefox.desktop"; without one gio says so and
    // names no desktop file.
    return Query(gio, {QStringLiteral("mime"), mime_type}).contains(QStringLiteral(".desktop"));
  }
  return true;
}

}  // namespace v7400
