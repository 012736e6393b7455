// The settings dialog "Settings": binds the form's controls to the dialog logic, which loads the
// settings file, checks the entries and writes the file.
#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/error_log.h"
#include "transport/key_edit_rules.h"
#include "transport/settings_dialog_logic.h"

class QButtonGroup;
class QKeyEvent;
class QLineEdit;

namespace Ui {
class TCommunicationSetup;
}

namespace v7400 {

class TCommunicationSetup : public QDialog {
  Q_OBJECT

 public:
  // Loads the settings file at once, as the dialog is created.
  TCommunicationSetup(const SettingsDialogPorts& ports, const ErrorLog& error_log,
                      QWidget* parent = nullptr);
  ~TCommunicationSetup() override;

  Ui::TCommunicationSetup& Form() { return *ui_; }
  QLineEdit* KeyEdit(int number) const { return key_edits_.at(number - kFirstKeyEdit); }
  // The values the controls hold now.
  SettingsForm ReadControls() const;

 public slots:
  void RadioGroup1Click();
  void cbxEnableEncryptionClick();
  void btnReturnKeyStrToDefaultClick();
  void BTok2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FindControls();
  void ConnectControls();
  void ShowControls(const SettingsForm& form);
  void ShowLocalAddresses(const SettingsForm& form);
  void ShowKeyEdits(const SettingsForm& form);
  void ShowModeRule();
  void ShowEncryptionRule();
  bool KeyEditKeyPress(QLineEdit* edit, const QKeyEvent& key);
  void KeyEditKeyRelease(QLineEdit* edit, int number, const QKeyEvent& key);
  bool ReceiverAddressKeyPress(const QKeyEvent& key) const;
  void KeyEditTextEdited(QLineEdit* edit);
  void LogErrors(const std::vector<std::string>& errors) const;
  int KeyEditNumber(const QObject* object) const;

  std::unique_ptr<Ui::TCommunicationSetup> ui_;
  SettingsDialogLogic logic_;
  const ErrorLog& error_log_;
  QButtonGroup* mode_ = nullptr;
  QButtonGroup* com_port_ = nullptr;
  QButtonGroup* data_bits_ = nullptr;
  QButtonGroup* parity_ = nullptr;
  QButtonGroup* stop_bits_ = nullptr;
  std::array<QLineEdit*, kKeyEditCount> key_edits_{};
  RevealChord reveal_chord_;
};

}  // namespace v7400
