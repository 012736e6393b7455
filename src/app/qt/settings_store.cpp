#include "app/qt/settings_store.h"

#include <QMetaType>

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

SettingsStore::SettingsStore()
#ifdef Q_OS_WIN
    : settings_(std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE"),
                                            QSettings::NativeFormat)){}
#else
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Corvane"), QStringLiteral("V7400"))) {
}
#endif

      SettingsStore::SettingsStore(const QString& ini_path)
    : settings_(std::make_unique<QSettings>(ini_path, QSettings::IniFormat)) {
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
  settings_->sync();
  if (settings_->status() != QSettings::NoError) throw FailedToSetData(name);
}

}  // namespace v7400
