// A small RTF reader for the bundled help documents: paragraphs, bold, italic, underline, font
// sizes and the escaped characters become HTML that a rich-text viewer can show. Tables, images
// and the rest of RTF are dropped; the text inside them is kept where it is plain text.
#pragma once

#include <string>
#include <string_view>

namespace v7400 {

struct RtfDocument {
  // True when `text` is HTML; false when the input could not be read as RTF and `text` is the
  // input itself, to be shown as plain text.
  bool rich = false;
  // UTF-8 in either case.
  std::string text;
};

RtfDocument ReadRtf(std::string_view rtf);

// Windows-1252, the code page the documents are written in, to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace v7400
