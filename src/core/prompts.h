// Message, confirmation and file boxes, behind an interface so the logic can ask without a
// window and tests can answer.
#pragma once

#include <optional>
#include <string>

namespace v7400 {

struct FileDialogSpec {
  std::string title;
  std::string proposed_name;
  std::string initial_dir;
  std::string default_extension = "txt";
  std::string filter = "Text files|*.txt";
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Caption "Confirm", buttons "&Yes" and "&No"; true on "&Yes".
  virtual bool Confirm(const std::string& question) = 0;
  // A plain box, caption "V7400", button "OK".
  virtual void ShowMessage(const std::string& text) = 0;
  // An error box with the button "OK".
  virtual void ShowError(const std::string& text) = 0;
  // An information box with the button "OK".
  virtual void ShowInformation(const std::string& text) = 0;
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<std::string> AskOpenFile(const FileDialogSpec& dialog) = 0;
  virtual std::optional<std::string> AskSaveFile(const FileDialogSpec& dialog) = 0;
};

}  // namespace v7400
