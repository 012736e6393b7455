// The V7400 Automation Simulator: one main window, run until it is closed.
#include <QApplication>
#include <QDir>
#include <QSessionManager>

#include "app/error_log.h"
#include "app/qt/guarded_application.h"
#include "app/qt/keep_awake.h"
#include "app/qt/qt_link.h"
#include "app/qt/qt_prompts.h"
#include "app/qt/settings_store.h"
#include "app/qt/termination_notifier.h"
#include "ui/tcmdhelpfrm.h"
#include "ui/tcommunicationsetup.h"
#include "ui/tform1.h"
#include "ui/tform2.h"

int main(int argc, char* argv[]) {
  v7400::GuardedApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  v7400::SetApplicationIdentity();

  v7400::SystemClock clock;
  const v7400::ErrorLog error_log(
      v7400::ErrorLogDirectory(QApplication::applicationDirPath().toLocal8Bit().toStdString()),
      clock);
  v7400::QtPrompts prompts;
  v7400::SettingsStore preferences;
  // The settings file lives in the working directory the program was started in.
  const std::string settings_path =
      QDir::current().filePath(QStringLiteral("APSsets.sys")).toLocal8Bit().toStdString();
  // Set as the window is built; the settings dialog may open while it is still being built
  // (a failed serial open), the help windows only once it exists.
  v7400::QtLink* link = nullptr;
  QWidget* main_window = nullptr;
  const auto settings_dialog = [&] {
    if (link == nullptr) return;
    v7400::QtPrompts dialog_prompts;
    const std::unique_ptr<v7400::SerialDevice> test_port = link->MakeTestPort();
    v7400::TCommunicationSetup dialog(link->DialogPorts(*test_port, dialog_prompts), error_log,
                                      main_window);
    dialog_prompts.SetParent(&dialog);
    dialog.exec();
  };

  v7400::TForm1 form(v7400::FormPorts{
      .prompts = prompts,
      .preferences = preferences,
      .clock = clock,
      .error_log = error_log,
      .exe_dir = QApplication::applicationDirPath().toLocal8Bit().toStdString(),
      .make_link =
          [&](v7400::SimulatorState& state, v7400::DisplayView& view) {
            auto made = v7400::MakeQtLink(state, view, prompts, settings_path);
            link = made.get();
            return made;
          },
      .keep_awake = &v7400::ReportActivityToSession,
      .install_error_handler = [&] { application.SetErrorLog(&error_log); },
      .settings_dialog = settings_dialog,
      .about_box = [&] { v7400::ShowAboutBox(QApplication::applicationDirPath(), main_window); },
      .command_help = [&] { v7400::OpenCommandHelp(error_log, main_window); },
  });
  main_window = &form;
  prompts.SetParent(&form);

  QObject::connect(&application, &QGuiApplication::commitDataRequest, &form,
                   &v7400::TForm1::SessionEnd);
  v7400::TerminationNotifier termination;
  QObject::connect(&termination, &v7400::TerminationNotifier::terminationRequested, &form,
                   &v7400::TForm1::Terminate);

  form.PlaceOnScreen();
  form.show();
  return QApplication::exec();
}
