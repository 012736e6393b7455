// Keeps the desktop from blanking the screen or going to sleep while the simulator runs: each
// tick of the keep-awake timer reports user activity to the session's screen saver over D-Bus.
// Best effort: without a session bus nothing happens.
#pragma once

namespace v7400 {

void ReportActivityToSession();

}  // namespace v7400
