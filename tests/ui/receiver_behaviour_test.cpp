#include <gtest/gtest.h>

#include <QChartView>
#include <QImage>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <tuple>

#include "app/window_placement.h"
#include "codec/frame.h"
#include "ui/attempt_marks_item.h"
#include "ui/receiver_behaviour_window.h"
#include "unit/fakes/fake_preference_store.h"
#include "unit/fakes/fake_prompts.h"
#include "unit/fakes/frame_records.h"
#include "unit/fakes/temp_dir.h"

namespace v7400::testing {
namespace {

class BehaviourWindowTest : public ::testing::Test {
 protected:
  BehaviourWindowTest() {
    RetryFigures& l = report_.lines[2];
    std::tie(l.events, l.attempts, l.after_nack, l.after_fault, l.most_attempts, l.given_up,
             l.lost) = std::tuple(2, 4, 1, 1, 3, 1, 2);
    for (const std::uint32_t ms : {1000U, 3000U}) l.intervals[0].Add(ms);
    l.intervals[1].Add(2000);
    report_.total = l;
    report_.outages.resize(2);
    OutageFigures &o = report_.outages[0], &p = report_.outages[1];
    std::tie(o.number, o.during, o.after, o.first_after_ms, o.whole, o.in_order, o.never_came) =
        std::tuple(2, 5, 2, 250, false, false, std::vector<int>{3, 4, 5, 6, 7});
    std::tie(p.number, p.during, p.in_order, p.never_came) =
        std::tuple(3, 1, true, std::vector<int>{});
    std::uint32_t tick = 0;  // 0001 ACKed; 0002 NACKed, unanswered, then ACKed
    for (const std::string send : {"0001A", "0002N", "0002-", "0002A"}) {
      FrameReport record = Completed(
          FrameIn(LinkKind::kUdp, "", WrapSiaBody("\t" + send.substr(0, 4) + "0103[#1234|NBA01]"),
                  send[4] == 'N' ? FrameVerdict::kNack : FrameVerdict::kAck, ""),
          AutomationFormat::kSia, tick += 1000);
      record.answer = {.delivered = send[4] == 'A', .sent = send[4] != '-'};
      timeline_.OnFrame(record);
    }
  }

  std::unique_ptr<ReceiverBehaviourWindow> Open() {
    auto window = std::make_unique<ReceiverBehaviourWindow>(BehaviourSource{
        [this] { return report_; }, &timeline_, [this] { return now_; },
        [this] { return running_; },
        [this](const std::string& path) { return saved_.push_back(path), save_error_; },
        [this] { ++resets_; }, &prompts_, &store_});
    window->show();
    return window;
  }

  // Its rows, each "cell|cell|...\n".
  static std::string Table(const ReceiverBehaviourWindow& window, const char* name) {
    const auto* table = window.findChild<QTableWidget*>(QString::fromLatin1(name));
    std::string text;
    for (int r = 0; r < table->rowCount(); ++r) {
      for (int c = 0; c < table->columnCount(); ++c) {
        text +=
            table->item(r, c)->text().toStdString() + (c + 1 < table->columnCount() ? "|" : "\n");
      }
    }
    return text;
  }

  LedgerReport report_;
  AttemptTimeline timeline_;
  std::uint32_t now_ = 5000;
  OutageUnderWay running_ = std::pair(3, 2500U);
  std::vector<std::string> saved_;
  std::string save_error_ = "disk full";
  int resets_ = 0;
  FakePrompts prompts_;
  FakePreferenceStore store_;
  TempDir dir_;
};

TEST_F(BehaviourWindowTest, TablesAndChartShowTheFigures) {
  const auto window = Open();
  const std::string figures = "|2|4|0|1|1|1000/3000/3000 ms|2000/2000/2000 ms|-|-|3|1|";
  const std::string done = "2|done|5|2|250|-|no|no|5: 0003 0004 0005 0006 ...\n";
  EXPECT_EQ(Table(*window, "tblLines"), "03" + figures + "2\ntotal" + figures + "2\n");
  EXPECT_EQ(Table(*window, "tblOutages"), done + "3|running, 3 s left|1|0|-|-|yes|yes|none\n");
  std::string counts;  // of ACK, NACK, missing and spoiled attempts
  for (QGraphicsItem* item : window->findChild<QChartView*>()->chart()->childItems()) {
    if (const auto* marks = dynamic_cast<const AttemptMarksItem*>(item)) {
      for (std::size_t kind = 0; kind < AttemptMarksItem::kKinds; ++kind) {
        counts += std::to_string(marks->Marks(kind));
      }
    }
  }
  EXPECT_EQ(counts, "2110");
  // "4100": nothing lost is known. The figures are looked at again within a second.
  report_.numbered = false;
  running_ = std::pair(3, 400U);
  now_ += 1000;
  window->Refresh();
  QTest::qWait(50);  // the refresh runs in steps
  EXPECT_EQ(Table(*window, "tblLines"), "03" + figures + "-\ntotal" + figures + "-\n");
  EXPECT_EQ(Table(*window, "tblOutages"), done + "3|running, 1 s left|1|0|-|-|yes|yes|none\n");
}

TEST_F(BehaviourWindowTest, SavesResetsAndKeepsItsPlace) {
  SaveWindowRect(store_, {40, 50, 600, 520}, kBehaviourWindowKey);
  const auto window = Open();
  EXPECT_EQ(window->geometry(), QRect(40, 50, 600, 520));
  const auto click = [&](const char* name) {
    window->findChild<QPushButton*>(QString::fromLatin1(name))->click();
  };
  prompts_.chosen_path = dir_.File("r.json");
  click("btnSaveReport");
  EXPECT_EQ(saved_, std::vector<std::string>{dir_.File("r.json")});
  const FileDialogSpec& asked = prompts_.dialogs.at(0);
  EXPECT_EQ(asked.proposed_name + " " + asked.filter + " " + asked.default_extension,
            "receiver-report.json JSON files|*.json json");
  for (const char* name : {"chart.png", "no/such/folder.png"}) {
    prompts_.chosen_path = dir_.File(name);
    click("btnSaveChart");
  }
  EXPECT_FALSE(QImage(QString::fromStdString(dir_.File("chart.png"))).isNull());
  EXPECT_EQ(prompts_.errors.size(), 2U);  // "disk full" and the second chart
  click("btnReset");
  EXPECT_EQ(resets_, 1);
  window->setGeometry(60, 40, 620, 530);
  window->close();
  EXPECT_EQ(LoadWindowRect(store_, kBehaviourWindowKey), (WindowRect{60, 40, 620, 530}));
}

}  // namespace
}  // namespace v7400::testing
