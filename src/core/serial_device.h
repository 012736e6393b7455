// The serial port as the connection manager drives it: settings, open and close with a failure
// text, discards and the data-available notification, on top of the receive and write side.
#pragma once

#include <functional>
#include <string>

#include "core/link_ports.h"

namespace v7400 {

enum class Parity { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };

struct SerialSettings {
  int port_number = 1;  // COM1 .. COM8
  int data_bits = 8;
  Parity parity = Parity::kNone;
  int stop_bits = 1;  // 0 and 1 both mean one stop bit, 2 means two
  int baud_rate = 9600;
  bool hardware_flow = false;  // DTR/RTS driven, DSR/CTS required
  bool software_flow = false;  // XON 0x11 / XOFF 0x13 both ways
  bool operator==(const SerialSettings&) const = default;
};

class SerialDevice : public SerialPort {
 public:
  // Told how many bytes are waiting, on the user-interface thread, as soon as one byte is there.
  using DataAvailableHandler = std::function<void(int count)>;

  virtual SerialSettings Settings() const = 0;
  // Applies at once to an open port, else at the next open.
  virtual void SetSettings(const SerialSettings& settings) = 0;

  // False when the port cannot be opened; FailureText then tells why. The text contains
  // "already open" when another program holds the port and "doesn't exist" when there is no
  // such port.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual std::string FailureText() const = 0;

  virtual void DiscardInput() = 0;
  virtual void DiscardOutput() = 0;
  virtual void SetDataAvailableHandler(DataAvailableHandler handler) = 0;

  // Told when an open port is lost (the device went away: `up` false, `why` says how) and when
  // the port is back after the device returned (`up` true). Ports that cannot be lost ignore it.
  using LinkStateHandler = std::function<void(bool up, const std::string& why)>;
  virtual void SetLinkStateHandler(LinkStateHandler /*handler*/) {}
};

}  // namespace v7400
