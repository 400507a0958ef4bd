#include "storage/cp932_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvara::storage {
namespace {

TEST(Cp932Text, ConverterIsAvailable) {
  ASSERT_TRUE(Cp932Available()) << "Qt lacks the ICU converter " << kCodePage932;
}

struct EncodeCase {
  const char* utf8;
  QByteArray bytes;
};

void PrintTo(const EncodeCase& c, std::ostream* os) { *os << '"' << c.utf8 << '"'; }

class Cp932Encode : public ::testing::TestWithParam<EncodeCase> {};

// The codes Windows gives these characters; where code page 932 differs from
// plain Shift-JIS ("～", "①", "\", "~") the Windows code is the one wanted.
INSTANTIATE_TEST_SUITE_P(Characters, Cp932Encode,
                         ::testing::Values(EncodeCase{"4.7k", "4.7k"},
                                           EncodeCase{"定数設定", "\x92\xe8\x90\x94\x90\xdd\x92\xe8"},
                                           EncodeCase{"設定中", "\x90\xdd\x92\xe8\x92\x86"}, EncodeCase{"ｱ", "\xb1"},
                                           EncodeCase{"～", "\x81\x60"}, EncodeCase{"①", "\x87\x40"},
                                           EncodeCase{"\\~", "\\~"}, EncodeCase{"１２ｋ", "\x82\x50\x82\x51\x82\x8b"},
                                           EncodeCase{"", ""}));

TEST_P(Cp932Encode, EncodesAndDecodesBack) {
  const std::optional<QByteArray> bytes = EncodeCp932(GetParam().utf8);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, GetParam().bytes);
  const std::optional<QString> decoded = DecodeCp932(*bytes);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->toStdString(), GetParam().utf8);
}

TEST(Cp932Text, CharactersWithoutACodeAreRefusedNotReplaced) {
  // The emoji, the wave dash and the minus sign of Unicode (code page 932 has
  // only the full-width forms "～" and "－"), an accented letter, invalid UTF-8.
  for (const char* text : {"1k😀", "〜", "−", "é", "\xff\xfe"}) {
    EXPECT_FALSE(EncodeCp932(text).has_value()) << text;
  }
  EXPECT_EQ(FirstUnencodableCharacter("1k😀x"), "😀");
  EXPECT_EQ(FirstUnencodableCharacter("ａΩé〜"), "é");
  EXPECT_EQ(FirstUnencodableCharacter("4.7k"), "");
}

TEST(Cp932Text, InvalidBytesAreDetected) {
  struct Case {
    QByteArray bytes;
    int line;  // of the first invalid sequence
  };
  const Case cases[] = {
      {"ok\r\n\x81", 2},          // lead byte cut off at the end
      {"\x81\x7f", 1},            // 0x7F is no second byte
      {"a\nb\n\xa0", 3},          // not a character
      {"\xfd", 1},                //
      {"\x82\xa0\r\n\x80zz", 2},  //
      {"\x82\xa0\r\x82\n", 2},    // lead byte before a line end
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(DecodeCp932(c.bytes).has_value()) << c.bytes.toHex().constData();
    EXPECT_EQ(FirstInvalidLine(c.bytes), c.line) << c.bytes.toHex().constData();
  }
}

struct SplitCase {
  QByteArray bytes;
  std::vector<QByteArray> lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.bytes.toHex().constData(); }

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

INSTANTIATE_TEST_SUITE_P(LineEnds, SplitLinesTest,
                         ::testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\r\n", {"a"}},
                                           SplitCase{"a\n", {"a"}}, SplitCase{"a\r", {"a"}},
                                           SplitCase{"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
                                           SplitCase{"\r\n\r\n", {"", ""}}, SplitCase{"\n\r", {"", ""}},
                                           SplitCase{"a\r\r\nb", {"a", "", "b"}},
                                           SplitCase{"\x82\xa0\r\n\x82\xa2", {"\x82\xa0", "\x82\xa2"}}));

TEST(Cp932Text, ValidBytesHaveNoInvalidLine) { EXPECT_EQ(FirstInvalidLine("a\r\n\x82\xa0\n\xb1"), 0); }

TEST_P(SplitLinesTest, SplitsBytesAndText) {
  std::vector<QByteArray> lines;
  for (QByteArrayView line : SplitLines(QByteArrayView(GetParam().bytes))) lines.emplace_back(line.toByteArray());
  EXPECT_EQ(lines, GetParam().lines);
  const QString text = QString::fromLatin1(GetParam().bytes);
  EXPECT_EQ(SplitLines(QStringView(text)).size(), GetParam().lines.size());
}

}  // namespace
}  // namespace kelvara::storage
