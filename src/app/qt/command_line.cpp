#include "app/qt/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "app/scenario_file.h"
#include "app/user_folders.h"
#include "core/shown_text.h"
#include "transport/connection_settings.h"

namespace v7400 {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }
std::string S(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Options that need the run without a window: what ends the run, the commands it sends, its
// progress line and the answer mode, which the window chooses with its own controls.
const std::map<QString, const char*>& HeadlessOnly() {
  static const std::map<QString, const char*> kOptions = {
      {Q("ack"), "--ack"},
      {Q("count"), "--count"},
      {Q("seconds"), "--seconds"},
      {Q("command"), "--command"},
      {Q("line"), "--line"},
      {Q("progress"), "--progress"},
      {Q("quiet"), "--quiet"},
  };
  return kOptions;
}

void AddOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      Q("The V7400 Automation Simulator: plays the automation computer of a V9100 receiver.\n"
        "Without options it opens its window. With --headless it runs without one, answers "
        "every frame automatically, and prints a summary when it ends."));
  // Only --help: the Qt options it would list under --help-all are not this program's to offer.
  parser.addOption(
      QCommandLineOption({Q("h"), Q("help")}, Q("Displays help on commandline options.")));
  parser.addVersionOption();
  const auto add = [&](const char* name, const char* text, const char* value = nullptr) {
    parser.addOption(value == nullptr ? QCommandLineOption(Q(name), Q(text))
                                      : QCommandLineOption(Q(name), Q(text), Q(value)));
  };
  add("settings-dir", "The folder that holds \"APSsets.sys\" (default: the working folder).",
      "DIR");
  add("user-dir",
      "Works in the per-user folder $XDG_DATA_HOME/V7400 (~/.local/share/V7400), made on first "
      "use: it holds \"APSsets.sys\". The desktop menu starts the program so.");
  add("csv", "Writes every frame in and out to FILE as CSV (also beside the window).", "FILE");
  add("udp",
      "The link is UDP to the receiver at HOST (an IPv4 or IPv6 address) and PORT; with the "
      "options below, it takes the place of \"APSsets.sys\" for this run.",
      "HOST PORT");
  add("local-port", "With --udp: the UDP port the simulator listens on (default 10000).", "P");
  add("local-address", "With --udp: the local address for an IPv6 link.", "A");
  add("key", "With --udp: AES on, with this key string (32, 48 or 64 hex digits, as typed).",
      "KEYSTRING");
  add("serial", "The link is the serial device DEVICE (a path such as /dev/ttyUSB0).", "DEVICE");
  add("baud", "With --serial: the bit rate (default 9600).", "N");
  add("data-bits", "With --serial: 7 or 8 (default 8).", "N");
  add("parity", "With --serial: none, odd, even, mark or space (default none).", "P");
  add("stop-bits", "With --serial: 1 or 2 (default 1).", "N");
  add("flow", "With --serial: none, hardware, xon or both (default none).", "F");
  add("csv-ignored",
      "summary (default): an ignored datagram's row keeps the first 64 bytes of bytes_hex and "
      "its size; full: all of them.",
      "MODE");
  add("pcap",
      "Writes every frame in and out to FILE as a pcapng capture for Wireshark (also beside "
      "the window).",
      "FILE");
  add("pcap-wire", "With --pcap: a second interface holds the UDP datagrams as on the wire.");
  add("headless", "Runs without a window and without a display.");
  add("format", "The automation format, sia or 4100 (default: the stored preference); beside the window "
      "it sets the Format choice for this run.",
      "NAME");
  add("ack", "auto: answers every frame; manual is refused (it needs the window).", "MODE");
  add("log", "Writes the traffic log to FILE, as the window's \"Log\" does (also beside the "
      "window).",
      "FILE");
  add("count",
      "Ends the run after N frames received, not counting the receiver's feedbacks to the "
      "commands sent (and once these have settled).",
      "N");
  add("seconds", "Ends the run after S seconds.", "S");
  add("summary-json",
      "Writes the summary to FILE as JSON (also beside the window, as it closes).", "FILE");
  add("strict",
      "Exit status 1 when the receiver failed: an event given up, a sequence number lost, an "
      "outage not delivered whole and in order, a frame NACKed for its own checksum or "
      "dropped. A fault made on purpose never fails the run.");
  add("command",
      "Sends a command once the link is open; repeatable, sent in order, each with its own "
      "--line: date, time, stop-audio, dtmf:DIGITS, CMD01 to CMD0E06, or CMD08 (remote "
      "programming).",
      "KIND");
  add("line", "The line (1 to 32) of the --command before it, date, time and stop-audio too.",
      "NN");
  add("progress", "Shows the live progress line on standard error even when it is no terminal.");
  add("quiet", "Shows no progress line.");
  add("fault",
      "Answers wrongly on purpose (repeatable; the first rule that matches a frame acts): "
      "FAULT[:SELECTOR...], FAULT one of nack, drop, delay=MS (or delay=uniform:LOW..HIGH, "
      "delay=lognormal:MEDIAN:SIGMA, delay=MS~JITTER, drawn per answer), duplicate, bad-crc, "
      "wrong-sequence[=NNNN], split, garbage=N; SELECTOR one of every=N, first=N, after=N, "
      "line=NN[,NN..], sequence=NNNN, p=0..1. Example: nack:every=5.",
      "RULE");
  add("outage",
      "SECONDS[@after=N]: answers nothing for SECONDS, beginning after N frames (default 0), "
      "as if switched off; frames are still received and recorded. Repeatable.",
      "SECONDS");
  add("seed",
      "Seeds the random draws of p=, garbage= and the delay distributions, so a run can be "
      "repeated exactly.",
      "S");
  add("expect",
      "Judges the receiver by a figure of the report: NAME OP VALUE, OP one of =, <=, >=, <, >, "
      "or NAME=LOW..HIGH; times in ms or s; NAME[:N][@line=NN] one of first-repeat, "
      "retry-interval, attempts, repeats-after-ack, given-up, lost, nacked-own, dropped, "
      "events, outage-recovery, outage-first-after, outage-in-order, outage-whole. "
      "Repeatable; one failing gives exit status 1. Example: first-repeat=2500..3500ms.",
      "EXPR");
  add("scenario",
      "Runs the test described in the TOML file FILE: its name, format, seed, link, timed "
      "phases of faults and outages, and expectations; the options given beside it add to "
      "the file's and take the place of its link.",
      "FILE");
  add("junit",
      "Writes the verdicts on the receiver to FILE as JUnit XML: the answers, per line nothing "
      "lost and nothing given up, each outage delivered whole and in order (also beside the "
      "window, as it closes).",
      "FILE");
  add("junit-suite", "With --junit: the name of the test suite and class (default v7400).", "NAME");
  add("debug-page", "Shows the \"Debug testing\" page of the window, with its answer faults.");
  add("control",
      "Listens for the live control over HTTP on [ADDRESS:]PORT (default address 127.0.0.1; "
      "[::1]:PORT for IPv6; port 0: any free one, said at start): status, faults, outages, "
      "report, events and Prometheus metrics.",
      "PORT");
  add("control-token",
      "With --control: every request must bring \"Authorization: Bearer KEY\"; needed for "
      "an address other than loopback.",
      "KEY");
  {
    QCommandLineOption port(Q("udp-port"), QString(), Q("PORT"));
    port.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(port);
  }
  // The options QApplication takes itself stay accepted, and are not listed.
  for (const char* name :
       {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "geometry",
        "qwindowgeometry", "qwindowicon", "qwindowtitle", "style", "stylesheet", "session"}) {
    QCommandLineOption option(Q(name), QString(), Q("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
    QCommandLineOption option(Q(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

// Reads the checked values into `options`; the text of the first refusal, or empty.
std::string ReadValues(const QCommandLineParser& parser, RunOptions& options) {
  std::string error;
  const auto value = [&](const char* name) { return S(parser.value(Q(name))); };
  options.settings_dir = value("settings-dir");
  if (parser.isSet(Q("user-dir")) && !options.settings_dir.empty()) {
    return "--user-dir and --settings-dir both name the settings folder; give one";
  }
  options.csv_path = value("csv");
  options.pcap_path = value("pcap");
  options.pcap_wire = parser.isSet(Q("pcap-wire"));
  if (options.pcap_wire && options.pcap_path.empty()) return "--pcap-wire works only with --pcap";
  options.headless = parser.isSet(Q("headless"));
  options.log_path = value("log");
  options.summary_json_path = value("summary-json");
  options.strict = parser.isSet(Q("strict"));
  if (!options.headless) {
    for (const auto& [name, flag] : HeadlessOnly()) {
      if (parser.isSet(name)) return std::string(flag) + " works only with --headless";
    }
  }
  if (parser.isSet(Q("format")) && !(options.format = ParseFormatName(value("format"), error))) {
    return "--format: " + error;
  }
  if (parser.isSet(Q("ack")) && !CheckAckMode(value("ack"), error)) return "--ack: " + error;
  if (parser.isSet(Q("csv-ignored"))) {
    const std::optional<bool> full = ParseCsvIgnored(value("csv-ignored"), error);
    if (!full) return "--csv-ignored: " + error;
    options.csv_ignored_full = *full;
  }
  if (parser.isSet(Q("count")) && !(options.count = ParseFrameCount(value("count"), error))) {
    return "--count: " + error;
  }
  if (parser.isSet(Q("seconds")) && !(options.seconds = ParseRunSeconds(value("seconds"), error))) {
    return "--seconds: " + error;
  }
  options.faults.junit_path = value("junit");
  if (parser.isSet(Q("junit-suite"))) {
    options.faults.junit_suite = value("junit-suite");
    if (options.faults.junit_suite.empty()) return "--junit-suite: the name is empty";
    if (options.faults.junit_path.empty()) return "--junit-suite needs --junit";
  }
  options.faults.debug_page = parser.isSet(Q("debug-page"));
  if (options.headless && options.faults.debug_page) return "--debug-page needs the window";
  std::vector<std::string> rules;
  std::vector<std::string> outages;
  for (const QString& rule : parser.values(Q("fault"))) rules.push_back(S(rule));
  for (const QString& outage : parser.values(Q("outage"))) outages.push_back(S(outage));
  const std::optional<std::string> seed =
      parser.isSet(Q("seed")) ? std::optional(value("seed")) : std::nullopt;
  if (std::string refusal = ReadFaultOptions(rules, outages, seed, options.faults);
      !refusal.empty()) {
    return refusal;
  }
  std::vector<std::string> expectations;
  for (const QString& text : parser.values(Q("expect"))) expectations.push_back(S(text));
  if (std::string refusal = ReadExpectations(expectations, options.faults); !refusal.empty()) {
    return refusal;
  }
  const QStringList kinds = parser.values(Q("command"));
  const QStringList lines = parser.values(Q("line"));
  if (kinds.size() != lines.size()) return "each --command needs one --line";
  for (qsizetype i = 0; i < kinds.size(); ++i) {
    const auto command = ParseCommandRequest(S(kinds[i]), S(lines[i]), error);
    if (!command) return "--command: " + error;
    options.commands.push_back(*command);
  }
  LinkOptionTexts link;
  const auto given = [&](const char* name) -> std::optional<std::string> {
    if (!parser.isSet(Q(name))) return std::nullopt;
    return value(name);
  };
  link.udp_host = given("udp");
  link.udp_port = given("udp-port");
  link.local_port = given("local-port");
  link.local_address = given("local-address");
  link.key = given("key");
  link.serial_device = given("serial");
  link.baud = given("baud");
  link.data_bits = given("data-bits");
  link.parity = given("parity");
  link.stop_bits = given("stop-bits");
  link.flow = given("flow");
  options.link = ParseLinkOptions(link, error);
  if (!error.empty()) return error;
  if (parser.isSet(Q("scenario"))) {
    const auto file = ReadScenarioFile(value("scenario"), error);
    if (!file) return "--scenario " + error;
    error = MergeScenario(*file, options, parser.isSet(Q("junit-suite")));
    if (!error.empty()) return "--scenario " + value("scenario") + ": " + error;
  }
  if (options.format) {
    if (std::string refusal = FormatRefusal(options, *options.format); !refusal.empty()) {
      return refusal;
    }
  }
  if (std::string refusal = ReadControlOptions(given("control"), given("control-token"),
                                               options.control);
      !refusal.empty()) {
    return refusal;
  }
  if (parser.isSet(Q("progress")) && parser.isSet(Q("quiet"))) {
    return "--progress and --quiet contradict each other; give one";
  }
  options.progress = parser.isSet(Q("progress")) ? ProgressMode::kOn
                     : parser.isSet(Q("quiet"))  ? ProgressMode::kOff
                                                 : ProgressMode::kAtTerminal;
  if (!parser.positionalArguments().isEmpty()) {
    return "unexpected argument '" + S(parser.positionalArguments().first()) + "'";
  }
  return OutputPathsProblem(options);
}

// The per-user folder becomes the working folder and the settings folder, before anything is
// read relative to either. Where it cannot be made, the run stays where it was started.
void EnterUserDataFolder(RunOptions& options) {
  std::string error;
  const auto folder = MakeUserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), error);
  if (folder && QDir::setCurrent(QString::fromLocal8Bit(folder->c_str()))) {
    options.settings_dir = folder->string();
    return;
  }
  if (error.empty()) error = "cannot enter " + folder->string();
  std::fprintf(stderr, "v7400: %s; working in %s\n", error.c_str(), S(QDir::currentPath()).c_str());
}

// "--udp HOST PORT" takes two values, which the parser cannot: the port becomes the hidden
// "--udp-port". A PORT that is missing or is an option is left for the check to refuse; a
// negative number is a port, refused as one.
void SplitUdpOption(QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] != Q("--udp") && arguments[i] != Q("-udp")) continue;
    const auto is_port = [](const QString& text) {
      return !text.startsWith(u'-') || (text.size() > 1 && text[1].isDigit());
    };
    if (i + 2 < arguments.size() && is_port(arguments[i + 2])) {
      arguments.insert(i + 2, Q("--udp-port"));
    }
    return;
  }
}

int Refuse(const std::string& message) {
  std::fprintf(stderr, "v7400: %s; try 'v7400 --help'\n",
               ShownText(message, kShownLineLimit).c_str());
  return 2;
}

}  // namespace

CommandLine ReadCommandLine(int argc, char* argv[]) {
  QCoreApplication::setApplicationName(Q("V7400"));
  QCoreApplication::setApplicationVersion(Q(kProgramVersion));
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  SplitUdpOption(arguments);
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  AddOptions(parser);
  CommandLine result;
  if (!parser.parse(arguments)) {
    QString text = parser.errorText();
    if (text.endsWith(u'.')) text.chop(1);
    result.exit_status = Refuse(S(text));
  } else if (parser.isSet(Q("help"))) {
    // Parsed before any application object exists, which is what names the program here.
    std::fputs(S(parser.helpText().replace(Q("<executable_name>"), Q("v7400"))).c_str(), stdout);
    result.exit_status = 0;
  } else if (parser.isSet(Q("version"))) {
    std::printf("V7400 %s\n", kProgramVersion);
    result.exit_status = 0;
  } else if (const std::string error = ReadValues(parser, result.options); !error.empty()) {
    result.exit_status = Refuse(error);
  } else if (parser.isSet(Q("user-dir"))) {
    EnterUserDataFolder(result.options);
  }
  return result;
}

std::string SettingsFilePath(const RunOptions& options) {
  const QDir folder = options.settings_dir.empty()
                          ? QDir::current()
                          : QDir(QString::fromLocal8Bit(options.settings_dir.c_str()));
  return S(folder.absoluteFilePath(Q(kSettingsFileName)));
}

}  // namespace v7400
