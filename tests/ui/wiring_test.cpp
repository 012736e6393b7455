#include "commands/input_commands.h"
#include "form_fixture.h"
#include "ui/up_down.h"

namespace v7400::testing {
namespace {

TEST_F(FormTest, LinkIsBroughtUpInTheCreationOrder) {
  auto form = MakeForm();
  EXPECT_EQ(link_->steps,
            (std::vector<std::string>{"discover", "network", "open", "attach", "cipher "}));
  ASSERT_TRUE(link_->serial_handler);
  serial_.Feed("9\x14");
  link_->serial_handler(2);
  EXPECT_EQ(form->StatusText(0), QStringLiteral("Received: 1"));
  ASSERT_TRUE(CloseAnswering(*form, prompts_, true));
  EXPECT_EQ(link_->steps.back(), "release");
}

TEST_F(FormTest, FailedSerialOpenOpensTheSettingsDialogOnceWhileTheWindowIsBuilt) {
  serial_open_fails_ = true;
  auto form = MakeForm();
  EXPECT_EQ(settings_dialogs_, 1);
  EXPECT_FALSE(form->State().OpenFailed);
  EXPECT_EQ(link_->steps.back(), "cipher ");
  serial_open_fails_ = false;
  auto second = MakeForm();
  EXPECT_EQ(settings_dialogs_, 1);
}

TEST_F(FormTest, DatagramFromTheReceiverIsShownAndAnsweredOnTheNetwork) {
  auto form = MakeForm();
  form->State().ConnectionMode = ConnectionMode::kNetwork;
  form->State().ReceiverAddress = "192.0.2.20";
  link_->datagram_handler("EVENT 1\x14", "192.0.2.20", IpVersion::kIPv4);
  link_->datagram_handler("EVENT 2\x14", "198.51.100.7", IpVersion::kIPv4);
  ASSERT_EQ(Rows(*form, DisplayList::kDecimal), 1);
  EXPECT_EQ(Row(*form, DisplayList::kDecimal, 0).substr(0, 24), "14:05:09 <1> :  EVENTs1[");
  EXPECT_EQ(network_.sent, std::vector<std::string>{"\x06"});
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 1"));
}

TEST_F(FormTest, StartSendingSendsTheSelectedCommandToTheGridLine) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbFormatSIA->click();
  QTableWidget* grid = ui.dg_linestatus;
  Click(grid->viewport(), grid->visualRect(grid->model()->index(0, 6)).center());
  EXPECT_EQ(ui.edtLine->text(), QStringLiteral("7"));
  ui.rbHighLevelCommands->click();
  ui.cbx_highlevelcommands->setCurrentIndex(14);  // "CMD0A10 "
  ui.btnStartSend->click();
  ASSERT_EQ(serial_.writes.size(), 1u);
  EXPECT_NE(serial_.writes[0].find("CMD0A10"), std::string::npos);
  EXPECT_EQ(serial_.writes[0].find("CMD0A10 "), std::string::npos);
  EXPECT_NE(serial_.writes[0].find("07"), std::string::npos);
  EXPECT_EQ(form->StatusText(1), QStringLiteral("Sent: 1"));
  EXPECT_EQ(ui.lbl_totalcommands->text(), QStringLiteral("Total Sent Commands: 1"));
  EXPECT_TRUE(ErrorLogLines().empty());
}

TEST_F(FormTest, DetailedLogSaveFailureIsOneErrorLogLine) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.cbx_EnableDetailedLog->click();
  EXPECT_TRUE(ui.memLog->isEnabled());
  EXPECT_TRUE(ui.edt_detailedlog->isEnabled());
  prompts_.chosen_path = dir_.File("missing/dir/log.txt");
  ui.Button1->click();
  const auto lines = ErrorLogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 30), "03-15-2012 14:05:09  Button1  ");
  EXPECT_TRUE(prompts_.errors.empty());
}

TEST_F(FormTest, UpDownStepsTheFieldWithinItsRange) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbBatchSending->click();
  ui.ud_sendinginterval->Step(1);
  EXPECT_EQ(ui.edtSendingInterval->text(), QStringLiteral("2"));
  ui.edtSendingInterval->setText(QStringLiteral("300"));
  ui.ud_sendinginterval->Step(1);
  EXPECT_EQ(ui.edtSendingInterval->text(), QStringLiteral("300"));
  EXPECT_EQ(form->Commands().Batch().options.edtSendingInterval, "300");
}

}  // namespace
}  // namespace v7400::testing
