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
#include "core/shown_text.h"
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

// The traffic log is opened for appending once the link is up; tried here so a path that
// cannot be written is refused before anything is answered.
std::string LogProblem(const std::string& path) {
  if (path.empty()) return {};
  std::string reason;
  std::FILE* file = OpenOutputFile(path, OutputMode::kAppend, reason);
  if (file == nullptr) return "--log: cannot write \"" + path + "\": " + reason;
  std::fclose(file);
  return {};
}

// A command the run's format has no frame for is refused before the run starts.
std::string UncarriedCommand(const RunOptions& options, const PreferenceStore& preferences) {
  LoadProblems problems;
  const AutomationFormat format =
      options.format ? *options.format : LoadPara(preferences, problems).Format;
  for (const TCommand& command : options.commands) {
    if (!CarriedInFormat(command, format)) {
      return "--command " + CommandName(command) +
             ": the 4100 format has no such command (date, time and stop-audio only)";
    }
  }
  return {};
}

// What --count counts: the frames received, less the receiver's feedbacks when commands were
// sent (a "4100" frame carries no line, so the per-line event counts cannot stand in).
long long EventsReceived(HeadlessSimulator& simulator, bool commands) {
  long long events = simulator.Recorder().Tally().received;
  if (!commands) return events;
  for (const TLine& line : simulator.State().LineTable) events -= line.FeedbacksReceived;
  return events;
}

struct SummaryFile {
  const char* flag;
  const std::string& path;
  std::string text;
};

// The summary files are written whole at the end (a kill leaves the old file or none); one that
// fails is said, naming its option, and the others are still written. False when one failed.
bool WriteSummaryFiles(const std::vector<SummaryFile>& files) {
  bool all = true;
  for (const SummaryFile& file : files) {
    std::string reason;
    if (file.path.empty() || WriteWholeFile(file.path, file.text, reason)) continue;
    Fail(1, std::string(file.flag) + ": cannot write \"" + file.path + "\": " + reason);
    all = false;
  }
  return all;
}

// The line on late answers that could not wait for their time, when there were any.
std::string LateAnswersText(const AnswerFaults& faults) {
  if (faults.LateSentAtEnd() == 0 && faults.LateRefused() == 0) return {};
  return "late answers sent early as the run ended " + std::to_string(faults.LateSentAtEnd()) +
         ", refused for a full queue " + std::to_string(faults.LateRefused()) + "\n";
}

// Answers until --count, --seconds or a termination signal ends the run; its length in seconds.
double RunUntilEnd(HeadlessSimulator& simulator, const RunOptions& options) {
  QElapsedTimer elapsed;
  elapsed.start();
  const auto seconds = [&] { return static_cast<double>(elapsed.nsecsElapsed()) / 1e9; };
  simulator.SetAfterFrames([&] {
    if (options.count && EventsReceived(simulator, !options.commands.empty()) >= *options.count &&
        simulator.Commands().Done()) {
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
                 ProgressLine(simulator.Recorder().Tally(), seconds()).c_str());
    std::fflush(stderr);
  });
  if (live) progress.start(kProgressIntervalMs);
  QCoreApplication::exec();
  const double run_seconds = seconds();
  simulator.Stop();
  if (live) std::fprintf(stderr, "\r\033[K");
  return run_seconds;
}

// The files the run writes, opened before anything is answered.
struct Outputs {
  TrafficCsv csv;
  TrafficPcap pcap;
};

// Every output first: one that cannot be written is a bad argument, whatever else is wrong.
int OpenOutputs(const RunOptions& options, const ErrorLog& error_log, Outputs& outputs) {
  // Written only at the end, whole: tried now without touching them.
  for (const auto& [flag, path] : {std::pair{"--summary-json", &options.summary_json_path},
                                   std::pair{"--junit", &options.faults.junit_path}}) {
    if (path->empty()) continue;
    if (const std::string problem = WholeFileProblem(*path); !problem.empty()) {
      return Fail(kBadArgument, std::string(flag) + ": cannot write \"" + *path + "\": " + problem);
    }
  }
  if (!OpenCsvOption(options, outputs.csv, error_log) ||
      !OpenPcapOption(options, outputs.pcap, error_log)) {
    return kBadArgument;
  }
  const std::string problem = LogProblem(options.log_path);
  return problem.empty() ? 0 : Fail(kBadArgument, problem);
}

// What ends the run before the link opens: a command or an answer fault the format cannot
// carry (2), then settings that are not there (3).
int StartRefusal(const RunOptions& options, const PreferenceStore& preferences,
                 const ErrorLog& error_log, const std::string& settings_path) {
  if (const std::string problem = UncarriedCommand(options, preferences); !problem.empty()) {
    return Fail(kBadArgument, problem);
  }
  LoadProblems problems;
  const AutomationFormat format =
      options.format ? *options.format : LoadPara(preferences, problems).Format;
  if (const std::string problem = FaultFormatProblem(options.faults, format); !problem.empty()) {
    return Fail(kBadArgument, ShownText(problem, kShownLineLimit) + "; try 'v7400 --help'");
  }
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
int Finish(HeadlessSimulator& simulator, const RunOptions& options, double run_seconds) {
  const RunSummary summary = MakeRunSummary(simulator.Recorder().Tally(), simulator.State(),
                                            run_seconds, simulator.Commands().Outcomes());
  const LedgerReport retransmissions = simulator.Retransmissions();
  const AnswerFaults& faults = simulator.Faults();
  const RunJudgement judgement =
      JudgeRun(retransmissions, simulator.Answers(), options.faults.expectations);
  std::fputs((SummaryText(summary) + LateAnswersText(faults) +
              RetransmissionText(retransmissions) + ExpectationsText(judgement.expectations))
                 .c_str(),
             stdout);
  std::fflush(stdout);
  Json summary_json = SummaryJson(summary);
  summary_json["late_answers"] = {{"sent_at_end", faults.LateSentAtEnd()},
                                  {"refused", faults.LateRefused()}};
  summary_json["retransmissions"] = RetransmissionJson(retransmissions);
  if (!judgement.expectations.empty()) {
    summary_json["expectations"] = ExpectationsJson(judgement.expectations);
  }
  const bool written = WriteSummaryFiles(
      {{"--summary-json", options.summary_json_path, JsonText(summary_json)},
       {"--junit", options.faults.junit_path,
        RetransmissionJUnit(judgement.cases, options.faults.junit_suite, run_seconds)}});
  return !written || (options.strict && judgement.receiver_failed) || judgement.ExpectationFailed()
             ? 1
             : 0;
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
  Outputs outputs;
  if (const int status = OpenOutputs(options, error_log, outputs); status != 0) return status;
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
  HeadlessSimulator simulator(options, clock, error_log, preferences, settings_path, outputs.csv);
  simulator.AttachCapture(outputs.pcap);
  std::string error;
  if (!simulator.Start(error)) return Fail(kLinkFailed, error);
  const double run_seconds = RunUntilEnd(simulator, options);
  return Finish(simulator, options, run_seconds);
}

}  // namespace v7400
