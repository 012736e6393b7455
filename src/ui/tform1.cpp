#include "ui/tform1.h"

#include <QAction>
#include <QClipboard>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>

#include "app/window_placement.h"
#include "commands/input_commands.h"
#include "ui/display_list_model.h"
#include "ui/screen_areas.h"
#include "ui/receiver_behaviour_window.h"
#include "ui/font_spec_qt.h"
#include "ui_tform1.h"

namespace v7400 {

namespace {

constexpr int kStatusWidths[3] = {100, 90, 410};
constexpr char kStatusStart[3][16] = {"Received: 0", "Sent: 0", "COM settings:"};

const RunOptions& NoOptions() {
  static const RunOptions options;
  return options;
}

}  // namespace

TForm1::TForm1(FormPorts ports, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      ports_(std::move(ports)),
      session_(ports_.options != nullptr ? *ports_.options : NoOptions(), ports_.clock,
               ports_.error_log, SessionViews{*this, ports_.prompts, *this, *this},
               ports_.make_link, ports_.outputs != nullptr ? *ports_.outputs : own_outputs_),
      state_(session_.State()),
      sink_(session_.Sink()),
      link_(session_.Connection()),
      commands_(session_.Commands()),
      ack_control_(state_, *this, link_.Serial(), link_.Network(), sink_, ports_.clock,
                   commands_) {
  ui_->setupUi(this);
  QFont design_font(QStringLiteral("MS Sans Serif"));
  design_font.setStyleHint(QFont::SansSerif);
  design_font.setPixelSize(11);
  setFont(design_font);
  SetUpClientScrolling();
  SetUpStatusBar();
  SetUpTimers();
  SetUpDisplays();
  SetUpDisplayRefresh();
  SetUpCommandPanel();
  ConnectBottomPanel();
  ConnectCommandPanel();
  // After the debug options are connected: its note follows them.
  SetUpFaultControls();
  SetUpReceiverBehaviour();
  link_.SetSerialDataHandler([this](int count) { ApdComPort1TriggerAvail(count); });
  sink_.SetLogFailureHandler([this](const std::string& message) {
    ports_.error_log.AppException("cbxSaveLogToFile", message);
  });
  link_.SetSerialLinkHandler(
      [this](bool up, const std::string& why) { SerialLinkChanged(up, why); });
  link_.SetConnectionProblemHandler([this](const std::string& message) {
    ports_.error_log.AppException(kMainWindowName, message);
  });
  FormCreate();
  Guard("cbxSaveLogToFile", [this] { session_.StartOutputs(); });
}

// The logic goes before the widgets: nothing a dying widget emits may reach it.
TForm1::~TForm1() { QObject::disconnect(ui_->dg_linestatus, nullptr, this, nullptr); }

// On a screen smaller than the design (a large scale factor, a small display) the window keeps
// within the screen and its content scrolls.
void TForm1::SetUpClientScrolling() {
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("ClientScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidgetResizable(true);
  scroll->setWidget(takeCentralWidget());
  setCentralWidget(scroll);
}

void TForm1::PlaceOnScreen() {
  std::optional<WindowRect> saved;
  Guard(kMainWindowName, [&] { saved = LoadWindowRect(ports_.preferences); });
  const std::vector<WindowRect> screens = AvailableScreenAreas();
  // Before the first show the frame is not known yet: room for a title bar is kept.
  QMargins frame(
      frameGeometry().left() - geometry().left(), geometry().top() - frameGeometry().top(),
      frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
  if (frame.isNull()) frame = QMargins(4, 30, 4, 4);
  const WindowRect placed =
      PlaceWindow(saved, WindowRect{0, 0, width(), height()}, screens,
                  FrameMargins{frame.left(), frame.top(), frame.right(), frame.bottom()});
  setGeometry(placed.Left, placed.Top, placed.Width, placed.Height);
}

void TForm1::SetUpStatusBar() {
  for (int panel = 0; panel < 3; ++panel) {
    auto* label = new QLabel(QString::fromLatin1(kStatusStart[panel]), ui_->StatusBar1);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
    label->setMinimumWidth(kStatusWidths[panel]);
    // The connection panel takes what is left, so the window can be narrower than the design
    // on a small screen; its text is cut there rather than widening the window.
    if (panel == 2) {
      label->setMinimumWidth(0);
      label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    // The counters change with every frame; a panel of fixed size keeps a new count from
    // laying out the status bar and the window again. It only widens when a count needs it.
    if (panel < 2)
      label->setFixedSize(label->minimumSizeHint().expandedTo(QSize(kStatusWidths[panel], 0)));
    // Three parts of what is left to the connection, one to a faults note when there is one.
    ui_->StatusBar1->addWidget(label, panel == 2 ? 3 : 0);
    status_panels_[static_cast<std::size_t>(panel)] = label;
  }
  ui_->StatusBar1->setSizeGripEnabled(true);
}

void TForm1::SetUpTimers() {
  auto make = [this](QTimer*& timer, const char* name, int interval, bool active) {
    timer = new QTimer(this);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    if (active) timer->start();
  };
  make(tmrBatch_, "tmrBatch", 1000, false);
  make(tmr_ProgramAndRequest_, "tmr_ProgramAndRequest", 1000, true);
  make(tmr_drawgrid_, "tmr_drawgrid", 1000, true);
  make(Timer1_, "Timer1", 1000, true);
  make(tmrAvoidSystemSleep_, "tmrAvoidSystemSleep", 10000, true);
  connect(tmrBatch_, &QTimer::timeout, this, &TForm1::tmrBatchTimer);
  connect(tmr_ProgramAndRequest_, &QTimer::timeout, this, &TForm1::tmr_ProgramAndRequestTimer);
  connect(tmr_drawgrid_, &QTimer::timeout, this, &TForm1::tmr_drawgridTimer);
  connect(Timer1_, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(tmrAvoidSystemSleep_, &QTimer::timeout, this, &TForm1::tmrAvoidSystemSleepTimer);
}

void TForm1::SetUpDisplays() {
  QFont tabs = ui_->PageControl1->font();
  tabs.setBold(true);
  tabs.setPixelSize(15);
  ui_->PageControl1->tabBar()->setFont(tabs);
  // With the command panel open the pages are narrow: shorten the captions rather than scroll.
  ui_->PageControl1->setUsesScrollButtons(false);
  ui_->PageControl1->setElideMode(Qt::ElideRight);
  for (const DisplayList list : {DisplayList::kDecimal, DisplayList::kHex}) {
    auto* model = new DisplayListModel(sink_.Entries(list), this);
    models_[static_cast<std::size_t>(list)] = model;
    ListView(list)->setModel(model);
  }
  list_fonts_[0] = FontSpec{1, 0, -15, "Courier New", 0, 11};
  list_fonts_[1] = FontSpec{1, 0, -13, "Courier New", 0, 10};
  for (const DisplayList list : {DisplayList::kDecimal, DisplayList::kHex}) {
    ListView(list)->setFont(ToQFont(list_fonts_[static_cast<std::size_t>(list)], false));
  }

  auto* copy_decimal = new QAction(QStringLiteral("Copy to Clipboard"), ui_->lbxDecimal);
  copy_decimal->setObjectName(QStringLiteral("Cut1"));
  copy_decimal->setShortcut(QKeySequence::Copy);
  copy_decimal->setShortcutContext(Qt::WidgetShortcut);
  connect(copy_decimal, &QAction::triggered, this, &TForm1::Cut1Click);
  // Ctrl+C on a list reaches the view itself, which asks for the same copy.
  connect(ui_->lbxDecimal, &UniformListView::copyRequested, this, &TForm1::Cut1Click);

  auto* copy_hex = new QAction(QStringLiteral("Copy to Clipboard"), ui_->lbxHex);
  copy_hex->setObjectName(QStringLiteral("CopytoClipboard1"));
  copy_hex->setShortcut(QKeySequence::Copy);
  copy_hex->setShortcutContext(Qt::WidgetShortcut);
  connect(copy_hex, &QAction::triggered, this, &TForm1::CopytoClipboard1Click);
  connect(ui_->lbxHex, &UniformListView::copyRequested, this, &TForm1::CopytoClipboard1Click);

  auto popup = [](QWidget* owner, QAction* action) {
    QMenu menu(owner);
    menu.addAction(action);
    menu.exec(QCursor::pos());
  };
  connect(ui_->lbxDecimal, &QWidget::customContextMenuRequested, this,
          [=, this] { popup(ui_->lbxDecimal, copy_decimal); });
  connect(ui_->lbxHex, &QWidget::customContextMenuRequested, this,
          [=, this] { popup(ui_->lbxHex, copy_hex); });
  ui_->PageControl1->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ui_->PageControl1->tabBar(), &QWidget::customContextMenuRequested, this,
          [=, this] { popup(ui_->PageControl1, copy_hex); });
  connect(ui_->lbxDecimal, &QAbstractItemView::doubleClicked, this, &TForm1::lbxDecimalDblClick);
  connect(ui_->lbxHex, &QAbstractItemView::doubleClicked, this, &TForm1::lbxHexDblClick);
}

void TForm1::ConnectBottomPanel() {
  connect(ui_->rbAutoACK, &QRadioButton::clicked, this, &TForm1::rbAutoACKClick);
  connect(ui_->rbManualACK, &QRadioButton::clicked, this, &TForm1::rbManualACKClick);
  connect(ui_->btnACK, &QPushButton::clicked, this, &TForm1::btnACKClick);
  connect(ui_->btnNACK, &QPushButton::clicked, this, &TForm1::btnNACKClick);
  connect(ui_->rbFormat4100, &QRadioButton::clicked, this, &TForm1::rgFormatClick);
  connect(ui_->rbFormatSIA, &QRadioButton::clicked, this, &TForm1::rgFormatClick);
  connect(ui_->btn_inputcommand, &QPushButton::clicked, this, &TForm1::btn_inputcommandClick);
  connect(ui_->cbxSaveLogToFile, &QCheckBox::clicked, this, &TForm1::cbxSaveLogToFileClick);
  connect(ui_->btnEmptyLogFile, &QPushButton::clicked, this, &TForm1::btnEmptyLogFileClick);
  connect(ui_->btnSetFont, &QPushButton::clicked, this, &TForm1::btnSetFontClick);
  connect(ui_->btnSave, &QPushButton::clicked, this, &TForm1::btnSaveClick);
  connect(ui_->btnClear, &QPushButton::clicked, this, &TForm1::btnClearClick);
  connect(ui_->btnClose, &QPushButton::clicked, this, &QWidget::close);
  connect(ui_->btnSettings, &QPushButton::clicked, this, &TForm1::btnSettingsClick);
  connect(ui_->btnHelp, &QPushButton::clicked, this, &TForm1::btnHelpClick);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
}

// --- ACK Mode and Automation Format --------------------------------------------------------

void TForm1::ShowAckMode(bool auto_chosen) {
  ui_->rbAutoACK->setChecked(auto_chosen);
  ui_->rbManualACK->setChecked(!auto_chosen);
}

void TForm1::SetAnswerButtonsEnabled(bool enabled) {
  ui_->btnACK->setEnabled(enabled);
  ui_->btnNACK->setEnabled(enabled);
}

void TForm1::rbAutoACKClick() {
  Guard("rbAutoACK", [this] { ack_control_.rbAutoACKClick(); });
}
void TForm1::rbManualACKClick() {
  Guard("rbManualACK", [this] { ack_control_.rbManualACKClick(); });
}
void TForm1::btnACKClick() {
  Guard("btnACK", [this] { ack_control_.btnACKClick(); });
}
void TForm1::btnNACKClick() {
  Guard("btnNACK", [this] { ack_control_.btnNACKClick(); });
}

void TForm1::rgFormatClick() {
  stored_format_.reset();
  Guard("rgFormat", [this] {
    state_.Format =
        ui_->rbFormatSIA->isChecked() ? AutomationFormat::kSia : AutomationFormat::k4100;
  });
}

// --- Link events ---------------------------------------------------------------------------

void TForm1::ApdComPort1TriggerAvail(int count) {
  Guard("ApdComPort1", [&] { session_.SerialPath().OnDataAvailable(count); });
}

void TForm1::OnDatagram(const std::string& datagram, const std::string& sender_address,
                        IpVersion version) {
  Guard("UDPServer1",
        [&] { session_.NetworkPath().OnDatagram(datagram, sender_address, version); });
}

// --- Display operations --------------------------------------------------------------------

DisplayList TForm1::ShownList() const {
  return ui_->PageControl1->currentIndex() == 0 ? DisplayList::kDecimal : DisplayList::kHex;
}

void TForm1::ShowSelectedEntry(DisplayList list) {
  RefreshDisplays();
  const QModelIndex current = ListView(list)->currentIndex();
  // An empty list or no selection: nothing to show and nothing worth an error line.
  if (!current.isValid()) return;
  if (const auto entry = sink_.EntryAt(list, static_cast<std::size_t>(current.row()))) {
    ports_.prompts.ShowMessage(*entry);
  }
}

void TForm1::lbxDecimalDblClick() {
  Guard("lbxDecimal", [this] { ShowSelectedEntry(DisplayList::kDecimal); });
}
void TForm1::lbxHexDblClick() {
  Guard("lbxHex", [this] { ShowSelectedEntry(DisplayList::kHex); });
}

void TForm1::CopySelection(DisplayList list) {
  // Row n is entry n of the store only once the list has caught up.
  RefreshDisplays();
  std::vector<std::size_t> rows;
  for (const QModelIndex& index : ListView(list)->selectionModel()->selectedRows()) {
    rows.push_back(static_cast<std::size_t>(index.row()));
  }
  const std::string text = sink_.ClipboardText(list, rows);
  QGuiApplication::clipboard()->setText(
      QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::Cut1Click() {
  Guard("Cut1", [this] { CopySelection(DisplayList::kDecimal); });
}
void TForm1::CopytoClipboard1Click() {
  Guard("CopytoClipboard1", [this] { CopySelection(DisplayList::kHex); });
}

void TForm1::btnSetFontClick() {
  Guard("btnSetFont", [this] {
    const DisplayList list = ShownList();
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, ListView(list)->font(), this);
    if (!chosen) return;
    FontSpec stored = FromQFont(font, list_fonts_[static_cast<std::size_t>(list)]);
    SetListFont(list, stored);
  });
}

void TForm1::btnSaveClick() {
  Guard("btnSave", [this] { sink_.SaveList(ShownList(), ports_.prompts, ports_.exe_dir); });
}

void TForm1::btnClearClick() {
  Guard("btnClear", [this] { sink_.Clear(ports_.prompts); });
}

void TForm1::cbxSaveLogToFileClick() {
  Guard("cbxSaveLogToFile", [this] {
    sink_.SaveLogToFileClicked(ui_->cbxSaveLogToFile->isChecked(), ports_.prompts, ports_.exe_dir);
  });
}

void TForm1::btnEmptyLogFileClick() {
  Guard("btnEmptyLogFile", [this] { sink_.EmptyLogFile(ports_.prompts); });
}

void TForm1::Timer1Timer() {
  Guard("Timer1", [this] { sink_.Timer1Timer(); });
}

void TForm1::tmrAvoidSystemSleepTimer() {
  Guard("tmrAvoidSystemSleep", [this] {
    if (ports_.keep_awake) ports_.keep_awake();
  });
}

void TForm1::btnSettingsClick() {
  Guard("btnSettings", [this] {
    if (ports_.settings_dialog) ports_.settings_dialog();
  });
}

void TForm1::btnHelpClick() {
  Guard("btnHelp", [this] {
    if (ports_.about_box) ports_.about_box();
  });
}

void TForm1::Button3Click() {
  Guard("Button3", [this] {
    if (ports_.command_help) ports_.command_help();
  });
}

// --- Preferences ---------------------------------------------------------------------------

FontSpec TForm1::DefaultFont() const { return FontSpec{1, 0, -11, "", 0, 8}; }

FontSpec TForm1::ListFont(DisplayList list) const {
  return list_fonts_[static_cast<std::size_t>(list)];
}

void TForm1::SetListFont(DisplayList list, const FontSpec& font) {
  list_fonts_[static_cast<std::size_t>(list)] = font;
  ListView(list)->setFont(ToQFont(font, true));
  QPalette palette = ListView(list)->palette();
  palette.setColor(QPalette::Text, ToQColor(font.Color));
  ListView(list)->setPalette(palette);
  FitRows(list);
}

void TForm1::FitRows(DisplayList list) { ListView(list)->SetContentWidth(scroll_extent_); }

ParaPreferences TForm1::Para() const {
  ParaPreferences para;
  para.Format = ui_->rbFormatSIA->isChecked() ? AutomationFormat::kSia : AutomationFormat::k4100;
  if (stored_format_) para.Format = *stored_format_;
  if (ui_->rbAutoACK->isChecked()) {
    para.Ack = AckMode::kAuto;
  } else if (ui_->rbManualACK->isChecked()) {
    para.Ack = AckMode::kManual;
  } else {
    para.Ack = std::nullopt;
  }
  para.AutoScroll = ui_->cbxAutoScroll->isChecked();
  return para;
}

void TForm1::ApplyPara(const ParaPreferences& para) {
  (para.Format == AutomationFormat::kSia ? ui_->rbFormatSIA : ui_->rbFormat4100)->setChecked(true);
  rgFormatClick();
  if (para.Ack == AckMode::kManual) {
    ack_control_.rbManualACKClick();
  } else {
    ack_control_.rbAutoACKClick();
  }
  ui_->cbxAutoScroll->setChecked(para.AutoScroll);
}

}  // namespace v7400
