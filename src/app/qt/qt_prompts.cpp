#include "app/qt/qt_prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace v7400 {

namespace {

QString Text(const std::string& text) { return QString::fromLocal8Bit(text); }

// "Text files|*.txt" as Qt writes it: "Text files (*.txt)".
QString QtFilter(const std::string& filter) {
  const QString text = Text(filter);
  const qsizetype bar = text.indexOf(QLatin1Char('|'));
  if (bar < 0) return text;
  return text.left(bar) + QStringLiteral(" (") + text.mid(bar + 1) + QLatin1Char(')');
}

void Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogSpec& request,
                                         QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, Text(request.title), Text(request.initial_dir),
                     QtFilter(request.filter));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(Text(request.default_extension));
  dialog.selectFile(Text(request.proposed_name));
  // Saving replaces an existing file without a question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().front()).toLocal8Bit().toStdString();
}

}  // namespace

bool QtPrompts::Confirm(const std::string& question) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), Text(question),
                  QMessageBox::NoButton, parent_);
  QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void QtPrompts::ShowMessage(const std::string& text) {
  Show(parent_, QMessageBox::NoIcon, QApplication::applicationName(), Text(text));
}

void QtPrompts::ShowError(const std::string& text) {
  Show(parent_, QMessageBox::Critical, QStringLiteral("Error"), Text(text));
}

void QtPrompts::ShowInformation(const std::string& text) {
  Show(parent_, QMessageBox::Information, QStringLiteral("Information"), Text(text));
}

std::optional<std::string> QtPrompts::AskOpenFile(const FileDialogSpec& request) {
  return RunFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtPrompts::AskSaveFile(const FileDialogSpec& request) {
  return RunFileDialog(parent_, request, QFileDialog::AcceptSave);
}

}  // namespace v7400
