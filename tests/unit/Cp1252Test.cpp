#include "app/Cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252Test, AsciiAndLatin1RangeMapToThemselves)
{
    const QString text = QStringLiteral("Hallo Welt! \u00e4\u00f6\u00fc\u00df\u00c4\u00a0\u00ff");
    const QByteArray bytes = Cp1252::encode(text);
    EXPECT_EQ(bytes, QByteArray("Hallo Welt! \xe4\xf6\xfc\xdf\xc4\xa0\xff"));
    EXPECT_EQ(Cp1252::decode(bytes), text);
}

TEST(Cp1252Test, ThePunctuationBlockUsesTheCodePageTable)
{
    EXPECT_EQ(Cp1252::decode(QByteArray("\x80\x85\x8a\x93\x94\x96\x99\x9f")),
              QStringLiteral("\u20ac\u2026\u0160\u201c\u201d\u2013\u2122\u0178"));
    EXPECT_EQ(Cp1252::encode(QStringLiteral("\u20ac \u201eZitat\u201c \u2014 \u017e")),
              QByteArray("\x80 \x84Zitat\x93 \x97 \x9e"));
}

TEST(Cp1252Test, EveryByteSurvivesTheRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    const QString text = Cp1252::decode(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(Cp1252::encode(text), all);
    for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(text[undefined].unicode(), undefined);
    }
}

TEST(Cp1252Test, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    // U+0080 is not the euro sign's byte: the code page has no place for that C1 control.
    EXPECT_EQ(Cp1252::encode(QStringLiteral("a\u4e2db\u0080c\u0100")), QByteArray("a?b?c?"));
    // A character outside the basic plane is one "?", not one per surrogate.
    EXPECT_EQ(Cp1252::encode(QString::fromUtf8("x\xf0\x9f\x8e\xb5y")), QByteArray("x?y"));
    EXPECT_EQ(Cp1252::encode(QString(QChar(0xD800))), QByteArray("?"));
    EXPECT_TRUE(Cp1252::encode(QString()).isEmpty());
}
