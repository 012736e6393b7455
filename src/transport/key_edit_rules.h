// How the 32 key edits of the settings dialog react to typing, releasing keys and pasting, and
// the Ctrl chord that reveals the key string. Each edit holds two hexadecimal digits.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace v7400 {

inline constexpr int kFirstKeyEdit = 5;
inline constexpr int kLastKeyEdit = 36;
inline constexpr int kKeyEditCount = kLastKeyEdit - kFirstKeyEdit + 1;
inline constexpr int kRevealChordEdit = 20;
inline constexpr std::size_t kKeyEditLength = 2;

using KeyEditTexts = std::array<std::string, kKeyEditCount>;

// "Edit5" .. "Edit36".
std::string KeyEditName(int number);

enum class TypedKeyAction { kAccept, kDiscard, kDiscardAndFocusNext };

// A character typed into a key edit holding `length` characters. Backspace (0x08) and the
// hexadecimal digits are accepted; Enter or "-" in a full edit moves on.
TypedKeyAction OnKeyEditTyped(char typed, std::size_t length);

enum class ReleasedKey { kDigit, kHexLetter, kBackspace, kEnter, kOther };
enum class FocusMove { kNone, kNext, kPrevious };

// Where the focus goes when a key is released in key edit `number` now holding `length`
// characters.
FocusMove OnKeyEditReleased(ReleasedKey key, int number, std::size_t length);

// What a key edit keeps of any text put into it: the hexadecimal digits in upper case, at most
// two of them, so a pasted byte can never reach the file.
std::string FilterKeyEditText(std::string_view text);

// A character typed into the receiver address edit: Backspace, digits, ".", ":" and the
// letters A-F in either case.
bool AcceptsReceiverAddressChar(char typed);

// Collects the keys released with Ctrl held in the chord edit.
class RevealChord {
 public:
  // True when the collected keys spell "QZ"; the collection then starts again.
  bool KeyReleased(bool ctrl_held, char key);

 private:
  std::string collected_;
};

// "Current Key String:", a line feed, and the 32 edit texts joined by "-".
std::string RevealMessage(const KeyEditTexts& edits);

}  // namespace v7400
