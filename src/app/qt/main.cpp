// The V7400 Automation Simulator: one main window, run until it is closed.
#include <QApplication>
#include <QScreen>
#include <QSessionManager>
#include <stdexcept>

#include "app/error_log.h"
#include "app/qt/keep_awake.h"
#include "app/qt/qt_prompts.h"
#include "app/qt/settings_store.h"
#include "app/qt/termination_notifier.h"
#include "ui/tform1.h"

namespace {

// The link used until a connection is configured: nothing arrives and nothing can be sent.
class UnconnectedLink : public v7400::SerialPort,
                        public v7400::DatagramSender,
                        public v7400::NetworkIngress {
 public:
  bool ByteReady() override { return false; }
  char ReadByte() override { throw std::runtime_error("The serial port is not open"); }
  void Write(const std::string& /*bytes*/) override {
    throw std::runtime_error("The serial port is not open");
  }
  void SendDatagram(const std::string& /*bytes*/) override {
    throw std::runtime_error("The network connection is not open");
  }
  bool IsFromReceiver(const std::string& /*address*/, bool /*ipv6*/) override { return false; }
  std::string DecryptPacket(const std::string& datagram) override { return datagram; }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setApplicationName(QStringLiteral("V7400"));
  QApplication::setApplicationDisplayName(QStringLiteral("V7400"));
  QApplication::setOrganizationName(QStringLiteral("Corvane"));

  v7400::SystemClock clock;
  const v7400::ErrorLog error_log(QApplication::applicationDirPath().toLocal8Bit().toStdString(),
                                  clock);
  v7400::QtPrompts prompts;
  v7400::SettingsStore preferences;
  UnconnectedLink link;

  v7400::TForm1 form(v7400::FormPorts{
      prompts, preferences, clock, error_log, link, link, link,
      QApplication::applicationDirPath().toLocal8Bit().toStdString(), nullptr, nullptr,
      &v7400::ReportActivityToSession});
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
