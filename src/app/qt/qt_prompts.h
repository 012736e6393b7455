// Message, confirmation and file boxes on Qt Widgets.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/prompts.h"

namespace v7400 {

class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  bool Confirm(const std::string& question) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  std::optional<std::string> AskOpenFile(const FileDialogSpec& request) override;
  std::optional<std::string> AskSaveFile(const FileDialogSpec& request) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace v7400
