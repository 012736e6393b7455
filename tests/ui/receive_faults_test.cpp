// The window when its links fail: a serial device that goes away, a traffic log that stops
// taking lines, a termination in the middle of the traffic.
#include <QFile>
#include <filesystem>

#include "ui/form_fixture.h"

namespace v7400::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST_F(FormTest, LostSerialDeviceShowsInTheStatusPanelAndOnceInTheErrorLog) {
  auto form = MakeForm();
  form->ShowStatus(2, "Local PC:  COM3 8N1 115200");
  serial_.Feed("AB");  // a frame cut by the loss
  form->ApdComPort1TriggerAvail(2);
  form->SerialLinkChanged(false, "/dev/ttyUSB0: the device hung up");
  EXPECT_EQ(form->StatusText(2).toStdString(),
            "Local PC:  COM3 8N1 115200   (port lost, waiting for the device)");
  EXPECT_EQ(ErrorLogLines(),
            std::vector<std::string>{"03-15-2012 14:05:09  ApdComPort1  Serial port lost: "
                                     "/dev/ttyUSB0: the device hung up"});

  form->SerialLinkChanged(true, "/dev/ttyUSB0");
  EXPECT_EQ(form->StatusText(2).toStdString(), "Local PC:  COM3 8N1 115200");
  serial_.Feed("C\x14");
  form->ApdComPort1TriggerAvail(2);
  EXPECT_EQ(Row(*form, DisplayList::kDecimal, 0), "14:05:09 <1> :  C[20]    <06>");
  EXPECT_EQ(serial_.writes, std::vector<std::string>{"\x06"});
  EXPECT_EQ(ErrorLogLines().size(), 1u);
}

// The log's folder vanishes mid-run: one error line at the next flush, every frame still
// answered, and the lines come back once the folder is there again.
TEST_F(FormTest, UnwritableTrafficLogIsReportedAndFramesAreStillAnswered) {
  auto form = MakeForm();
  const std::filesystem::path folder = dir_.path() / "logs";
  std::filesystem::create_directory(folder);
  prompts_.chosen_path = (folder / "traffic.txt").string();
  form->Form().cbxSaveLogToFile->click();
  auto frames = [&](int count) {
    for (int i = 0; i < count; ++i) {
      serial_.Feed("F\x14");
      form->ApdComPort1TriggerAvail(2);
    }
  };
  auto seconds = [&](int count) {
    for (int i = 0; i < count; ++i) form->Timer1Timer();
  };
  frames(10);
  std::filesystem::remove_all(folder);
  seconds(11);
  frames(10);
  seconds(22);
  EXPECT_EQ(serial_.writes.size(), 20u);
  const auto errors = ErrorLogLines();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("cbxSaveLogToFile  Cannot open traffic log"), std::string::npos)
      << errors[0];

  std::filesystem::create_directory(folder);
  seconds(11);
  frames(1);
  form->Terminate();
  EXPECT_EQ(Lines(ReadFile((folder / "traffic.txt").string())),
            (std::vector<std::string>{"14:05:09 <21> :  F[20]    <06>",
                                      "Total received: 21   Total sent: 21"}));
}

// Terminated in the middle of the traffic: the log holds every frame answered before, then the
// totals line.
TEST_F(FormTest, TerminationMidTrafficKeepsEveryAnsweredFrameInTheLog) {
  auto form = MakeForm();
  prompts_.chosen_path = dir_.File("traffic.txt");
  form->Form().cbxSaveLogToFile->click();
  std::string burst;
  for (int i = 0; i < 3000; ++i) burst += "F\x14";
  serial_.Feed(burst);
  form->ApdComPort1TriggerAvail(static_cast<int>(burst.size()));
  form->Terminate();
  serial_.Feed("late\x14");
  form->ApdComPort1TriggerAvail(5);
  const auto lines = Lines(ReadFile(dir_.File("traffic.txt")));
  ASSERT_EQ(lines.size(), serial_.writes.size() + 1);
  EXPECT_EQ(lines.front(), "14:05:09 <1> :  F[20]    <06>");
  EXPECT_EQ(lines[lines.size() - 2], "14:05:09 <3000> :  F[20]    <06>");
  EXPECT_EQ(lines.back(), "Total received: 3000   Total sent: 3000");
}

}  // namespace
}  // namespace v7400::testing
