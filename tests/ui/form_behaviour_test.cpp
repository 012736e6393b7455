#include <QClipboard>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <fstream>

#include "app/qt/guarded_application.h"
#include "app/qt/qt_prompts.h"
#include "commands/input_commands.h"
#include "form_fixture.h"

namespace v7400::testing {
namespace {

TEST_F(FormTest, SaveDialogReplacesAnExistingFileWithoutAsking) {
  std::ofstream(dir_.File("DecDisp.txt")) << "old";
  QtPrompts prompts;
  bool asked = false;
  bool accepted = false;
  // Plays the user: confirms the proposed name, and notes any question that pops up.
  QTimer user;
  user.setInterval(10);
  QObject::connect(&user, &QTimer::timeout, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      if (auto* box = qobject_cast<QMessageBox*>(window)) {
        asked = true;
        box->reject();
        return;
      }
      if (auto* dialog = qobject_cast<QFileDialog*>(window)) {
        if (accepted) {
          dialog->reject();
        } else {
          accepted = true;
          // Queued: the question it may ask runs a loop of its own, and this timer must
          // keep ticking to see it.
          QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
        return;
      }
    }
  });
  user.start();
  const auto chosen = prompts.AskSaveFile(FileDialogSpec{.title = "Save Decimal Display as",
                                                         .proposed_name = "DecDisp.txt",
                                                         .initial_dir = dir_.path().string()});
  user.stop();
  EXPECT_FALSE(asked);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, dir_.File("DecDisp.txt"));
}

TEST_F(FormTest, ArrowKeysInTheGridSelectTheLineCommandsGoTo) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbFormatSIA->click();
  QTableWidget* grid = ui.dg_linestatus;
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* line;
  } moves[] = {{Qt::Key_Right, Qt::NoModifier, "2"},
               {Qt::Key_Down, Qt::NoModifier, "10"},
               {Qt::Key_Left, Qt::NoModifier, "9"},
               {Qt::Key_End, Qt::ControlModifier, "32"}};
  for (const auto& move : moves) {
    QKeyEvent press(QEvent::KeyPress, move.key, move.modifiers);
    QApplication::sendEvent(grid, &press);
    EXPECT_EQ(ui.edtLine->text(), QString::fromLatin1(move.line));
    EXPECT_EQ(ui.pc_InputCommand->tabText(ui.pc_InputCommand->indexOf(ui.tsht_linelog)),
              QStringLiteral("Statistics of Line") + QString::fromLatin1(move.line));
  }
  form->State().LineTable[31].EventsReceived = 3;
  ui.rbDTMFSequenceCommand->click();
  ui.btnStartSend->click();
  ASSERT_EQ(serial_.writes.size(), 1u);
  EXPECT_NE(serial_.writes[0].find("0132[CSE"), std::string::npos);
  EXPECT_EQ(ui.lbl_totalcommands->text(), QStringLiteral("Total Sent Commands: 1"));
  EXPECT_EQ(ui.lbl_totalevents->text(), QStringLiteral("Total Received Events: 3"));
}

TEST_F(FormTest, FieldChecksRunOnlyWhenTheFocusMovesWithinTheWindow) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.btn_inputcommand->click();
  ui.pc_InputCommand->setCurrentWidget(ui.tsht_sendingoption);
  ui.rbBatchSending->click();
  QApplication::setActiveWindow(form.get());
  ui.edtSendingInterval->setText(QStringLiteral("0"));
  // Switching to another application, or a context menu, takes the focus without a check.
  for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    ui.edtSendingInterval->setFocus();
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(ui.edtSendingInterval, &out);
    EXPECT_TRUE(prompts_.errors.empty()) << reason;
  }
  ui.edtSendingInterval->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), ui.edtSendingInterval);
  ui.edtTotalAmount->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(prompts_.errors, std::vector<std::string>{"Expecting value from 0 to 300"});
  EXPECT_EQ(QApplication::focusWidget(), ui.edtSendingInterval);
}

TEST_F(FormTest, WindowTitlesAreExactlyTheirCaptions) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("V7400 Automation Simulator"));
  // A display name set by the program would be appended to every title by the platform; left
  // unset, it follows the application name.
  SetApplicationIdentity();
  QApplication::setApplicationName(QStringLiteral("Probe"));
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Probe"));
  QApplication::setApplicationName(QStringLiteral("V7400"));
}

TEST_F(FormTest, DtmfFieldShowsUpperCaseTypedOrPasted) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbDTMFSequenceCommand->click();
  ui.edt_dtmfsequence->clear();
  QGuiApplication::clipboard()->setText(QStringLiteral("ab*c"));
  ui.edt_dtmfsequence->paste();
  EXPECT_EQ(ui.edt_dtmfsequence->text(), QStringLiteral("AB*C"));
  EXPECT_EQ(form->Commands().Page().edt_dtmfsequence, "AB*C");
}

TEST_F(FormTest, OneShotDebugOptionUnticksItsBoxWhenItActs) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbFormatSIA->click();
  ui.rbSetTime->click();
  for (const bool only_one_time : {true, false}) {
    serial_.writes.clear();
    (only_one_time ? ui.rbOnlyOneTime : ui.rbContinously)->setChecked(true);
    ui.cbxSimulateSendingCrcError->setChecked(true);
    ui.btnStartSend->click();
    ASSERT_EQ(serial_.writes.size(), 1u);
    EXPECT_EQ(serial_.writes[0][2], '\0');
    EXPECT_EQ(ui.cbxSimulateSendingCrcError->isChecked(), !only_one_time);
    EXPECT_EQ(form->State().Debug.SimulateSendingCrcError, !only_one_time);
  }
}

}  // namespace
}  // namespace v7400::testing
