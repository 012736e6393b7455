#include "emu_options.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>

#include "CLI/CLI.hpp"
#include "codec/fault_hints.h"

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
  if (const std::string hint = v7400::KeyStringHint(text); !hint.empty()) throw BadArgument(hint);
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

// An option that takes a value: its name, the value's name and the line of help.
struct ValueOption {
  const char* name;
  const char* value_name;
  const char* help;
  Handler apply;
};

int Int(const std::string& text, const std::string& what, long long low, long long high) {
  return static_cast<int>(ToInteger(text, what, low, high));
}

// In the order --help lists them.
const std::vector<ValueOption>& ValueOptions() {
  static const std::vector<ValueOption> options = {
      {"--serial", "DEVICE", "a serial device such as /dev/ttyUSB0",
       [](EmuOptions& o, const std::string& v) {
         o.link = LinkKind::kSerial;
         o.device = v;
       }},
      {"--local-port", "P", "UDP port to listen on (0: any, the default)",
       [](EmuOptions& o, const std::string& v) {
         o.local_port = Int(v, "the local port", 0, 65535);
       }},
      {"--key", "KEYSTRING", "AES packets with this key (32, 48 or 64 hex digits)",
       [](EmuOptions& o, const std::string& v) { o.key_string = CheckedKey(v); }},
      {"--format", "sia|4100", "event format (sia)",
       [](EmuOptions& o, const std::string& v) {
         if (v == "sia" || v == "SIA") {
           o.format = FrameFormat::kSia;
         } else if (v == "4100") {
           o.format = FrameFormat::k4100;
         } else {
           throw BadArgument("unknown format \"" + v + "\" (sia or 4100)");
         }
       }},
      {"--end-byte", "N", "4100 end byte, decimal or 0xNN (0x14)",
       [](EmuOptions& o, const std::string& v) { o.end_byte = EndByte(v); }},
      {"--receiver", "NN", "receiver number (01)",
       [](EmuOptions& o, const std::string& v) {
         if (v.size() != 2 || !std::isxdigit(static_cast<unsigned char>(v[0])) ||
             !std::isxdigit(static_cast<unsigned char>(v[1]))) {
           throw BadArgument("the receiver number is two characters such as 01");
         }
         o.receiver = v;
       }},
      {"--line", "NN[,NN..]|all", "lines the events cycle through (01)",
       [](EmuOptions& o, const std::string& v) { o.lines = ParseLines(v); }},
      {"--data", "TEXT", "event data between [ and ] (#1234|NBA05)",
       [](EmuOptions& o, const std::string& v) { o.data = v; }},
      {"--count", "N", "events to send, 0 for no end (10)",
       [](EmuOptions& o, const std::string& v) {
         o.count = ToInteger(v, "the count", 0, 1'000'000'000'000LL);
       }},
      {"--rate", "R", "frames a second, reports included (as fast as the answers come)",
       [](EmuOptions& o, const std::string& v) { o.rate = Rate(v); }},
      {"--timeout", "MS", "wait for each answer (2000)",
       [](EmuOptions& o, const std::string& v) {
         o.timeout_ms = Int(v, "the time-out", 1, 600000);
       }},
      {"--retries", "N", "sends after a time-out or NACK (3)",
       [](EmuOptions& o, const std::string& v) { o.retries = Int(v, "the retry count", 0, 100); }},
      {"--bad-crc-every", "N", "spoil the checksum of every n-th event",
       [](EmuOptions& o, const std::string& v) {
         o.bad_crc_every = Int(v, "--bad-crc-every", 0, 1000000);
       }},
      {"--aaaa-every", "N", "every n-th event carries AAAA and must stay unanswered",
       [](EmuOptions& o, const std::string& v) {
         o.aaaa_every = Int(v, "--aaaa-every", 0, 1000000);
       }},
      {"--start-delay", "MS", "wait before the first event (0)",
       [](EmuOptions& o, const std::string& v) {
         o.start_delay_ms = Int(v, "the start delay", 0, 600000);
       }},
      {"--linger", "MS", "keep answering commands after the last event (0)",
       [](EmuOptions& o, const std::string& v) {
         o.linger_ms = Int(v, "the linger time", 0, 86'400'000);
       }},
  };
  return options;
}

struct FlagOption {
  const char* name;
  const char* help;
  bool EmuOptions::*field;
};

constexpr FlagOption kFlags[] = {
    {"--recycle", "report [NLF first, [NLC03/[NLC04 after each command", &EmuOptions::recycle},
    {"--json", "report as JSON", &EmuOptions::json},
    {"--progress", "live progress line even when standard error is no terminal",
     &EmuOptions::progress},
};

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

// "--udp HOST PORT" rather than the parser's "--udp HOST PORT x 2".
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* option) const override {
    if (option->get_expected_min() > 1) return " " + option->get_type_name();
    return CLI::Formatter::make_option_opts(option);
  }
};

// The command line as the parser sees it; the values land here as text and are checked after
// the whole line has been read, so --help and --version win wherever they stand.
class CommandLine {
 public:
  CommandLine() : app_(kAbout, "receiver-emu") {
    // The links come first in the help; help and version are re-added after them.
    app_.set_help_flag();
    app_.formatter(std::make_shared<HelpFormatter>());
    app_.add_option("--udp", udp_, "the simulator's address (IPv4, IPv6 or name) and port")
        ->expected(2)
        ->type_name("HOST PORT")
        ->group("Links");
    app_.add_flag("--pty", pty_, "a new pseudo-terminal pair; prints the simulator's end")
        ->group("Links");
    for (const ValueOption& option : ValueOptions()) {
      app_.add_option(option.name, values_[option.name], option.help)
          ->type_name(option.value_name)
          ->group(option.name == std::string("--serial") ? "Links" : "Options");
    }
    for (const FlagOption& flag : kFlags) app_.add_flag(flag.name, flags_[flag.name], flag.help);
    app_.add_option("--masked-key", masked_key_,
                    "print the key string as line 14 of APSsets.sys holds it, and exit")
        ->type_name("KEYSTRING");
    app_.set_help_flag("-h,--help", "print this help and exit");
    app_.set_version_flag("--version", std::string("receiver-emu ") + V7400_VERSION,
                          "print the version and exit");
    app_.footer(kFooter);
  }

  ParseResult Parse(const std::vector<std::string>& args) {
    ParseResult result;
    try {
      app_.parse(std::vector<std::string>(args.rbegin(), args.rend()));
      if (app_.count("--masked-key") > 0) {
        result.masked_key = CheckedKey(masked_key_);
      } else {
        result.options = Options();
      }
    } catch (const CLI::CallForHelp&) {
      result.help = true;
    } catch (const CLI::CallForVersion& version) {
      result.version = version.what();
    } catch (const CLI::ExtrasError&) {
      std::string extras;
      for (const std::string& arg : app_.remaining()) extras += (extras.empty() ? "" : " ") + arg;
      result.error = "unexpected arguments: " + extras;
    } catch (const CLI::ParseError& error) {
      result.error = error.what();
    } catch (const BadArgument& error) {
      result.error = error.what();
    }
    return result;
  }

  std::string Help() const { return app_.help(); }

 private:
  static constexpr char kAbout[] =
      "Plays the V9100 receiver's side of the link against the simulator: sends events,\n"
      "checks each answer byte for byte, answers the simulator's commands, and reports the counts.";
  static constexpr char kFooter[] =
      "Exit status: 0 every event got its right answer, 1 otherwise, 2 bad arguments, 3 the link "
      "cannot open.";

  EmuOptions Options() {
    EmuOptions o;
    const bool udp_given = app_.count("--udp") > 0;
    if (udp_given) {
      o.host = udp_.at(0);
      o.port = Int(udp_.at(1), "the simulator's port", 1, 65535);
    }
    if (pty_) o.link = LinkKind::kPty;
    for (const ValueOption& option : ValueOptions()) {
      if (app_.count(option.name) > 0) option.apply(o, values_[option.name]);
    }
    for (const FlagOption& flag : kFlags) o.*flag.field = flags_[flag.name];
    CheckCombination(o, udp_given);
    return o;
  }

  CLI::App app_;
  std::vector<std::string> udp_;
  bool pty_ = false;
  std::map<std::string, std::string> values_;
  std::map<std::string, bool> flags_;
  std::string masked_key_;
};

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) { return CommandLine().Parse(args); }

std::string UsageText() { return CommandLine().Help(); }

}  // namespace v7400::emu
