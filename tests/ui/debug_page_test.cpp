#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "form_fixture.h"

namespace v7400::testing {
namespace {

TEST_F(FormTest, DebugPageShowsOnlyWhenAskedAndRefusesABadRule) {
  {
    auto hidden = MakeForm();
    QTabWidget* tabs = hidden->Form().pc_InputCommand;
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(hidden->Form().tsht_debug)));
  }
  RunOptions options;
  options.faults.debug_page = true;
  options_ = &options;
  auto form = MakeForm();
  Ui::TForm1& ui = form->Form();
  EXPECT_TRUE(ui.pc_InputCommand->isTabVisible(ui.pc_InputCommand->indexOf(ui.tsht_debug)));
  auto* rules = form->findChild<QLineEdit*>(QStringLiteral("edtFaultRules"));
  auto* apply = form->findChild<QPushButton*>(QStringLiteral("btnApplyFaults"));
  auto* note = form->findChild<QLabel*>(QStringLiteral("FaultStatus"));
  ASSERT_TRUE(rules && apply && note);

  rules->setText(QStringLiteral("nack:every=2 drop:p=7"));
  apply->click();
  ASSERT_EQ(prompts_.errors.size(), 1U);
  EXPECT_EQ(prompts_.errors[0],
            "Answer fault 'drop:p=7': p must be a probability from 0 to 1, "
            "not \"7\"");
  EXPECT_TRUE(form->Faults().Rules().empty());

  rules->setText(QStringLiteral("nack:every=2"));
  apply->click();
  EXPECT_EQ(note->text(), QStringLiteral("Faults acting: nack:every=2"));
  ui.cbxSimulateSendingCrcError->setChecked(true);
  EXPECT_EQ(note->text(), QStringLiteral("Faults acting: nack:every=2, sending CRC error"));

  // Many rules leave the window its width; a paste over the field's limit arrives whole and is
  // refused, and the rules acting stay.
  form->show();
  QApplication::processEvents();
  const int width = form->width();
  QStringList many;
  for (int line = 1; line <= 12; ++line)
    many << QStringLiteral("drop:every=%1").arg(line + 1);
  rules->setText(many.join(u' '));
  apply->click();
  ASSERT_EQ(prompts_.errors.size(), 1U) << prompts_.errors.back();
  EXPECT_EQ(form->Faults().Rules().size(), 12U);
  QApplication::processEvents();
  EXPECT_EQ(form->width(), width);
  EXPECT_LE(form->minimumSizeHint().width(), width);
  EXPECT_EQ(note->toolTip(), note->text());
  const QString paste = QStringLiteral("drop:every=32 ").repeated(8000);  // 112,000 characters
  rules->setText(paste);
  EXPECT_EQ(rules->text().size(), paste.size());
  apply->click();
  ASSERT_EQ(prompts_.errors.size(), 2U);
  EXPECT_EQ(prompts_.errors[1],
            "Answer faults: 112000 characters, more than the 65536 the field "
            "takes; the rules acting stay as they were");
  EXPECT_EQ(form->Faults().Rules().size(), 12U);
}

// The outage counts down in whole seconds, rounded up, and its note goes when it is over.
TEST_F(FormTest, DebugPageOutageCountsDown) {
  RunOptions options;
  options.faults.debug_page = true;
  options_ = &options;
  auto form = MakeForm();
  auto* note = form->findChild<QLabel*>(QStringLiteral("FaultStatus"));
  ASSERT_TRUE(note);
  form->findChild<QPushButton*>(QStringLiteral("btnOutage"))->click();
  for (const auto& [elapsed_ms, text] :
       {std::pair{0U, "Faults acting: outage: no answers, 30 s left"},
        {9500U, "Faults acting: outage: no answers, 21 s left"},
        {29999U, "Faults acting: outage: no answers, 1 s left"}, {30000U, ""}}) {
    clock_.tick = elapsed_ms;
    form->Timer1Timer();
    EXPECT_EQ(note->text().toStdString(), text) << elapsed_ms;
  }
}

}  // namespace
}  // namespace v7400::testing
