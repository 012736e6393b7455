// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread (self-pipe), so a
// killed simulator still runs its shutdown. Made first thing, so no start-up step can keep a
// signal from being heard: once one came, every modal dialog (a start-up message box, the
// settings dialog) is closed as soon as it shows.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace v7400 {

class TerminationNotifier : public QObject {
  Q_OBJECT

 public:
  explicit TerminationNotifier(QObject* parent = nullptr);
  ~TerminationNotifier() override;

  // True once an ending signal came.
  bool Requested() const { return requested_; }

 signals:
  void terminationRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnReadable();
  QSocketNotifier* notifier_ = nullptr;
  bool requested_ = false;
};

}  // namespace v7400
