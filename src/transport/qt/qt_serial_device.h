// The serial port on QSerialPort. COMn is looked up in the port-name table at every open.
#pragma once

#include <QObject>
#include <QSerialPort>

#include "transport/port_names.h"
#include "core/serial_device.h"

namespace v7400 {

class QtSerialDevice : public QObject, public SerialDevice {
  Q_OBJECT

 public:
  explicit QtSerialDevice(PortNamePreferences& preferences, QObject* parent = nullptr);
  ~QtSerialDevice() override;

  // The machine's serial devices in the order COM1, COM2, ... take them by default.
  static std::vector<std::string> MachineDevices();
  // The device COMn stands for now; empty when there is none.
  std::string DeviceFor(int port_number) const;

  bool ByteReady() override;
  char ReadByte() override;
  // Opens the port first when it is closed; throws std::runtime_error when that or the write
  // fails.
  void Write(const std::string& bytes) override;

  SerialSettings Settings() const override { return settings_; }
  void SetSettings(const SerialSettings& settings) override;
  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return port_.isOpen(); }
  std::string FailureText() const override { return failure_; }
  void DiscardInput() override;
  void DiscardOutput() override;
  void SetDataAvailableHandler(DataAvailableHandler handler) override;

 private:
  // Empty when the settings can be applied, else why not.
  QString ApplySettings();
  QString OpenFailureText(const QString& device) const;
  void OnReadyRead();
  void OnError(QSerialPort::SerialPortError error);

  PortNamePreferences& preferences_;
  QSerialPort port_;
  SerialSettings settings_;
  std::string failure_;
  DataAvailableHandler handler_;
};

}  // namespace v7400
