#include "app/rtf_reader.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace v7400 {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page leaves the byte undefined.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::size_t kMaxDepth = 512;
constexpr int kDefaultHalfPoints = 24;

char32_t FromCp1252(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char32_t mapped = kCp1252High[byte - 0x80];
  return mapped == 0 ? kReplacement : mapped;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Groups whose content is not document text.
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {
      "fonttbl", "colortbl", "stylesheet", "info",    "pict",     "header",   "footer",
      "headerl", "headerr",  "footerl",    "footerr", "listtable", "listoverridetable",
      "rsidtbl", "generator", "xmlnsttbl", "object",  "fldinst",  "themedata", "filetbl",
      "revtbl",  "latentstyles", "datastore", "colorschememapping", "footnote", "pgdsctbl"};
  for (const std::string_view skipped : kSkipped) {
    if (word == skipped) return true;
  }
  return false;
}

struct Format {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int half_points = kDefaultHalfPoints;
  bool skip = false;
  int unicode_fallback = 1;

  bool SameLook(const Format& other) const {
    return bold == other.bold && italic == other.italic && underline == other.underline &&
           half_points == other.half_points;
  }
  std::string Style() const {
    std::string style;
    if (bold) style += "font-weight:bold;";
    if (italic) style += "font-style:italic;";
    if (underline) style += "text-decoration:underline;";
    if (half_points != kDefaultHalfPoints) {
      style += "font-size:" + std::to_string(half_points / 2) + (half_points % 2 ? ".5" : "") +
               "pt;";
    }
    return style;
  }
};

struct ControlWord {
  std::string_view word;
  bool has_param = false;
  long param = 0;
};

class RtfParser {
 public:
  explicit RtfParser(std::string_view rtf) : in_(rtf) {}

  // False when the input is not RTF or its groups do not nest.
  bool Run() {
    if (in_.substr(0, 5) != "{\\rtf") return false;
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      if (c == '{') {
        if (stack_.size() >= kMaxDepth) return false;
        stack_.push_back(format_);
      } else if (c == '}') {
        if (stack_.empty()) return false;
        format_ = stack_.back();
        stack_.pop_back();
        if (stack_.empty()) break;
      } else if (c == '\\') {
        Control();
      } else if (c != '\r' && c != '\n') {
        Text(FromCp1252(static_cast<unsigned char>(c)));
      }
    }
    if (!stack_.empty()) return false;
    if (!paragraph_.empty() || run_open_) EndParagraph();
    return true;
  }

  std::string TakeHtml() { return std::move(html_); }

 private:
  void Control() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      Symbol(c);
      return;
    }
    ControlWord control = ReadWord();
    Word(control);
  }

  ControlWord ReadWord() {
    ControlWord control;
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_]) && pos_ - start < 32) ++pos_;
    control.word = in_.substr(start, pos_ - start);
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    int digits = 0;
    while (pos_ < in_.size() && IsDigit(in_[pos_])) {
      if (digits++ < 9) control.param = control.param * 10 + (in_[pos_] - '0');
      control.has_param = true;
      ++pos_;
    }
    if (negative) control.param = -control.param;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    return control;
  }

  void Symbol(char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Text(static_cast<unsigned char>(c));
        break;
      case '\'': {
        const int high = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
        const int low = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
        if (high < 0 || low < 0) return;
        pos_ += 2;
        Text(FromCp1252(static_cast<unsigned char>(high * 16 + low)));
        break;
      }
      case '~':
        Text(0x00A0);
        break;
      case '_':
        Text(0x2011);
        break;
      case '*':
        format_.skip = true;
        break;
      case '\r':
      case '\n':
        Paragraph();
        break;
      default:
        break;
    }
  }

  void Word(const ControlWord& c) {
    const bool on = !c.has_param || c.param != 0;
    if (IsSkippedDestination(c.word)) {
      format_.skip = true;
    } else if (c.word == "bin") {
      pos_ += std::min<std::size_t>(c.param > 0 ? static_cast<std::size_t>(c.param) : 0,
                                    in_.size() - pos_);
    } else if (c.word == "uc") {
      format_.unicode_fallback = c.param >= 0 && c.param < 16 ? static_cast<int>(c.param) : 1;
    } else if (c.word == "u") {
      Unicode(c.param);
    } else if (c.word == "b") {
      format_.bold = on;
    } else if (c.word == "i") {
      format_.italic = on;
    } else if (c.word == "ul") {
      format_.underline = on;
    } else if (c.word == "ulnone") {
      format_.underline = false;
    } else if (c.word == "fs") {
      format_.half_points = c.param > 0 && c.param <= 3276 ? static_cast<int>(c.param)
                                                            : kDefaultHalfPoints;
    } else if (c.word == "plain") {
      const Format plain;
      format_.bold = plain.bold;
      format_.italic = plain.italic;
      format_.underline = plain.underline;
      format_.half_points = plain.half_points;
    } else if (c.word == "par" || c.word == "row" || c.word == "sect" || c.word == "page") {
      Paragraph();
    } else {
      Special(c.word);
    }
  }

  void Special(std::string_view word) {
    static constexpr std::pair<std::string_view, char32_t> kCharacters[] = {
        {"tab", U'\t'},       {"cell", U'\t'},      {"emdash", 0x2014},   {"endash", 0x2013},
        {"bullet", 0x2022},   {"lquote", 0x2018},   {"rquote", 0x2019},   {"ldblquote", 0x201C},
        {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002}, {"line", U'\n'}};
    for (const auto& [name, cp] : kCharacters) {
      if (word == name) Text(cp);
    }
  }

  void Unicode(long value) {
    if (format_.skip) return;
    char32_t cp = static_cast<char32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      high_surrogate_ = cp;
    } else {
      if (cp >= 0xDC00 && cp <= 0xDFFF && high_surrogate_ != 0) {
        cp = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (cp - 0xDC00);
      }
      high_surrogate_ = 0;
      if (cp != 0) Text(cp);
    }
    fallback_left_ = format_.unicode_fallback;
  }

  void Text(char32_t cp) {
    if (format_.skip) return;
    if (fallback_left_ > 0) {
      --fallback_left_;
      return;
    }
    if (cp == U'\n') {
      CloseRun();
      paragraph_ += "<br/>";
      return;
    }
    if (cp < 0x20 && cp != U'\t') return;
    OpenRun();
    switch (cp) {
      case U'&':
        paragraph_ += "&amp;";
        break;
      case U'<':
        paragraph_ += "&lt;";
        break;
      case U'>':
        paragraph_ += "&gt;";
        break;
      default:
        AppendUtf8(paragraph_, cp);
    }
  }

  void OpenRun() {
    if (run_open_ && run_format_.SameLook(format_)) return;
    CloseRun();
    run_format_ = format_;
    run_open_ = true;
    const std::string style = format_.Style();
    if (!style.empty()) paragraph_ += "<span style=\"" + style + "\">";
  }

  void CloseRun() {
    if (run_open_ && !run_format_.Style().empty()) paragraph_ += "</span>";
    run_open_ = false;
  }

  void Paragraph() {
    if (format_.skip) return;
    EndParagraph();
  }

  void EndParagraph() {
    CloseRun();
    html_ += "<p>" + (paragraph_.empty() ? std::string("&nbsp;") : paragraph_) + "</p>";
    paragraph_.clear();
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<Format> stack_;
  Format format_;
  Format run_format_;
  bool run_open_ = false;
  int fallback_left_ = 0;
  char32_t high_surrogate_ = 0;
  std::string paragraph_;
  std::string html_;
};

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) AppendUtf8(out, FromCp1252(static_cast<unsigned char>(byte)));
  return out;
}

RtfDocument ReadRtf(std::string_view rtf) {
  RtfParser parser(rtf);
  if (parser.Run()) return RtfDocument{true, parser.TakeHtml()};
  return RtfDocument{false, Cp1252ToUtf8(rtf)};
}

}  // namespace v7400
