// Creation, the exit question, shutdown and the session end of the main window.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QSessionManager>
#include <QTimer>

#include "app/window_placement.h"
#include "commands/input_commands.h"
#include "ui/receiver_behaviour_window.h"
#include "ui/tform1.h"
#include "ui_tform1.h"

namespace v7400 {

void TForm1::FormCreate() { RunFormCreate(*this, ports_.error_log); }

void TForm1::DiscoverLinkLocalAddress() { link_.DiscoverLinkLocalAddress(); }

void TForm1::InitialiseLineRecords() { InitialiseLines(state_); }

// Every handler guards its own entry (see Guard); the program adds a net under the event loop.
void TForm1::InstallErrorHandler() {
  if (ports_.install_error_handler) ports_.install_error_handler();
}

void TForm1::PrepareCommandPanel() {
  ui_->pc_InputCommand->setCurrentWidget(ui_->tsht_commandselection);
  commands_.StartUp();
}

void TForm1::SetProtocolDefaults() {
  state_.PackageEndChar = 20;
  state_.SpaceConverting = 1;
}

// Time stamps are formed as "hh:mm:ss" and "mm-dd-yyyy" by the renderings themselves.
void TForm1::SetTimeFormats() {}

void TForm1::CaptureWorkDir() { work_dir_ = QDir::currentPath().toLocal8Bit().toStdString(); }

void TForm1::SetTrafficLoggingOff() { SetEmptyLogEnabled(false); }

bool TForm1::CreateNetworkObjects() {
  network_available_ = link_.CreateNetworkObjects();
  return network_available_;
}

void TForm1::ShowNoNetworkInformation() { ports_.prompts.ShowInformation(kNoNetworkInformation); }

void TForm1::OpenConnectionAtStartup() { link_.OpenConnectionAtStartup(); }

void TForm1::AttachDatagramHandler() {
  link_.AttachDatagramHandler(
      [this](const std::string& bytes, const std::string& sender, IpVersion version) {
        sink_.HoldTrafficLog();
        OnDatagram(bytes, sender, version);
      });
  link_.SetBurstEndHandler([this] { sink_.ReleaseTrafficLog(); });
}

void TForm1::ResetCounts() { ResetCountersAndAddress(state_); }

void TForm1::ResetSequenceTexts() {
  state_.CurrentSequence = "0001";
  state_.ReceiverNumber = "01";
  state_.CurrentLine = "00";
}

void TForm1::SetDisplayScrollExtent() {
  scroll_extent_ = kDisplayScrollExtent;
  for (const DisplayList list : {DisplayList::kDecimal, DisplayList::kHex}) FitRows(list);
}

void TForm1::ClearClosing() { state_.Closing = 0; }

// A start without a settings file asks for the settings as a failed serial open does.
bool TForm1::TakeOpenFailed() {
  const bool failed = state_.OpenFailed || state_.SettingsMissing;
  state_.OpenFailed = false;
  state_.SettingsMissing = false;
  return failed;
}

void TForm1::OpenSettingsDialog() {
  if (ports_.settings_dialog) ports_.settings_dialog();
}

void TForm1::CreateCipher() { link_.CreateCipher(state_.KeyString); }

void TForm1::LoadPreferences() {
  for (const std::string& problem : v7400::LoadPreferences(ports_.preferences, *this)) {
    ports_.error_log.AppException(kMainWindowName, problem);
  }
  // --format chooses for this run; the stored choice stays unless the user makes another.
  const std::optional<AutomationFormat> given = session_.Options().format;
  if (!given) return;
  const AutomationFormat stored = state_.Format;
  (*given == AutomationFormat::kSia ? ui_->rbFormatSIA : ui_->rbFormat4100)->setChecked(true);
  rgFormatClick();
  stored_format_ = stored;
}

// --- Leaving -------------------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event) {
  if (shut_down_) {
    event->accept();
    return;
  }
  bool leave = false;
  Guard("Form1", [&] { leave = ports_.prompts.Confirm(kExitQuestion); });
  if (!leave) {
    event->ignore();
    return;
  }
  Guard("UDPServer1", [this] { session_.FinishAnswers(); });
  state_.Closing = -1;
  Guard("Form1", [this] { ReleaseState(state_); });
  ShutDown();
  event->accept();
}

void TForm1::ShutDown() {
  if (shut_down_) return;
  shut_down_ = true;
  // It keeps its place as it closes, and the program ends with the main window.
  if (behaviour_) behaviour_->close();
  RunShutDown(*this, ports_.error_log, kMainWindowName);
}

void TForm1::SavePreferences() {
  v7400::SavePreferences(ports_.preferences, *this);
  const QRect normal = windowState() == Qt::WindowNoState ? geometry() : normalGeometry();
  SaveWindowRect(ports_.preferences, {normal.x(), normal.y(), normal.width(), normal.height()});
}

void TForm1::CloseTrafficLog() {
  if (!sink_.Log().IsOn()) return;
  Timer1_->stop();
  sink_.CloseLog();
}

void TForm1::ReleaseNetworkObjects() {
  network_available_ = false;
  link_.ReleaseNetworkObjects();
}

void TForm1::SessionEnd(QSessionManager& manager) {
  if (shut_down_) return;
  if (manager.allowsInteraction()) {
    const bool yes = ports_.prompts.Confirm(kSessionEndQuestion);
    manager.release();
    if (!yes) {
      manager.cancel();
      return;
    }
  }
  Terminate();
}

void TForm1::Terminate() {
  if (shut_down_) return;
  Guard("UDPServer1", [this] { session_.FinishAnswers(); });
  state_.Closing = -1;
  ShutDown();
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace v7400
