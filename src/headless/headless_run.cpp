#include "headless/headless_run.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/error_log.h"
#include "app/qt/command_line.h"
#include "app/qt/settings_store.h"
#include "app/qt/termination_notifier.h"
#include "app/run_summary.h"
#include "headless/headless_simulator.h"
#include "transport/connection_settings.h"

namespace v7400 {

namespace {

constexpr int kLinkFailed = 3;
constexpr int kBadArgument = 2;
constexpr int kProgressIntervalMs = 250;

// Prints the one line that says why (unless it was said already) and returns the status.
int Fail(int status, const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "v7400: %s\n", message.c_str());
  return status;
}

// Empty when the settings file is where the run needs it.
std::string SettingsProblem(const RunOptions& options, const std::string& settings_path) {
  const QString folder = QString::fromLocal8Bit(options.settings_dir.c_str());
  if (!options.settings_dir.empty() && !QFileInfo(folder).isDir()) {
    return "settings folder \"" + options.settings_dir + "\" does not exist";
  }
  if (!QFileInfo::exists(QString::fromLocal8Bit(settings_path.c_str()))) {
    return "no \"APSsets.sys\" in " + (options.settings_dir.empty()
                                           ? std::string("the working folder")
                                           : "\"" + options.settings_dir + "\"");
  }
  return SettingsFileProblem(settings_path);  // a FIFO, a device or a folder by that name
}

// Opened at the start, so a path that cannot be written ends the run before it answers.
struct JsonFile {
  std::FILE* file = nullptr;
  ~JsonFile() {
    if (file != nullptr) std::fclose(file);
  }
};

bool WriteJson(JsonFile& json, const std::string& text) {
  const bool written = std::fwrite(text.data(), 1, text.size(), json.file) == text.size();
  const bool closed = std::fclose(json.file) == 0;
  json.file = nullptr;
  return written && closed;
}

// Answers until --count, --seconds or a termination signal ends the run; its length in seconds.
double RunUntilEnd(HeadlessSimulator& simulator, const RunOptions& options) {
  QElapsedTimer elapsed;
  elapsed.start();
  const auto seconds = [&] { return static_cast<double>(elapsed.nsecsElapsed()) / 1e9; };
  simulator.SetAfterFrames([&] {
    if (options.count && simulator.Recorder().Tally().received >= *options.count &&
        simulator.Commands().Done()) {
      QCoreApplication::quit();
    }
  });
  QTimer second;
  QObject::connect(&second, &QTimer::timeout, [&] { simulator.OnSecond(); });
  second.start(1000);
  if (options.seconds) {
    QTimer::singleShot(static_cast<int>(*options.seconds * 1000), &QCoreApplication::quit);
  }
  // The live line only where a person watches; a pipe or a file gets the summary alone.
  const bool live = isatty(STDOUT_FILENO) != 0;
  QTimer progress;
  QObject::connect(&progress, &QTimer::timeout, [&] {
    std::printf("\r%s\033[K", ProgressLine(simulator.Recorder().Tally(), seconds()).c_str());
    std::fflush(stdout);
  });
  if (live) progress.start(kProgressIntervalMs);
  QCoreApplication::exec();
  const double run_seconds = seconds();
  simulator.Stop();
  if (live) std::printf("\r\033[K");
  return run_seconds;
}

}  // namespace

int RunHeadless(int argc, char* argv[], const RunOptions& options) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("V7400"));
  QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
  // From here a termination signal ends the run; one that comes while the link opens is taken
  // up as soon as the run starts.
  TerminationNotifier termination;
  QObject::connect(&termination, &TerminationNotifier::terminationRequested,
                   &QCoreApplication::quit);

  const std::string settings_path = SettingsFilePath(options);
  if (const std::string problem = SettingsProblem(options, settings_path); !problem.empty()) {
    return Fail(kLinkFailed, problem);
  }
  SystemClock clock;
  const ErrorLog error_log(
      ErrorLogDirectory(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString()), clock);
  JsonFile json;
  if (!options.summary_json_path.empty() &&
      (json.file = std::fopen(options.summary_json_path.c_str(), "wb")) == nullptr) {
    return Fail(kBadArgument,
                "cannot write \"" + options.summary_json_path + "\": " + std::strerror(errno));
  }
  TrafficCsv csv;
  if (!OpenCsvOption(options, csv, error_log)) return kBadArgument;
  TrafficPcap pcap;
  if (!OpenPcapOption(options, pcap, error_log)) return kBadArgument;
  SettingsStore preferences;
  HeadlessSimulator simulator(options, clock, error_log, preferences, settings_path, csv);
  simulator.AttachCapture(pcap);
  std::string error;
  if (!simulator.Start(error)) return Fail(kLinkFailed, error);

  const double run_seconds = RunUntilEnd(simulator, options);
  const RunSummary summary = MakeRunSummary(simulator.Recorder().Tally(), simulator.State(),
                                            run_seconds, simulator.Commands().Outcomes());
  std::fputs(SummaryText(summary).c_str(), stdout);
  std::fflush(stdout);
  if (json.file != nullptr && !WriteJson(json, SummaryJson(summary))) {
    Fail(1, "cannot write \"" + options.summary_json_path + "\"");
  }
  return SummaryExitStatus(summary, options.strict);
}

}  // namespace v7400
