// The main window as the display sink's view: the lists, the auto scroll and the status panels
// catch up with the stores on a refresh, never once per entry.
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <utility>

#include "ui/display_list_model.h"
#include "ui/tform1.h"
#include "ui_tform1.h"

namespace v7400 {

namespace {

// Shown after the connection text while the serial device is away.
constexpr char kSerialLostSuffix[] = "   (port lost, waiting for the device)";

}  // namespace

DisplayListModel& TForm1::Model(DisplayList list) const {
  return *models_[static_cast<std::size_t>(list)];
}

UniformListView* TForm1::ListView(DisplayList list) const {
  return list == DisplayList::kDecimal ? ui_->lbxDecimal : ui_->lbxHex;
}

void TForm1::SetUpDisplayRefresh() {
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  connect(refresh_timer_, &QTimer::timeout, this, &TForm1::RefreshNextStep);
}

void TForm1::ScheduleRefresh() {
  if (next_refresh_step_ != 0) changed_during_refresh_ = true;
  if (const auto delay = refresh_pacer_.Changed(ports_.clock.TickMs())) {
    refresh_timer_->start(static_cast<int>(*delay));
  }
}

void TForm1::RefreshDisplays() {
  refresh_timer_->stop();
  refresh_spent_us_ = 0;
  for (int step = 0; step < kRefreshSteps; ++step) RunRefreshStep(step);
  next_refresh_step_ = 0;
  changed_during_refresh_ = false;
  refresh_pacer_.Refreshed(ports_.clock.TickMs());
}

void TForm1::RefreshNextStep() {
  if (next_refresh_step_ == 0) refresh_spent_us_ = 0;
  RunRefreshStep(next_refresh_step_++);
  if (next_refresh_step_ < kRefreshSteps) {
    refresh_timer_->start(kRefreshStepGapMs);
    return;
  }
  next_refresh_step_ = 0;
  refresh_pacer_.Refreshed(ports_.clock.TickMs());
  if (std::exchange(changed_during_refresh_, false)) ScheduleRefresh();
}

void TForm1::RunRefreshStep(int step) {
  QElapsedTimer cost;
  cost.start();
  if (step < 2) {
    const auto list = step == 0 ? DisplayList::kDecimal : DisplayList::kHex;
    Model(list).Sync();
    if (std::exchange(scroll_pending_[static_cast<std::size_t>(list)], false)) SelectLastNow(list);
  } else {
    RefreshStatusPanels();
  }
  AddRefreshCost(cost);
  paint_follows_refresh_ = true;
}

void TForm1::RefreshStatusPanels() {
  for (std::size_t panel = 0; panel < pending_status_.size(); ++panel) {
    if (!pending_status_[panel]) continue;
    QLabel* label = status_panels_[panel];
    const QString text = QString::fromLatin1(*pending_status_[panel]);
    pending_status_[panel].reset();
    if (text == label->text()) continue;
    label->setText(text);
    // Measuring a text costs more than the rest of a refresh; a count only needs it when it
    // gains a digit.
    const bool fixed = label->minimumWidth() == label->maximumWidth();
    if (!fixed || text.size() <= measured_status_length_[panel]) continue;
    measured_status_length_[panel] = text.size();
    const int needed = label->minimumSizeHint().width();
    if (needed > label->width()) label->setFixedWidth(needed);
  }
}

void TForm1::AddRefreshCost(const QElapsedTimer& cost) {
  refresh_spent_us_ += static_cast<std::uint32_t>(cost.nsecsElapsed() / 1000);
  refresh_pacer_.Spent(refresh_spent_us_);
}

bool TForm1::event(QEvent* event) {
  if (event->type() != QEvent::UpdateRequest || !paint_follows_refresh_) {
    return QMainWindow::event(event);
  }
  QElapsedTimer cost;
  cost.start();
  const bool handled = QMainWindow::event(event);
  AddRefreshCost(cost);
  paint_follows_refresh_ = false;
  return handled;
}

void TForm1::BeginAppend(DisplayList) {}
void TForm1::EndAppend(DisplayList list) {
  Model(list).NoteAppended();
  ScheduleRefresh();
}
void TForm1::BeginRemoveFirst(DisplayList) {}
void TForm1::EndRemoveFirst(DisplayList list) {
  Model(list).NoteDroppedFirst();
  ScheduleRefresh();
}
// Clearing is the user's own act: the list empties at once.
void TForm1::BeginClear(DisplayList list) {
  Model(list).Sync();
  Model(list).BeginClear();
}
void TForm1::EndClear(DisplayList list) { Model(list).EndClear(); }

bool TForm1::AutoScroll() const { return ui_->cbxAutoScroll->isChecked(); }

void TForm1::SelectLast(DisplayList list) {
  scroll_pending_[static_cast<std::size_t>(list)] = true;
  ScheduleRefresh();
}

void TForm1::SelectLastNow(DisplayList list) {
  const int rows = Model(list).rowCount();
  if (rows == 0) return;
  const QModelIndex last = Model(list).index(rows - 1);
  ListView(list)->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
  ListView(list)->scrollTo(last);
}

void TForm1::ShowStatus(int panel, const std::string& text) {
  if (panel < 0 || panel > 2) return;
  std::string shown = text;
  if (panel == 2) {
    connection_text_ = text;
    if (serial_lost_) shown += kSerialLostSuffix;
    // First, so that a narrow window still shows it.
    if (!format_hint_.empty()) shown = format_hint_ + "   " + shown;
  }
  pending_status_[static_cast<std::size_t>(panel)] = std::move(shown);
  ScheduleRefresh();
}

QString TForm1::StatusText(int panel) {
  RefreshDisplays();
  return status_panels_[static_cast<std::size_t>(panel)]->text();
}

void TForm1::SerialLinkChanged(bool up, const std::string& why) {
  Guard("ApdComPort1", [&] {
    if (!up) {
      // A frame cut by the loss cannot be completed by what the device sends once it is back.
      state_.FrameBuffer.clear();
      state_.DecimalText.clear();
      state_.HexText.clear();
      ports_.error_log.AppException("ApdComPort1", "Serial port lost: " + why);
    }
    serial_lost_ = !up;
    ShowStatus(2, connection_text_.empty() ? StatusText(2).toStdString() : connection_text_);
  });
}

// The window names its own controls only: "looks like SIA; the format is 4100 (the Format
// buttons)".
void TForm1::ShowFormatHint(const std::string& hint) {
  const std::size_t option = hint.find(" (--format ");
  format_hint_ = option == std::string::npos ? hint : hint.substr(0, option) + " (the Format buttons)";
  ShowStatus(2, connection_text_.empty() ? StatusText(2).toStdString() : connection_text_);
}

void TForm1::SetLogChecked(bool checked) {
  const QSignalBlocker block(ui_->cbxSaveLogToFile);
  ui_->cbxSaveLogToFile->setChecked(checked);
}

void TForm1::SetEmptyLogEnabled(bool enabled) { ui_->btnEmptyLogFile->setEnabled(enabled); }

}  // namespace v7400
