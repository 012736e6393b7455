#include "app/preferences.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "fakes/fake_preference_store.h"

namespace v7400 {
namespace {

using testing::FakePreferenceStore;
LoadProblems problems;  // none of the well-formed stores below has anything to report

class FakeHolder : public PreferenceHolder {
 public:
  FontSpec DefaultFont() const override { return FontSpec{}; }
  FontSpec ListFont(DisplayList list) const override { return fonts[static_cast<int>(list)]; }
  void SetListFont(DisplayList list, const FontSpec& font) override {
    fonts[static_cast<int>(list)] = font;
    ++fonts_set;
  }
  ParaPreferences Para() const override { return para; }
  void ApplyPara(const ParaPreferences& value) override {
    para = value;
    ++para_applied;
  }

  FontSpec fonts[2] = {FontSpec{1, 0, -15, "Courier New", 0, 11},
                       FontSpec{1, 0, -13, "Courier New", 0, 10}};
  ParaPreferences para;
  int fonts_set = 0;
  int para_applied = 0;
};

TEST(ParaPreferences, StoredTextsAreReadExactly) {
  struct Case {
    const char* format;
    const char* ack;
    const char* scroll;
    AutomationFormat want_format;
    AckMode want_ack;
    bool want_scroll;
  };
  const std::vector<Case> cases = {
      {"1", "0", "0", AutomationFormat::kSia, AckMode::kManual, false},
      {"0", "1", "1", AutomationFormat::k4100, AckMode::kAuto, true},
      {"2", "manual", "", AutomationFormat::k4100, AckMode::kAuto, true},
      {" 1", " 0", "0 ", AutomationFormat::k4100, AckMode::kAuto, true},
      {"", "", "no", AutomationFormat::k4100, AckMode::kAuto, true},
  };
  for (const Case& c : cases) {
    FakePreferenceStore store;
    store.Set(kParaKey, "AutomationFormat", c.format);
    store.Set(kParaKey, "AckMode", c.ack);
    store.Set(kParaKey, "AutoScroll", c.scroll);
    const ParaPreferences para = LoadPara(store, problems);
    EXPECT_EQ(para.Format, c.want_format) << c.format;
    EXPECT_EQ(para.Ack, c.want_ack) << c.ack;
    EXPECT_EQ(para.AutoScroll, c.want_scroll) << c.scroll;
  }
}

TEST(ParaPreferences, MissingKeyGivesDefaultsAndSaveWritesAllValues) {
  FakePreferenceStore store;
  EXPECT_EQ(LoadPara(store, problems), ParaPreferences{});
  SavePara(store, {AutomationFormat::kSia, AckMode::kManual, false});
  EXPECT_EQ(store.writes, (std::vector<std::string>{"AutomationFormat", "AckMode", "AutoScroll"}));
  EXPECT_EQ(store.Get(kParaKey, "AutomationFormat"), "1");
  EXPECT_EQ(store.Get(kParaKey, "AckMode"), "0");
  EXPECT_EQ(store.Get(kParaKey, "AutoScroll"), "0");

  FakePreferenceStore neither;
  SavePara(neither, {AutomationFormat::k4100, std::nullopt, true});
  EXPECT_EQ(neither.writes, (std::vector<std::string>{"AutomationFormat", "AutoScroll"}));
}

TEST(FontPreferences, RoundTripWritesTenValuesInOrder) {
  FakePreferenceStore store;
  const FontSpec font{0, 0x0000FF, -19, "DejaVu Sans Mono", 2, 14, true, false, true, false};
  SaveFont(store, kFont2Key, font);
  EXPECT_EQ(store.writes,
            (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Size", "Bold",
                                      "Italic", "Underline", "Strikeout"}));
  EXPECT_EQ(store.Get(kFont2Key, "Bold"), "YES");
  EXPECT_EQ(store.Get(kFont2Key, "Italic"), "NO");
  EXPECT_EQ(store.Get(kFont2Key, "Color"), "255");
  EXPECT_EQ(LoadFont(store, kFont2Key, FontSpec{}, problems), font);
  EXPECT_EQ(LoadFont(store, kFont1Key, FontSpec{}, problems), std::nullopt);
}

TEST(FontPreferences, StylesAreUpperCasedAndEmptyNameKeepsDefaultFace) {
  FakePreferenceStore store;
  for (const char* name : {"Charset", "Color", "Height", "Pitch", "Size"}) {
    store.Set(kFont1Key, name, "0");
  }
  store.Set(kFont1Key, "Bold", "yes");
  store.Set(kFont1Key, "Italic", "Y");
  store.Set(kFont1Key, "Underline", "Yes ");
  FontSpec start;
  start.Name = "Default Face";
  const FontSpec font = *LoadFont(store, kFont1Key, start, problems);
  EXPECT_TRUE(font.Bold);
  EXPECT_FALSE(font.Italic);
  EXPECT_FALSE(font.Underline);
  EXPECT_EQ(font.Name, "Default Face");
}

// A broken value keeps its default and is reported once; every other value is still read.
TEST(LoadPreferences, EachBrokenValueKeepsItsDefaultAndTheRestIsRead) {
  struct Case {
    const char* key;
    const char* name;
    const char* text;  // nullptr: stored as another type
    const char* message;
    int FontSpec::*field;  // in the font of `key`; nothing for the para key
  };
  const std::vector<Case> cases = {
      {kFont1Key, "Size", "abc", "'abc' is not a valid integer value", &FontSpec::Size},
      {kFont1Key, "Charset", "", "'' is not a valid integer value", &FontSpec::Charset},
      {kFont2Key, "Height", "--5", "'--5' is not a valid integer value", &FontSpec::Height},
      {kFont2Key, "Color", "4294967295", "'4294967295' is not a valid integer value",
       &FontSpec::Color},
      {kFont1Key, "Pitch", "1.5", "'1.5' is not a valid integer value", &FontSpec::Pitch},
      {kFont1Key, "Color", nullptr, "Invalid data type for 'Color'", &FontSpec::Color},
      {kParaKey, "AckMode", nullptr, "Invalid data type for 'AckMode'", nullptr},
  };
  const FontSpec stored{0, 7, -20, "Mono", 2, 15, true};
  for (const Case& c : cases) {
    FakePreferenceStore store;
    SaveFont(store, kFont1Key, stored);
    SaveFont(store, kFont2Key, stored);
    SavePara(store, {AutomationFormat::kSia, AckMode::kManual, false});
    if (c.text != nullptr) store.Set(c.key, c.name, c.text);
    if (c.text == nullptr) store.non_text.insert({c.key, c.name});
    FakeHolder holder;
    EXPECT_EQ(LoadPreferences(store, holder), std::vector<std::string>{c.message}) << c.name;
    for (const DisplayList list : {DisplayList::kDecimal, DisplayList::kHex}) {
      FontSpec expected = stored;
      if (c.key == (list == DisplayList::kDecimal ? kFont1Key : kFont2Key)) {
        expected.*c.field = FontSpec{}.*c.field;
      }
      EXPECT_EQ(holder.fonts[static_cast<int>(list)], expected) << c.name;
    }
    const AckMode ack = c.key == kParaKey ? AckMode::kAuto : AckMode::kManual;
    EXPECT_EQ(holder.para, (ParaPreferences{AutomationFormat::kSia, ack, false})) << c.name;
  }
  EXPECT_EQ(ParseStoredInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseStoredInteger("+7"), 7);
  EXPECT_THROW(ParseStoredInteger("+-7"), std::runtime_error);
}

TEST(SavePreferences, RoundTripAcrossTwoHolders) {
  FakePreferenceStore store;
  FakeHolder first;
  first.fonts[0].Bold = true;
  first.fonts[1].Size = 16;
  first.para = {AutomationFormat::kSia, AckMode::kManual, false};
  SavePreferences(store, first);
  EXPECT_EQ(store.commits, 1);
  FakeHolder second;
  LoadPreferences(store, second);
  EXPECT_EQ(second.fonts[0], first.fonts[0]);
  EXPECT_EQ(second.fonts[1], first.fonts[1]);
  EXPECT_EQ(second.para, first.para);
}

TEST(SavePreferences, ReadOnlyStoreFailsOnTheFirstValue) {
  FakePreferenceStore store;
  store.read_only = true;
  try {
    SavePreferences(store, FakeHolder{});
    ADD_FAILURE();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Charset'");
  }
}

}  // namespace
}  // namespace v7400
