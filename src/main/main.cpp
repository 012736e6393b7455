// The V7400 Automation Simulator: one main window, run until it is closed.
#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/error_log.h"
#include "app/preferences.h"
#include "app/qt/command_line.h"
#include "app/qt/guarded_application.h"
#include "app/qt/keep_awake.h"
#include "app/qt/qt_link.h"
#include "app/qt/qt_prompts.h"
#include "app/qt/settings_store.h"
#include "app/qt/termination_notifier.h"
#include "app/user_folders.h"
#include "display/expectation.h"
#include "headless/headless_run.h"
#include "ui/tcmdhelpfrm.h"
#include "ui/tcommunicationsetup.h"
#include "ui/tform1.h"
#include "ui/tform2.h"

namespace v7400 {

// As the window closes: the expectations on standard output and the summary files; a failed
// expectation, or a receiver verdict under --strict, makes the exit status 1 as it does without
// the window.
int FinishWindowRun(const SimulatorSession& session, int status) {
  const SessionReport report = session.Report(session.Seconds());
  if (!report.judgement.expectations.empty()) {
    std::fputs(ExpectationsText(report.judgement.expectations).c_str(), stdout);
  }
  const int figures = session.ExitStatus(report, session.WriteSummaryFiles(report));
  return status != 0 ? status : figures;
}

// The Settings dialog on the window's link, with a serial port of its own for its tests.
void OpenSettingsDialog(QtLink& link, const ErrorLog& error_log, QWidget* main_window) {
  QtPrompts dialog_prompts;
  const std::unique_ptr<SerialDevice> test_port = link.MakeTestPort();
  TCommunicationSetup dialog(link.DialogPorts(*test_port, dialog_prompts), error_log, main_window);
  dialog_prompts.SetParent(&dialog);
  dialog.exec();
}

// The expectations as they stand, in the status bar once a second.
void ShowExpectationsLive(TForm1& form, const std::vector<Expectation>& expectations,
                          QTimer& judging) {
  const TrafficObservers& traffic = form.Session().Traffic();
  QObject::connect(&judging, &QTimer::timeout, &form, [&form, &traffic, &expectations] {
    const RunJudgement judgement =
        JudgeRun(traffic.Ledger().Report(), traffic.Answers(), expectations);
    form.ShowExpectationsNote(ExpectationsNote(judgement.expectations));
  });
  if (!expectations.empty()) judging.start(1000);
}

// From the window built to its closing: the exit status.
int RunWindow(TForm1& form, QtPrompts& prompts, GuardedApplication& application,
              TerminationNotifier& termination, const RunOptions& options) {
  prompts.SetParent(&form);
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &form, &TForm1::SessionEnd);
  QObject::connect(&termination, &TerminationNotifier::terminationRequested, &form,
                   &TForm1::Terminate);
  // A signal that came while the window was being built ends the program now.
  if (termination.Requested()) {
    form.Terminate();
    return FinishWindowRun(form.Session(), QApplication::exec());
  }
  if (std::string error; !form.Session().StartControl(error, [&form] { form.ControlChanged(); })) {
    std::fprintf(stderr, "v7400: %s\n", error.c_str());
    return 2;
  }
  QTimer judging;
  ShowExpectationsLive(form, options.faults.expectations, judging);
  form.PlaceOnScreen();
  form.show();
  const int status = QApplication::exec();
  return FinishWindowRun(form.Session(), status);
}

}  // namespace v7400

int main(int argc, char* argv[]) {
  // A file-size limit is a full disk to every output, not the end of the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const v7400::CommandLine command_line = v7400::ReadCommandLine(argc, argv);
  if (command_line.exit_status) return *command_line.exit_status;
  if (command_line.options.headless) return v7400::RunHeadless(argc, argv, command_line.options);
  v7400::GuardedApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  v7400::SetApplicationIdentity();
  // Before anything that can wait: the files read at start, the start-up boxes, the dialog.
  v7400::TerminationNotifier termination;
  v7400::SystemClock clock;
  const v7400::ErrorLog error_log(
      v7400::ErrorLogDirectory(QApplication::applicationDirPath().toLocal8Bit().toStdString()),
      clock);
  v7400::SessionOutputs outputs;
  if (v7400::OpenSessionOutputs(command_line.options, error_log, outputs) != 0) return 2;
  v7400::QtPrompts prompts;
  v7400::SettingsStore preferences;
  if (const int status = v7400::CheckRunFormat(command_line.options, preferences); status != 0) {
    return status;
  }
  // The settings file: in --settings-dir, else in the working directory the program started in.
  const std::string settings_path = v7400::SettingsFilePath(command_line.options);
  // Set as the window is built; the settings dialog may open while it is still being built
  // (a failed serial open), the help windows only once it exists.
  v7400::QtLink* link = nullptr;
  QWidget* main_window = nullptr;
  const auto settings_dialog = [&] {
    if (link != nullptr && !termination.Requested()) {
      v7400::OpenSettingsDialog(*link, error_log, main_window);
    }
  };
  v7400::TForm1 form(v7400::FormPorts{
      .prompts = prompts,
      .preferences = preferences,
      .clock = clock,
      .error_log = error_log,
      .exe_dir =
          v7400::FileDialogFolder(QApplication::applicationDirPath().toLocal8Bit().toStdString(),
                                  QDir::currentPath().toLocal8Bit().toStdString()),
      .make_link =
          [&](v7400::SimulatorState& state, v7400::DisplayView& view) {
            auto made = v7400::MakeQtLink(state, view, prompts, settings_path);
            if (command_line.options.link) made->UseGivenLink(*command_line.options.link);
            link = made.get();
            return made;
          },
      .keep_awake = &v7400::ReportActivityToSession,
      .install_error_handler = [&] { application.SetErrorLog(&error_log); },
      .settings_dialog = settings_dialog,
      .about_box = [&] { v7400::ShowAboutBox(QApplication::applicationDirPath(), main_window); },
      .command_help = [&] { v7400::OpenCommandHelp(error_log, main_window); },
      .options = &command_line.options,
      .outputs = &outputs,
  });
  main_window = &form;
  return v7400::RunWindow(form, prompts, application, termination, command_line.options);
}
