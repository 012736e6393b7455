// Typing, releasing keys and pasting in the key edits, and the reveal chord.
#include "transport/key_edit_rules.h"

#include <gtest/gtest.h>

namespace v7400 {
namespace {

TEST(KeyEditRulesTest, TypedCharacters) {
  const struct {
    char typed;
    std::size_t length;
    TypedKeyAction action;
  } cases[] = {
      {'3', 0, TypedKeyAction::kAccept},
      {'a', 1, TypedKeyAction::kAccept},
      {'F', 0, TypedKeyAction::kAccept},
      {'\b', 2, TypedKeyAction::kAccept},
      {'g', 0, TypedKeyAction::kDiscard},
      {' ', 0, TypedKeyAction::kDiscard},
      {'-', 1, TypedKeyAction::kDiscard},
      {'\r', 0, TypedKeyAction::kDiscard},
      {'-', 2, TypedKeyAction::kDiscardAndFocusNext},
      {'\r', 2, TypedKeyAction::kDiscardAndFocusNext},
      {'\xB3', 0, TypedKeyAction::kDiscard},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OnKeyEditTyped(c.typed, c.length), c.action) << int(c.typed) << " " << c.length;
  }
}

TEST(KeyEditRulesTest, ReleasedKeysMoveTheFocus) {
  const struct {
    ReleasedKey key;
    int number;
    std::size_t length;
    FocusMove move;
  } cases[] = {
      {ReleasedKey::kEnter, 35, 2, FocusMove::kNext},
      {ReleasedKey::kOther, 5, 2, FocusMove::kNone},
      {ReleasedKey::kDigit, 36, 2, FocusMove::kNone},
      {ReleasedKey::kBackspace, 36, 0, FocusMove::kPrevious},
      {ReleasedKey::kBackspace, 5, 0, FocusMove::kNone},
      {ReleasedKey::kBackspace, 6, 1, FocusMove::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OnKeyEditReleased(c.key, c.number, c.length), c.move) << c.number << " " << c.length;
  }
}

TEST(KeyEditRulesTest, PastedTextKeepsOnlyTwoHexDigits) {
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(FilterKeyEditText(every_byte), "01");
  EXPECT_EQ(FilterKeyEditText("z-b\n\xFF"
                              "c9"),
            "BC");
  EXPECT_EQ(FilterKeyEditText(std::string(1, '\0') + "e"), "E");
  EXPECT_EQ(FilterKeyEditText(""), "");
  EXPECT_TRUE(AcceptsReceiverAddressChar(':'));
  EXPECT_FALSE(AcceptsReceiverAddressChar('g'));
}

TEST(KeyEditRulesTest, RevealChordNeedsCtrlQThenZ) {
  const struct {
    std::vector<std::pair<bool, char>> keys;  // ctrl held, key
    int reveals;
  } cases[] = {
      {{{true, 'q'}, {true, 'z'}}, 1},
      {{{true, 'Q'}, {false, 'X'}, {true, 'Z'}}, 0},
      {{{true, 'A'}, {true, 'B'}, {true, 'C'}, {true, 'D'}, {true, 'Q'}, {true, 'Z'}}, 1},
      {{{true, 'Q'}, {true, 'Z'}, {true, 'Q'}, {true, 'Z'}}, 2},
  };
  for (const auto& c : cases) {
    RevealChord chord;
    int reveals = 0;
    for (const auto& [ctrl, key] : c.keys) reveals += chord.KeyReleased(ctrl, key) ? 1 : 0;
    EXPECT_EQ(reveals, c.reveals) << c.keys.size();
  }
  KeyEditTexts texts;
  texts[0] = "5E";
  texts[31] = "A";
  EXPECT_EQ(RevealMessage(texts), "Current Key String:\n5E" + std::string(30, '-') + "-A");
}

}  // namespace
}  // namespace v7400
