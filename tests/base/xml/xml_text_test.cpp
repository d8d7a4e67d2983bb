#include "base/xml/xml_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qiv::xml::kMaxElementTags;
using qiv::xml::kTerminatorPadding;
using qiv::xml::PrepareXmlText;

std::string Padded(const std::string& text) { return text + std::string(kTerminatorPadding, '\0'); }

TEST(XmlTextTest, NormalisesLineEndsAndPads) {
  const struct {
    std::string input;
    std::string expected;
  } cases[] = {
      {"", ""},
      {"<a/>", "<a/>"},
      {"<a>\r\n</a>\r\n", "<a>\n</a>\n"},
      {"<a>\r</a>\r", "<a>\n</a>\n"},
      {"<a>\r\r\n\n</a>", "<a>\n\n\n</a>"},
      {"<a/>\r", "<a/>\n"},
      // Text ends at the first NUL byte, as when the library reads the file.
      {std::string("<a/>\0<b/>", 9), "<a/>"},
  };
  for (const auto& c : cases) {
    std::string text;
    ASSERT_TRUE(PrepareXmlText(c.input, text));
    EXPECT_EQ(text, Padded(c.expected)) << testing::PrintToString(c.input);
  }
}

TEST(XmlTextTest, BoundsTheNumberOfElementTags) {
  std::string atLimit;
  for (size_t i = 0; i < kMaxElementTags; ++i) atLimit += "<a>";
  std::string text;
  EXPECT_TRUE(PrepareXmlText(atLimit, text));
  // Counted in comments and attribute values too, and for names beyond ASCII.
  EXPECT_FALSE(PrepareXmlText(atLimit + "<!-- <b -->", text));
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(PrepareXmlText(atLimit + "<\xC3\xA9", text));
  EXPECT_FALSE(PrepareXmlText(atLimit + "<_", text));
  // What the parser never takes for an element is not counted.
  EXPECT_TRUE(PrepareXmlText(atLimit + "</a><!-- --><?pi?>< a", text));
}

TEST(XmlTextTest, RecognisesTheUtf8ByteOrderMark) {
  EXPECT_TRUE(qiv::xml::HasUtf8ByteOrderMark("\xEF\xBB\xBF<a/>"));
  EXPECT_FALSE(qiv::xml::HasUtf8ByteOrderMark("\xEF\xBB"));
  EXPECT_FALSE(qiv::xml::HasUtf8ByteOrderMark("<a/>"));
}

}  // namespace
