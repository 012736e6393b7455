#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStatusBar>
#include <fstream>

#include "app/lifecycle.h"
#include "display/display_sink.h"
#include "form_fixture.h"

namespace v7400::testing {
namespace {

using Display = DisplayList;

TEST_F(FormTest, OpensInItsDesignState) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("V7400 Automation Simulator"));
  EXPECT_EQ(ui.PageControl1->tabText(0), QStringLiteral("Decimal Display        "));
  EXPECT_EQ(ui.PageControl1->tabText(1), QStringLiteral("Hexadecimal Display    "));
  EXPECT_EQ(form->StatusText(0), QStringLiteral("Received: 0"));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 0"));
  EXPECT_EQ(form->StatusText(2), QStringLiteral("COM settings:"));
  EXPECT_TRUE(ui.rbAutoACK->isChecked());
  EXPECT_FALSE(ui.rbManualACK->isChecked());
  EXPECT_FALSE(ui.btnACK->isEnabled());
  EXPECT_FALSE(ui.btnNACK->isEnabled());
  EXPECT_TRUE(ui.rbFormat4100->isChecked());
  EXPECT_FALSE(ui.cbxSaveLogToFile->isChecked());
  EXPECT_FALSE(ui.btnEmptyLogFile->isEnabled());
  EXPECT_TRUE(ui.cbxAutoScroll->isChecked());
  EXPECT_EQ(ui.btnClear->text(), QStringLiteral("Clear "));
  EXPECT_EQ(ui.btnClose->text(), QStringLiteral("&Close"));
  EXPECT_FALSE(ui.pnl_inputcommand->isVisible());
  EXPECT_TRUE(ui.btn_inputcommand->isEnabled());
  // The command panel keeps its start state while hidden.
  EXPECT_EQ(ui.pc_InputCommand->currentWidget(), ui.tsht_commandselection);
  EXPECT_FALSE(ui.pc_InputCommand->isTabVisible(ui.pc_InputCommand->indexOf(ui.tsht_debug)));
  EXPECT_EQ(ui.pc_InputCommand->tabText(ui.pc_InputCommand->indexOf(ui.tsht_linelog)),
            QStringLiteral("Statistics log of Line1"));
  EXPECT_TRUE(ui.rbSetDate->isChecked());
  EXPECT_EQ(ui.edtLine->text(), QStringLiteral("1"));
  EXPECT_FALSE(ui.edtLine->isEnabled());
  EXPECT_FALSE(ui.edt_dtmfsequence->isEnabled());
  EXPECT_FALSE(ui.cbx_highlevelcommands->isEnabled());
  EXPECT_EQ(ui.cbx_highlevelcommands->currentIndex(), -1);
  EXPECT_EQ(ui.cbx_highlevelcommands->count(), 23);
  EXPECT_EQ(ui.cbx_highlevelcommands->itemText(22), QStringLiteral("CMD0E06 "));
  EXPECT_TRUE(ui.cbx_remoteprogram->isEnabled());
  EXPECT_FALSE(ui.edt_programmingstr->isEnabled());
  EXPECT_FALSE(ui.lbl_recycling->isEnabled());
  EXPECT_FALSE(ui.rbCustomizedCommand->isVisible());
  EXPECT_TRUE(ui.btnStartSend->isEnabled());
  EXPECT_FALSE(ui.btnStopBatch->isEnabled());
  EXPECT_TRUE(ui.rbSendOne->isChecked());
  EXPECT_FALSE(ui.edtTotalAmount->isEnabled());
  EXPECT_FALSE(ui.cbx_randomline->isEnabled());
  EXPECT_FALSE(ui.memLog->isEnabled());
  EXPECT_EQ(form->State().Closing, 0);
  EXPECT_EQ(form->State().PackageEndChar, 20);
  EXPECT_TRUE(ErrorLogLines().empty());
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FormTest, ReceivedFrameShowsInBothListsAndTheStatusBar) {
  auto form = MakeForm();
  serial_.Feed("12 4\x14");
  form->ApdComPort1TriggerAvail(5);
  ASSERT_EQ(Rows(*form, Display::kDecimal), 1);
  ASSERT_EQ(Rows(*form, Display::kHex), 1);
  EXPECT_EQ(Row(*form, Display::kDecimal, 0), "14:05:09 <1> :  12s4[20]    <06>");
  EXPECT_EQ(Row(*form, Display::kHex, 0), "1:  31 32 20 34 14      06");
  EXPECT_EQ(form->StatusText(0), QStringLiteral("Received: 1"));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 1"));
  EXPECT_EQ(serial_.writes, std::vector<std::string>{"\x06"});
  // Auto scroll selects the newest entry of each list.
  EXPECT_EQ(form->Form().lbxDecimal->currentIndex().row(), 0);
  EXPECT_EQ(form->Form().lbxHex->currentIndex().row(), 0);
}

TEST_F(FormTest, ManualModeEnablesTheAnswerButtons) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbManualACK->click();
  EXPECT_TRUE(ui.btnACK->isEnabled());
  EXPECT_TRUE(ui.btnNACK->isEnabled());
  EXPECT_EQ(form->State().Ack, AckMode::kManual);

  serial_.Feed("7\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_TRUE(serial_.writes.empty());
  ui.btnNACK->click();
  EXPECT_EQ(serial_.writes, std::vector<std::string>{"\x15"});
  EXPECT_EQ(Row(*form, Display::kDecimal, 1), "14:05:09 nack:  <21>");
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 1"));

  ui.rbAutoACK->click();
  EXPECT_FALSE(ui.btnACK->isEnabled());
  EXPECT_FALSE(ui.btnNACK->isEnabled());
}

TEST_F(FormTest, ExitQuestionAnsweredNoChangesNothing) {
  auto form = MakeForm();
  prompts_.chosen_path = dir_.File("traffic.txt");
  form->Form().cbxSaveLogToFile->click();
  ASSERT_TRUE(form->Sink().Log().IsOn());
  EXPECT_FALSE(CloseAnswering(*form, prompts_, false));
  EXPECT_EQ(prompts_.questions.back(), kExitQuestion);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->State().Closing, 0);
  EXPECT_TRUE(form->Sink().Log().IsOn());
  EXPECT_FALSE(form->HasShutDown());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.File("prefs.ini"))));
  serial_.Feed("1\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_EQ(form->StatusText(0), QStringLiteral("Received: 1"));
}

TEST_F(FormTest, ExitAnsweredYesSavesWritesTheTotalsLineAndDropsLateData) {
  auto form = MakeForm();
  prompts_.chosen_path = dir_.File("traffic.txt");
  form->Form().cbxSaveLogToFile->click();
  serial_.Feed("1\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_TRUE(CloseAnswering(*form, prompts_, true));
  EXPECT_EQ(form->State().Closing, -1);
  serial_.Feed("2\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_EQ(form->State().ReceivedCount, 1);
  const std::string log = "14:05:09 <1> :  1[20]    <06>\r\nTotal received: 1   Total sent: 1\r\n";
  EXPECT_EQ(ReadFile(dir_.File("traffic.txt")), log);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(dir_.File("prefs.ini"))));
  // A termination after the close changes nothing more.
  form->Terminate();
  EXPECT_EQ(ReadFile(dir_.File("traffic.txt")), log);
}

TEST_F(FormTest, FailedSaveAtExitIsLoggedAndTheTotalsLineStillWritten) {
  std::ofstream(dir_.File("plain-file")) << "x";
  store_ = std::make_unique<SettingsStore>(QString::fromStdString(dir_.File("plain-file/p.ini")));
  auto form = MakeForm();
  prompts_.chosen_path = dir_.File("traffic.txt");
  form->Form().cbxSaveLogToFile->click();
  EXPECT_TRUE(CloseAnswering(*form, prompts_, true));
  EXPECT_EQ(ErrorLogLines(), std::vector<std::string>{
                                 "03-15-2012 14:05:09  Form1  Failed to set data for 'Charset'"});
  EXPECT_EQ(ReadFile(dir_.File("traffic.txt")), "Total received: 0   Total sent: 0\r\n");
}

TEST_F(FormTest, TerminationShutsDownWithoutAQuestion) {
  auto form = MakeForm();
  prompts_.chosen_path = dir_.File("traffic.txt");
  form->Form().cbxSaveLogToFile->click();
  const std::size_t questions = prompts_.questions.size();
  form->Terminate();
  form->Terminate();
  EXPECT_EQ(prompts_.questions.size(), questions);
  EXPECT_EQ(form->State().Closing, -1);
  EXPECT_EQ(ReadFile(dir_.File("traffic.txt")), "Total received: 0   Total sent: 0\r\n");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(dir_.File("prefs.ini"))));
}

TEST_F(FormTest, ClearResetsTheCountsOnlyOnYes) {
  auto form = MakeForm();
  serial_.Feed(
      "1\x14"
      "2\x14");
  form->ApdComPort1TriggerAvail(4);
  ASSERT_EQ(form->StatusText(0), QStringLiteral("Received: 2"));
  prompts_.answer_yes = false;
  form->Form().btnClear->click();
  EXPECT_EQ(prompts_.questions.back(), kClearQuestion);
  EXPECT_EQ(Rows(*form, Display::kDecimal), 2);
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 2"));
  prompts_.answer_yes = true;
  form->Form().btnClear->click();
  EXPECT_EQ(Rows(*form, Display::kDecimal), 0);
  EXPECT_EQ(Rows(*form, Display::kHex), 0);
  EXPECT_EQ(form->StatusText(0), QStringLiteral("Received: 0"));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 0"));
  serial_.Feed("3\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_EQ(Row(*form, Display::kDecimal, 0), "14:05:09 <1> :  3[20]    <06>");
}

TEST_F(FormTest, GridClickSelectsTheLineAndCaptionsTheStatisticsPage) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.btn_inputcommand->click();
  ASSERT_TRUE(ui.pnl_inputcommand->isVisible());
  EXPECT_FALSE(ui.btn_inputcommand->isEnabled());
  form->State().LineTable[11].EventsReceived = 4;
  form->State().LineTable[11].FeedbacksReceived = 2;
  QTableWidget* grid = ui.dg_linestatus;
  Click(grid->viewport(), grid->visualRect(grid->model()->index(1, 3)).center());
  EXPECT_EQ(ui.edtLine->text(), QStringLiteral("12"));
  EXPECT_EQ(ui.pc_InputCommand->tabText(ui.pc_InputCommand->indexOf(ui.tsht_linelog)),
            QStringLiteral("Statistics of Line12"));
  EXPECT_EQ(ui.lbl_totalevents->text(), QStringLiteral("Total Received Events: 4"));
  EXPECT_EQ(ui.lbl_totalfeedbacks->text(),
            QStringLiteral("Total Received Feedbacks of Commands: 2"));
  ui.btnClearLog->click();
  EXPECT_EQ(ui.lbl_totalevents->text(), QStringLiteral("Total Received Events: 0"));
  ui.btnCancel->click();
  EXPECT_FALSE(ui.pnl_inputcommand->isVisible());
  EXPECT_TRUE(ui.btn_inputcommand->isEnabled());
}

TEST_F(FormTest, PreferencesSurviveFromOneWindowToTheNext) {
  FontSpec hex_font;
  {
    auto first = MakeForm();
    Ui::TForm1& ui = first->Form();
    ui.rbFormatSIA->click();
    ui.rbManualACK->click();
    ui.cbxAutoScroll->click();
    hex_font = FontSpec{0, 0x00FF0000, -20, "DejaVu Sans Mono", 2, 15, true, true, false, true};
    first->SetListFont(DisplayList::kHex, hex_font);
    ASSERT_TRUE(CloseAnswering(*first, prompts_, true));
  }
  auto second = MakeForm();
  Ui::TForm1& ui = second->Form();
  EXPECT_TRUE(ui.rbFormatSIA->isChecked());
  EXPECT_TRUE(second->State().IsSia());
  EXPECT_TRUE(ui.rbManualACK->isChecked());
  EXPECT_TRUE(ui.btnACK->isEnabled());
  EXPECT_FALSE(ui.cbxAutoScroll->isChecked());
  EXPECT_EQ(second->ListFont(DisplayList::kHex), hex_font);
  EXPECT_TRUE(ui.lbxHex->font().bold());
  EXPECT_EQ(ui.lbxHex->font().pointSize(), 15);
  EXPECT_EQ(second->ListFont(DisplayList::kDecimal).Height, -15);
  EXPECT_TRUE(ErrorLogLines().empty());
}

TEST_F(FormTest, MalformedPreferenceIsLoggedUnderForm1AndTheRestIsLoaded) {
  SaveFont(*store_, kFont1Key, FontSpec{0, 0, -20, "Mono", 2, 15});
  store_->WriteString(kFont1Key, "Size", "abc");
  store_->WriteString(kParaKey, "AckMode", "0");
  auto form = MakeForm();
  const auto lines = ErrorLogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "03-15-2012 14:05:09  Form1  'abc' is not a valid integer value");
  EXPECT_EQ(form->ListFont(DisplayList::kDecimal).Name, "Mono");
  EXPECT_TRUE(form->Form().rbManualACK->isChecked());
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FormTest, UnhandledErrorAddsExactlyOneErrorLogLine) {
  auto form = MakeForm();
  // A double-click on an empty list shows and records nothing.
  form->lbxDecimalDblClick();
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.File("error.log"))));

  prompts_.chosen_path = dir_.File("no/such/folder/DecDisp.txt");
  form->Form().btnSave->click();
  const auto lines = ErrorLogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "03-15-2012 14:05:09  btnSave  Cannot create file \"" +
                          dir_.File("no/such/folder/DecDisp.txt") + "\"");
  EXPECT_TRUE(prompts_.errors.empty());
  EXPECT_TRUE(form->isVisible());
}

TEST_F(FormTest, DoubleClickShowsTheEntryAndCopyPlacesTheSelection) {
  auto form = MakeForm();
  serial_.Feed(
      "A\x14"
      "B\x14");
  form->ApdComPort1TriggerAvail(4);
  form->lbxHexDblClick();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0], "2:  42 14      06");
  // The lists hold one selected entry at most: select-all keeps the entry picked.
  QAbstractItemView* decimal = form->Form().lbxDecimal;
  decimal->setCurrentIndex(decimal->model()->index(0, 0));
  decimal->selectAll();
  EXPECT_EQ(decimal->selectionModel()->selectedRows().size(), 1);
  QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
  QApplication::sendEvent(decimal, &copy);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "14:05:09 <1> :  A[20]    <06>\r\n");
  // The hexadecimal list copies its own selection.
  QApplication::sendEvent(form->Form().lbxHex, &copy);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "2:  42 14      06\r\n");
}

}  // namespace
}  // namespace v7400::testing
