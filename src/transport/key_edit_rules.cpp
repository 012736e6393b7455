#include "transport/key_edit_rules.h"

#include <cctype>

namespace v7400 {

namespace {

constexpr char kBackspace = '\b';
constexpr char kEnter = '\r';
constexpr char kRevealWord[] = "QZ";
constexpr std::size_t kRevealLimit = 3;

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

std::string KeyEditName(int number) { return "Edit" + std::to_string(number); }

TypedKeyAction OnKeyEditTyped(char typed, std::size_t length) {
  if (typed == kEnter || typed == '-') {
    return length >= kKeyEditLength ? TypedKeyAction::kDiscardAndFocusNext
                                    : TypedKeyAction::kDiscard;
  }
  return typed == kBackspace || IsHex(typed) ? TypedKeyAction::kAccept : TypedKeyAction::kDiscard;
}

FocusMove OnKeyEditReleased(ReleasedKey key, int number, std::size_t length) {
  if (key == ReleasedKey::kBackspace && length == 0 && number != kFirstKeyEdit) {
    return FocusMove::kPrevious;
  }
  if (key != ReleasedKey::kOther && length == kKeyEditLength && number != kLastKeyEdit) {
    return FocusMove::kNext;
  }
  return FocusMove::kNone;
}

std::string FilterKeyEditText(std::string_view text) {
  std::string kept;
  for (const char c : text) {
    if (kept.size() == kKeyEditLength) break;
    if (IsHex(c)) kept += Upper(c);
  }
  return kept;
}

bool AcceptsReceiverAddressChar(char typed) {
  return typed == kBackspace || typed == '.' || typed == ':' || IsHex(typed);
}

bool RevealChord::KeyReleased(bool ctrl_held, char key) {
  if (!ctrl_held) {
    collected_.clear();
    return false;
  }
  collected_ += Upper(key);
  if (collected_ == kRevealWord) {
    collected_.clear();
    return true;
  }
  if (collected_.size() > kRevealLimit) collected_.clear();
  return false;
}

std::string RevealMessage(const KeyEditTexts& edits) {
  std::string message = "Current Key String:\n";
  for (std::size_t i = 0; i < edits.size(); ++i) {
    if (i > 0) message += '-';
    message += edits[i];
  }
  return message;
}

}  // namespace v7400
