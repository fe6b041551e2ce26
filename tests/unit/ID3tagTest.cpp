#include "tagging/ID3tag.h"
#include "support/FileSizeLimit.h"

#include <tuple>
#include <vector>

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray padded(const QByteArray& bytes, int length, char fill = '\0')
{
    return bytes + QByteArray(length - bytes.size(), fill);
}

QString fields(const ID3tag& id3)
{
    return QStringList{id3.Name(), QString::number(id3.Year()), id3.Comment(), QString::number(id3.SongNumber()),
                       QString::number(id3.Genre())}
        .join(u'|');
}

class ID3tagTest : public ::testing::Test
{
protected:
    QString file(const QByteArray& bytes)
    {
        QFile out(m_dir.filePath(QStringLiteral("t.mp3")));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return out.fileName();
    }
    static QByteArray contents(const QString& path)
    {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(ID3tagTest, LoadReadsEachField)
{
    // Title|year|comment|track|genre after one stretch of an all-NUL record is replaced.
    const std::vector<std::tuple<int, QByteArray, QString>> rows = {
        {3, padded("abc", 30, ' '), "abc|0||0|0"},
        {3, QByteArray("abc \0d", 6), "abc |0||0|0"},
        {3, "\xe4\xf6\xfc\xdf\x80", "äöüß€|0||0|0"},
        {93, "2004", "|2004||0|0"},
        {93, "abcd", "|0||0|0"},
        {93, "-999", "|-999||0|0"},
        {93, " 12 ", "|12||0|0"},
        {97, QByteArray(28, 'c') + QByteArray("\0\x07", 2), "|0|" + QString(28, u'c') + "|7|0"},
        {97, QByteArray("ab\0cd", 5), "|0|ab|0|0"},
        {97, QByteArray(30, 'x'), "|0|" + QString(30, u'x') + "|0|0"},
        {127, "\xff", "|0||0|255"},
    };
    for (const auto& [offset, bytes, expected] : rows) {
        ID3tag id3;
        id3.setFileName(
            file("mp3 data" + QByteArray("TAG" + QByteArray(125, '\0')).replace(offset, bytes.size(), bytes)));
        EXPECT_TRUE(id3.HasID3tag());
        EXPECT_EQ(fields(id3), expected);
    }
}

TEST_F(ID3tagTest, SaveWritesEveryByteInPlaceOrAppended)
{
    const QByteArray audio(300, 'a');
    const QByteArray c30 = "012345678901234567890123456 xy"; // the 28-character cut ends in a blank
    const QByteArray head = "TAG" + padded("T\xe4tel", 30) + padded("Artist", 30) + padded("Album", 30);
    // Over a tag of 0xFF in place, every filler byte becoming NUL; or appended.
    const std::vector<std::tuple<QByteArray, int, int, QByteArray>> rows = {
        {audio + "TAG" + QByteArray(125, '\xff'), 3, 5, head + "0005" + c30.left(27) + '\0' + '\0' + '\3' + '\xff'},
        {audio, 0, 0, head + padded("", 4) + c30 + '\xff'},
    };
    for (const auto& [before, track, year, tag] : rows) {
        ID3tag id3;
        id3.setFileName(file(before));
        // Pasted from some file managers: "a" and a combining diaeresis.
        id3.setName(track ? QStringLiteral("Tätel") : QStringLiteral("Ta\u0308tel"));
        id3.setArtist("Artist");
        id3.setAlbum("Album");
        id3.setComment(QString::fromLatin1(c30));
        id3.setYear(year);
        id3.setSongNumber(track);
        ASSERT_TRUE(id3.Save());
        EXPECT_EQ(contents(id3.FileName()), audio + tag);
        EXPECT_EQ(id3.Comment(), QString::fromLatin1(track ? c30.left(27) : c30));
        EXPECT_TRUE(id3.HasID3tag());
    }
}

TEST_F(ID3tagTest, SettersTrimCutAndLimit)
{
    ID3tag id3;
    id3.setName("  x  ");
    id3.setAlbum(QString(40, u'a'));
    id3.setArtist(QString(29, u'a') + "😀");
    EXPECT_EQ(id3.Name() + id3.Album() + id3.Artist(), "x" + QString(30, u'a') + QString(29, u'a'));
    for (const auto& [in, track, year] :
         {std::tuple{256, 0, 256}, {-1, 0, 0}, {255, 255, 255}, {10000, 0, 0}, {9999, 0, 9999}}) {
        id3.setSongNumber(in);
        id3.setYear(in);
        EXPECT_EQ(std::pair(int(id3.SongNumber()), int(id3.Year())), std::pair(track, year)) << in;
    }
    EXPECT_EQ(id3.Genre(), 255);
    EXPECT_TRUE(id3.setGenre(-32768));
    EXPECT_FALSE(id3.setGenre(32768) || id3.setGenre(-32769));
    EXPECT_EQ(id3.Genre(), -32768);
    QStringList names;
    for (const int genre : {0, 67, 85, 125, 126, 255, -1}) {
        id3.setGenre(genre);
        names.append(id3.Genre_str());
    }
    EXPECT_EQ(names.join(u'|'), "Blues|Psychadelic|Bebob|Dance Hall|||");
    id3.Clear();
    EXPECT_EQ(fields(id3) + id3.Album() + id3.Artist(), "|0||0|255");
}

TEST_F(ID3tagTest, ShortOddAndTagOnlyFiles)
{
    const QByteArray tag = "TAG" + QByteArray(125, 't');
    // File, whether it loads as tagged, its length after Save (-1: Save refuses).
    const std::vector<std::tuple<QByteArray, bool, int>> rows = {
        {"", false, -1},
        {"a", false, -1},
        {QByteArray(127, 'a'), false, -1},
        {tag, true, 128},
        {QByteArray(128, 'a'), false, 256},
        {"a" + tag, true, 129},
        {tag + "a", false, 257},
        {"tag" + QByteArray(125, 't'), false, 256},
        {QByteArray(100, 'a') + "TAG" + QByteArray(200, 'a'), false, 431},
    };
    for (const auto& [before, loads, afterSave] : rows) {
        SCOPED_TRACE(before.size());
        ID3tag id3;
        id3.setFileName(file(before));
        EXPECT_TRUE(id3.FileExists());
        EXPECT_EQ(id3.HasID3tag(), loads);
        EXPECT_EQ(id3.Load(), loads);
        EXPECT_TRUE(loads || !id3.RemoveTag());
        EXPECT_EQ(id3.Save(), afterSave >= 0);
        if (afterSave >= 0) {
            EXPECT_EQ(contents(id3.FileName()).size(), afterSave);
            EXPECT_TRUE(id3.RemoveTag());
            EXPECT_FALSE(id3.HasID3tag() || id3.RemoveTag());
        }
        EXPECT_EQ(contents(id3.FileName()), afterSave < 0 ? before : before.left(afterSave - 128));
    }
}

TEST_F(ID3tagTest, FilesThatCannotBeWrittenStayAsTheyAre)
{
    // A running executable cannot be opened for writing, not even by root.
    const QString program = m_dir.filePath(QStringLiteral("busy.mp3"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QProcess busy;
    busy.start(program, {QStringLiteral("60")});
    ASSERT_TRUE(busy.waitForStarted());
    const QByteArray before = contents(program);
    ID3tag id3;
    id3.setFileName("  " + program + " ");
    EXPECT_EQ(id3.FileName(), program);
    EXPECT_TRUE(id3.FileExists() && id3.ReadOnly());
    EXPECT_FALSE(id3.Save());
    busy.kill();
    busy.waitForFinished();
    EXPECT_EQ(contents(program), before);

    // Gone between binding and saving: nothing is created.
    id3.setFileName(file(QByteArray(200, 'a')));
    ASSERT_TRUE(QFile::remove(id3.FileName()));
    EXPECT_FALSE(id3.Save());
    EXPECT_FALSE(QFile::exists(id3.FileName()));

    // A full disk: the append fails and the file keeps its length.
    id3.setFileName(file(QByteArray(1000, 'a')));
    {
        const FileSizeLimit limit(1064);
        EXPECT_FALSE(id3.Save());
    }
    EXPECT_EQ(contents(id3.FileName()), QByteArray(1000, 'a'));

    // No regular file to bind (a FIFO would block the open): the tag fields stay.
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    id3.setName("kept");
    for (const QString& path : {QString(), m_dir.path(), fifo, m_dir.filePath(QStringLiteral("none"))}) {
        id3.setFileName(path);
        EXPECT_EQ(id3.FileName() + id3.Name(), "kept");
        EXPECT_FALSE(id3.FileExists() || id3.ReadOnly() || id3.HasID3tag() || id3.Save() || id3.RemoveTag());
    }
}

TEST_F(ID3tagTest, AnIndependentReaderSeesTheFieldsAtTheEndOfAFileOver2GiB)
{
    const QString path = file("start");
    constexpr qint64 big = (qint64(1) << 31) + 100;
    ASSERT_TRUE(QFile::resize(path, big)); // sparse
    ID3tag id3;
    id3.setFileName(path);
    id3.setName("Grüße");
    id3.setArtist("Ärzte");
    id3.setAlbum("Öl & Süß");
    id3.setComment("schön");
    id3.setYear(2004);
    id3.setSongNumber(7);
    id3.setGenre(17);
    ASSERT_TRUE(id3.Save());
    EXPECT_EQ(QFileInfo(path).size(), big + 128);

    QProcess reader;
    reader.start("/usr/bin/python3", {"-c",
                                      "import sys\n"
                                      "from mutagen.id3 import ID3\n"
                                      "t = ID3(sys.argv[1])\n"
                                      "f = [str(t[k]) for k in ('TIT2', 'TPE1', 'TALB', 'TDRC', 'TRCK')]\n"
                                      "f += [str(t.getall('COMM')[0]), t['TCON'].genres[0]]\n"
                                      "sys.stdout.buffer.write('|'.join(f).encode())\n",
                                      id3.FileName()});
    ASSERT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()), "Grüße|Ärzte|Öl & Süß|2004|7|schön|Rock");
    EXPECT_TRUE(id3.RemoveTag());
    EXPECT_EQ(QFileInfo(path).size(), big);
}

} // namespace
