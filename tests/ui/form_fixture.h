// Builds the real main window over fakes: answers to boxes come from FakePrompts, the links are
// fed by the test, preferences live in a settings file of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/error_log.h"
#include "app/qt/settings_store.h"
#include "ui/fake_link.h"
#include "ui/tform1.h"
#include "ui_tform1.h"
#include "unit/fakes/fake_clock.h"
#include "unit/fakes/fake_links.h"
#include "unit/fakes/fake_prompts.h"
#include "unit/fakes/temp_dir.h"

namespace v7400::testing {

class FormTest : public ::testing::Test {
 protected:
  FormTest()
      : error_log_(dir_.path().string(), clock_),
        store_(std::make_unique<SettingsStore>(QString::fromStdString(dir_.File("prefs.ini")))) {}

  std::unique_ptr<TForm1> MakeForm() {
    auto form = std::make_unique<TForm1>(FormPorts{
        .prompts = prompts_,
        .preferences = *store_,
        .clock = clock_,
        .error_log = error_log_,
        .exe_dir = dir_.path().string(),
        .make_link =
            [this](SimulatorState& state, DisplayView&) {
              auto link = std::make_unique<FakeLink>(state, serial_, network_, ingress_,
                                                     serial_open_fails_);
              link_ = link.get();
              return link;
            },
        .settings_dialog =
            [this] {
              ++settings_dialogs_;
              if (on_settings_dialog_) on_settings_dialog_();
            },
        .about_box = [this] { ++about_boxes_; },
        .command_help =
            [this] {
              if (command_help_) command_help_();
            },
        .options = options_,
    });
    form->show();
    return form;
  }

  // Closes the window answering the exit question with `yes`; true when it closed.
  static bool CloseAnswering(TForm1& form, FakePrompts& prompts, bool yes) {
    prompts.answer_yes = yes;
    return form.close();
  }

  static void Click(QWidget* widget, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }

  std::vector<std::string> ErrorLogLines() const {
    std::vector<std::string> lines;
    const std::string text = ReadFile(dir_.File("error.log"));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  // The lists as shown once the window has caught up with the stores.
  static std::string Row(TForm1& form, DisplayList list, int row) {
    form.RefreshDisplays();
    QAbstractItemView* view =
        list == DisplayList::kDecimal ? form.Form().lbxDecimal : form.Form().lbxHex;
    return view->model()->index(row, 0).data().toString().toStdString();
  }
  static int Rows(TForm1& form, DisplayList list) {
    form.RefreshDisplays();
    QAbstractItemView* view =
        list == DisplayList::kDecimal ? form.Form().lbxDecimal : form.Form().lbxHex;
    return view->model()->rowCount();
  }

  TempDir dir_;
  FakeClock clock_;
  FakePrompts prompts_;
  ErrorLog error_log_;
  std::unique_ptr<SettingsStore> store_;
  FakeSerialPort serial_;
  FakeDatagramSender network_;
  FakeNetworkIngress ingress_;
  FakeLink* link_ = nullptr;  // owned by the window
  int settings_dialogs_ = 0;
  std::function<void()> on_settings_dialog_;
  int about_boxes_ = 0;
  std::function<void()> command_help_;
  bool serial_open_fails_ = false;
  const RunOptions* options_ = nullptr;
};

}  // namespace v7400::testing
