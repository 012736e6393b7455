#include "app/preferences.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "core/parse_whole.h"

namespace v7400 {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

const char* YesNo(bool value) { return value ? "YES" : "NO"; }

int ReadInteger(const PreferenceStore& store, const std::string& key, const char* name) {
  return ParseStoredInteger(store.ReadString(key, name));
}

bool ReadStyle(const PreferenceStore& store, const std::string& key, const char* name) {
  return Upper(store.ReadString(key, name)) == "YES";
}

// Reads one value into `value`; a broken one leaves it as it was and adds its message.
template <typename T, typename Read>
void ReadInto(T& value, LoadProblems& problems, Read&& read) {
  try {
    value = read();
  } catch (const std::runtime_error& error) {
    problems.emplace_back(error.what());
  }
}

}  // namespace

int ParseStoredInteger(const std::string& text) {
  // A stored value may have a leading '+', but not "+-".
  std::string_view digits = text;
  if (digits.starts_with('+')) digits.remove_prefix(1);
  const std::optional<std::int32_t> value =
      text.starts_with("+-") ? std::nullopt : ParseWhole<std::int32_t>(digits);
  if (!value) throw std::runtime_error("'" + text + "' is not a valid integer value");
  return *value;
}

std::optional<FontSpec> LoadFont(const PreferenceStore& store, const std::string& key,
                                 const FontSpec& start, LoadProblems& problems) {
  if (!store.KeyExists(key)) return std::nullopt;
  FontSpec font = start;
  const auto integer = [&](int& field, const char* name) {
    ReadInto(field, problems, [&] { return ReadInteger(store, key, name); });
  };
  const auto style = [&](bool& field, const char* name) {
    ReadInto(field, problems, [&] { return ReadStyle(store, key, name); });
  };
  integer(font.Charset, "Charset");
  integer(font.Color, "Color");
  integer(font.Height, "Height");
  std::string name;
  ReadInto(name, problems, [&] { return store.ReadString(key, "Name"); });
  if (!name.empty()) font.Name = name;
  integer(font.Pitch, "Pitch");
  integer(font.Size, "Size");
  style(font.Bold, "Bold");
  style(font.Italic, "Italic");
  style(font.Underline, "Underline");
  style(font.Strikeout, "Strikeout");
  return font;
}

void SaveFont(PreferenceStore& store, const std::string& key, const FontSpec& font) {
  store.WriteString(key, "Charset", std::to_string(font.Charset));
  store.WriteString(key, "Color", std::to_string(font.Color));
  store.WriteString(key, "Height", std::to_string(font.Height));
  store.WriteString(key, "Name", font.Name);
  store.WriteString(key, "Pitch", std::to_string(font.Pitch));
  store.WriteString(key, "Size", std::to_string(font.Size));
  store.WriteString(key, "Bold", YesNo(font.Bold));
  store.WriteString(key, "Italic", YesNo(font.Italic));
  store.WriteString(key, "Underline", YesNo(font.Underline));
  store.WriteString(key, "Strikeout", YesNo(font.Strikeout));
}

ParaPreferences LoadPara(const PreferenceStore& store, LoadProblems& problems) {
  ParaPreferences para;
  if (!store.KeyExists(kParaKey)) return para;
  const auto text = [&](const char* name) {
    std::string value;
    ReadInto(value, problems, [&] { return store.ReadString(kParaKey, name); });
    return value;
  };
  para.Format = text("AutomationFormat") == "1" ? AutomationFormat::kSia : AutomationFormat::k4100;
  para.Ack = text("AckMode") == "0" ? AckMode::kManual : AckMode::kAuto;
  para.AutoScroll = text("AutoScroll") != "0";
  return para;
}

void SavePara(PreferenceStore& store, const ParaPreferences& para) {
  store.WriteString(kParaKey, "AutomationFormat",
                    para.Format == AutomationFormat::kSia ? "1" : "0");
  if (para.Ack) store.WriteString(kParaKey, "AckMode", *para.Ack == AckMode::kAuto ? "1" : "0");
  store.WriteString(kParaKey, "AutoScroll", para.AutoScroll ? "1" : "0");
}

LoadProblems LoadPreferences(PreferenceStore& store, PreferenceHolder& holder) {
  LoadProblems problems = store.TakeOpenProblems();
  if (auto font = LoadFont(store, kFont1Key, holder.DefaultFont(), problems)) {
    holder.SetListFont(DisplayList::kDecimal, *font);
  }
  if (auto font = LoadFont(store, kFont2Key, holder.DefaultFont(), problems)) {
    holder.SetListFont(DisplayList::kHex, *font);
  }
  holder.ApplyPara(LoadPara(store, problems));
  return problems;
}

void SavePreferences(PreferenceStore& store, const PreferenceHolder& holder) {
  SaveFont(store, kFont1Key, holder.ListFont(DisplayList::kDecimal));
  SaveFont(store, kFont2Key, holder.ListFont(DisplayList::kHex));
  SavePara(store, holder.Para());
  store.Commit();
}

}  // namespace v7400
