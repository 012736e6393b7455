// The emulator's command line: which link, which frames, how fast, and what to report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace v7400::emu {

enum class LinkKind { kUdp, kSerial, kPty };
enum class FrameFormat { kSia, k4100 };

struct EmuOptions {
  LinkKind link = LinkKind::kUdp;
  std::string host;        // UDP: the simulator's address or name
  int port = 0;            // UDP: the simulator's port
  int local_port = 0;      // UDP: 0 lets the system choose
  std::string device;      // serial device path
  std::string key_string;  // non-empty: AES packets with this key
  FrameFormat format = FrameFormat::kSia;
  char end_byte = '\x14';
  std::string receiver = "01";
  std::vector<std::string> lines = {"01"};  // events cycle through these
  std::string data = "#1234|NBA05";         // event data inside "[" and "]"
  long long count = 10;                     // 0: until interrupted
  double rate = 0;                          // frames a second; 0: as fast as answers come
  int timeout_ms = 2000;
  int retries = 3;
  int bad_crc_every = 0;   // every n-th event goes out with a spoiled checksum
  int aaaa_every = 0;      // every n-th event carries "AAAA", which must stay unanswered
  bool recycle = false;    // report "[NLF" first and "[NLC03"/"[NLC04" after each command
  int start_delay_ms = 0;  // lets the simulator come up before the first event
  int linger_ms = 0;       // keep answering commands this long after the last event
  bool json = false;
  bool progress = false;
};

// One of: the options to run with, help or the version asked for, a key string to print masked,
// or the one-line error.
struct ParseResult {
  std::optional<EmuOptions> options;
  std::string error;
  bool help = false;
  std::string version;     // "receiver-emu 3.0" when --version was given
  std::string masked_key;  // the plain key string given with --masked-key
};

// --help and --version win wherever they stand; "--name=value" and "--name value" are alike.
ParseResult ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace v7400::emu
