#include "app/qt/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/program_options.h"
#include "app/user_folders.h"
#include "core/shown_text.h"
#include "transport/connection_settings.h"

namespace v7400 {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }
std::string S(const QString& text) { return text.toLocal8Bit().toStdString(); }

void AddOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      Q("The V7400 Automation Simulator: plays the automation computer of a V9100 receiver.\n"
        "Without options it opens its window. With --headless it runs without one, answers "
        "every frame automatically, and prints a summary when it ends."));
  // Only --help: the Qt options it would list under --help-all are not this program's to offer.
  parser.addOption(
      QCommandLineOption({Q("h"), Q("help")}, Q("Displays help on commandline options.")));
  parser.addVersionOption();
  for (const OptionRow& row : ProgramOptions()) {
    const QString help = row.help == nullptr ? QString() : Q(row.help);
    QCommandLineOption option = row.value_name == nullptr
                                    ? QCommandLineOption(Q(row.name), help)
                                    : QCommandLineOption(Q(row.name), help, Q(row.value_name));
    if (row.help == nullptr) option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
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

std::vector<std::string> Texts(const QStringList& list) {
  std::vector<std::string> texts;
  for (const QString& text : list) texts.push_back(S(text));
  return texts;
}

// Reads the checked values into `options`; the text of the first refusal, or empty.
std::string ReadValues(const QCommandLineParser& parser, RunOptions& options) {
  GivenOptions given;
  for (const OptionRow& row : ProgramOptions()) {
    if (!parser.isSet(Q(row.name))) {
      given.emplace_back();
      continue;
    }
    const QStringList values = parser.values(Q(row.name));
    given.push_back(
        GivenOption{values.isEmpty() ? std::string() : S(values.last()), Texts(values)});
  }
  OptionReading reading;
  const std::string refusal =
      ReadProgramOptions(given, Texts(parser.positionalArguments()), reading);
  options = std::move(reading.options);
  return refusal;
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
