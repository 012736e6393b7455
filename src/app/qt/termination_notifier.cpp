#include "app/qt/termination_notifier.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QSocketNotifier>
#include <csignal>

namespace v7400 {

namespace {

int signal_fds[2] = {-1, -1};

// Ctrl-C and a closed terminal end the program as cleanly as a SIGTERM does.
constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminateSignal(int /*signal*/) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signal_fds[0], &byte, 1);
}

}  // namespace

TerminationNotifier::TerminationNotifier(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_fds) != 0) return;
  notifier_ = new QSocketNotifier(signal_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationNotifier::OnReadable);
  struct sigaction action {};
  action.sa_handler = OnTerminateSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kEndingSignals) ::sigaction(signal, &action, nullptr);
}

TerminationNotifier::~TerminationNotifier() {
  for (const int signal : kEndingSignals) ::signal(signal, SIG_DFL);
  for (int& fd : signal_fds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

namespace {

// Ends a modal dialog's own event loop once the current event is done.
void RejectLater(QWidget* widget) {
  if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isModal()) {
    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
  }
}

}  // namespace

void TerminationNotifier::OnReadable() {
  char byte = 0;
  [[maybe_unused]] const ssize_t read = ::read(signal_fds[1], &byte, 1);
  if (!requested_) {
    requested_ = true;
    if (qApp != nullptr) {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) RejectLater(widget);
      }
      qApp->installEventFilter(this);
    }
  }
  emit terminationRequested();
}

bool TerminationNotifier::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    RejectLater(static_cast<QWidget*>(watched));
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace v7400
