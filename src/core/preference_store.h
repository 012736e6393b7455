// A key/value store of text values under key paths such as "SOFTWARE\Corvane\V7400\para\".
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace v7400 {

class PreferenceStore {
 public:
  virtual ~PreferenceStore() = default;
  // Whether the key exists; reading never creates it.
  virtual bool KeyExists(const std::string& key) const = 0;
  // The value's text, empty when the value is missing. Throws std::runtime_error
  // "Invalid data type for '<name>'" when the value is not a text.
  virtual std::string ReadString(const std::string& key, const std::string& name) const = 0;
  // Creates the key when missing. Throws std::runtime_error "Failed to set data for '<name>'"
  // when the value cannot be stored. What is written lasts once committed.
  virtual void WriteString(const std::string& key, const std::string& name,
                           const std::string& value) = 0;
  // Stores every value written since the last commit in one go. Throws std::runtime_error
  // "Failed to set data for '<name>'", naming the first of them, when they cannot be stored.
  virtual void Commit() {}
  // What the store found wrong with the place it keeps its values (each an error-log text);
  // given once.
  virtual std::vector<std::string> TakeOpenProblems() { return {}; }
};

inline std::runtime_error InvalidDataType(const std::string& name) {
  return std::runtime_error("Invalid data type for '" + name + "'");
}
inline std::runtime_error FailedToSetData(const std::string& name) {
  return std::runtime_error("Failed to set data for '" + name + "'");
}

}  // namespace v7400
