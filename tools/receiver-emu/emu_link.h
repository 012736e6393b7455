// The emulator's end of the link: UDP (IPv4 or IPv6, plain or AES packets), a serial device, or
// a pseudo-terminal pair it creates. Each link hands back whole frames.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "emu_options.h"
#include "stream_splitter.h"

namespace v7400::emu {

class EmuLink {
 public:
  virtual ~EmuLink() = default;
  virtual bool Send(const std::string& frame) = 0;
  // Reads what is waiting, without blocking, and returns the frames completed by it.
  virtual std::vector<std::string> ReadFrames() = 0;
  virtual int Fd() const = 0;
  // What the user needs to know to point the simulator at this link.
  virtual std::string Description() const = 0;
  // The device the simulator opens: the pty's other end, or the serial device; empty for UDP.
  virtual std::string DeviceName() const { return {}; }
};

// Nullptr and a message when the link cannot open.
std::unique_ptr<EmuLink> OpenLink(const EmuOptions& options, std::string& error);

}  // namespace v7400::emu
