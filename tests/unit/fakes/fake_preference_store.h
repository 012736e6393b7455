#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/preference_store.h"

namespace v7400::testing {

// Keys and text values in memory; a value named in `non_text` reads as another type, and
// `read_only` makes every write fail.
class FakePreferenceStore : public PreferenceStore {
 public:
  bool KeyExists(const std::string& key) const override { return keys.count(key) > 0; }
  std::string ReadString(const std::string& key, const std::string& name) const override {
    reads.push_back(name);
    if (non_text.count({key, name})) throw InvalidDataType(name);
    const auto it = values.find({key, name});
    return it == values.end() ? std::string() : it->second;
  }
  void WriteString(const std::string& key, const std::string& name,
                   const std::string& value) override {
    if (read_only) throw FailedToSetData(name);
    keys.insert(key);
    values[{key, name}] = value;
    writes.push_back(name);
  }
  void Commit() override { ++commits; }
  std::string Get(const std::string& key, const std::string& name) const {
    const auto it = values.find({key, name});
    return it == values.end() ? std::string() : it->second;
  }
  void Set(const std::string& key, const std::string& name, const std::string& value) {
    keys.insert(key);
    values[{key, name}] = value;
  }

  std::set<std::string> keys;
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::set<std::pair<std::string, std::string>> non_text;
  bool read_only = false;
  mutable std::vector<std::string> reads;
  std::vector<std::string> writes;
  int commits = 0;
};

}  // namespace v7400::testing
