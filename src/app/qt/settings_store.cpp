#include "app/qt/settings_store.h"

#include <QFile>
#include <QMetaType>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/bounded_file.h"

namespace v7400 {

namespace {

QString Group(const std::string& key) {
  QString group = QString::fromLatin1(key);
  group.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (group.endsWith(QLatin1Char('/'))) group.chop(1);
  return group;
}

QString ValuePath(const std::string& key, const std::string& name) {
  return Group(key) + QLatin1Char('/') + QString::fromLatin1(name);
}

}  // namespace

#ifdef Q_OS_WIN
SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE"),
                                            QSettings::NativeFormat)) {}
#else
// Where QSettings keeps the user's settings of "Corvane"/"V7400"; named here so the file can
// be looked at before QSettings opens it (it would wait for ever on a FIFO).
SettingsStore::SettingsStore() {
  OpenFile(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/Corvane/V7400.conf"),
           QSettings::NativeFormat);
}
#endif

SettingsStore::SettingsStore(const QString& ini_path) { OpenFile(ini_path, QSettings::IniFormat); }

void SettingsStore::OpenFile(const QString& path, QSettings::Format format) {
  const std::string file = QFile::encodeName(path).toStdString();
  const BoundedRead read = ReadBoundedFile(file, kPreferenceFileLimit);
  if (read.outcome == BoundedRead::Outcome::kRefused && !MoveAside(file, read.message)) {
    // What stays in the way must not be opened: the values live for this run only.
    settings_ = std::make_unique<QSettings>(QStringLiteral("/dev/null"), format);
    return;
  }
  settings_ = std::make_unique<QSettings>(path, format);
  if (settings_->status() == QSettings::FormatError) {
    settings_.reset();
    MoveAside(file, CannotOpenFileMessage(file, "Not a preference file"));
    settings_ = std::make_unique<QSettings>(path, format);
  }
}

bool SettingsStore::MoveAside(const std::string& file, const std::string& why) {
  const std::string aside = file + ".bad";
  if (std::rename(file.c_str(), aside.c_str()) == 0) {
    problems_.push_back(why + " Moved to \"" + aside + "\".");
    return true;
  }
  problems_.push_back(why + " Not moved to \"" + aside + "\": " + std::strerror(errno));
  return false;
}

bool SettingsStore::KeyExists(const std::string& key) const {
  const QString group = Group(key);
  const qsizetype slash = group.lastIndexOf(QLatin1Char('/'));
  settings_->beginGroup(group.left(slash));
  const bool exists = settings_->childGroups().contains(group.mid(slash + 1));
  settings_->endGroup();
  return exists;
}

std::string SettingsStore::ReadString(const std::string& key, const std::string& name) const {
  const QVariant value = settings_->value(ValuePath(key, name));
  if (!value.isValid()) return {};
  if (value.typeId() != QMetaType::QString) throw InvalidDataType(name);
  return value.toString().toLatin1().toStdString();
}

void SettingsStore::WriteString(const std::string& key, const std::string& name,
                                const std::string& value) {
  if (!settings_->isWritable()) throw FailedToSetData(name);
  settings_->setValue(ValuePath(key, name), QString::fromLatin1(value));
  if (first_uncommitted_.empty()) first_uncommitted_ = name;
}

void SettingsStore::Commit() {
  const std::string first = std::exchange(first_uncommitted_, std::string());
  settings_->sync();
  if (settings_->status() != QSettings::NoError) throw FailedToSetData(first);
}

}  // namespace v7400
