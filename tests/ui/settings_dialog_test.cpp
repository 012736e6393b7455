// The settings dialog offscreen: opened from the window, filled, accepted; key edit typing.
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "codec/cipher.h"
#include "form_fixture.h"
#include "transport/key_string_mask.h"
#include "ui/tcommunicationsetup.h"
#include "ui_tcommunicationsetup.h"
#include "unit/fakes/fake_display_view.h"
#include "unit/fakes/fake_transport.h"

namespace v7400::testing {
namespace {

constexpr char kKey[] = "00112233445566778899AABBCCDDEEFF";

class SettingsDialogUiTest : public FormTest {
 protected:
  SettingsDialogUiTest() { resolver_.table["simhost"] = {"192.0.2.5"}; }

  void WriteSettings(const std::vector<std::string>& lines) {
    std::ofstream file(dir_.File(kSettingsFileName), std::ios::binary);
    for (const std::string& line : lines) file << line << "\r\n";
  }
  std::vector<std::string> SettingsLines() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadFile(dir_.File(kSettingsFileName)));
    for (std::string line; std::getline(text, line);) {
      EXPECT_EQ(line.back(), '\r');
      lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
  }
  SettingsDialogPorts Ports(ConnectionManager& manager, SimulatorState& state) {
    return {state, discovery_, serial_device_, test_port_, prompts_, manager};
  }
  // Runs `drive` on the open modal dialog, then makes sure it is gone.
  static void WhenOpen(const std::function<void(TCommunicationSetup&)>& drive) {
    QTimer::singleShot(0, [drive] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<TCommunicationSetup*>(widget);
        if (dialog == nullptr || !dialog->isVisible()) continue;
        drive(*dialog);
        if (dialog->isVisible()) dialog->reject();
      }
    });
  }
  static void Type(QWidget* edit, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
    QApplication::sendEvent(edit, &release);
  }

  FakeSerialDevice serial_device_;
  FakeSerialDevice test_port_;
  FakeUdpEndpoint endpoint_;
  FakeAdapterSource adapters_;
  FakeHostResolver resolver_;
  AddressDiscovery discovery_{adapters_, resolver_};
  CountingRandom random_;
  TRijndael cipher_{random_};
};

TEST_F(SettingsDialogUiTest, OkFromTheSettingsButtonWritesTheFileAndOpensTheNewLink) {
  WriteSettings({"1", "8", "0", "1", "9600", "0", "0", "", "", "", "19", "1", "0", "", ""});
  auto form = MakeForm();
  ConnectionManager manager(
      form->State(), {serial_device_, endpoint_, discovery_, resolver_, cipher_, prompts_, *form},
      dir_.File(kSettingsFileName));
  bool driven = false;
  on_settings_dialog_ = [&] {
    WhenOpen([&](TCommunicationSetup& dialog) {
      Ui::TCommunicationSetup& ui = dialog.Form();
      EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Settings"));
      EXPECT_FALSE(ui.PageControl1->isTabVisible(1));
      EXPECT_TRUE(ui.RDcomport_0->isChecked());
      EXPECT_EQ(ui.TrailerComboBox->count(), 255);
      EXPECT_EQ(ui.TrailerComboBox->currentText(), QStringLiteral("20   (Hex 14)"));
      ui.RadioGroup1_1->click();
      EXPECT_TRUE(ui.PageControl1->isTabVisible(1));
      EXPECT_FALSE(ui.Panel1->isVisibleTo(&dialog));
      EXPECT_EQ(ui.cbx_LocalIP->currentText(), QStringLiteral("192.0.2.5"));
      ui.Edit1->setText(QStringLiteral("192.0.2.20"));
      ui.Edit2->setText(QStringLiteral("10001"));
      ui.Edit4->setText(QStringLiteral("10002"));
      ui.TrailerComboBox->setCurrentIndex(2);
      ui.SpaceComboBox->setCurrentIndex(0);
      ui.cbxEnableEncryption->click();
      EXPECT_TRUE(dialog.KeyEdit(20)->isEnabled());
      EXPECT_FALSE(dialog.KeyEdit(21)->isEnabled());  // AES 128 uses 16 edits
      for (int i = 0; i < 16; ++i) {
        dialog.KeyEdit(kFirstKeyEdit + i)->setText(QString::fromLatin1(kKey + 2 * i, 2));
      }
      ui.BTok2->click();
      EXPECT_FALSE(dialog.isVisible());
      driven = true;
    });
    TCommunicationSetup dialog(Ports(manager, form->State()), error_log_, form.get());
    dialog.exec();
  };
  form->Form().btnSettings->click();
  ASSERT_TRUE(driven);
  EXPECT_EQ(SettingsLines(),
            (std::vector<std::string>{"1", "8", "0", "1", "9600", "0", "1", "192.0.2.20", "10001",
                                      "10002", "2", "0", "1", MaskKeyString(kKey), "192.0.2.5"}));
  EXPECT_EQ(form->StatusText(2),
            QStringLiteral("Local IP: 192.0.2.5 [Port:10002]   V9100 IP:192.0.2.20 [Port:10001]"));
  EXPECT_EQ(form->State().PackageEndChar, 3);
  EXPECT_EQ(cipher_.KeyString(), kKey);
  EXPECT_TRUE(endpoint_.active);
}

TEST_F(SettingsDialogUiTest, KeyEditsMoveTheFocusAsTheyFill) {
  WriteSettings({"1", "8", "0", "1", "9600", "0", "1", "192.0.2.20", "10000", "10000", "19", "1",
                 "1", MaskKeyString(std::string(kDefaultKeyString256)), ""});
  SimulatorState state;
  FakeDisplayView view;
  ConnectionManager manager(
      state, {serial_device_, endpoint_, discovery_, resolver_, cipher_, prompts_, view},
      dir_.File(kSettingsFileName));
  TCommunicationSetup dialog(Ports(manager, state), error_log_);
  dialog.show();
  dialog.Form().PageControl1->setCurrentIndex(1);
  QLineEdit* edit5 = dialog.KeyEdit(5);
  EXPECT_EQ(edit5->echoMode(), QLineEdit::Password);
  edit5->setFocus();
  edit5->clear();
  Type(edit5, Qt::Key_3, QStringLiteral("3"));
  Type(edit5, Qt::Key_G, QStringLiteral("g"));
  EXPECT_EQ(dialog.focusWidget(), edit5);
  Type(edit5, Qt::Key_A, QStringLiteral("a"));
  EXPECT_EQ(edit5->text(), QStringLiteral("3A"));
  EXPECT_EQ(edit5->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(dialog.focusWidget(), dialog.KeyEdit(6));

  dialog.KeyEdit(6)->clear();
  Type(dialog.KeyEdit(6), Qt::Key_Backspace, QStringLiteral("\b"));
  EXPECT_EQ(dialog.focusWidget(), edit5);

  // The reveal chord, pressed through the window as a keyboard would: Ctrl held, Q then Z.
  QLineEdit* edit20 = dialog.KeyEdit(20);
  edit20->setFocus();
  QWindow* window = dialog.windowHandle();
  const auto key = [window](bool press, Qt::Key code, Qt::KeyboardModifiers modifiers,
                            const char* text) {
    QTest::simulateEvent(window, press, code, modifiers, QString::fromLatin1(text), false);
  };
  key(true, Qt::Key_Control, Qt::NoModifier, "");
  key(true, Qt::Key_Q, Qt::ControlModifier, "\x11");
  key(false, Qt::Key_Q, Qt::ControlModifier, "\x11");
  key(true, Qt::Key_Z, Qt::ControlModifier, "\x1a");
  key(false, Qt::Key_Z, Qt::ControlModifier, "\x1a");
  key(false, Qt::Key_Control, Qt::ControlModifier, "");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].substr(0, 29), "Current Key String:\n3A--7A-9C");
  EXPECT_NE(prompts_.messages[0].find("-81-64-C9-"), std::string::npos);  // Edit20 kept "64"
  EXPECT_EQ(edit20->text(), QStringLiteral("64"));
  EXPECT_EQ(edit20->echoMode(), QLineEdit::Password);

  // Undo and redo have nothing to take back in a key edit.
  const std::pair<Qt::Key, Qt::KeyboardModifiers> undo_keys[] = {
      {Qt::Key_Z, Qt::ControlModifier},
      {Qt::Key_Y, Qt::ControlModifier},
      {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier},
      {Qt::Key_Backspace, Qt::AltModifier}};
  for (const auto& [key, modifiers] : undo_keys) {
    edit20->clear();
    QTest::keyClick(window, Qt::Key_3);
    QTest::keyClick(window, key, modifiers);
    EXPECT_EQ(edit20->text(), QStringLiteral("3")) << key;
  }

  // The box comes once the edits show the default key again.
  std::string shown_with_the_box;
  prompts_.on_information = [&](const std::string&) {
    shown_with_the_box = dialog.KeyEdit(5)->text().toStdString();
  };
  dialog.Form().btnReturnKeyStrToDefault->click();
  EXPECT_EQ(shown_with_the_box, "5E");

  dialog.KeyEdit(36)->setFocus();
  Type(dialog.KeyEdit(36), Qt::Key_Minus, QStringLiteral("-"));
  EXPECT_EQ(dialog.focusWidget(), dialog.Form().btnReturnKeyStrToDefault);
  EXPECT_EQ(dialog.KeyEdit(36)->text(), QStringLiteral("4A"));
}

}  // namespace
}  // namespace v7400::testing
