#include "fw/Text.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using fw::Str;

TEST(Str, FloatsInTheirShortestFormWithoutExponent) {
    EXPECT_EQ(Str(0.9f), "0.9");
    EXPECT_EQ(Str(1.23f), "1.23");
    EXPECT_EQ(Str(1000.f), "1000");
    EXPECT_EQ(Str(123.5f), "123.5");
    EXPECT_EQ(Str(0.f), "0");
    EXPECT_EQ(Str(-0.f), "0");
    EXPECT_EQ(Str(-2.5f), "-2.5");
    EXPECT_EQ(Str(0.1f), "0.1");
    EXPECT_EQ(Str(1e7f), "10000000");
    EXPECT_EQ(Str(1e10f), "10000000000");
    EXPECT_EQ(Str(16777217.f), "16777216");
}

TEST(Str, FloatTextReadsBackAsTheSameFloat) {
    for (const float value :
         {0.95f, 99.95f, 1.0f / 3.0f, 123456.789f, 3.4e-5f, std::numeric_limits<float>::max()}) {
        const std::string text = Str(value);
        EXPECT_EQ(text.find('e'), std::string::npos) << text;
        EXPECT_EQ(std::stof(text), value) << text;
    }
}

TEST(Str, Int32) {
    EXPECT_EQ(Str(0), "0");
    EXPECT_EQ(Str(2), "2");
    EXPECT_EQ(Str(-17), "-17");
    EXPECT_EQ(Str(std::numeric_limits<std::int32_t>::min()), "-2147483648");
}

TEST(Round, HalvesAwayFromZero) {
    EXPECT_EQ(fw::Round(0.5), 1.0);
    EXPECT_EQ(fw::Round(2.5), 3.0);
    EXPECT_EQ(fw::Round(12.5), 13.0);
    EXPECT_EQ(fw::Round(-2.5), -3.0);
    EXPECT_EQ(fw::Round(0.499), 0.0);
    EXPECT_EQ(fw::Round(99.9995), 100.0);
}

TEST(InStr, PositionsAreOneBasedAndBytewise) {
    EXPECT_EQ(fw::InStr("abcabc", "c"), 3);
    EXPECT_EQ(fw::InStr("abcabc", "c", 4), 6);
    EXPECT_EQ(fw::InStr("abcabc", "abc", 2), 4);
    EXPECT_EQ(fw::InStr("abc", "x"), 0);
    EXPECT_EQ(fw::InStr("abc", "C"), 0);
    EXPECT_EQ(fw::InStr("abc", ""), 0);
    EXPECT_EQ(fw::InStr("", "a"), 0);
    EXPECT_EQ(fw::InStr("abc", "c", 0), 3);
    EXPECT_EQ(fw::InStr("abc", "c", 4), 0);
    EXPECT_EQ(fw::InStr("abc", "c", 100), 0);
    EXPECT_EQ(fw::InStr("/:home:ann:Docs:Sub:", "/:home:ann:Docs:"), 1);
    EXPECT_EQ(fw::InStr("x\xff\xfe.tmp", ".tmp"), 4);
}

TEST(Replace, FirstOrAllOccurrences) {
    EXPECT_EQ(fw::Replace("a:b:c", ":", ";"), "a;b:c");
    EXPECT_EQ(fw::ReplaceAll("a:b:c", ":", ";"), "a;b;c");
    EXPECT_EQ(fw::ReplaceAll("Tolvane 2012-03-15 13:52:05", ":", ";"),
              "Tolvane 2012-03-15 13;52;05");
    EXPECT_EQ(fw::Replace("abc", "x", "y"), "abc");
    EXPECT_EQ(fw::ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(fw::ReplaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(fw::ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(fw::Replace("abc", "", "x"), "abc");
    EXPECT_EQ(fw::ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(fw::ReplaceAll("a.b.", ".", ""), "ab");
}

TEST(Split, AtEveryOccurrence) {
    using Pieces = std::vector<std::string>;
    EXPECT_EQ(fw::Split("a,b,c", ","), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(fw::Split("", ","), (Pieces{""}));
    EXPECT_EQ(fw::Split("abc", ","), (Pieces{"abc"}));
    EXPECT_EQ(fw::Split(",a,,b,", ","), (Pieces{"", "a", "", "b", ""}));
    EXPECT_EQ(fw::Split("a<>b<>", "<>"), (Pieces{"a", "b", ""}));
    EXPECT_EQ(fw::Split("abc", ""), (Pieces{"abc"}));
}

TEST(Trim, BlanksAndTabsAtBothEnds) {
    EXPECT_EQ(fw::Trim("  a b \t"), "a b");
    EXPECT_EQ(fw::Trim("\t\tx"), "x");
    EXPECT_EQ(fw::Trim(" \t "), "");
    EXPECT_EQ(fw::Trim(""), "");
    EXPECT_EQ(fw::Trim("a\n"), "a\n");
    EXPECT_EQ(fw::Trim("mp3"), "mp3");
}

TEST(Lowercase, UnicodeForValidUtf8) {
    EXPECT_EQ(fw::Lowercase("\xC3\x84\xC3\x96\xC3\x9C.MP3"), "\xC3\xA4\xC3\xB6\xC3\xBC.mp3");
    EXPECT_EQ(fw::Lowercase("\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91"),
              "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1");
    EXPECT_EQ(fw::Lowercase("Backup.TMP"), "backup.tmp");
    EXPECT_EQ(fw::Lowercase(""), "");
    EXPECT_EQ(fw::Lowercase("\xEF\xBB\xBF"
                            "ABC"),
              "\xEF\xBB\xBF"
              "abc");
}

TEST(Lowercase, InvalidUtf8KeepsItsBytes) {
    EXPECT_EQ(fw::Lowercase("ABC\xFF\xC3.TXT"), "abc\xFF\xC3.txt");
    EXPECT_EQ(fw::Lowercase("X\xC0\xAFY"), "x\xC0\xAFy");
    const std::string withNul("A\0B", 3);
    EXPECT_EQ(fw::Lowercase(withNul), std::string("a\0b", 3));
}

TEST(toQString, CarriageReturnsBecomeLineBreaks) {
    EXPECT_EQ(fw::toQString("a\rb\r\nc\nd"), QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(fw::toQString("Sure?\r\rName ?\r\r"), QStringLiteral("Sure?\n\nName ?\n\n"));
    EXPECT_EQ(fw::toQString("\xC3\xA4"), QString(QChar(0xE4)));
    EXPECT_EQ(fw::fromQString(QString(QChar(0x221A)) + QStringLiteral(" Docs")),
              "\xE2\x88\x9A Docs");
}
