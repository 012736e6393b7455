#include "display/display_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "display/display_text.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_view.h"
#include "fakes/fake_prompts.h"
#include "fakes/temp_dir.h"

namespace v7400 {
namespace {

using testing::FakeDisplayView;
using testing::FakePrompts;
using testing::ReadFile;
using testing::TempDir;

class DisplaySinkTest : public ::testing::Test {
 protected:
  const std::deque<std::string>& Decimal() { return sink.Entries(DisplayList::kDecimal); }
  const std::deque<std::string>& Hex() { return sink.Entries(DisplayList::kHex); }
  void StartLog(const std::string& path) {
    prompts.chosen_path = path;
    sink.SaveLogToFileClicked(true, prompts, dir.path().string());
  }

  SimulatorState state;
  FakeDisplayView view;
  DisplaySink sink{state, view};
  FakePrompts prompts;
  TempDir dir;
};

TEST(DisplayTextTest, Renderings) {
  EXPECT_EQ(RenderHex("\x0A"
                      "0"),
            "0A 30 ");
  EXPECT_EQ(RenderHex(""), "");
  EXPECT_EQ(RenderDecimal("\x0A"
                          "A \x14",
                          true),
            "[10]As[20]");
  EXPECT_EQ(RenderDecimal("\x0A"
                          "A \x14",
                          false),
            "[10]A [20]");
  EXPECT_EQ(RenderDecimal(std::string("\x00\x1F\x21\x7F\x80\xFF", 6), true),
            "[0][31]!\x7F[128][255]");
  EXPECT_EQ(RenderBracketedHex("\x06\xAB"), "[06][AB]");
  EXPECT_EQ(RenderDecimal("", true), "");
  // Written onto what is there already, runs of printable bytes at either end.
  std::string text = "ab";
  AppendDecimal(text, "xy\x01z", false);
  AppendBracketedHex(text, "\x7F");
  EXPECT_EQ(text, "abxy[1]z[7F]");
}

TEST(DisplayTextTest, TimeStamps) {
  testing::FakeClock clock;
  EXPECT_EQ(TimeStamp(clock), "14:05:09");
  EXPECT_EQ(DateTimeStamp(clock), "03-15-2012 14:05:09");
  clock.now = {2026, 12, 31, 0, 0, 0, 0};
  EXPECT_EQ(DateTimeStamp(clock), "12-31-2026 00:00:00");
}

TEST_F(DisplaySinkTest, CapKeepsBothListsAt32001WithOneDeletionPerAppend) {
  for (std::size_t i = 0; i < kDisplayCap; ++i) sink.AppendDisplayEntry("h", "d");
  EXPECT_EQ(view.removals[0], 0);
  sink.AppendDisplayEntry("h-first-over", "d-first-over");
  EXPECT_EQ(Decimal().size(), kDisplayCap + 1);
  EXPECT_EQ(Hex().size(), kDisplayCap + 1);
  EXPECT_EQ(view.removals[0], 0);
  for (int i = 0; i < 3; ++i)
    sink.AppendDisplayEntry("h" + std::to_string(i), "d" + std::to_string(i));
  EXPECT_EQ(Decimal().size(), kDisplayCap + 1);
  EXPECT_EQ(Hex().size(), kDisplayCap + 1);
  EXPECT_EQ(view.removals[0], 3);
  EXPECT_EQ(view.removals[1], 3);
  EXPECT_EQ(Decimal().back(), "d2");
  EXPECT_EQ(Hex().back(), "h2");
  EXPECT_EQ(Decimal()[kDisplayCap - 3], "d-first-over");
  EXPECT_FALSE(view.unbalanced);
}

TEST_F(DisplaySinkTest, LongEntriesAreShownCutWithTheirLengthAndLoggedWhole) {
  StartLog(dir.File("log.txt"));
  const std::string at_limit(kDisplayEntryLimit, 'a');
  const std::string huge = "12:00:00 <1> :  " + std::string(327535 - 16, 'x');
  sink.AppendDisplayEntry(at_limit, huge);
  sink.WriteTrafficLog(huge);
  EXPECT_EQ(Hex().back(), at_limit);
  EXPECT_EQ(Decimal().back(), huge.substr(0, kDisplayEntryLimit) + " ... (327535 characters)");
  sink.CloseLog();
  EXPECT_EQ(ReadFile(dir.File("log.txt")), huge + "\r\nTotal received: 0   Total sent: 0\r\n");
}

TEST_F(DisplaySinkTest, ScrollFollowsTheAutoScrollBox) {
  sink.ScrollDisplayToEnd();
  EXPECT_EQ(view.selected_last,
            (std::vector<DisplayList>{DisplayList::kDecimal, DisplayList::kHex}));
  view.auto_scroll = false;
  sink.ScrollDisplayToEnd();
  EXPECT_EQ(view.selected_last.size(), 2U);
}

TEST_F(DisplaySinkTest, ClearAsksAndResetsOnlyOnYes) {
  sink.AppendDisplayEntry("h", "d");
  state.ReceivedCount = 4;
  state.SentCount = 2;
  prompts.answer_yes = false;
  EXPECT_FALSE(sink.Clear(prompts));
  EXPECT_EQ(Decimal().size(), 1U);
  EXPECT_EQ(state.ReceivedCount, 4);
  EXPECT_EQ(prompts.questions.at(0), kClearQuestion);

  prompts.answer_yes = true;
  view.status = {"Received: 4", "Sent: 2", "x"};
  EXPECT_TRUE(sink.Clear(prompts));
  EXPECT_TRUE(Decimal().empty() && Hex().empty());
  EXPECT_EQ(state.ReceivedCount, 0);
  EXPECT_EQ(state.SentCount, 0);
  EXPECT_EQ(view.status[0], "Received: 0");
  EXPECT_EQ(view.status[1], "Sent: 0");
}

TEST_F(DisplaySinkTest, ClipboardTextHoldsTheSelectedEntriesInOrder) {
  for (const char* entry : {"a", "b", "c"})
    sink.AppendDisplayEntry(std::string("h") + entry, entry);
  EXPECT_EQ(sink.ClipboardText(DisplayList::kDecimal, {2, 0, 7}), "a\r\nc\r\n");
  EXPECT_EQ(sink.ClipboardText(DisplayList::kHex, {1}), "hb\r\n");
  EXPECT_EQ(sink.ClipboardText(DisplayList::kHex, {}), "");
  EXPECT_EQ(sink.EntryAt(DisplayList::kDecimal, 1), "b");
  EXPECT_EQ(sink.EntryAt(DisplayList::kDecimal, 3), std::nullopt);
}

TEST_F(DisplaySinkTest, SaveWritesEveryEntryAndOverwrites) {
  sink.AppendDisplayEntry("41 ", "A");
  sink.AppendDisplayEntry("42 ", "B");
  const std::string path = dir.File("HexDisp.txt");
  { std::ofstream(path) << "old content that is longer"; }
  prompts.chosen_path = path;
  sink.SaveList(DisplayList::kHex, prompts, dir.path().string());
  EXPECT_EQ(ReadFile(path), "41 \r\n42 \r\n");
  EXPECT_EQ(prompts.dialogs.at(0).proposed_name, "HexDisp.txt");
  EXPECT_EQ(prompts.dialogs.at(0).title, "Save Hexadecimal Display as");
  sink.SaveList(DisplayList::kDecimal, prompts, dir.path().string());
  EXPECT_EQ(prompts.dialogs.at(1).proposed_name, "DecDisp.txt");
  EXPECT_EQ(ReadFile(path), "A\r\nB\r\n");

  prompts.chosen_path = dir.File("no/such/folder/x.txt");
  EXPECT_THROW(sink.SaveList(DisplayList::kHex, prompts, ""), std::runtime_error);
}

TEST_F(DisplaySinkTest, CancelledLogDialogLeavesLoggingOff) {
  view.log_checked = true;
  prompts.chosen_path.reset();
  sink.SaveLogToFileClicked(true, prompts, dir.path().string());
  EXPECT_FALSE(sink.Log().IsOn());
  EXPECT_FALSE(view.log_checked);
  EXPECT_FALSE(view.empty_log_enabled);
  EXPECT_EQ(prompts.dialogs.at(0).title, "Select system log file");
  EXPECT_EQ(prompts.dialogs.at(0).proposed_name, "V7400Log.txt");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The last line was cut off by a killed earlier run: it is ended before the first new line.
TEST_F(DisplaySinkTest, LogAppendsToAnExistingFileAndEndsWithTotals) {
  const std::string path = dir.File("V7400Log.txt");
  { std::ofstream(path, std::ios::binary) << "earlier\r\ncut [13]"; }
  StartLog(path);
  EXPECT_TRUE(view.empty_log_enabled);
  sink.WriteTrafficLog("first");
  sink.WriteTrafficLog("second");
  state.ReceivedCount = 12;
  state.SentCount = 3;
  sink.SaveLogToFileClicked(false, prompts, "");
  EXPECT_FALSE(view.empty_log_enabled);
  sink.WriteTrafficLog("after stop");
  EXPECT_EQ(ReadFile(path),
            "earlier\r\ncut [13]\r\nfirst\r\nsecond\r\nTotal received: 12   Total sent: 3\r\n");
}

TEST_F(DisplaySinkTest, EmptyLogFileKeepsOnlyLaterLines) {
  const std::string path = dir.File("log.txt");
  StartLog(path);
  sink.WriteTrafficLog("before");
  prompts.answer_yes = false;
  sink.EmptyLogFile(prompts);
  prompts.answer_yes = true;
  sink.EmptyLogFile(prompts);
  EXPECT_EQ(prompts.questions.back(), kEmptyLogQuestion);
  sink.WriteTrafficLog("after");
  sink.CloseLog();
  EXPECT_EQ(ReadFile(path), "after\r\nTotal received: 0   Total sent: 0\r\n");
}

TEST_F(DisplaySinkTest, LinesReachTheFileAsTheyAreLogged) {
  const std::string path = dir.File("log.txt");
  StartLog(path);
  sink.WriteTrafficLog("buffered");
  EXPECT_EQ(ReadFile(path), "buffered\r\n");
  for (int tick = 1; tick <= 11; ++tick) sink.Timer1Timer();
  EXPECT_EQ(ReadFile(path), "buffered\r\n");
  sink.WriteTrafficLog("more");
  sink.CloseLog();
  EXPECT_EQ(ReadFile(path), "buffered\r\nmore\r\nTotal received: 0   Total sent: 0\r\n");
}

TEST_F(DisplaySinkTest, UnopenableLogFileLosesLinesSilently) {
  StartLog(dir.File("missing/dir/log.txt"));
  EXPECT_TRUE(sink.Log().IsOn());
  sink.WriteTrafficLog("lost");
  sink.Timer1Timer();
  sink.CloseLog();
  EXPECT_FALSE(sink.Log().IsOn());
}

// A log that stops taking lines is reported once, not once per line, and logging goes on.
TEST_F(DisplaySinkTest, LogFailuresAreReportedOncePerSpell) {
  const struct {
    const char* name;
    std::string path;
    const char* message_start;  // nullptr: no report
  } cases[] = {
      {"folder missing", dir.File("missing/dir/log.txt"), "Cannot open traffic log"},
      {"device", "/dev/full", "Cannot open traffic log \"/dev/full\": Not a regular file"},
      {"writable file", dir.File("log.txt"), nullptr},
  };
  for (const auto& c : cases) {
    std::vector<std::string> reports;
    sink.SetLogFailureHandler([&](const std::string& message) { reports.push_back(message); });
    StartLog(c.path);
    const std::string line(100, 'x');
    for (int tick = 0; tick < 23; ++tick) {
      for (int i = 0; i < 100; ++i) sink.WriteTrafficLog(line);
      sink.Timer1Timer();
    }
    sink.CloseLog();
    EXPECT_TRUE(c.message_start == nullptr ? reports.empty() : reports.size() == 1u)
        << c.name << ": " << reports.size() << " reports";
    if (c.message_start != nullptr && !reports.empty()) {
      EXPECT_EQ(reports[0].rfind(c.message_start, 0), 0u) << c.name << ": " << reports[0];
    }
  }
}

}  // namespace
}  // namespace v7400
