// The answer faults on the "Debug testing" page: a field for rules in the command line's
// syntax with Apply, an outage button, and a status-bar note while a fault or option acts.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>

#include "ui/tform1.h"
#include "ui_tform1.h"

namespace v7400 {

namespace {

std::string Latin1Text(const QString& text) { return text.toLatin1().toStdString(); }

// What the rules field takes: more is refused whole rather than cut, so no rule is ever applied
// with its end missing.
constexpr int kRulesTextLimit = 65536;
constexpr int kRulesLimit = 1000;

// Why the rules text is refused before any rule is read, or empty.
std::string RulesTextProblem(const QString& text, int rules) {
  if (text.size() > kRulesTextLimit) {
    return "Answer faults: " + std::to_string(text.size()) + " characters, more than the " +
           std::to_string(kRulesTextLimit) + " the field takes; the rules acting stay as they were";
  }
  if (rules > kRulesLimit) {
    return "Answer faults: " + std::to_string(rules) + " rules, more than the " +
           std::to_string(kRulesLimit) + " a run takes; the rules acting stay as they were";
  }
  return {};
}

}  // namespace

void TForm1::SetUpFaultControls() {
  const FaultOptions* options = ports_.options != nullptr ? &ports_.options->faults : nullptr;
  if (ScenarioPhases* phases = session_.Phases()) {
    phases->SetChangeHandler([this](const std::string&) { ShowFaultStatus(); });
  }
  const bool page = options != nullptr && options->debug_page;
  QWidget* tab = ui_->tsht_debug;
  ui_->pc_InputCommand->setTabVisible(ui_->pc_InputCommand->indexOf(tab), page);
  // Five captions do not fit the panel whole: each gives up its end rather than the last its all.
  if (page) ui_->pc_InputCommand->tabBar()->setElideMode(Qt::ElideRight);

  auto* label = new QLabel(QStringLiteral("Answer faults (rules, separated by blanks):"), tab);
  label->setGeometry(12, 128, 300, 18);
  auto* rules = new QLineEdit(tab);
  rules->setObjectName(QStringLiteral("edtFaultRules"));
  rules->setGeometry(12, 148, 300, 22);
  // Long enough that a paste over the limit arrives whole, to be refused on Apply.
  rules->setMaxLength(kRulesTextLimit * 16);
  rules->setPlaceholderText(QStringLiteral("nack:every=5  drop:p=0.1  delay=2500:line=07"));
  if (options != nullptr) {
    QStringList texts;
    for (const FaultRule& rule : options->rules) texts << QString::fromLatin1(ToString(rule));
    rules->setText(texts.join(u' '));
  }
  auto* apply = new QPushButton(QStringLiteral("Apply"), tab);
  apply->setObjectName(QStringLiteral("btnApplyFaults"));
  apply->setGeometry(318, 147, 70, 24);
  auto* seconds = new QSpinBox(tab);
  seconds->setObjectName(QStringLiteral("speOutageSeconds"));
  seconds->setRange(1, static_cast<int>(kMaxOutageSeconds));
  seconds->setValue(30);
  seconds->setSuffix(QStringLiteral(" s"));
  seconds->setGeometry(12, 180, 90, 24);
  auto* outage = new QPushButton(QStringLiteral("Outage"), tab);
  outage->setObjectName(QStringLiteral("btnOutage"));
  outage->setGeometry(108, 179, 90, 26);
  connect(rules, &QLineEdit::returnPressed, this, &TForm1::btnApplyFaultsClick);
  connect(apply, &QPushButton::clicked, this, &TForm1::btnApplyFaultsClick);
  connect(outage, &QPushButton::clicked, this, &TForm1::btnOutageClick);

  fault_status_ = new ElidedLabel(ui_->StatusBar1);
  fault_status_->setObjectName(QStringLiteral("FaultStatus"));
  fault_status_->setVisible(false);
  // Only the room the other panels leave: the note is the one that gives way.
  fault_status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  ui_->StatusBar1->addPermanentWidget(fault_status_, 1);
  // Only a run that can have faults pays for the note after each handler.
  shows_fault_status_ =
      page || (options != nullptr && (options->Any() || !options->expectations.empty())) ||
      (ports_.options != nullptr && ports_.options->control);
  for (QCheckBox* box : {ui_->cbxSimulateReceivingCrcError, ui_->cbxSimulateSendingCrcError,
                         ui_->cbxSimulateSendingSequenceError}) {
    connect(box, &QCheckBox::toggled, this, [this] {
      if (shows_fault_status_) ShowFaultStatus();
    });
  }
  if (shows_fault_status_) ShowFaultStatus();
}

void TForm1::btnApplyFaultsClick() {
  const QString text = findChild<QLineEdit*>(QStringLiteral("edtFaultRules"))->text();
  const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
  if (const std::string problem = RulesTextProblem(text, static_cast<int>(parts.size()));
      !problem.empty()) {
    ports_.prompts.ShowError(problem);
    return;
  }
  std::vector<FaultRule> rules;
  for (const QString& part : parts) {
    std::string error;
    const std::string rule_text = Latin1Text(part);
    auto rule = ParseFaultRule(rule_text, error);
    if (rule) error = FormatProblem(*rule, state_.Format);
    if (!error.empty()) {
      ports_.prompts.ShowError("Answer fault '" + rule_text + "': " + error);
      return;
    }
    rules.push_back(*rule);
  }
  session_.Faults().SetRules(std::move(rules), session_.Faults().Seed());
  ShowFaultStatus();
}

void TForm1::btnOutageClick() {
  session_.Faults().StartOutageNow(findChild<QSpinBox*>(QStringLiteral("speOutageSeconds"))->value());
  ShowFaultStatus();
  // The note goes when the outage ends, even with no frame coming to refresh it.
  QTimer::singleShot(static_cast<int>(session_.Faults().Outages().back().DurationMs()) + 1, this,
                     [this] { ShowFaultStatus(); });
}

void TForm1::ControlChanged() {
  ShowFaultStatus();
  if (const auto outage = session_.Faults().RunningOutage()) {
    QTimer::singleShot(static_cast<int>(outage->ms_left) + 1, this, [this] { ShowFaultStatus(); });
  }
}

std::string TForm1::PhaseText() {
  return session_.Phases() != nullptr ? session_.Phases()->StatusText() : std::string();
}

void TForm1::ShowExpectationsNote(const std::string& note) {
  expectations_note_ = note;
  ShowFaultStatus();
}

void TForm1::ShowFaultStatus() {
  if (fault_status_ == nullptr) return;
  const DebugOptions& options = state_.Debug;
  const std::optional<AnswerFaults::OutageLeft> outage = session_.Faults().RunningOutage();
  // Whole seconds left, rounded up: "1 s left" until it is over.
  const std::uint32_t seconds_left = outage ? (outage->ms_left + 999) / 1000 : 0;
  const auto key = std::tuple{session_.Faults().RulesVersion(),
                              seconds_left,
                              options.SimulateReceivingCrcError,
                              options.SimulateSendingCrcError,
                              options.SimulateSendingSequenceError,
                              PhaseText() +
                                  "\n" + expectations_note_};
  // Made after every handler: only what changed costs more than this comparison.
  if (key == fault_status_key_) return;
  fault_status_key_ = key;
  QStringList parts;
  if (outage) parts << QStringLiteral("outage: no answers, %1 s left").arg(seconds_left);
  for (const FaultRule& rule : session_.Faults().Rules()) parts << QString::fromLatin1(ToString(rule));
  const DebugOptions& debug = state_.Debug;
  if (debug.SimulateReceivingCrcError) parts << QStringLiteral("receiving CRC error");
  if (debug.SimulateSendingCrcError) parts << QStringLiteral("sending CRC error");
  if (debug.SimulateSendingSequenceError) parts << QStringLiteral("sending sequence error");
  // The phase under way first, then what acts, then how the receiver fares.
  QStringList notes;
  if (session_.Phases()) notes << QString::fromLatin1(PhaseText());
  if (!parts.isEmpty()) notes << QStringLiteral("Faults acting: ") + parts.join(u", ");
  if (!expectations_note_.empty()) notes << QString::fromLatin1(expectations_note_);
  fault_status_->SetNote(notes.join(QStringLiteral("; ")));
}

}  // namespace v7400
