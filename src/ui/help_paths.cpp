#include "ui/help_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace v7400 {

QString HelpDocumentPath(const QString& dir, const QString& name) {
  const QString local = QDir(dir).absoluteFilePath(name);
  if (QFileInfo::exists(local)) return local;
  // An installed program sits in <prefix>/bin with its documents in <prefix>/share/v7400/help.
  const QString installed = QDir(QCoreApplication::applicationDirPath())
                                .absoluteFilePath(QStringLiteral("../share/v7400/help/") + name);
  return QFileInfo::exists(installed) ? QDir::cleanPath(installed) : local;
}

}  // namespace v7400
