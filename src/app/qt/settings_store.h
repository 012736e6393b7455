// The preference store on QSettings: a key path "SOFTWARE\Corvane\V7400\para\" becomes the
// settings group "SOFTWARE/Corvane/V7400/para", value names unchanged.
#pragma once

#include <QSettings>
#include <memory>
#include <string>
#include <vector>

#include "core/preference_store.h"

namespace v7400 {

// A preference file is a few hundred bytes; anything larger is no preference file.
inline constexpr std::size_t kPreferenceFileLimit = 64 * 1024;

class SettingsStore : public PreferenceStore {
 public:
  // The machine-wide registry hive on Windows, the user's native settings file elsewhere.
  SettingsStore();
  // A settings file of its own (tests, portable use).
  explicit SettingsStore(const QString& ini_path);

  bool KeyExists(const std::string& key) const override;
  std::string ReadString(const std::string& key, const std::string& name) const override;
  void WriteString(const std::string& key, const std::string& name,
                   const std::string& value) override;
  void Commit() override;
  std::vector<std::string> TakeOpenProblems() override { return std::move(problems_); }

 private:
  // A file that is no regular one, too large or not in the settings format is moved aside as
  // "<file>.bad" (one problem to report); the store then starts empty and writes a new file.
  void OpenFile(const QString& path, QSettings::Format format);
  bool MoveAside(const std::string& file, const std::string& why);

  std::unique_ptr<QSettings> settings_;
  std::string first_uncommitted_;
  std::vector<std::string> problems_;
};

}  // namespace v7400
