// The frames the receiver sends: events in the "SIA" or "4100" format, and the exact answers
// the simulator must give to them.
#pragma once

#include <string>

#include "emu_options.h"

namespace v7400::emu {

// One event frame as it goes out, with what it takes to judge the answer.
struct EventFrame {
  std::string bytes;
  std::string sequence;  // SIA only
  std::string line;
  bool expect_silence = false;  // "AAAA" frames are never acknowledged
  bool spoiled = false;         // sent with a wrong checksum, so a NACK is the right answer
  std::string intact;           // a spoiled frame as it goes out again after the NACK
};

class EventSource {
 public:
  explicit EventSource(const EmuOptions& options) : options_(options) {}

  // The n-th event (counting from 1), spoiled or silent as the options ask.
  EventFrame Next();
  // A report such as "NLC06" for a line; reports never carry "AAAA" or a bad checksum.
  EventFrame Report(const std::string& line, const std::string& data);

  std::string ExpectedAck(const EventFrame& frame) const;
  std::string ExpectedNack(const EventFrame& frame) const;

 private:
  std::string NextSequence();
  EventFrame Sia(const std::string& sequence, const std::string& line, const std::string& data);

  const EmuOptions& options_;
  long long index_ = 0;
  int sequence_ = 0;
};

// The same frame with its first checksum digit changed.
std::string SpoilChecksum(std::string frame);

}  // namespace v7400::emu
