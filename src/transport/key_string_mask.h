// The mask under which the key string is stored in the settings file.
#pragma once

#include <string>

namespace v7400 {

// Each hexadecimal pair of a 32-, 48- or 64-digit key string combined by exclusive or with
// the fixed mask table, written as two upper-case digits. The mask undoes itself, so applying
// it twice gives the key string back in upper case. Empty text for any other length. Throws
// std::invalid_argument when a pair is not hexadecimal.
std::string MaskKeyString(const std::string& text);

}  // namespace v7400
