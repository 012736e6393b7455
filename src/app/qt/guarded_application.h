// The application object with the last line of defence: an error that escapes an event handler
// lands in "error.log" under the name of the object that was handling the event, and the
// program carries on with the next event.
#pragma once

#include <QApplication>

#include "app/error_log.h"

namespace v7400 {

// The names the preferences and the plain message boxes go by. No display name is set: Qt
// would append it to every window title.
void SetApplicationIdentity();

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  // From now on escaping errors are logged here (creation step 3).
  void SetErrorLog(const ErrorLog* log) { error_log_ = log; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  const ErrorLog* error_log_ = nullptr;
};

}  // namespace v7400
