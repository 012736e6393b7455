#pragma once

#include <string>
#include <vector>

#include "app/link.h"
#include "unit/fakes/fake_links.h"

namespace v7400::testing {

// The window's link over the test's fake serial port and network; records the creation steps.
class FakeLink : public Link {
 public:
  FakeLink(SimulatorState& state, FakeSerialPort& serial, FakeDatagramSender& network,
           FakeNetworkIngress& ingress, bool open_fails)
      : state_(state),
        serial_(serial),
        network_(network),
        ingress_(ingress),
        open_fails_(open_fails) {}

  SerialPort& Serial() override { return serial_; }
  DatagramSender& Network() override { return network_; }
  NetworkIngress& Ingress() override { return ingress_; }
  void SetSerialDataHandler(SerialDataHandler handler) override {
    serial_handler = std::move(handler);
  }
  void DiscoverLinkLocalAddress() override { steps.push_back("discover"); }
  bool CreateNetworkObjects() override {
    steps.push_back("network");
    return true;
  }
  // Like a configured serial port that cannot be opened, when asked to fail.
  void OpenConnectionAtStartup() override {
    steps.push_back("open");
    if (open_fails_) state_.OpenFailed = true;
  }
  void AttachDatagramHandler(DatagramHandler handler) override {
    steps.push_back("attach");
    datagram_handler = std::move(handler);
  }
  void CreateCipher(const std::string& key_string) override {
    steps.push_back("cipher " + key_string);
  }
  void ReleaseNetworkObjects() override { steps.push_back("release"); }

  SerialDataHandler serial_handler;
  DatagramHandler datagram_handler;
  std::vector<std::string> steps;

 private:
  SimulatorState& state_;
  FakeSerialPort& serial_;
  FakeDatagramSender& network_;
  FakeNetworkIngress& ingress_;
  bool open_fails_;
};

}  // namespace v7400::testing
