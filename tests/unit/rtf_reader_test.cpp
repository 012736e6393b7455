#include "app/rtf_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>
#include <string>

#include "app/help_document.h"
#include "fakes/temp_dir.h"

namespace v7400 {
namespace {

struct RichCase {
  const char* rtf;
  const char* html;
};

TEST(RtfReaderTest, FormattingAndEscapesBecomeHtml) {
  const RichCase cases[] = {
      {R"({\rtf1 Hello\par World})", "<p>Hello</p><p>World</p>"},
      {R"({\rtf1 a\par\par b})", "<p>a</p><p>&nbsp;</p><p>b</p>"},
      {R"({\rtf1 x{\b bold}y})", "<p>x<span style=\"font-weight:bold;\">bold</span>y</p>"},
      {R"({\rtf1 \b on\b0 off})", "<p><span style=\"font-weight:bold;\">on</span>off</p>"},
      {R"({\rtf1 \i\ul both\ulnone\i0 .})",
       "<p><span style=\"font-style:italic;text-decoration:underline;\">both</span>.</p>"},
      {R"({\rtf1 \fs36 big\fs21 odd\plain n})",
       "<p><span style=\"font-size:18pt;\">big</span><span style=\"font-size:10.5pt;\">odd</span>"
       "n</p>"},
      {R"({\rtf1 \\ \{ \} <&>})", "<p>\\ { } &lt;&amp;&gt;</p>"},
      {R"({\rtf1 caf\'e9 \'80\'4a})",
       "<p>caf\xC3\xA9 \xE2\x82\xAC"
       "J</p>"},
      {R"({\rtf1 \u8364?x \uc2\u-3913 ab c})", "<p>\xE2\x82\xACx \xEF\x82\xB7 c</p>"},
      {R"({\rtf1 \u-10179?\u-8701?})", "<p>\xF0\x9F\x98\x83</p>"},
      {R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}{\*\generator W;}T})",
       "<p>T</p>"},
      {R"({\rtf1{\*\unknown hidden{\b deep}}{\info{\title t}}shown})", "<p>shown</p>"},
      {R"({\rtf1 a\line b\tab c\~d\emdash e})",
       "<p>a<br/>b\tc\xC2\xA0"
       "d\xE2\x80\x94"
       "e</p>"},
      {"{\\rtf1 one\r\ntwo\\\r\nthree}", "<p>onetwo</p><p>three</p>"},
      {R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "<p>link</p>"},
      {R"({\rtf1 \bin3 {{{ok})", "<p>ok</p>"},
      {R"({\rtf1 \'zz\'4})", "<p>zz4</p>"},
      {R"({\rtf1 end} trailing {)", "<p>end</p>"},
  };
  for (const RichCase& c : cases) {
    const RtfDocument document = ReadRtf(c.rtf);
    EXPECT_TRUE(document.rich) << c.rtf;
    EXPECT_EQ(document.text, c.html) << c.rtf;
  }
}

TEST(RtfReaderTest, WhatIsNotReadableComesBackAsPlainText) {
  const std::string deep = "{\\rtf1 " + std::string(600, '{') + "x" + std::string(601, '}');
  const std::string cases[] = {
      "",       "plain words", "{\\rtf1 never closed {\\b",
      "{\\rtf", "\\",          std::string("{\\rtf1 \\'e9\0}", 12),
      deep,
  };
  for (const std::string& input : cases) {
    const RtfDocument document = ReadRtf(input);
    EXPECT_FALSE(document.rich) << input.substr(0, 40);
    EXPECT_EQ(document.text, Cp1252ToUtf8(input)) << input.substr(0, 40);
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80\x81\xE9"
                         "a"),
            "\xE2\x82\xAC\xEF\xBF\xBD\xC3\xA9"
            "a");
}

TEST(RtfReaderTest, EveryPrefixOfADocumentIsReadWithoutFault) {
  const std::string rtf =
      R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\uc1 \b T\'e9\u8364?{\*\x y}\fs-5\bin2 ab\par\i z})";
  for (std::size_t length = 0; length <= rtf.size(); ++length) {
    const RtfDocument document = ReadRtf(std::string_view(rtf).substr(0, length));
    EXPECT_EQ(document.rich, length == rtf.size()) << length;
  }
}

TEST(HelpDocumentTest, LoadsAFileAndRefusesWhatIsNotOne) {
  testing::TempDir dir;
  { std::ofstream(dir.File("help.rtf"), std::ios::binary) << R"({\rtf1 Help})"; }
  const RtfDocument document = LoadHelpDocument(dir.File("help.rtf"));
  EXPECT_TRUE(document.rich);
  EXPECT_EQ(document.text, "<p>Help</p>");

  ASSERT_EQ(mkfifo(dir.File("fifo.rtf").c_str(), 0600), 0);
  const struct {
    std::string path;
    const char* reason;
  } failures[] = {
      {dir.File("missing.rtf"), "No such file or directory"},
      {dir.File("fifo.rtf"), "Not a regular file"},
      {dir.path().string(), "Not a regular file"},
  };
  for (const auto& failure : failures) {
    try {
      LoadHelpDocument(failure.path);
      ADD_FAILURE() << failure.path;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()),
                "Cannot open file \"" + failure.path + "\". " + failure.reason);
    }
  }
}

}  // namespace
}  // namespace v7400
