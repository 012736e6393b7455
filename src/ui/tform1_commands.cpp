// The input-command panel: the window forwards each event to the command logic and shows what
// it is told through CommandPanelView and StatisticsView.
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QValidator>
#include <functional>

#include "commands/input_commands.h"
#include "ui/tform1.h"
#include "ui/up_down.h"
#include "ui_tform1.h"

namespace v7400 {

namespace {

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

// Typed characters reach the field only when `accepted` says so; editing keys always pass.
class KeyFilter : public QObject {
 public:
  KeyFilter(std::function<bool(char)> accepted, QObject* parent)
      : QObject(parent), accepted_(std::move(accepted)) {}
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.size() != 1 || !text.at(0).isPrint()) return false;
    return !accepted_(text.at(0).toLatin1());
  }

 private:
  std::function<bool(char)> accepted_;
};

// Shows the field in upper case whatever reaches it, pasted text included.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    input = input.toUpper();
    return Acceptable;
  }
};

std::string Latin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace

void TForm1::SetUpCommandPanel() {
  ui_->pnl_inputcommand->hide();
  // Compact tabs so all four captions, "Statistics of Line32" included, fit the panel.
  ui_->pc_InputCommand->tabBar()->setStyleSheet(
      QStringLiteral("QTabBar::tab { padding: 4px 7px; }"));
  ui_->pc_InputCommand->setUsesScrollButtons(false);
  QTableWidget* grid = ui_->dg_linestatus;
  grid->setItemDelegate(new LineGridDelegate(*this, grid));
  grid->setCurrentCell(0, 0);
  ui_->cbx_highlevelcommands->clear();
  for (const char* item : kHighLevelCommandItems) {
    ui_->cbx_highlevelcommands->addItem(QString::fromLatin1(item));
  }
  ui_->cbx_highlevelcommands->setCurrentIndex(-1);
  ui_->edt_programmingstr->clear();
  for (const char* item : kExampleProgrammingStrings) {
    ui_->edt_programmingstr->addItem(QString::fromLatin1(item));
  }
  ui_->edt_programmingstr->setCurrentIndex(0);
  ui_->ud_sendinginterval->Associate(ui_->edtSendingInterval, 0, 300);
  ui_->ud_detailedlog->Associate(ui_->edt_detailedlog, 1, 32);
  InstallKeyFilters();
  for (QWidget* field :
       {static_cast<QWidget*>(ui_->edtTotalAmount), static_cast<QWidget*>(ui_->edtSendingInterval),
        static_cast<QWidget*>(ui_->edtPerSecond), static_cast<QWidget*>(ui_->edt_detailedlog)}) {
    field->installEventFilter(this);
  }
}

void TForm1::InstallKeyFilters() {
  ui_->edt_dtmfsequence->setValidator(new UpperCaseValidator(ui_->edt_dtmfsequence));
  ui_->edt_dtmfsequence->installEventFilter(
      new KeyFilter([this](char key) { return commands_.edt_dtmfsequenceKeyPress(key); }, this));
  ui_->edt_programmingstr->installEventFilter(
      new KeyFilter([this](char key) { return commands_.edt_programmingstrKeyPress(key); }, this));
  for (QLineEdit* field :
       {ui_->edtTotalAmount, ui_->edtSendingInterval, ui_->edtPerSecond, ui_->edt_detailedlog}) {
    field->installEventFilter(
        new KeyFilter([this](char key) { return commands_.NumberFieldKeyPress(key); }, this));
  }
}

// The command logic reads these models when it runs; the fields write into them as they change.
void TForm1::KeepModelsInStep() {
  CommandPage& page = commands_.Page();
  connect(ui_->edt_dtmfsequence, &QLineEdit::textChanged, this,
          [&page](const QString& text) { page.edt_dtmfsequence = Latin1(text.toUpper()); });
  connect(ui_->cbx_highlevelcommands, &QComboBox::currentIndexChanged, this,
          [&page](int index) { page.cbx_highlevelcommands = index; });
  connect(ui_->cbx_remoteprogram, &QComboBox::currentIndexChanged, this, [&page](int index) {
    page.cbx_remoteprogram = index == 1 ? ProgramProfile::QRV_ZT : ProgramProfile::TK1400;
  });
  connect(ui_->edt_programmingstr, &QComboBox::currentTextChanged, this,
          [&page](const QString& text) { page.edt_programmingstr = Latin1(text); });
  connect(ui_->edtCustomizedCommand, &QLineEdit::textChanged, this,
          [&page](const QString& text) { page.edtCustomizedCommand = Latin1(text); });
  SendingOptions& options = commands_.Batch().options;
  connect(ui_->edtTotalAmount, &QLineEdit::textChanged, this,
          [&options](const QString& text) { options.edtTotalAmount = Latin1(text); });
  connect(ui_->edtSendingInterval, &QLineEdit::textChanged, this,
          [&options](const QString& text) { options.edtSendingInterval = Latin1(text); });
  connect(ui_->edtPerSecond, &QLineEdit::textChanged, this,
          [&options](const QString& text) { options.edtPerSecond = Latin1(text); });
  connect(ui_->edt_detailedlog, &QLineEdit::textChanged, this,
          [this](const QString& text) { commands_.Log().edt_detailedlog = Latin1(text); });
}

void TForm1::ConnectCommandPanel() {
  KeepModelsInStep();
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
  connect(ui_->cbx_randomline, &QCheckBox::clicked, this, &TForm1::cbx_randomlineClick);
  connect(ui_->cbx_randomcommand, &QCheckBox::clicked, this, &TForm1::cbx_randomcommandClick);
  connect(ui_->btnStartSend, &QPushButton::clicked, this, &TForm1::btnStartSendClick);
  connect(ui_->btnStopBatch, &QPushButton::clicked, this, &TForm1::btnStopBatchClick);
  connect(ui_->dg_linestatus, &QTableWidget::cellClicked, this, &TForm1::dg_linestatusClick);
  // The arrow keys move the selected cell too; commands go to the line shown as selected.
  connect(ui_->dg_linestatus, &QTableWidget::currentCellChanged, this, &TForm1::dg_linestatusClick);
  connect(ui_->btn_Save, &QPushButton::clicked, this, &TForm1::btn_SaveClick);
  connect(ui_->btnClearLog, &QPushButton::clicked, this, &TForm1::btnClearLogClick);
  connect(ui_->cbx_EnableDetailedLog, &QCheckBox::clicked, this,
          &TForm1::cbx_EnableDetailedLogClick);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  // The debug page's tab shows only with --debug-page; its options always feed the shared state.
  DebugOptions& debug = state_.Debug;
  connect(ui_->cbxSimulateReceivingCrcError, &QCheckBox::toggled, this,
          [&debug](bool on) { debug.SimulateReceivingCrcError = on; });
  connect(ui_->cbxSimulateSendingCrcError, &QCheckBox::toggled, this,
          [&debug](bool on) { debug.SimulateSendingCrcError = on; });
  connect(ui_->cbxSimulateSendingSequenceError, &QCheckBox::toggled, this,
          [&debug](bool on) { debug.SimulateSendingSequenceError = on; });
  connect(ui_->rbOnlyOneTime, &QRadioButton::toggled, this,
          [&debug](bool on) { debug.OnlyOneTime = on; });
}

void TForm1::MirrorDebugOptions() {
  const DebugOptions& debug = state_.Debug;
  ui_->cbxSimulateReceivingCrcError->setChecked(debug.SimulateReceivingCrcError);
  ui_->cbxSimulateSendingCrcError->setChecked(debug.SimulateSendingCrcError);
  ui_->cbxSimulateSendingSequenceError->setChecked(debug.SimulateSendingSequenceError);
  if (shows_fault_status_) ShowFaultStatus();
}

// --- CommandPanelView and StatisticsView ---------------------------------------------------

QWidget* TForm1::ControlWidget(PanelControl control) const {
  // Looked up by name once: a search of the whole window per call cost more than a frame.
  QPointer<QWidget>& widget = control_widgets_.at(static_cast<std::size_t>(control));
  if (!widget) widget = findChild<QWidget*>(QString::fromLatin1(ControlName(control)));
  return widget;
}

void TForm1::SetEnabled(PanelControl control, bool enabled) {
  if (QWidget* widget = ControlWidget(control)) widget->setEnabled(enabled);
}

void TForm1::SetVisible(PanelControl control, bool visible) {
  if (QWidget* widget = ControlWidget(control)) widget->setVisible(visible);
}

namespace {

// Statistics are shown again for every frame received, mostly unchanged; setting a widget's text
// relays out and repaints it even when the text stays the same.
template <typename Widget, typename Getter, typename Setter>
void SetIfChanged(Widget* widget, const QString& text, Getter get, Setter set) {
  if ((widget->*get)() != text) (widget->*set)(text);
}

}  // namespace

void TForm1::SetCaption(PanelControl control, const std::string& caption) {
  const QString text = QString::fromLatin1(caption);
  QWidget* widget = ControlWidget(control);
  QTabWidget* tabs = ui_->pc_InputCommand;
  if (const int tab = tabs->indexOf(widget); tab >= 0) {
    if (tabs->tabText(tab) != text) tabs->setTabText(tab, text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    SetIfChanged(button, text, &QAbstractButton::text, &QAbstractButton::setText);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    SetIfChanged(label, text, &QLabel::text, &QLabel::setText);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    SetIfChanged(group, text, &QGroupBox::title, &QGroupBox::setTitle);
  }
}

void TForm1::SetText(PanelControl control, const std::string& text) {
  QWidget* widget = ControlWidget(control);
  const QString shown = QString::fromLatin1(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    SetIfChanged(edit, shown, &QLineEdit::text, &QLineEdit::setText);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    SetIfChanged(combo, shown, &QComboBox::currentText, &QComboBox::setCurrentText);
  }
}

void TForm1::SetChecked(PanelControl control, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(ControlWidget(control))) {
    button->setChecked(checked);
  }
}

void TForm1::FocusAndSelectAll(PanelControl control) {
  QWidget* widget = ControlWidget(control);
  if (widget == nullptr) return;
  widget->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

void TForm1::SetBatchTimer(bool enabled, int interval_ms) {
  tmrBatch_->setInterval(interval_ms);
  if (enabled) {
    tmrBatch_->start();
  } else {
    tmrBatch_->stop();
  }
}

void TForm1::RepaintGrid() { ui_->dg_linestatus->viewport()->update(); }

void TForm1::AppendDetailedLog(const std::string& line) {
  ui_->memLog->appendPlainText(QString::fromLatin1(line));
}

void TForm1::ClearDetailedLog() { ui_->memLog->clear(); }

void TForm1::dg_linestatusDrawCell(QPainter& painter, const QRect& rect, int column,
                                   int row) const {
  const CellPaint cell = commands_.Statistics().dg_linestatusDrawCell(column, row);
  painter.fillRect(rect, QColor(cell.fill.red, cell.fill.green, cell.fill.blue));
  painter.save();
  QFont font = painter.font();
  font.setPixelSize(10);
  painter.setFont(font);
  painter.setPen(QColor(cell.text_colour.red, cell.text_colour.green, cell.text_colour.blue));
  painter.drawText(rect.adjusted(cell.text_x, cell.text_y, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromLatin1(cell.text));
  painter.restore();
}

// --- Handlers --------------------------------------------------------------------------------

void TForm1::btn_inputcommandClick() {
  Guard("btn_inputcommand", [this] { commands_.btn_inputcommandClick(); });
}

void TForm1::btnCancelClick() {
  Guard("btnCancel", [this] { commands_.btnCancelClick(); });
}

void TForm1::rb_recyclingsendClick() {
  const QObject* cause = sender();
  Guard("rb_recyclingsend", [this, cause] {
    const std::pair<QObject*, CommandChoice> choices[] = {
        {ui_->rbSetDate, CommandChoice::rbSetDate},
        {ui_->rbSetTime, CommandChoice::rbSetTime},
        {ui_->rbStopTwoWayAudio, CommandChoice::rbStopTwoWayAudio},
        {ui_->rbDTMFSequenceCommand, CommandChoice::rbDTMFSequenceCommand},
        {ui_->rbHighLevelCommands, CommandChoice::rbHighLevelCommands},
        {ui_->rb_Remoteprograme, CommandChoice::rb_Remoteprograme},
        {ui_->rb_recyclingsend, CommandChoice::rb_recyclingsend}};
    for (const auto& [radio, choice] : choices) {
      if (radio == cause) commands_.rb_recyclingsendClick(choice);
    }
  });
}

void TForm1::rbBatchSendingClick() {
  Guard("rbBatchSending",
        [this] { commands_.Batch().rbBatchSendingClick(ui_->rbBatchSending->isChecked()); });
}

void TForm1::rb_howmanysecondsClick() {
  Guard("rb_howmanyseconds",
        [this] { commands_.Batch().rb_howmanysecondsClick(ui_->rb_howmanyseconds->isChecked()); });
}

void TForm1::cbx_randomlineClick() {
  Guard("cbx_randomline",
        [this] { commands_.Batch().cbx_randomlineClick(ui_->cbx_randomline->isChecked()); });
}

void TForm1::cbx_randomcommandClick() {
  Guard("cbx_randomcommand",
        [this] { commands_.Batch().cbx_randomcommandClick(ui_->cbx_randomcommand->isChecked()); });
}

void TForm1::btnStartSendClick() {
  Guard("btnStartSend", [this] { commands_.btnStartSendClick(); });
}

void TForm1::btnStopBatchClick() {
  Guard("btnStopBatch", [this] { commands_.btnStopBatchClick(); });
}

void TForm1::tmrBatchTimer() {
  Guard("tmrBatch", [this] { commands_.tmrBatchTimer(); });
}

void TForm1::tmr_ProgramAndRequestTimer() {
  Guard("tmr_ProgramAndRequest", [this] { commands_.tmr_ProgramAndRequestTimer(); });
}

void TForm1::dg_linestatusClick() {
  Guard("dg_linestatus", [this] {
    const QTableWidget* grid = ui_->dg_linestatus;
    commands_.Statistics().dg_linestatusClick(std::max(grid->currentColumn(), 0),
                                               std::max(grid->currentRow(), 0));
  });
}

void TForm1::tmr_drawgridTimer() {
  Guard("tmr_drawgrid", [this] { commands_.Statistics().tmr_drawgridTimer(); });
}

void TForm1::btn_SaveClick() {
  Guard("btn_Save", [this] { commands_.Statistics().btn_SaveClick(ports_.exe_dir); });
}

void TForm1::btnClearLogClick() {
  Guard("btnClearLog", [this] { commands_.Statistics().btnClearLogClick(); });
}

void TForm1::cbx_EnableDetailedLogClick() {
  Guard("cbx_EnableDetailedLog", [this] {
    commands_.Log().cbx_EnableDetailedLogClick(ui_->cbx_EnableDetailedLog->isChecked());
  });
}

void TForm1::Button1Click() {
  Guard("Button1", [this] { commands_.Log().Button1Click(ports_.exe_dir); });
}

void TForm1::Button2Click() {
  Guard("Button2", [this] { commands_.Log().Button2Click(); });
}

void TForm1::edtSendingIntervalExit() {
  Guard("edtSendingInterval", [this] { commands_.Batch().edtSendingIntervalExit(); });
}

void TForm1::edtTotalAmountExit() {
  Guard("edtTotalAmount", [this] { commands_.Batch().edtTotalAmountExit(); });
}

void TForm1::edtPerSecondExit() {
  Guard("edtPerSecond", [this] { commands_.Batch().edtPerSecondExit(); });
}

void TForm1::edt_detailedlogExit() {
  Guard("edt_detailedlog", [this] { commands_.Log().edt_detailedlogExit(); });
}

// The checks run when the focus goes to another control of this window; switching to another
// application, a context menu or a box that takes the focus leaves the field unchecked.
bool TForm1::FocusMovesWithinWindow(const QEvent* event) const {
  const auto reason = static_cast<const QFocusEvent*>(event)->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
      reason == Qt::MenuBarFocusReason) {
    return false;
  }
  const QWidget* next = QApplication::focusWidget();
  return next != nullptr && next->window() == window();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && FocusMovesWithinWindow(event)) {
    if (watched == ui_->edtTotalAmount) edtTotalAmountExit();
    if (watched == ui_->edtPerSecond) edtPerSecondExit();
    if (watched == ui_->edtSendingInterval) edtSendingIntervalExit();
    if (watched == ui_->edt_detailedlog) edt_detailedlogExit();
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace v7400
