// The display fonts, the automation format, the acknowledgement mode and the auto-scroll switch,
// kept from one run to the next in the preference store.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/display_view.h"
#include "core/preference_store.h"
#include "core/simulator_state.h"

namespace v7400 {

inline constexpr char kFont1Key[] = "SOFTWARE\\Corvane\\V7400\\Font1\\";
inline constexpr char kFont2Key[] = "SOFTWARE\\Corvane\\V7400\\Font2\\";
inline constexpr char kParaKey[] = "SOFTWARE\\Corvane\\V7400\\para\\";

// A font as stored: the numeric fields follow the window's own conventions (colour as
// red | green << 8 | blue << 16, height in pixels, negative for character height).
struct FontSpec {
  int Charset = 1;
  int Color = 0;
  int Height = -11;
  std::string Name;
  int Pitch = 0;  // 0 default, 1 variable, 2 fixed
  int Size = 8;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strikeout = false;
  bool operator==(const FontSpec&) const = default;
};

struct ParaPreferences {
  AutomationFormat Format = AutomationFormat::k4100;
  // Nothing when neither radio button is ticked (nothing is written then).
  std::optional<AckMode> Ack = AckMode::kAuto;
  bool AutoScroll = true;
  bool operator==(const ParaPreferences&) const = default;
};

// What the preferences are read from and applied to: the main window.
class PreferenceHolder {
 public:
  virtual ~PreferenceHolder() = default;
  // A font with the toolkit's default properties, the start of every loaded font.
  virtual FontSpec DefaultFont() const = 0;
  virtual FontSpec ListFont(DisplayList list) const = 0;
  virtual void SetListFont(DisplayList list, const FontSpec& font) = 0;
  virtual ParaPreferences Para() const = 0;
  // Runs the same handlers as the user's clicks (the ack mode enables or disables the buttons).
  virtual void ApplyPara(const ParaPreferences& para) = 0;
};

// Error-log texts of the values that could not be read while loading.
using LoadProblems = std::vector<std::string>;

// The stored font of `key` over `start`, or nothing when the key does not exist. Each value is
// read on its own: a broken one ("'<text>' is not a valid integer value", "Invalid data type
// for '<name>'") keeps the value of `start` and adds its message to `problems`.
std::optional<FontSpec> LoadFont(const PreferenceStore& store, const std::string& key,
                                 const FontSpec& start, LoadProblems& problems);
void SaveFont(PreferenceStore& store, const std::string& key, const FontSpec& font);

ParaPreferences LoadPara(const PreferenceStore& store, LoadProblems& problems);
void SavePara(PreferenceStore& store, const ParaPreferences& para);

// Font1 (decimal list), Font2 (hexadecimal list), then para, every value that can be read;
// returns what the store found wrong with its file and every value that could not be read.
LoadProblems LoadPreferences(PreferenceStore& store, PreferenceHolder& holder);
// Writes every value, then commits them at once.
void SavePreferences(PreferenceStore& store, const PreferenceHolder& holder);

// Decimal text to integer the way the stored values are read: optional sign, digits only.
int ParseStoredInteger(const std::string& text);

}  // namespace v7400
