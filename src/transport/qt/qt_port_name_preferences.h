// The COM port table in the Qt preference store, one value per port under "Ports/COMn".
#pragma once

#include <QSettings>

#include "transport/port_names.h"

namespace v7400 {

class QtPortNamePreferences : public PortNamePreferences {
 public:
  explicit QtPortNamePreferences(QSettings& settings) : settings_(settings) {}

  std::optional<std::string> ReadPortName(int port_number) override;
  void WritePortName(int port_number, const std::string& device) override;

  static QString Key(int port_number);

 private:
  QSettings& settings_;
};

}  // namespace v7400
