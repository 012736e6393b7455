// The lists and status panels follow the stores on a refresh: nothing lost or reordered however
// many entries arrive between two refreshes, and the answer to a frame never waits for one.
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTest>

#include "ui/form_fixture.h"

namespace v7400::testing {
namespace {

using Display = DisplayList;

int RawRows(TForm1& form, Display list) {
  QAbstractItemView* view = list == Display::kDecimal ? form.Form().lbxDecimal : form.Form().lbxHex;
  return view->model()->rowCount();
}

// Every row shows the store's entry of the same number, and auto scroll has reached the end.
void ExpectListsMatchStores(TForm1& form, const std::string& context) {
  for (const Display list : {Display::kDecimal, Display::kHex}) {
    const auto& entries = form.Sink().Entries(list);
    ASSERT_EQ(RawRows(form, list), static_cast<int>(entries.size())) << context;
    QAbstractItemView* view =
        list == Display::kDecimal ? form.Form().lbxDecimal : form.Form().lbxHex;
    for (std::size_t row = 0; row < entries.size(); ++row) {
      ASSERT_EQ(view->model()->index(static_cast<int>(row), 0).data().toString().toStdString(),
                entries[row])
          << context << " row " << row;
    }
    EXPECT_EQ(view->currentIndex().row(), static_cast<int>(entries.size()) - 1) << context;
  }
}

TEST_F(FormTest, BurstsBetweenRefreshesAreShownWholeAndInOrder) {
  const struct {
    const char* name;
    std::vector<int> bursts;  // entries appended before each refresh
  } cases[] = {
      {"a few", {3, 1, 7}},
      {"up to the cap and one over", {31999, 2}},
      {"past the cap in one go", {40000}},
      {"short list then a burst that drops all it showed", {10, 33000, 1}},
      {"at the cap, a trickle", {32001, 1, 1, 5}},
  };
  for (const auto& c : cases) {
    auto form = MakeForm();
    int next = 0;
    for (const int burst : c.bursts) {
      for (int i = 0; i < burst; ++i, ++next) {
        form->Sink().AppendDisplayEntry("h" + std::to_string(next), "d" + std::to_string(next));
        form->Sink().ScrollDisplayToEnd();
      }
      form->RefreshDisplays();
      ExpectListsMatchStores(*form, std::string(c.name) + " after " + std::to_string(next));
    }
    EXPECT_EQ(form->Sink().Entries(Display::kDecimal).back(), "d" + std::to_string(next - 1));
  }
}

// Entries dropped at the cap before the list caught up: a copy still takes the entries the user
// selected, not the ones now at the same row numbers.
TEST_F(FormTest, CopyFollowsTheSelectedEntriesAcrossDrops) {
  auto form = MakeForm();
  form->Form().cbxAutoScroll->setChecked(false);
  for (int i = 0; i < 32001; ++i) form->Sink().AppendDisplayEntry("h", "d" + std::to_string(i));
  form->RefreshDisplays();
  auto* selection = form->Form().lbxDecimal->selectionModel();
  for (const int row : {5, 6}) {
    selection->select(form->Form().lbxDecimal->model()->index(row, 0), QItemSelectionModel::Select);
  }
  for (int i = 0; i < 3; ++i) form->Sink().AppendDisplayEntry("h", "new");
  form->Cut1Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "d5\r\nd6\r\n");
}

// A frame is answered while the handler runs; the lists catch up once the event loop turns, one
// list at a time, with no refresh asked for. A frame that comes in between is caught up too.
TEST_F(FormTest, AnswerGoesOutBeforeTheListsCatchUp) {
  auto form = MakeForm();
  serial_.Feed("A\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_EQ(serial_.writes, std::vector<std::string>{"\x06"});
  EXPECT_EQ(RawRows(*form, Display::kDecimal), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(RawRows(*form, Display::kDecimal), 1);
  serial_.Feed("B\x14");
  form->ApdComPort1TriggerAvail(2);
  const auto caught_up = [&] {
    return RawRows(*form, Display::kDecimal) == 2 && RawRows(*form, Display::kHex) == 2 &&
           form->Form().lbxHex->currentIndex().row() == 1 &&
           form->Form().lbxDecimal->currentIndex().row() == 1;
  };
  EXPECT_TRUE(QTest::qWaitFor(caught_up, 2000));
}

}  // namespace
}  // namespace v7400::testing
