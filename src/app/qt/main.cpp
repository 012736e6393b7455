// The V7400 Automation Simulator: one main window, run until it is closed.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSessionManager>

#include "app/error_log.h"
#include "app/qt/guarded_application.h"
#include "app/qt/keep_awake.h"
#include "app/qt/qt_link.h"
#include "app/qt/qt_prompts.h"
#include "app/qt/settings_store.h"
#include "app/qt/termination_notifier.h"
#include "ui/tform1.h"

int main(int argc, char* argv[]) {
  v7400::GuardedApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setApplicationName(QStringLiteral("V7400"));
  QApplication::setApplicationDisplayName(QStringLiteral("V7400"));
  QApplication::setOrganizationName(QStringLiteral("Corvane"));

  v7400::SystemClock clock;
  const v7400::ErrorLog error_log(
      v7400::ErrorLogDirectory(QApplication::applicationDirPath().toLocal8Bit().toStdString()),
      clock);
  v7400::QtPrompts prompts;
  v7400::SettingsStore preferences;
  // The settings file lives in the working directory the program was started in.
  const std::string settings_path =
      QDir::current().filePath(QStringLiteral("APSsets.sys")).toLocal8Bit().toStdString();

  v7400::TForm1 form(v7400::FormPorts{
      .prompts = prompts,
      .preferences = preferences,
      .clock = clock,
      .error_log = error_log,
      .exe_dir = QApplication::applicationDirPath().toLocal8Bit().toStdString(),
      .make_link =
          [&](v7400::SimulatorState& state, v7400::DisplayView& view) {
            return v7400::MakeQtLink(state, view, prompts, settings_path);
          },
      .keep_awake = &v7400::ReportActivityToSession,
      .install_error_handler = [&] { application.SetErrorLog(&error_log); },
  });
  prompts.SetParent(&form);

  QObject::connect(&application, &QGuiApplication::commitDataRequest, &form,
                   &v7400::TForm1::SessionEnd);
  v7400::TerminationNotifier termination;
  QObject::connect(&termination, &v7400::TerminationNotifier::terminationRequested, &form,
                   &v7400::TForm1::Terminate);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    form.move(screen->availableGeometry().center() - form.rect().center());
  }
  form.show();
  return QApplication::exec();
}
