#include "emu_options.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>

namespace v7400::emu {
namespace {

// Thrown for any bad argument; the message is what the user sees.
struct BadArgument : std::runtime_error {
  using std::runtime_error::runtime_error;
};

long long ToInteger(const std::string& text, const std::string& what, long long low,
                    long long high) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) {
    throw BadArgument(what + " must be a whole number, not \"" + text + "\"");
  }
  if (value < low || value > high) {
    throw BadArgument(what + " must be from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not " + text);
  }
  return value;
}

std::string TwoDigitLine(const std::string& text) {
  if (text.size() != 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
      !std::isdigit(static_cast<unsigned char>(text[1]))) {
    throw BadArgument("a line is two digits from 01 to 32, not \"" + text + "\"");
  }
  const int n = (text[0] - '0') * 10 + (text[1] - '0');
  if (n < 1 || n > 32) throw BadArgument("a line is from 01 to 32, not " + text);
  return text;
}

std::vector<std::string> ParseLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text == "all") {
    for (int n = 1; n <= 32; ++n) lines.push_back((n < 10 ? "0" : "") + std::to_string(n));
    return lines;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::size_t stop = comma == std::string::npos ? text.size() : comma;
    lines.push_back(TwoDigitLine(text.substr(start, stop - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return lines;
}

std::string CheckedKey(const std::string& text) {
  if (text.size() != 32 && text.size() != 48 && text.size() != 64) {
    throw BadArgument("a key string has 32, 48 or 64 hexadecimal digits, not " +
                      std::to_string(text.size()));
  }
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      throw BadArgument("a key string holds hexadecimal digits only");
    }
  }
  return text;
}

char EndByte(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  long long value = 0;
  if (hex) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + 2, end, value, 16);
    if (ec != std::errc() || ptr != end) throw BadArgument("bad end byte \"" + text + "\"");
  } else {
    value = ToInteger(text, "the end byte", 1, 255);
  }
  if (value < 1 || value > 255) throw BadArgument("the end byte must be from 1 to 255");
  return static_cast<char>(value);
}

double Rate(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !(value > 0) || value > 1e6) {
    throw BadArgument("the rate must be a number of frames a second above 0, not \"" + text + "\"");
  }
  return value;
}

using Handler = std::function<void(EmuOptions&, const std::string&)>;

const std::map<std::string, Handler>& ValueOptions() {
  static const std::map<std::string, Handler> options = {
      {"--serial",
       [](EmuOptions& o, const std::string& v) {
         o.link = LinkKind::kSerial;
         o.device = v;
       }},
      {"--local-port",
       [](EmuOptions& o, const std::string& v) {
         o.local_port = static_cast<int>(ToInteger(v, "the local port", 0, 65535));
       }},
      {"--key", [](EmuOptions& o, const std::string& v) { o.key_string = CheckedKey(v); }},
      {"--format",
       [](EmuOptions& o, const std::string& v) {
         if (v == "sia" || v == "SIA") {
           o.format = FrameFormat::kSia;
         } else if (v == "4100") {
           o.format = FrameFormat::k4100;
         } else {
           throw BadArgument("unknown format \"" + v + "\" (sia or 4100)");
         }
       }},
      {"--end-byte", [](EmuOptions& o, const std::string& v) { o.end_byte = EndByte(v); }},
      {"--receiver",
       [](EmuOptions& o, const std::string& v) {
         if (v.size() != 2 || !std::isxdigit(static_cast<unsigned char>(v[0])) ||
             !std::isxdigit(static_cast<unsigned char>(v[1]))) {
           throw BadArgument("the receiver number is two characters such as 01");
         }
         o.receiver = v;
       }},
      {"--line", [](EmuOptions& o, const std::string& v) { o.lines = ParseLines(v); }},
      {"--data", [](EmuOptions& o, const std::string& v) { o.data = v; }},
      {"--count",
       [](EmuOptions& o, const std::string& v) {
         o.count = ToInteger(v, "the count", 0, 1'000'000'000'000LL);
       }},
      {"--rate", [](EmuOptions& o, const std::string& v) { o.rate = Rate(v); }},
      {"--timeout",
       [](EmuOptions& o, const std::string& v) {
         o.timeout_ms = static_cast<int>(ToInteger(v, "the time-out", 1, 600000));
       }},
      {"--retries",
       [](EmuOptions& o, const std::string& v) {
         o.retries = static_cast<int>(ToInteger(v, "the retry count", 0, 100));
       }},
      {"--bad-crc-every",
       [](EmuOptions& o, const std::string& v) {
         o.bad_crc_every = static_cast<int>(ToInteger(v, "--bad-crc-every", 0, 1000000));
       }},
      {"--aaaa-every",
       [](EmuOptions& o, const std::string& v) {
         o.aaaa_every = static_cast<int>(ToInteger(v, "--aaaa-every", 0, 1000000));
       }},
      {"--start-delay",
       [](EmuOptions& o, const std::string& v) {
         o.start_delay_ms = static_cast<int>(ToInteger(v, "the start delay", 0, 600000));
       }},
      {"--linger",
       [](EmuOptions& o, const std::string& v) {
         o.linger_ms = static_cast<int>(ToInteger(v, "the linger time", 0, 86'400'000));
       }},
  };
  return options;
}

const std::map<std::string, std::function<void(EmuOptions&)>>& Flags() {
  static const std::map<std::string, std::function<void(EmuOptions&)>> flags = {
      {"--pty", [](EmuOptions& o) { o.link = LinkKind::kPty; }},
      {"--recycle", [](EmuOptions& o) { o.recycle = true; }},
      {"--json", [](EmuOptions& o) { o.json = true; }},
      {"--progress", [](EmuOptions& o) { o.progress = true; }},
  };
  return flags;
}

void CheckCombination(const EmuOptions& o, bool udp_given) {
  const int links =
      (udp_given ? 1 : 0) + (o.device.empty() ? 0 : 1) + (o.link == LinkKind::kPty ? 1 : 0);
  if (links != 1) throw BadArgument("choose one link: --udp HOST PORT, --serial DEVICE or --pty");
  if (!o.key_string.empty() && o.link != LinkKind::kUdp) {
    throw BadArgument("AES packets travel over UDP only");
  }
  if (o.format == FrameFormat::k4100 && (o.bad_crc_every > 0 || o.aaaa_every > 0 || o.recycle)) {
    throw BadArgument("--bad-crc-every, --aaaa-every and --recycle need the sia format");
  }
}

EmuOptions Parse(const std::vector<std::string>& args) {
  EmuOptions o;
  bool udp_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    auto need = [&](std::size_t n) {
      if (i + n >= args.size()) throw BadArgument(name + " needs a value");
    };
    if (name == "--udp") {
      need(2);
      o.link = LinkKind::kUdp;
      o.host = args[++i];
      o.port = static_cast<int>(ToInteger(args[++i], "the simulator's port", 1, 65535));
      udp_given = true;
    } else if (const auto flag = Flags().find(name); flag != Flags().end()) {
      flag->second(o);
    } else if (const auto option = ValueOptions().find(name); option != ValueOptions().end()) {
      need(1);
      option->second(o, args[++i]);
    } else {
      throw BadArgument("unknown argument \"" + name + "\"");
    }
  }
  CheckCombination(o, udp_given);
  return o;
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  ParseResult result;
  if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
    result.help = true;
    return result;
  }
  try {
    result.options = Parse(args);
  } catch (const BadArgument& error) {
    result.error = error.what();
  }
  return result;
}

std::string UsageText() {
  return "usage: receiver-emu LINK [options]\n"
         "       receiver-emu --masked-key KEYSTRING   the key as line 14 of APSsets.sys holds it\n"
         "links:\n"
         "  --udp HOST PORT       the simulator's address (IPv4, IPv6 or name) and port\n"
         "  --serial DEVICE       a serial device such as /dev/ttyUSB0\n"
         "  --pty                 a new pseudo-terminal pair; prints the simulator's end\n"
         "options:\n"
         "  --local-port P        UDP port to listen on (0: any, the default)\n"
         "  --key KEYSTRING       AES packets with this key (32, 48 or 64 hex digits)\n"
         "  --format sia|4100     event format (sia)\n"
         "  --end-byte N          4100 end byte, decimal or 0xNN (0x14)\n"
         "  --receiver NN         receiver number (01)\n"
         "  --line NN[,NN..]|all  lines the events cycle through (01)\n"
         "  --data TEXT           event data between [ and ] (#1234|NBA05)\n"
         "  --count N             events to send, 0 for no end (10)\n"
         "  --rate R              events a second (as fast as the answers come)\n"
         "  --timeout MS          wait for each answer (2000)\n"
         "  --retries N           sends after a time-out or NACK (3)\n"
         "  --bad-crc-every N     spoil the checksum of every n-th event\n"
         "  --aaaa-every N        every n-th event carries AAAA and must stay unanswered\n"
         "  --recycle             report [NLF first, [NLC03/[NLC04 after each command\n"
         "  --start-delay MS      wait before the first event (0)\n"
         "  --linger MS           keep answering commands after the last event (0)\n"
         "  --json                report as JSON\n"
         "  --progress            live progress line even when standard error is no terminal\n";
}

}  // namespace v7400::emu
