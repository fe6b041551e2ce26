#include "app/IniStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/NoFileOverride.h"
#include "support/TestFiles.h"

using namespace Commands;

namespace {

const QString kSection = QStringLiteral("Quernbell Audio Recorder");

class IniStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_ini = m_dir.filePath(QStringLiteral("quernbell.ini"));
    }

    void writeRaw(const QByteArray& bytes) { ASSERT_TRUE(TestFiles::write(m_ini, bytes)); }
    QByteArray readRaw() const { return TestFiles::read(m_ini); }

    QString read(const QString& key, const QString& def = QStringLiteral("DEF")) const
    {
        return ReadIniValue(kSection, key, m_ini, def);
    }
    /// The values of keys in the program's section, joined by "|"; "DEF" for each that is missing.
    QString values(const QStringList& keys) const
    {
        QStringList found;
        for (const QString& key : keys) {
            found << read(key);
        }
        return found.join(u'|');
    }

    void write(const QString& key, const QString& value) { WriteIniValue(kSection, key, value, m_ini); }

    QTemporaryDir m_dir;
    QString m_ini;
};

TEST_F(IniStoreTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt)
{
    EXPECT_EQ(read(QStringLiteral("Bitrate"), QStringLiteral("3")), QStringLiteral("3"));
    EXPECT_FALSE(QFileInfo::exists(m_ini));

    write(QStringLiteral("Bitrate"), QStringLiteral("5"));
    write(QStringLiteral("SavePath"), QStringLiteral("/home/u/Musik/"));
    EXPECT_EQ(readRaw(), QByteArray("[Quernbell Audio Recorder]\nBitrate=5\nSavePath=/home/u/Musik/\n"));
    EXPECT_EQ(values({"Bitrate", "SavePath"}), "5|/home/u/Musik/");

    write(QStringLiteral("Bitrate"), QStringLiteral("-1"));
    EXPECT_EQ(readRaw(), QByteArray("[Quernbell Audio Recorder]\nBitrate=-1\nSavePath=/home/u/Musik/\n"));
}

TEST_F(IniStoreTest, NamesMatchInAnyLetterCaseAndBlanksAreIgnored)
{
    writeRaw("[QUERNBELL AUDIO RECORDER]\n  BITRATE  =  7 \nsavepath=/x/\n\tBrowser\t=\t1\t\n");
    EXPECT_EQ(values({"Bitrate", "Browser"}), "7|1");
    EXPECT_EQ(ReadIniValue(QStringLiteral("  quernbell audio recorder "), QStringLiteral("SAVEPATH"), m_ini, QString()),
              QStringLiteral("/x/"));

    // A write updates the existing line instead of adding a second key.
    write(QStringLiteral("Bitrate"), QStringLiteral("4"));
    EXPECT_EQ(readRaw(), QByteArray("[QUERNBELL AUDIO RECORDER]\nBitrate=4\nsavepath=/x/\n\tBrowser\t=\t1\t\n"));
}

TEST_F(IniStoreTest, ValuesLoseMatchingQuotesOnlyAndEmptyOrMissingOnesGiveTheDefault)
{
    writeRaw("[Quernbell Audio Recorder]\n"
             "A=\"with blanks \"\nB='single'\nC=\"unbalanced\nD=\"mixed'\nE=\"\"\nF=say \"hi\"\nG=\"\n"
             "SavePath=\nLastTitle=   \nBrowser\n");
    EXPECT_EQ(values({"A", "B", "C", "D", "E", "F", "G"}),
              "with blanks |single|\"unbalanced|\"mixed'|DEF|say \"hi\"|\"");
    EXPECT_EQ(read(QStringLiteral("SavePath"), QStringLiteral("/docs/")), QStringLiteral("/docs/"));
    EXPECT_EQ(values({"LastTitle", "Browser", "LastArtist"}), "DEF|DEF|DEF");
}

TEST_F(IniStoreTest, LongValuesAreCutAt2047Characters)
{
    const QString longValue = QString(2990, u'a') + QStringLiteral("0123456789");
    write(QStringLiteral("LastTitle"), longValue);
    EXPECT_EQ(readRaw().size(), 27 + 10 + 3000 + 1);
    EXPECT_EQ(read(QStringLiteral("LastTitle")), longValue.left(2047));

    write(QStringLiteral("LastAlbum"), QString(2047, u'b'));
    EXPECT_EQ(read(QStringLiteral("LastAlbum")), QString(2047, u'b'));
}

TEST_F(IniStoreTest, OtherLinesSectionsAndCommentsSurviveWrites)
{
    const QByteArray original = "; settings of the recorder\n"
                                "[Other]\n"
                                "Bitrate=11\n"
                                "\n"
                                "[Quernbell Audio Recorder]\n"
                                ";Browser=1\n"
                                "Bitrate=2\n"
                                "junk line without equals\n"
                                "\n"
                                "[Tail]\n"
                                "x = y\n";
    writeRaw(original);
    EXPECT_EQ(values({"Bitrate", "Browser"}), "2|DEF");

    write(QStringLiteral("Bitrate"), QStringLiteral("9"));
    write(QStringLiteral("Browser"), QStringLiteral("1"));
    WriteIniValue(QStringLiteral("New"), QStringLiteral("Key"), QStringLiteral("v"), m_ini);

    EXPECT_EQ(readRaw(), QByteArray("; settings of the recorder\n"
                                    "[Other]\n"
                                    "Bitrate=11\n"
                                    "\n"
                                    "[Quernbell Audio Recorder]\n"
                                    ";Browser=1\n"
                                    "Bitrate=9\n"
                                    "junk line without equals\n"
                                    "Browser=1\n"
                                    "\n"
                                    "[Tail]\n"
                                    "x = y\n"
                                    "\n"
                                    "[New]\n"
                                    "Key=v\n"));
    EXPECT_EQ(ReadIniValue(QStringLiteral("other"), QStringLiteral("bitrate"), m_ini, QString()), QStringLiteral("11"));
}

TEST_F(IniStoreTest, FirstSectionAndKeyCountAndWritesKeepTheFilesLineEnding)
{
    writeRaw("[Quernbell Audio Recorder]\nBitrate=1\nBitrate=2\n[quernbell audio recorder]\nBitrate=3\nBrowser=1\n");
    EXPECT_EQ(values({"Bitrate", "Browser"}), "1|DEF");

    writeRaw("[Quernbell Audio Recorder]\nBitrate=8");
    EXPECT_EQ(read(QStringLiteral("Bitrate")), QStringLiteral("8")) << "no newline at the end";
    write(QStringLiteral("Browser"), QStringLiteral("0"));
    EXPECT_EQ(readRaw(), QByteArray("[Quernbell Audio Recorder]\nBitrate=8\nBrowser=0\n"));
    writeRaw("[Quernbell Audio Recorder]\nLastTitle=a\r");
    write(QStringLiteral("Browser"), QStringLiteral("0"));
    EXPECT_EQ(read(QStringLiteral("LastTitle")), QStringLiteral("a\r")) << "a last line ending in CR keeps it";

    writeRaw("[Quernbell Audio Recorder]\r\nBitrate=8\r\nSavePath=\"C:/x/\"\r\n");
    EXPECT_EQ(values({"Bitrate", "SavePath"}), "8|C:/x/");
    write(QStringLiteral("Browser"), QStringLiteral("1"));
    write(QStringLiteral("Bitrate"), QStringLiteral("0"));
    EXPECT_EQ(readRaw(), QByteArray("[Quernbell Audio Recorder]\r\nBitrate=0\r\nSavePath=\"C:/x/\"\r\nBrowser=1\r\n"));
}

TEST_F(IniStoreTest, TextIsWrittenInUtf8AndLinesOfOlderVersionsReadAsWindows1252)
{
    const QString folder = QStringLiteral("/home/u/\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b/");
    write(QStringLiteral("SavePath"), folder);
    write(QStringLiteral("LastArtist"), QStringLiteral("M\u00fcller \u20ac \u4e2d"));
    EXPECT_EQ(readRaw(), "[Quernbell Audio Recorder]\nSavePath=" + folder.toUtf8() +
                             "\nLastArtist=M\xc3\xbcller \xe2\x82\xac \xe4\xb8\xad\n");
    EXPECT_EQ(read(QStringLiteral("SavePath")), folder);

    // An old file: its Windows-1252 lines keep their bytes, a new line is UTF-8, and both read back.
    const QByteArray old =
        "[Quernbell Audio Recorder]\r\nLastTitle=Ca\xe7\xe3o \x80\r\nLastAlbum=\x81\x8d\x8f\x90\x9d\r\n";
    writeRaw(old);
    write(QStringLiteral("SavePath"), folder);
    EXPECT_EQ(readRaw(), old + "SavePath=" + folder.toUtf8() + "\r\n");
    EXPECT_EQ(values({"LastTitle", "LastAlbum", "SavePath"}),
              QStringLiteral("Ca\u00e7\u00e3o \u20ac|\u0081\u008d\u008f\u0090\u009d|") + folder);
}

TEST_F(IniStoreTest, LineBreaksInValuesCannotForgeEntries)
{
    write(QStringLiteral("LastTitle"), QStringLiteral("a\nBitrate=0\r\n[Evil]\nx=1"));
    EXPECT_EQ(values({"Bitrate", "LastTitle"}), "DEF|a Bitrate=0  [Evil] x=1");
    EXPECT_EQ(ReadIniValue(QStringLiteral("Evil"), QStringLiteral("x"), m_ini, QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(readRaw().count('\n'), 2);
}

TEST_F(IniStoreTest, BrokenFilesGiveDefaultsAndStayWritable)
{
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i) {
        garbage.append(static_cast<char>((i * 131 + 17) % 256));
    }
    garbage.append(QByteArray(1, '\0'));
    garbage.append("Bitrate=5\n[");
    writeRaw(garbage);
    EXPECT_EQ(read(QStringLiteral("Bitrate")), QStringLiteral("DEF"));

    writeRaw(QByteArray("Bitrate=5\nBrowser=1\n"));
    EXPECT_EQ(read(QStringLiteral("Bitrate")), QStringLiteral("DEF")) << "no section";

    QByteArray withNul("[Quernbell Audio Recorder]\nBitrate=4");
    withNul.append('\0').append('\0').append("junk\n").append(QByteArray(200000, 'x'));
    writeRaw(withNul);
    EXPECT_EQ(read(QStringLiteral("Browser")), QStringLiteral("DEF"));
    write(QStringLiteral("Browser"), QStringLiteral("1"));
    EXPECT_EQ(read(QStringLiteral("Browser")), QStringLiteral("1"));
    EXPECT_EQ(readRaw(), withNul + "\nBrowser=1\n");
}

TEST_F(IniStoreTest, UnwritablePlacesAreSilentAndKeepTheOldFile)
{
    // The parent is a regular file.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(TestFiles::write(blocker));
    const QString impossible = blocker + QStringLiteral("/quernbell.ini");
    WriteIniValue(kSection, QStringLiteral("Bitrate"), QStringLiteral("1"), impossible);
    EXPECT_EQ(ReadIniValue(kSection, QStringLiteral("Bitrate"), impossible, QStringLiteral("3")), QStringLiteral("3"));

    // A folder in place of the file can neither be read nor replaced.
    const QString folder = m_dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.ini")));
    WriteIniValue(kSection, QStringLiteral("Bitrate"), QStringLiteral("1"), folder);
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // A read-only folder.
    write(QStringLiteral("Bitrate"), QStringLiteral("5"));
    const QByteArray before = readRaw();
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    {
        const NoFileOverride permissionsHold;
        write(QStringLiteral("Bitrate"), QStringLiteral("6"));
    }
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readRaw(), before);
    EXPECT_EQ(read(QStringLiteral("Bitrate")), QStringLiteral("5"));
}

} // namespace
