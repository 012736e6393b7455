#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/prompts.h"

namespace v7400::testing {

class FakePrompts : public Prompts {
 public:
  bool Confirm(const std::string& question) override {
    questions.push_back(question);
    return answer_yes;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowInformation(const std::string& text) override {
    if (on_information) on_information(text);
    information.push_back(text);
  }
  std::optional<std::string> AskOpenFile(const FileDialogSpec& dialog) override {
    dialogs.push_back(dialog);
    return chosen_path;
  }
  std::optional<std::string> AskSaveFile(const FileDialogSpec& dialog) override {
    dialogs.push_back(dialog);
    return chosen_path;
  }

  bool answer_yes = true;
  std::function<void(const std::string&)> on_information;  // while the box is up
  std::optional<std::string> chosen_path;
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::vector<std::string> errors;
  std::vector<std::string> information;
  std::vector<FileDialogSpec> dialogs;
};

}  // namespace v7400::testing
