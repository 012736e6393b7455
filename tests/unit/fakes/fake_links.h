#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/line_services.h"
#include "core/link_ports.h"

namespace v7400::testing {

// A serial port (or a richer device built on one) fed with bytes by the test; records every
// write.
template <typename Port>
class FeedablePort : public Port {
 public:
  bool ByteReady() override { return !incoming.empty(); }
  char ReadByte() override {
    const char byte = incoming.front();
    incoming.pop_front();
    return byte;
  }
  void Write(const std::string& bytes) override { writes.push_back(bytes); }

  void Feed(const std::string& bytes) {
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
  }

  std::deque<char> incoming;
  std::vector<std::string> writes;
};

using FakeSerialPort = FeedablePort<SerialPort>;

class FakeDatagramSender : public DatagramSender {
 public:
  void SendDatagram(const std::string& bytes) override { sent.push_back(bytes); }
  std::string SendProblem() const override { return failure; }
  std::vector<std::string> sent;
  std::string failure;  // what SendProblem says
};

// Accepts one sender address; "decrypts" by dropping the 18-byte header.
class FakeNetworkIngress : public NetworkIngress {
 public:
  bool IsFromReceiver(const std::string& sender, IpVersion /*version*/) override {
    return sender == receiver;
  }
  std::string DecryptPacket(const std::string& datagram) override {
    decrypted.push_back(datagram);
    return datagram.substr(18);
  }

  std::string receiver = "192.0.2.20";
  std::vector<std::string> decrypted;
};

// Records the per-line and programming calls; hands out programming items from `queue`.
class FakeLineServices : public LineServices {
 public:
  struct Update {
    std::string entry;
    std::string line;
    std::string frame_text;
  };
  void UpdateLineOnReceive(const std::string& entry, const std::string& line,
                           std::string_view frame_text) override {
    updates.push_back({entry, line, std::string(frame_text)});
  }
  void SendCommand(const TCommand& command) override {
    commands.push_back(command);
    if (state != nullptr) line_fields.push_back(state->CurrentLine);
  }
  void BuildProgramQueue(int line) override {
    if (fail_build) throw std::invalid_argument("not a hexadecimal programming string");
    queues_built.push_back(line);
  }
  std::string NextProgramItem(int /*line*/) override {
    if (queue.empty()) return {};
    std::string item = queue.front();
    queue.pop_front();
    return item;
  }

  std::vector<Update> updates;
  std::vector<TCommand> commands;
  // The last frame's line field as each command was built, when `state` is given.
  const SimulatorState* state = nullptr;
  std::vector<std::string> line_fields;
  std::vector<int> queues_built;
  std::deque<std::string> queue;
  bool fail_build = false;
};

}  // namespace v7400::testing
