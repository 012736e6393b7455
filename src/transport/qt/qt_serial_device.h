// The serial port on QSerialPort. COMn is looked up in the port-name table at every open.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include "core/serial_device.h"
#include "transport/port_names.h"

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
  // Opens the port first when it is closed; throws std::runtime_error when that fails. What the
  // line cannot take yet waits in the port's buffer and goes out in order as the line drains.
  void Write(const std::string& bytes) override;

  SerialSettings Settings() const override { return settings_; }
  void SetSettings(const SerialSettings& settings) override;
  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return port_.isOpen(); }
  std::string FailureText() const override { return failure_; }
  // Waits up to `timeout_ms` until what the port still buffers has gone out on the line.
  void FinishWrites(int timeout_ms);
  void DiscardInput() override;
  void DiscardOutput() override;
  void SetDataAvailableHandler(DataAvailableHandler handler) override;
  void SetLinkStateHandler(LinkStateHandler handler) override {
    link_handler_ = std::move(handler);
  }

  // True while the port is closed because its device went away; it is opened again by itself
  // once the device is back (tried every `kReopenIntervalMs`).
  bool IsLost() const { return lost_; }
  static constexpr int kReopenIntervalMs = 1000;

 private:
  // Empty when the settings can be applied, else why not.
  QString ApplySettings();
  QString OpenFailureText(const QString& device) const;
  void OnReadyRead();
  void OnError(QSerialPort::SerialPortError error);
  // After a read or write error: closes the port when its device is gone.
  void CheckLine();
  void TryReopen();

  PortNamePreferences& preferences_;
  QSerialPort port_;
  SerialSettings settings_;
  std::string failure_;
  QString device_path_;
  DataAvailableHandler handler_;
  LinkStateHandler link_handler_;
  QTimer reopen_timer_;
  bool lost_ = false;
  bool check_queued_ = false;
};

}  // namespace v7400
