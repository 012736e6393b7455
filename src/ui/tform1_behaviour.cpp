// The Receiver behaviour window: opened from the Debug testing page and by Ctrl+R, fed from the
// session's figures on a clock of its own while it shows.
#include <QAction>
#include <QPushButton>
#include <QTimer>

#include "core/output_file.h"
#include "ui/receiver_behaviour_window.h"
#include "ui/tform1.h"
#include "ui_tform1.h"

namespace v7400 {

namespace {

constexpr int kBehaviourRefreshMs = 250;

// The JUnit file beside the report: "report.json" gives "report.xml".
std::string JUnitPathBeside(const std::string& path) {
  const std::string stem = path.ends_with(".json") ? path.substr(0, path.size() - 5) : path;
  return stem + ".xml";
}

}  // namespace

void TForm1::SetUpReceiverBehaviour() {
  auto* action = new QAction(QStringLiteral("Receiver behaviour"), this);
  action->setObjectName(QStringLiteral("actReceiverBehaviour"));
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  // From either window, and whether the Debug testing page shows or not.
  action->setShortcutContext(Qt::ApplicationShortcut);
  addAction(action);
  connect(action, &QAction::triggered, this, &TForm1::btnReceiverBehaviourClick);
  auto* button = new QPushButton(QStringLiteral("Receiver behaviour"), ui_->tsht_debug);
  button->setObjectName(QStringLiteral("btnReceiverBehaviour"));
  button->setGeometry(204, 179, 150, 26);
  connect(button, &QPushButton::clicked, this, &TForm1::btnReceiverBehaviourClick);
  behaviour_timer_ = new QTimer(this);
  behaviour_timer_->setInterval(kBehaviourRefreshMs);
  connect(behaviour_timer_, &QTimer::timeout, this, [this] {
    Guard("ReceiverBehaviour", [this] {
      if (behaviour_ && behaviour_->isVisible()) behaviour_->Refresh();
    });
  });
  // The timeline follows the traffic from the start, so the chart has the history when opened.
  session_.FollowTimeline();
}

void TForm1::btnReceiverBehaviourClick() {
  Guard("btnReceiverBehaviour", [this] {
    if (!behaviour_) behaviour_ = std::make_unique<ReceiverBehaviourWindow>(BehaviourPorts());
    behaviour_->show();
    behaviour_->raise();
    behaviour_->activateWindow();
    behaviour_->Refresh();
    behaviour_timer_->start();
  });
}

BehaviourSource TForm1::BehaviourPorts() {
  return BehaviourSource{
      .report = [this] { return session_.Traffic().Ledger().Report(); },
      .timeline = &session_.Timeline(),
      .now_tick = [this] { return ports_.clock.TickMs(); },
      .running_outage =
          [this]() -> std::optional<std::pair<int, std::uint32_t>> {
        const auto outage = session_.Faults().RunningOutage();
        if (!outage) return std::nullopt;
        return std::pair{outage->number, outage->ms_left};
      },
      .save_report = [this](const std::string& path) { return SaveReceiverReport(path); },
      .reset = [this] { session_.ResetFigures(); },
      .prompts = &ports_.prompts,
      .preferences = &ports_.preferences,
  };
}

// The summary JSON as --summary-json has it, and the JUnit file beside it.
std::string TForm1::SaveReceiverReport(const std::string& path) {
  const SessionReport report = session_.Report(session_.Seconds());
  std::string reason;
  if (!WriteWholeFile(path, JsonText(report.json), reason)) {
    return "Cannot write \"" + path + "\": " + reason;
  }
  const std::string junit = JUnitPathBeside(path);
  if (!WriteWholeFile(junit, report.junit, reason)) {
    return "Cannot write \"" + junit + "\": " + reason;
  }
  return {};
}

}  // namespace v7400
