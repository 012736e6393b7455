// Feeds arbitrary bytes to the RTF reader; half the inputs get an RTF header so the parser, not
// the header check, sees them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0) input = "{\\rtf1 " + input.substr(1);
  const v7400::RtfDocument document = v7400::ReadRtf(input);
  // Plain text keeps every byte: one to three bytes of UTF-8 each.
  if (!document.rich &&
      (document.text.size() < input.size() || document.text.size() > 3 * input.size())) {
    __builtin_trap();
  }
  return 0;
}
