#include "transport/qt/qt_port_name_preferences.h"

namespace v7400 {

QString QtPortNamePreferences::Key(int port_number) {
  return QStringLiteral("Ports/COM%1").arg(port_number);
}

std::optional<std::string> QtPortNamePreferences::ReadPortName(int port_number) {
  const QVariant value = settings_.value(Key(port_number));
  if (!value.isValid()) return std::nullopt;
  return value.toString().toStdString();
}

void QtPortNamePreferences::WritePortName(int port_number, const std::string& device) {
  settings_.setValue(Key(port_number), QString::fromStdString(device));
}

}  // namespace v7400
