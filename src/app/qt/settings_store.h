// The preference store on QSettings: a key path "SOFTWARE\Corvane\V7400\para\" becomes the
// settings group "SOFTWARE/Corvane/V7400/para", value names unchanged.
#pragma once

#include <QSettings>
#include <memory>

#include "core/preference_store.h"

namespace v7400 {

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

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace v7400
