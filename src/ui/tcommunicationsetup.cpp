#include "ui/tcommunicationsetup.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTimer>
#include <QValidator>
#include <algorithm>

#include "transport/port_names.h"
#include "ui_tcommunicationsetup.h"

namespace v7400 {

namespace {

constexpr char kComponent[] = "CommunicationSetup";

QString FromBytes(const std::string& text) { return QString::fromLocal8Bit(text); }
std::string ToBytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Keeps the hexadecimal digits of whatever reaches a key edit, typed or pasted, in upper case.
class KeyPairValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    input = QString::fromLatin1(FilterKeyEditText(input.toLatin1().toStdString()));
    pos = std::min(pos, static_cast<int>(input.size()));
    return Acceptable;
  }
};

// The radio buttons "<group>_0", "<group>_1", ... of a group box, with their index as id.
QButtonGroup* MakeButtonGroup(QWidget* box, int count) {
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < count; ++i) {
    const QString name = box->objectName() + QLatin1Char('_') + QString::number(i);
    group->addButton(box->findChild<QRadioButton*>(name), i);
  }
  return group;
}

void Select(QButtonGroup* group, int index) {
  if (QAbstractButton* button = group->button(index)) button->setChecked(true);
}

// The character a typed key stands for, Enter and Backspace included; 0 for none.
char TypedChar(const QKeyEvent& key) {
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) return '\r';
  if (key.key() == Qt::Key_Backspace) return '\b';
  const QString text = key.text();
  if (text.size() != 1 || text.at(0).unicode() < 0x20 || text.at(0).unicode() >= 0x7F) return 0;
  return static_cast<char>(text.at(0).unicode());
}

ReleasedKey KindOf(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return ReleasedKey::kDigit;
  if (key >= Qt::Key_A && key <= Qt::Key_F) return ReleasedKey::kHexLetter;
  if (key == Qt::Key_Backspace) return ReleasedKey::kBackspace;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return ReleasedKey::kEnter;
  return ReleasedKey::kOther;
}

}  // namespace

TCommunicationSetup::TCommunicationSetup(const SettingsDialogPorts& ports,
                                         const ErrorLog& error_log, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TCommunicationSetup>()),
      logic_(ports),
      error_log_(error_log) {
  ui_->setupUi(this);
  FindControls();
  ConnectControls();
  FormCreate();
}

TCommunicationSetup::~TCommunicationSetup() = default;

void TCommunicationSetup::FindControls() {
  mode_ = MakeButtonGroup(ui_->RadioGroup1, 2);
  com_port_ = MakeButtonGroup(ui_->RDcomport, kComPortCount);
  data_bits_ = MakeButtonGroup(ui_->RDdatabits, 2);
  parity_ = MakeButtonGroup(ui_->RDParity, 5);
  stop_bits_ = MakeButtonGroup(ui_->RDstopbitSel, 3);
  for (int number = kFirstKeyEdit; number <= kLastKeyEdit; ++number) {
    QLineEdit* edit = findChild<QLineEdit*>(QString::fromStdString(KeyEditName(number)));
    edit->setValidator(new KeyPairValidator(edit));
    edit->installEventFilter(this);
    key_edits_[number - kFirstKeyEdit] = edit;
  }
  ui_->Edit1->installEventFilter(this);
}

void TCommunicationSetup::ConnectControls() {
  connect(mode_, &QButtonGroup::idClicked, this, &TCommunicationSetup::RadioGroup1Click);
  connect(ui_->cbxEnableEncryption, &QCheckBox::clicked, this,
          &TCommunicationSetup::cbxEnableEncryptionClick);
  connect(ui_->cbx_AESSelection, &QComboBox::currentIndexChanged, this,
          &TCommunicationSetup::cbxEnableEncryptionClick);
  connect(ui_->btnReturnKeyStrToDefault, &QPushButton::clicked, this,
          &TCommunicationSetup::btnReturnKeyStrToDefaultClick);
  connect(ui_->BTok2, &QPushButton::clicked, this, &TCommunicationSetup::BTok2Click);
  connect(ui_->BTCancel2, &QPushButton::clicked, this, &QDialog::reject);
  for (QLineEdit* edit : key_edits_) {
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { KeyEditTextEdited(edit); });
  }
}

void TCommunicationSetup::FormCreate() {
  for (int value = 1; value <= kTrailerItemCount; ++value) {
    ui_->TrailerComboBox->addItem(QString::fromStdString(TrailerItemText(value)));
  }
  for (int port = 1; port <= kComPortCount; ++port) {
    QAbstractButton* button = com_port_->button(port - 1);
    button->setText(FromBytes(logic_.ComPortCaption(port)));
    button->setToolTip(FromBytes(logic_.DeviceForPort(port)));
  }
  SettingsForm form;
  std::vector<std::string> errors;
  Guarded(error_log_, kComponent, [&] { errors = logic_.Load(form); });
  LogErrors(errors);
  ShowControls(form);
  ui_->PageControl1->setCurrentWidget(ui_->tsht_ConnectionSetup);
}

SettingsForm TCommunicationSetup::ReadControls() const {
  SettingsForm form;
  form.mode = static_cast<ConnectionMode>(mode_->checkedId());
  form.com_port_index = com_port_->checkedId();
  form.data_bits_index = data_bits_->checkedId();
  form.parity_index = parity_->checkedId();
  form.stop_bits_index = stop_bits_->checkedId();
  form.baud_index = ui_->CBcomspeed->currentIndex();
  form.hardware_flow = ui_->CheckBox1->isChecked();
  form.software_flow = ui_->CheckBox2->isChecked();
  form.receiver_address = ToBytes(ui_->Edit1->text());
  form.receiver_port = ToBytes(ui_->Edit2->text());
  form.local_port = ToBytes(ui_->Edit4->text());
  form.local_addresses.clear();
  for (int i = 0; i < ui_->cbx_LocalIP->count(); ++i) {
    form.local_addresses.push_back(ToBytes(ui_->cbx_LocalIP->itemText(i)));
  }
  form.local_address_index = ui_->cbx_LocalIP->currentIndex();
  form.trailer_index = ui_->TrailerComboBox->currentIndex();
  form.space_index = ui_->SpaceComboBox->currentIndex();
  form.encryption = ui_->cbxEnableEncryption->isChecked();
  form.aes_index = ui_->cbx_AESSelection->currentIndex();
  for (int i = 0; i < kKeyEditCount; ++i) {
    form.key_edits[i] = key_edits_[i]->text().toStdString();
    form.key_masked[i] = key_edits_[i]->echoMode() == QLineEdit::Password;
  }
  return form;
}

void TCommunicationSetup::ShowControls(const SettingsForm& form) {
  Select(mode_, static_cast<int>(form.mode));
  Select(com_port_, form.com_port_index);
  Select(data_bits_, form.data_bits_index);
  Select(parity_, form.parity_index);
  Select(stop_bits_, form.stop_bits_index);
  ui_->CBcomspeed->setCurrentIndex(form.baud_index);
  ui_->CheckBox1->setChecked(form.hardware_flow);
  ui_->CheckBox2->setChecked(form.software_flow);
  ui_->Edit1->setText(FromBytes(form.receiver_address));
  ui_->Edit2->setText(FromBytes(form.receiver_port));
  ui_->Edit4->setText(FromBytes(form.local_port));
  ShowLocalAddresses(form);
  ui_->TrailerComboBox->setCurrentIndex(form.trailer_index);
  ui_->SpaceComboBox->setCurrentIndex(form.space_index);
  ui_->cbxEnableEncryption->setChecked(form.encryption);
  ui_->cbx_AESSelection->setCurrentIndex(form.aes_index);
  ShowKeyEdits(form);
  ShowModeRule();
  ShowEncryptionRule();
}

void TCommunicationSetup::ShowLocalAddresses(const SettingsForm& form) {
  ui_->cbx_LocalIP->clear();
  for (const std::string& address : form.local_addresses) {
    ui_->cbx_LocalIP->addItem(FromBytes(address));
  }
  ui_->cbx_LocalIP->setCurrentIndex(form.local_address_index);
}

void TCommunicationSetup::ShowKeyEdits(const SettingsForm& form) {
  for (int i = 0; i < kKeyEditCount; ++i) {
    key_edits_[i]->setEchoMode(form.key_masked[i] ? QLineEdit::Password : QLineEdit::Normal);
    key_edits_[i]->setText(QString::fromStdString(form.key_edits[i]));
  }
}

void TCommunicationSetup::ShowModeRule() {
  const bool network = mode_->checkedId() == static_cast<int>(ConnectionMode::kNetwork);
  ui_->Panel1->setVisible(!network);
  ui_->Panel2->setVisible(network);
  ui_->PageControl1->setTabVisible(ui_->PageControl1->indexOf(ui_->tsht_EncryptionSetup), network);
}

void TCommunicationSetup::ShowEncryptionRule() {
  const SettingsForm form = ReadControls();
  ui_->lblKeyString->setEnabled(form.encryption);
  ui_->btnReturnKeyStrToDefault->setEnabled(form.encryption);
  ui_->cbx_AESSelection->setEnabled(form.encryption);
  for (int number = kFirstKeyEdit; number <= kLastKeyEdit; ++number) {
    QLineEdit* edit = KeyEdit(number);
    const bool enabled = KeyEditEnabled(form, number);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, enabled ? QColor(Qt::white) : palette.color(QPalette::Button));
    edit->setPalette(palette);
    edit->setEnabled(enabled);
  }
}

void TCommunicationSetup::RadioGroup1Click() {
  Guarded(error_log_, "RadioGroup1", [this] {
    SettingsForm form = ReadControls();
    std::vector<std::string> errors;
    logic_.ModeChanged(form, errors);
    LogErrors(errors);
    ShowLocalAddresses(form);
    ShowModeRule();
  });
}

void TCommunicationSetup::cbxEnableEncryptionClick() {
  Guarded(error_log_, "cbxEnableEncryption", [this] { ShowEncryptionRule(); });
}

void TCommunicationSetup::btnReturnKeyStrToDefaultClick() {
  Guarded(error_log_, "btnReturnKeyStrToDefault", [this] {
    SettingsForm form = ReadControls();
    logic_.ReturnKeyToDefault(form, [this](const SettingsForm& filled) { ShowKeyEdits(filled); });
  });
}

void TCommunicationSetup::BTok2Click() {
  Guarded(error_log_, "BTok2", [this] {
    switch (logic_.Accept(ReadControls())) {
      case AcceptOutcome::kClose:
        accept();
        break;
      case AcceptOutcome::kStayInReceiverAddress:
        ui_->Edit1->setFocus();
        break;
      case AcceptOutcome::kStay:
        break;
    }
  });
}

bool TCommunicationSetup::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->Edit1 && event->type() == QEvent::KeyPress) {
    return ReceiverAddressKeyPress(static_cast<const QKeyEvent&>(*event));
  }
  const int number = KeyEditNumber(watched);
  if (number == 0) return QDialog::eventFilter(watched, event);
  QLineEdit* edit = KeyEdit(number);
  switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::MouseButtonRelease:
      // After the edit has placed its caret.
      QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
      break;
    case QEvent::KeyPress:
      return KeyEditKeyPress(edit, static_cast<const QKeyEvent&>(*event));
    case QEvent::KeyRelease:
      KeyEditKeyRelease(edit, number, static_cast<const QKeyEvent&>(*event));
      break;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

bool TCommunicationSetup::KeyEditKeyPress(QLineEdit* edit, const QKeyEvent& key) {
  // Undo would empty a masked edit, and Ctrl+Z is half of the reveal chord: no undo or redo.
  if (key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo)) return true;
  const char typed = TypedChar(key);
  // Shortcuts such as paste pass; what they bring in goes through the validator.
  if (typed == 0 || (key.modifiers() & Qt::ControlModifier) != 0) return false;
  switch (OnKeyEditTyped(typed, static_cast<std::size_t>(edit->text().size()))) {
    case TypedKeyAction::kAccept:
      return false;
    case TypedKeyAction::kDiscardAndFocusNext:
      focusNextPrevChild(true);
      return true;
    case TypedKeyAction::kDiscard:
      return true;
  }
  return true;
}

void TCommunicationSetup::KeyEditKeyRelease(QLineEdit* edit, int number, const QKeyEvent& key) {
  if (key.isAutoRepeat()) return;
  const FocusMove move =
      OnKeyEditReleased(KindOf(key.key()), number, static_cast<std::size_t>(edit->text().size()));
  if (move == FocusMove::kNext) {
    focusNextPrevChild(true);
  } else if (move == FocusMove::kPrevious) {
    focusNextPrevChild(false);
    if (auto* previous = qobject_cast<QLineEdit*>(focusWidget())) {
      QTimer::singleShot(0, previous, [previous] { previous->setCursorPosition(2); });
    }
  }
  if (number == kRevealChordEdit) {
    const char pressed = key.key() < 0x100 ? static_cast<char>(key.key()) : '\0';
    const bool ctrl = (key.modifiers() & Qt::ControlModifier) != 0;
    if (reveal_chord_.KeyReleased(ctrl, pressed)) {
      KeyEditTexts texts;
      for (int i = 0; i < kKeyEditCount; ++i) texts[i] = key_edits_[i]->text().toStdString();
      Guarded(error_log_, "Edit20", [&] { logic_.ShowRevealMessage(texts); });
    }
  }
}

bool TCommunicationSetup::ReceiverAddressKeyPress(const QKeyEvent& key) const {
  const char typed = TypedChar(key);
  if (typed == 0 || typed == '\r' || (key.modifiers() & Qt::ControlModifier) != 0) return false;
  return !AcceptsReceiverAddressChar(typed);
}

void TCommunicationSetup::KeyEditTextEdited(QLineEdit* edit) {
  edit->setEchoMode(QLineEdit::Normal);
  edit->end(false);
}

void TCommunicationSetup::LogErrors(const std::vector<std::string>& errors) const {
  for (const std::string& error : errors) error_log_.AppException(kComponent, error);
}

int TCommunicationSetup::KeyEditNumber(const QObject* object) const {
  const auto found = std::find(key_edits_.begin(), key_edits_.end(), object);
  return found == key_edits_.end() ? 0
                                   : static_cast<int>(found - key_edits_.begin()) + kFirstKeyEdit;
}

}  // namespace v7400
