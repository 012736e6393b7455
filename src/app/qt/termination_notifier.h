// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread (self-pipe), so a killed simulator
// still runs its shutdown.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace v7400 {

class TerminationNotifier : public QObject {
  Q_OBJECT

 public:
  explicit TerminationNotifier(QObject* parent = nullptr);
  ~TerminationNotifier() override;

 signals:
  void terminationRequested();

 private:
  void OnReadable();
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace v7400
