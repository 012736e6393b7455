#include <QKeyEvent>
#include <algorithm>
#include <chrono>

#include "form_fixture.h"

namespace v7400::testing {
namespace {

void Type(QWidget* field, const QString& keys) {
  for (const QChar key : keys) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
    QApplication::sendEvent(field, &press);
  }
}

TEST_F(FormTest, KeyFiltersLetOnlyTheirCharactersThrough) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbDTMFSequenceCommand->click();
  ASSERT_TRUE(ui.edt_dtmfsequence->isEnabled());
  ui.edt_dtmfsequence->clear();
  Type(ui.edt_dtmfsequence, QStringLiteral("aEA5*#!W,G9d"));
  EXPECT_EQ(ui.edt_dtmfsequence->text(), QStringLiteral("A5*#!W,9"));

  ui.rb_Remoteprograme->click();
  ui.edt_programmingstr->setCurrentText(QString());
  Type(ui.edt_programmingstr, QStringLiteral("0aFG9"));
  EXPECT_EQ(ui.edt_programmingstr->currentText(), QStringLiteral("0F9"));

  ui.rbBatchSending->click();
  ui.edtTotalAmount->clear();
  Type(ui.edtTotalAmount, QStringLiteral("1x2-3"));
  EXPECT_EQ(ui.edtTotalAmount->text(), QStringLiteral("123"));
}

TEST_F(FormTest, EnablingRuleFollowsTheChosenCommand) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  ui.rbHighLevelCommands->click();
  EXPECT_TRUE(ui.cbx_highlevelcommands->isEnabled());
  EXPECT_FALSE(ui.edt_dtmfsequence->isEnabled());

  ui.rb_recyclingsend->click();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].substr(0, 40), "Recylcing sending input commands will be");
  EXPECT_EQ(prompts_.messages[0].back(), ' ');
  EXPECT_FALSE(ui.btnStartSend->isEnabled());
  EXPECT_TRUE(ui.lbl_recycling->isEnabled());
  EXPECT_FALSE(ui.cbx_highlevelcommands->isEnabled());
  EXPECT_EQ(ui.btnStopBatch->text(), QStringLiteral("Stop Recycling Sending"));

  ui.rbSetTime->click();
  EXPECT_TRUE(ui.btnStartSend->isEnabled());
  EXPECT_FALSE(ui.lbl_recycling->isEnabled());
  EXPECT_EQ(ui.btnStopBatch->text(), QStringLiteral("Stop Batch Sending"));

  ui.rbBatchSending->click();
  EXPECT_TRUE(ui.edtTotalAmount->isEnabled());
  EXPECT_TRUE(ui.edtSendingInterval->isEnabled());
  EXPECT_TRUE(ui.lbl_seconds->isEnabled());
  ui.rb_persecond->click();
  EXPECT_FALSE(ui.edtSendingInterval->isEnabled());
  EXPECT_TRUE(ui.edtPerSecond->isEnabled());
  ui.rbSendOne->click();
  EXPECT_FALSE(ui.edtTotalAmount->isEnabled());
  EXPECT_FALSE(ui.edtPerSecond->isEnabled());
}

TEST_F(FormTest, NumberFieldsAreCheckedOnLeaving) {
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  struct Case {
    QString text;
    bool error;
  };
  for (const Case& c : {Case{QStringLiteral("99999"), false}, Case{QStringLiteral(""), true},
                        Case{QStringLiteral("0"), false}}) {
    prompts_.errors.clear();
    ui.edtTotalAmount->setText(c.text);
    form->edtTotalAmountExit();
    EXPECT_EQ(prompts_.errors.size(), c.error ? 1u : 0u) << c.text.toStdString();
  }
  EXPECT_EQ(prompts_.errors, std::vector<std::string>{});
  ui.edtTotalAmount->setText(QString());
  form->edtTotalAmountExit();
  EXPECT_EQ(prompts_.errors, std::vector<std::string>{"Expecting value from 0 to 99999"});

  for (const char* text : {"0", "51"}) {
    ui.edtPerSecond->setText(QString::fromLatin1(text));
    form->edtPerSecondExit();
    EXPECT_EQ(ui.edtPerSecond->text(), QStringLiteral("1")) << text;
  }
  ui.edtPerSecond->setText(QStringLiteral("50"));
  form->edtPerSecondExit();
  EXPECT_EQ(ui.edtPerSecond->text(), QStringLiteral("50"));

  prompts_.errors.clear();
  ui.edtSendingInterval->setText(QStringLiteral("0"));
  form->edtSendingIntervalExit();
  EXPECT_EQ(prompts_.errors, std::vector<std::string>{"Expecting value from 0 to 300"});
}

TEST_F(FormTest, ListsStayAtTheCapAndEachAppendCostsTheSameAtAnyLength) {
  auto form = MakeForm();
  int next = 1;
  auto append_timed = [&](int count) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i, ++next) {
      form->Sink().AppendDisplayEntry("h" + std::to_string(next), "d" + std::to_string(next));
      form->Sink().ScrollDisplayToEnd();
    }
    return std::chrono::steady_clock::now() - start;
  };
  // The fastest of three rounds: another process taking the CPU for a while slows one round only.
  auto fastest = [&](int count) {
    return std::min({append_timed(count), append_timed(count), append_timed(count)});
  };
  const auto short_lists = fastest(600);
  append_timed(32005 - 2 * 1800);
  const auto at_cap = fastest(600);
  EXPECT_EQ(Rows(*form, DisplayList::kDecimal), 32001);
  EXPECT_EQ(Rows(*form, DisplayList::kHex), 32001);
  EXPECT_EQ(Row(*form, DisplayList::kDecimal, 0), "d5");
  EXPECT_EQ(Row(*form, DisplayList::kHex, 32000), "h32005");
  EXPECT_EQ(form->Form().lbxDecimal->currentIndex().row(), 32000);
  // Generous bound: a relayout of every row per append would make this ratio hundreds.
  EXPECT_LT(at_cap.count(), 5 * short_lists.count());
}

}  // namespace
}  // namespace v7400::testing
