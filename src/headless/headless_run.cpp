#include "headless/headless_run.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/error_log.h"
#include "app/lifecycle.h"
#include "app/preferences.h"
#include "app/qt/command_line.h"
#include "app/qt/settings_store.h"
#include "app/qt/termination_notifier.h"
#include "app/run_summary.h"
#include "commands/command_run.h"
#include "core/output_file.h"
#include "display/expectation.h"
#include "display/retransmission_report.h"
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

// What --count counts: the frames received, less the receiver's feedbacks when commands were
// sent (a "4100" frame carries no line, so the per-line event counts cannot stand in).
long long EventsReceived(const SimulatorSession& session, bool commands) {
  long long events = session.Traffic().Recorder().Tally().received;
  if (!commands) return events;
  for (const TLine& line : session.State().LineTable) events -= line.FeedbacksReceived;
  return events;
}

// Answers until --count, --seconds or a termination signal ends the run; its length in seconds.
double RunUntilEnd(HeadlessSimulator& simulator, const RunOptions& options) {
  QElapsedTimer elapsed;
  elapsed.start();
  const auto seconds = [&] { return static_cast<double>(elapsed.nsecsElapsed()) / 1e9; };
  simulator.SetAfterFrames([&] {
    if (options.count &&
        EventsReceived(simulator.Session(), !options.commands.empty()) >= *options.count &&
        simulator.Session().Run().Done()) {
      QCoreApplication::quit();
    }
  });
  QTimer second;
  QObject::connect(&second, &QTimer::timeout, [&] { simulator.OnSecond(); });
  second.start(1000);
  if (options.seconds) {
    // Precise and rounded up: a coarse timer may fire a few per cent early.
    QTimer::singleShot(static_cast<int>(std::ceil(*options.seconds * 1000)), Qt::PreciseTimer,
                       &QCoreApplication::quit);
  }
  // The live line goes to standard error, by default only where a person watches it.
  const bool live = options.progress == ProgressMode::kOn ||
                    (options.progress == ProgressMode::kAtTerminal && isatty(STDERR_FILENO) != 0);
  QTimer progress;
  QObject::connect(&progress, &QTimer::timeout, [&] {
    std::fprintf(stderr, "\r%s\033[K",
                 ProgressLine(simulator.Session().Traffic().Recorder().Tally(), seconds()).c_str());
    std::fflush(stderr);
  });
  if (live) progress.start(kProgressIntervalMs);
  QCoreApplication::exec();
  const double run_seconds = seconds();
  simulator.Stop();
  if (live) std::fprintf(stderr, "\r\033[K");
  return run_seconds;
}

// What ends the run before the link opens: a command or an answer fault the format cannot
// carry (2), then settings that are not there (3).
int StartRefusal(const RunOptions& options, const PreferenceStore& preferences,
                 const ErrorLog& error_log, const std::string& settings_path) {
  if (const int status = CheckRunFormat(options, preferences); status != 0) return status;
  const std::string problem =
      options.link ? std::string() : SettingsProblem(options, settings_path);
  if (problem.empty()) return 0;
  // The same line the window writes for a settings file it cannot read.
  if (QFileInfo::exists(QString::fromLocal8Bit(settings_path.c_str()))) {
    error_log.AppException(kMainWindowName, problem);
  }
  return Fail(kLinkFailed, problem);
}

// Prints the summary and writes its files; the exit status.
int Finish(const SimulatorSession& session, double run_seconds) {
  const SessionReport report = session.Report(run_seconds);
  std::fputs(report.text.c_str(), stdout);
  std::fflush(stdout);
  return session.ExitStatus(report, session.WriteSummaryFiles(report));
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

  SystemClock clock;
  const ErrorLog error_log(
      ErrorLogDirectory(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString()), clock);
  SessionOutputs outputs;
  if (const int status = OpenSessionOutputs(options, error_log, outputs); status != 0) {
    return status;
  }
  SettingsStore preferences;
  // A preference file moved aside is said, as the window says it.
  for (const std::string& problem : preferences.TakeOpenProblems()) {
    error_log.AppException(kMainWindowName, problem);
  }
  const std::string settings_path = SettingsFilePath(options);
  if (const int status = StartRefusal(options, preferences, error_log, settings_path);
      status != 0) {
    return status;
  }
  HeadlessSimulator simulator(options, clock, error_log, preferences, settings_path, outputs);
  std::string error;
  if (!simulator.Session().StartControl(error)) return Fail(kBadArgument, error);
  if (!simulator.Start(error)) return Fail(kLinkFailed, error);
  const double run_seconds = RunUntilEnd(simulator, options);
  return Finish(simulator.Session(), run_seconds);
}

}  // namespace v7400
