#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/common/Numbers.h"
#include "core/common/TextEncoding.h"
#include "core/common/TextOrder.h"

namespace typelane {
namespace {

TEST(TextEncoding, BytesAreShownAsUtf8OrWindows1252) {
  EXPECT_EQ(DecodeText("M\xC3\xBCller \xE2\x82\xAC"), "M\xC3\xBCller \xE2\x82\xAC");
  EXPECT_EQ(DecodeText("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(DecodeText("\x80 \x93x\x94"), "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D");
  EXPECT_EQ(DecodeText("\x81"), "\xC2\x81");  // undefined in 1252: the C1 control
  EXPECT_EQ(EncodingOf("plain"), std::nullopt);
  EXPECT_EQ(EncodingOf("\xE9t\xE9"), TextEncoding::kWindows1252);
  EXPECT_EQ(EncodingOf("\xC3\xA9t\xC3\xA9"), TextEncoding::kUtf8);
}

TEST(TextEncoding, TypedTextGoesBackWithoutLosingACharacter) {
  // Every Windows-1252 text comes back as the same bytes.
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string bytes = "x" + std::string(1, static_cast<char>(b)) + "y";
    EXPECT_EQ(EncodeText(DecodeText(bytes), TextEncoding::kWindows1252), bytes) << b;
  }
  EXPECT_EQ(EncodeText("\xC3\xA9t\xC3\xA9", TextEncoding::kWindows1252), "\xE9t\xE9");
  // A character 1252 lacks keeps the whole text in UTF-8.
  EXPECT_EQ(EncodeText("\xC3\xA9 \xE6\x97\xA5", TextEncoding::kWindows1252),
            "\xC3\xA9 \xE6\x97\xA5");
  // "Ã©" in 1252 is C3 A9, which reads back as "é": it stays UTF-8.
  EXPECT_EQ(EncodeText("\xC3\x83\xC2\xA9", TextEncoding::kWindows1252), "\xC3\x83\xC2\xA9");
  EXPECT_EQ(EncodeText("\xC3\xA9", TextEncoding::kUtf8), "\xC3\xA9");
  // A cell keeps the encoding it came in; plain ASCII takes the document's.
  EXPECT_EQ(EncodingForEdit("\xE9", TextEncoding::kUtf8), TextEncoding::kWindows1252);
  EXPECT_EQ(EncodingForEdit("\xC3\xA9", TextEncoding::kWindows1252), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingForEdit("abc", TextEncoding::kWindows1252), TextEncoding::kWindows1252);
}

TEST(TextOrder, CaseIsFoldedOverCharactersAndAccentsSortBesideTheirLetter) {
  // "Annulé" in Windows-1252 and "ANNULÉ" in UTF-8 are one text.
  EXPECT_EQ(CompareTextNoCase("Annul\xE9", "ANNUL\xC3\x89"), 0);
  EXPECT_TRUE(SameTextNoCase("\xC5\x92UVRE",
                             "\x9C"
                             "uvre"));                                                  // Œ / œ
  EXPECT_TRUE(SameTextNoCase("\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80"));  // МИР
  EXPECT_FALSE(SameTextNoCase("Annule", "Annul\xE9"));
  EXPECT_FALSE(SameTextNoCase("abc", "abcd"));

  std::vector<std::string> words = {"Annuler",
                                    "zebra",
                                    "annul\xC3\xA9",
                                    "Z\xC3\xA8"
                                    "bre",
                                    "Annule",
                                    "eclat",
                                    "\xC3\x89"
                                    "clair",
                                    "Ab"};
  std::sort(words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
  EXPECT_EQ(words, (std::vector<std::string>{"Ab", "Annule", "annul\xC3\xA9", "Annuler",
                                             "\xC3\x89"
                                             "clair",
                                             "eclat", "zebra",
                                             "Z\xC3\xA8"
                                             "bre"}));
}

TEST(Numbers, TruncatedProductUsesTheExactProduct) {
  EXPECT_EQ(TruncatedProduct(50, 1.4), 69);  // 70 when rounded to double first
  EXPECT_EQ(TruncatedProduct(52, 1.4), 72);
  EXPECT_EQ(TruncatedProduct(100, 1.1), 110);
  EXPECT_EQ(TruncatedProduct(10, 1.5), 15);
  EXPECT_EQ(TruncatedProduct(0, 1.4), 0);
  EXPECT_EQ(TruncatedProduct(-50, 1.4), -69);
}

}  // namespace
}  // namespace typelane
