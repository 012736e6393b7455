// The floor of the end-to-end benchmark: answers each SIA frame with its ACK and does nothing
// else (no display, no log, no checks beyond the framing).
//
//   bare-responder udp [port]     answers the sender of each datagram; prints the bound port
//   bare-responder serial <device>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "links.h"
#include "sia_exchange.h"

namespace {

void Serve(loadgen::Link& link, bool stream) {
  loadgen::SiaStream frames;
  for (;;) {
    if (!loadgen::WaitReadable(link, -1)) {
      usleep(10000);  // the serial peer hung up: wait for it without spinning
      continue;
    }
    std::vector<std::string> acks;
    for (std::string& chunk : link.ReadAvailable()) {
      if (!stream) {
        std::string ack = loadgen::AckFor(chunk);
        if (!ack.empty()) acks.push_back(std::move(ack));
        continue;
      }
      frames.Append(chunk);
      while (auto frame = frames.Next()) acks.push_back(loadgen::AckFor(*frame));
    }
    link.SendAll(acks);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  try {
    if (kind == "udp") {
      loadgen::UdpLink link("", "", argc > 2 ? std::atoi(argv[2]) : 0);
      std::printf("%d\n", link.LocalPort());
      std::fflush(stdout);
      Serve(link, false);
    } else if (kind == "serial" && argc > 2) {
      loadgen::SerialLink link(argv[2]);
      Serve(link, true);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bare-responder: %s\n", e.what());
    return 2;
  }
  std::fprintf(stderr, "usage: bare-responder udp [port] | bare-responder serial <device>\n");
  return 1;
}
