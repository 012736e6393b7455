// The main window: displays, the bottom panel, the input-command panel and the status bar. It is
// wiring: each slot is named after its design handler, guards its entry and calls the logic.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "app/error_log.h"
#include "app/lifecycle.h"
#include "app/link.h"
#include "app/preferences.h"
#include "app/qt/simulator_session.h"
#include "commands/command_views.h"
#include "core/clock.h"
#include "core/display_view.h"
#include "core/line_services.h"
#include "core/link_ports.h"
#include "core/preference_store.h"
#include "core/prompts.h"
#include "display/display_refresh.h"
#include "protocol/ack_control.h"
#include "ui/elided_label.h"
#include "ui/uniform_list_view.h"

class QSessionManager;
class QPainter;

namespace Ui {
class TForm1;
}

namespace v7400 {

class DisplayListModel;
class ReceiverBehaviourWindow;
struct BehaviourSource;

// What the window works with; the program hands in the real adapters, tests hand in fakes.
struct FormPorts {
  Prompts& prompts;
  PreferenceStore& preferences;
  const Clock& clock;
  const ErrorLog& error_log;
  // The folder file dialogs start in: the executable's, or the working folder where the
  // executable's cannot be written.
  std::string exe_dir;
  // Builds the connection to the receiver; called once while the window is built.
  std::function<std::unique_ptr<Link>(SimulatorState&, DisplayView&)> make_link;
  // Reports activity to the desktop session on each keep-awake tick.
  std::function<void()> keep_awake = nullptr;
  // Called when the window starts catching escaping errors (creation step 3).
  std::function<void()> install_error_handler = nullptr;
  // The settings dialog, the about box and the input-command help; absent ones do nothing.
  std::function<void()> settings_dialog = nullptr;
  std::function<void()> about_box = nullptr;
  std::function<void()> command_help = nullptr;
  // The command line: the answer faults, whether the "Debug testing" page shows, the outputs
  // and the format. None: a run with no options.
  const RunOptions* options = nullptr;
  // The outputs the options opened; none: the window opens none.
  SessionOutputs* outputs = nullptr;
};

class InputCommands;

class TForm1 : public QMainWindow,
               public DisplayView,
               public PreferenceHolder,
               public AckView,
               public CommandPanelView,
               public StatisticsView,
               private CreationSteps,
               private ShutdownSteps {
  Q_OBJECT

 public:
  explicit TForm1(FormPorts ports, QWidget* parent = nullptr);
  ~TForm1() override;

  Ui::TForm1& Form() { return *ui_; }
  SimulatorSession& Session() { return session_; }
  AnswerFaults& Faults() { return session_.Faults(); }
  // The expectations as they stand, for the status bar ("expectations: 2 of 3 met ...").
  void ShowExpectationsNote(const std::string& note);
  // After the live control changed the faults or began an outage: the status bar follows.
  void ControlChanged();
  SimulatorState& State() { return state_; }
  DisplaySink& Sink() { return sink_; }
  const std::string& WorkDir() const { return work_dir_; }
  bool HasShutDown() const { return shut_down_; }
  // Before the first show: the size and position of the last run where they fit a screen now,
  // else the design size in the middle of the primary screen.
  void PlaceOnScreen();

  // DisplayView.
  void BeginAppend(DisplayList list) override;
  void EndAppend(DisplayList list) override;
  void BeginRemoveFirst(DisplayList list) override;
  void EndRemoveFirst(DisplayList list) override;
  void BeginClear(DisplayList list) override;
  void EndClear(DisplayList list) override;
  bool AutoScroll() const override;
  void SelectLast(DisplayList list) override;
  void ShowStatus(int panel, const std::string& text) override;
  void ShowFormatHint(const std::string& hint) override;
  void SetLogChecked(bool checked) override;
  void SetEmptyLogEnabled(bool enabled) override;
  // What a status panel shows once the window has caught up with the stores.
  QString StatusText(int panel);
  // Brings the lists, the auto scroll and the status panels up to date with the stores.
  void RefreshDisplays();

  // PreferenceHolder.
  FontSpec DefaultFont() const override;
  FontSpec ListFont(DisplayList list) const override;
  void SetListFont(DisplayList list, const FontSpec& font) override;
  ParaPreferences Para() const override;
  void ApplyPara(const ParaPreferences& para) override;

  // AckView.
  void ShowAckMode(bool auto_chosen) override;
  void SetAnswerButtonsEnabled(bool enabled) override;

  // CommandPanelView.
  void SetEnabled(PanelControl control, bool enabled) override;
  void SetVisible(PanelControl control, bool visible) override;
  void SetCaption(PanelControl control, const std::string& caption) override;
  void SetText(PanelControl control, const std::string& text) override;
  void SetChecked(PanelControl control, bool checked) override;
  void FocusAndSelectAll(PanelControl control) override;
  void SetBatchTimer(bool enabled, int interval_ms) override;

  // StatisticsView.
  void RepaintGrid() override;
  void AppendDetailedLog(const std::string& line) override;
  void ClearDetailedLog() override;

  InputCommands& Commands() { return session_.Commands(); }
  Link& Connection() { return link_; }

  // Paints the cell of line row * 8 + column + 1.
  void dg_linestatusDrawCell(QPainter& painter, const QRect& rect, int column, int row) const;

 public slots:
  void ApdComPort1TriggerAvail(int count);
  // The serial device went away (`up` false) or is back.
  void SerialLinkChanged(bool up, const std::string& why);
  void OnDatagram(const std::string& datagram, const std::string& sender_address,
                  IpVersion version);
  void SessionEnd(QSessionManager& manager);
  // SIGTERM: leaves at once, saving what an ordinary exit saves.
  void Terminate();

  void rbAutoACKClick();
  void rbManualACKClick();
  void btnACKClick();
  void btnNACKClick();
  void rgFormatClick();

  void lbxDecimalDblClick();
  void lbxHexDblClick();
  void Cut1Click();
  void CopytoClipboard1Click();
  void btnSetFontClick();
  void btnSaveClick();
  void btnClearClick();
  void cbxSaveLogToFileClick();
  void btnEmptyLogFileClick();
  void Timer1Timer();
  void tmrAvoidSystemSleepTimer();
  void btnSettingsClick();
  void btnHelpClick();
  void Button3Click();

  void btn_inputcommandClick();
  void btnCancelClick();
  void rb_recyclingsendClick();
  void rbBatchSendingClick();
  void rb_howmanysecondsClick();
  void cbx_randomlineClick();
  void cbx_randomcommandClick();
  void btnStartSendClick();
  void btnStopBatchClick();
  void tmrBatchTimer();
  void tmr_ProgramAndRequestTimer();
  void dg_linestatusClick();
  void tmr_drawgridTimer();
  void btn_SaveClick();
  void btnClearLogClick();
  void cbx_EnableDetailedLogClick();
  void Button1Click();
  void Button2Click();
  void edtSendingIntervalExit();
  void edtTotalAmountExit();
  void edtPerSecondExit();
  void edt_detailedlogExit();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Times the repaint that follows a refresh, for the refresh pacing.
  bool event(QEvent* event) override;

 private:
  // CreationSteps.
  void DiscoverLinkLocalAddress() override;
  void InitialiseLineRecords() override;
  void InstallErrorHandler() override;
  void PrepareCommandPanel() override;
  void SetProtocolDefaults() override;
  void SetTimeFormats() override;
  void CaptureWorkDir() override;
  void SetTrafficLoggingOff() override;
  bool CreateNetworkObjects() override;
  void ShowNoNetworkInformation() override;
  void OpenConnectionAtStartup() override;
  void AttachDatagramHandler() override;
  void ResetCounts() override;
  void ResetSequenceTexts() override;
  void SetDisplayScrollExtent() override;
  void ClearClosing() override;
  bool TakeOpenFailed() override;
  void OpenSettingsDialog() override;
  void CreateCipher() override;
  void LoadPreferences() override;
  // ShutdownSteps.
  void SavePreferences() override;
  void CloseTrafficLog() override;
  void ReleaseNetworkObjects() override;

  void FormCreate();
  void ShutDown();
  template <typename Handler>
  void Guard(const char* component, Handler&& handler) {
    Guarded(ports_.error_log, component, std::forward<Handler>(handler));
    MirrorDebugOptions();
  }
  // A one-shot debug option that acted has cleared itself; its box follows.
  void MirrorDebugOptions();
  // The answer-fault controls of the "Debug testing" page and the status bar's note.
  void SetUpFaultControls();
  void btnApplyFaultsClick();
  void btnOutageClick();
  void ShowFaultStatus();
  std::string PhaseText();
  // The Receiver behaviour window, its shortcut, its button and its refresh clock.
  void SetUpReceiverBehaviour();
  void btnReceiverBehaviourClick();
  BehaviourSource BehaviourPorts();
  std::string SaveReceiverReport(const std::string& path);
  bool FocusMovesWithinWindow(const QEvent* event) const;
  void SetUpClientScrolling();
  void SetUpStatusBar();
  void SetUpTimers();
  void SetUpDisplays();
  void SetUpDisplayRefresh();
  void ScheduleRefresh();
  void SelectLastNow(DisplayList list);
  void RefreshNextStep();
  void RunRefreshStep(int step);
  void RefreshStatusPanels();
  void AddRefreshCost(const QElapsedTimer& cost);
  void SetUpCommandPanel();
  void ConnectBottomPanel();
  void ConnectCommandPanel();
  DisplayListModel& Model(DisplayList list) const;
  UniformListView* ListView(DisplayList list) const;
  DisplayList ShownList() const;
  void ShowSelectedEntry(DisplayList list);
  void CopySelection(DisplayList list);
  // Gives every row of a list the scroll extent's width.
  void FitRows(DisplayList list);
  QWidget* ControlWidget(PanelControl control) const;
  void InstallKeyFilters();
  void KeepModelsInStep();

  std::unique_ptr<Ui::TForm1> ui_;
  FormPorts ports_;
  SessionOutputs own_outputs_;  // when the program hands in none
  SimulatorSession session_;
  // The session's parts the window works with most.
  SimulatorState& state_;
  DisplaySink& sink_;
  Link& link_;
  InputCommands& commands_;
  AckControl ack_control_;
  std::array<DisplayListModel*, 2> models_{};
  std::array<FontSpec, 2> list_fonts_;
  std::array<QLabel*, 3> status_panels_{};
  mutable std::array<QPointer<QWidget>, static_cast<std::size_t>(PanelControl::memLog) + 1>
      control_widgets_;
  std::array<std::optional<std::string>, 3> pending_status_;
  // The longest text each fixed panel was measured for; shorter ones fit without measuring.
  std::array<qsizetype, 3> measured_status_length_{};
  // Per list, in DisplayList order.
  std::array<bool, 2> scroll_pending_{};
  RefreshPacer refresh_pacer_;
  QTimer* refresh_timer_ = nullptr;
  // A refresh on the timer runs as steps (each list, then the status panels), with the links
  // served between them, so a frame never waits for a whole refresh and its repaints at once.
  static constexpr int kRefreshSteps = 3;
  static constexpr int kRefreshStepGapMs = 2;
  int next_refresh_step_ = 0;
  bool changed_during_refresh_ = false;
  std::uint32_t refresh_spent_us_ = 0;  // the steps and repaints of the current refresh
  bool paint_follows_refresh_ = false;
  std::string connection_text_;
  bool serial_lost_ = false;
  std::string format_hint_;  // before the connection text while frames come in the other format
  QTimer* tmrBatch_ = nullptr;
  QTimer* tmr_ProgramAndRequest_ = nullptr;
  QTimer* tmr_drawgrid_ = nullptr;
  QTimer* Timer1_ = nullptr;
  QTimer* tmrAvoidSystemSleep_ = nullptr;
  static constexpr int kDisplayScrollExtent = 3000;
  int scroll_extent_ = 0;
  std::string work_dir_;
  bool network_available_ = false;
  bool shut_down_ = false;
  ElidedLabel* fault_status_ = nullptr;
  bool shows_fault_status_ = false;
  std::string expectations_note_;
  // What the note was last made from, so it is made again only when that changes.
  std::tuple<std::uint64_t, std::uint32_t, bool, bool, bool, std::string> fault_status_key_{
      ~0ULL, ~0U, 0, 0, 0, {}};
  // The format of the preferences while the command line's stands in for it; what is saved.
  std::optional<AutomationFormat> stored_format_;
  // Before the session goes: it reads the session's figures.
  std::unique_ptr<ReceiverBehaviourWindow> behaviour_;
  QTimer* behaviour_timer_ = nullptr;
};

}  // namespace v7400
