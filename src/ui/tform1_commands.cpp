// The input-command panel: command selection, sending options, the line grid and the
// statistics and detailed-log pages.
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>

#include "ui/tform1.h"
#include "ui_tform1.h"

namespace v7400 {

namespace {

constexpr int kGridColumns = 8;
constexpr int kGridRows = 4;

constexpr char kRecyclingMessage[] =
    "Recylcing sending input commands will be started automatically when [NLF] is received. "
    "After being started, you may stop the recycling sending input commands by click \"Stop "
    "Recycling Sending\" in the tab \"Sending option\". ";

// Paints every grid cell through the window's dg_linestatusDrawCell.
class LineGridDelegate : public QStyledItemDelegate {
 public:
  LineGridDelegate(const TForm1& form, QObject* parent)
      : QStyledItemDelegate(parent), form_(form) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    form_.dg_linestatusDrawCell(*painter, option.rect, index.column(), index.row());
    if (option.state & QStyle::State_Selected) {
      painter->save();
      painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
      painter->restore();
    }
  }

 private:
  const TForm1& form_;
};

// Keys typed into a field: backspace always passes, other characters only when they match.
class KeyFilter : public QObject {
 public:
  KeyFilter(QString accepted, QObject* parent) : QObject(parent), accepted_(std::move(accepted)) {}
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.isEmpty() || text == QStringLiteral("\b") || !text.at(0).isPrint()) return false;
    return !accepted_.contains(text.at(0));
  }

 private:
  QString accepted_;
};

int NumberOr(const QString& text, int fallback) {
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? value : fallback;
}

}  // namespace

void TForm1::SetUpCommandPanel() {
  ui_->pnl_inputcommand->hide();
  ui_->pc_InputCommand->setTabVisible(ui_->pc_InputCommand->indexOf(ui_->tsht_debug), false);
  QTableWidget* grid = ui_->dg_linestatus;
  grid->setItemDelegate(new LineGridDelegate(*this, grid));
  grid->setShowGrid(true);
  grid->setFocusPolicy(Qt::StrongFocus);
  grid->setCurrentCell(0, 0);
  ui_->cbx_highlevelcommands->setCurrentIndex(-1);
  ui_->cbx_remoteprogram->setCurrentIndex(0);
  ui_->edt_dtmfsequence->installEventFilter(
      new KeyFilter(QStringLiteral("0123456789ABCDW*#!,"), this));
  ui_->edt_programmingstr->installEventFilter(
      new KeyFilter(QStringLiteral("0123456789ABCDEF"), this));
  for (QLineEdit* field : {ui_->edtTotalAmount, ui_->edtPerSecond}) {
    field->installEventFilter(new KeyFilter(QStringLiteral("0123456789"), this));
    field->installEventFilter(this);
  }
  ui_->edtSendingInterval->installEventFilter(this);
}

void TForm1::ConnectCommandPanel() {
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TForm1::btnCancelClick);
  for (QRadioButton* radio :
       {ui_->rbSetDate, ui_->rbSetTime, ui_->rbStopTwoWayAudio, ui_->rbDTMFSequenceCommand,
        ui_->rbHighLevelCommands, ui_->rb_Remoteprograme, ui_->rb_recyclingsend}) {
    connect(radio, &QRadioButton::clicked, this, &TForm1::rb_recyclingsendClick);
  }
  connect(ui_->rbSendOne, &QRadioButton::clicked, this, &TForm1::rbBatchSendingClick);
  connect(ui_->rbBatchSending, &QRadioButton::clicked, this, &TForm1::rbBatchSendingClick);
  connect(ui_->rb_howmanyseconds, &QRadioButton::clicked, this, &TForm1::rb_howmanysecondsClick);
  connect(ui_->rb_persecond, &QRadioButton::clicked, this, &TForm1::rb_howmanysecondsClick);
  connect(ui_->btnStartSend, &QPushButton::clicked, this, &TForm1::btnStartSendClick);
  connect(ui_->btnStopBatch, &QPushButton::clicked, this, &TForm1::btnStopBatchClick);
  connect(ui_->dg_linestatus, &QTableWidget::cellClicked, this, &TForm1::dg_linestatusClick);
  connect(ui_->btnClearLog, &QPushButton::clicked, this, &TForm1::btnClearLogClick);
  connect(ui_->cbx_EnableDetailedLog, &QCheckBox::clicked, this,
          &TForm1::cbx_EnableDetailedLogClick);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
}

void TForm1::btn_inputcommandClick() {
  Guard("btn_inputcommand", [this] {
    ui_->pnl_inputcommand->show();
    ui_->btn_inputcommand->setEnabled(false);
  });
}

void TForm1::btnCancelClick() {
  Guard("btnCancel", [this] {
    ui_->pnl_inputcommand->hide();
    ui_->btn_inputcommand->setEnabled(true);
  });
}

void TForm1::rb_recyclingsendClick() {
  Guard("rb_recyclingsend", [this] {
    for (QWidget* control : {static_cast<QWidget*>(ui_->lbl_recycling),
                             static_cast<QWidget*>(ui_->cbx_highlevelcommands),
                             static_cast<QWidget*>(ui_->edt_dtmfsequence),
                             static_cast<QWidget*>(ui_->lbl_programmingstr),
                             static_cast<QWidget*>(ui_->edt_programmingstr)}) {
      control->setEnabled(false);
    }
    ui_->btnStopBatch->setText(QStringLiteral("Stop Batch Sending"));
    ui_->btnStartSend->setEnabled(true);
    recycling_armed_ = false;
    const QObject* cause = sender();
    if (cause == ui_->rb_recyclingsend) {
      ports_.prompts.ShowMessage(kRecyclingMessage);
      ui_->btnStopBatch->setText(QStringLiteral("Stop Recycling Sending"));
      ui_->lbl_recycling->setEnabled(true);
      recycling_armed_ = true;
      ui_->btnStartSend->setEnabled(false);
    } else if (cause == ui_->rbHighLevelCommands) {
      ui_->cbx_highlevelcommands->setEnabled(true);
    } else if (cause == ui_->rbDTMFSequenceCommand) {
      ui_->edt_dtmfsequence->setEnabled(true);
    } else if (cause == ui_->rb_Remoteprograme) {
      ui_->lbl_programmingstr->setEnabled(true);
      ui_->edt_programmingstr->setEnabled(true);
    }
  });
}

void TForm1::SetBatchOptionsEnabled(bool enabled) {
  for (QWidget* control :
       {static_cast<QWidget*>(ui_->lblTotalAmount), static_cast<QWidget*>(ui_->edtTotalAmount),
        static_cast<QWidget*>(ui_->rb_howmanyseconds), static_cast<QWidget*>(ui_->rb_persecond),
        static_cast<QWidget*>(ui_->edtSendingInterval), static_cast<QWidget*>(ui_->edtPerSecond),
        static_cast<QWidget*>(ui_->lblPerSecond), static_cast<QWidget*>(ui_->cbx_randomline),
        static_cast<QWidget*>(ui_->cbx_randomcommand), static_cast<QWidget*>(ui_->lbl_totalsent)}) {
    control->setEnabled(enabled);
  }
  ui_->lblSeconds->setEnabled(enabled && ui_->rb_howmanyseconds->isChecked());
}

void TForm1::rbBatchSendingClick() {
  Guard("rbBatchSending", [this] { SetBatchOptionsEnabled(ui_->rbBatchSending->isChecked()); });
}

void TForm1::rb_howmanysecondsClick() {
  Guard("rb_howmanyseconds", [this] {
    const bool interval = ui_->rb_howmanyseconds->isChecked();
    ui_->edtSendingInterval->setEnabled(interval);
    ui_->lblSeconds->setEnabled(interval);
    ui_->edtPerSecond->setEnabled(!interval);
    ui_->lblPerSecond->setEnabled(!interval);
  });
}

int TForm1::SelectedGridLine() const {
  const QTableWidget* grid = ui_->dg_linestatus;
  return std::max(grid->currentRow(), 0) * kGridColumns + std::max(grid->currentColumn(), 0) + 1;
}

void TForm1::btnStartSendClick() {
  Guard("btnStartSend", [this] {
    if (ui_->rb_recyclingsend->isChecked()) return;
    char line[12];
    std::snprintf(line, sizeof line, "%02d", NumberOr(ui_->edtLine->text(), 1) % 100);
    TCommand command;
    command.Line = line;
    if (ui_->rbSetTime->isChecked()) command.Kind = CommandKind::SetTime;
    if (ui_->rbStopTwoWayAudio->isChecked()) command.Kind = CommandKind::StopTwoWayAudio;
    if (ui_->rbDTMFSequenceCommand->isChecked()) {
      command.Kind = CommandKind::DtmfSequence;
      command.Text = ui_->edt_dtmfsequence->text().toUpper().toLatin1().toStdString();
    }
    if (ui_->rbHighLevelCommands->isChecked()) {
      command.Kind = CommandKind::HighLevel;
      command.Text = ui_->cbx_highlevelcommands->currentText().section(QLatin1Char(' '), 0, 0)
                         .toLatin1()
                         .toStdString();
    }
    if (ui_->rb_Remoteprograme->isChecked()) {
      command.Kind = CommandKind::RemoteProgram;
      command.Text = "CMD08";
    }
    lines_.SendCommand(command);
  });
}

void TForm1::btnStopBatchClick() {
  Guard("btnStopBatch", [this] {
    if (recycling_armed_) {
      recycling_armed_ = false;
      ui_->rbSetDate->setChecked(true);
      rb_recyclingsendClick();
    } else {
      tmrBatch_->stop();
    }
    SetBatchOptionsEnabled(true);
    ui_->btnStopBatch->setEnabled(false);
    ui_->btnStartSend->setEnabled(true);
  });
}

void TForm1::dg_linestatusClick() {
  Guard("dg_linestatus", [this] {
    const int n = SelectedGridLine();
    const TLine* line = FindLine(state_, n);
    if (line == nullptr) return;
    ui_->edtLine->setText(QString::number(n));
    ui_->pc_InputCommand->setTabText(ui_->pc_InputCommand->indexOf(ui_->tsht_linelog),
                                     QStringLiteral("Statistics of Line%1").arg(n));
    ui_->lbl_totalevents->setText(
        QStringLiteral("Total Received Events: %1").arg(line->EventsReceived));
    ui_->lbl_totalcommands->setText(
        QStringLiteral("Total Sent Commands: %1").arg(line->CommandsSent));
    ui_->lbl_totalfeedbacks->setText(
        QStringLiteral("Total Received Feedbacks of Commands: %1").arg(line->FeedbacksReceived));
  });
}

void TForm1::dg_linestatusDrawCell(QPainter& painter, const QRect& rect, int column,
                                   int row) const {
  const int n = row * kGridColumns + column + 1;
  const TLine* line = FindLine(const_cast<SimulatorState&>(state_), n);
  const int program_state = line != nullptr ? line->ProgramState : 0;
  QColor fill(128, 128, 128);
  if (program_state >= 1 && program_state <= 3) fill = QColor(0, 255, 0);
  if (program_state >= 4 && program_state <= 6) fill = QColor(255, 255, 0);
  painter.fillRect(rect, fill);
  painter.save();
  QFont font = painter.font();
  font.setPixelSize(10);
  painter.setFont(font);
  painter.setPen(QColor(0, 0, 255));
  painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(n));
  painter.restore();
}

void TForm1::tmr_drawgridTimer() {
  Guard("tmr_drawgrid", [this] { ui_->dg_linestatus->viewport()->update(); });
}

void TForm1::btnClearLogClick() {
  Guard("btnClearLog", [this] {
    for (TLine& line : state_.LineTable) {
      line.CommandsSent = 0;
      line.EventsReceived = 0;
      line.FeedbacksReceived = 0;
    }
    ui_->lbl_totalevents->setText(QStringLiteral("Total Received Events: 0"));
    ui_->lbl_totalcommands->setText(QStringLiteral("Total Sent Commands: 0"));
    ui_->lbl_totalfeedbacks->setText(QStringLiteral("Total Received Feedbacks of Commands: 0"));
  });
}

void TForm1::cbx_EnableDetailedLogClick() {
  Guard("cbx_EnableDetailedLog", [this] {
    const bool on = ui_->cbx_EnableDetailedLog->isChecked();
    ui_->edt_detailedlog->setEnabled(on);
    ui_->memLog->setEnabled(on);
  });
}

void TForm1::Button2Click() {
  Guard("Button2", [this] { ui_->memLog->clear(); });
}

void TForm1::CheckNumberField(QLineEdit* field, int low, int high, int not_a_number,
                              const char* message) {
  const int value = NumberOr(field->text(), not_a_number);
  if (value >= low && value <= high) return;
  if (message == nullptr) {
    field->setText(QStringLiteral("1"));
    return;
  }
  ports_.prompts.ShowError(message);
  field->setFocus();
  field->selectAll();
}

void TForm1::edtSendingIntervalExit() {
  Guard("edtSendingInterval", [this] {
    if (ui_->edtSendingInterval->value() != 0) return;
    ports_.prompts.ShowError("Expecting value from 0 to 300");
    ui_->edtSendingInterval->setFocus();
    ui_->edtSendingInterval->selectAll();
  });
}

void TForm1::edtTotalAmountExit() {
  Guard("edtTotalAmount", [this] {
    CheckNumberField(ui_->edtTotalAmount, 0, 99999, -1, "Expecting value from 0 to 99999");
  });
}

void TForm1::edtPerSecondExit() {
  Guard("edtPerSecond", [this] { CheckNumberField(ui_->edtPerSecond, 1, 50, 1, nullptr); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == ui_->edtTotalAmount) edtTotalAmountExit();
    if (watched == ui_->edtPerSecond) edtPerSecondExit();
    if (watched == ui_->edtSendingInterval) edtSendingIntervalExit();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace v7400
