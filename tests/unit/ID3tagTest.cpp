#include "tagging/ID3tag.h"
#include "support/FileSizeLimit.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray padded(const QByteArray& bytes, int length, char fill = '\0')
{
    return bytes + QByteArray(length - bytes.size(), fill);
}

/// A tag record from its fields, each padded with NUL.
QByteArray record(const QByteArray& title, const QByteArray& year, const QByteArray& comment30, char genre)
{
    return "TAG" + padded(title, 30) + padded("Artist", 30) + padded("Album", 30) + padded(year, 4) +
           padded(comment30, 30) + QByteArray(1, genre);
}

class ID3tagTest : public ::testing::Test
{
protected:
    QString file(const QByteArray& bytes, const QString& name = QStringLiteral("t.mp3"))
    {
        QFile out(m_dir.filePath(name));
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
    struct Row
    {
        int offset;
        QByteArray bytes;
        QString title;
        int year;
        QString comment;
        int track;
    };
    const QString c28(28, u'c');
    const QString x30(30, u'x');
    const Row rows[] = {
        {3, padded("abc", 30, ' '), "abc", 0, "", 0},
        {3, QByteArray("abc \0d", 6), "abc ", 0, "", 0},
        {3, "\xe4\xf6\xfc\xdf\x80", QString::fromUtf8("äöüß€"), 0, "", 0},
        {93, "2004", "", 2004, "", 0},
        {93, "abcd", "", 0, "", 0},
        {93, "-999", "", -999, "", 0},
        {93, " 12 ", "", 12, "", 0},
        {97, QByteArray(28, 'c') + QByteArray("\0\x07", 2), "", 0, c28, 7},
        {97, QByteArray("ab\0cd", 5), "", 0, "ab", 0},
        {97, QByteArray(30, 'x'), "", 0, x30, 0},
    };
    for (const Row& row : rows) {
        QByteArray tag = "TAG" + QByteArray(125, '\0');
        tag.replace(row.offset, row.bytes.size(), row.bytes);
        ID3tag id3;
        id3.setFileName(file("mp3 data" + tag));
        SCOPED_TRACE(row.bytes.toStdString());
        EXPECT_TRUE(id3.HasID3tag());
        EXPECT_EQ(id3.Name(), row.title);
        EXPECT_EQ(id3.Year(), row.year);
        EXPECT_EQ(id3.Comment(), row.comment);
        EXPECT_EQ(id3.SongNumber(), row.track);
        EXPECT_EQ(id3.Genre(), 0);
    }
    ID3tag lower;
    lower.setFileName(file("tag" + QByteArray(125, 'x')));
    EXPECT_FALSE(lower.HasID3tag());
    EXPECT_FALSE(lower.Load());
}

TEST_F(ID3tagTest, SaveWritesEveryByteInPlaceOrAppended)
{
    const QByteArray audio(300, 'a');
    const QByteArray c30 = "012345678901234567890123456 xy"; // the 28-character cut ends in a blank
    struct Row
    {
        QByteArray before;
        int track;
        int year;
        QByteArray tag;
    };
    const Row rows[] = {
        // A tag of 0xFF everywhere is overwritten in place; every filler byte becomes NUL.
        {audio + "TAG" + QByteArray(125, '\xff'), 3, 5,
         record("T\xe4tel", "0005", c30.left(27) + '\0' + '\0' + '\3', '\xff')},
        {audio, 0, 0, record("T\xe4tel", "", c30, '\xff')},
    };
    for (const Row& row : rows) {
        ID3tag id3;
        id3.setFileName(file(row.before));
        id3.setName(QString::fromUtf8("Tätel"));
        id3.setArtist(QStringLiteral("Artist"));
        id3.setAlbum(QStringLiteral("Album"));
        id3.setComment(QString::fromLatin1(c30));
        id3.setYear(row.year);
        id3.setSongNumber(row.track);
        ASSERT_TRUE(id3.Save());
        EXPECT_EQ(contents(id3.FileName()), audio + row.tag);
        EXPECT_EQ(id3.Comment(), QString::fromLatin1(row.track ? c30.left(27) : c30));
        EXPECT_TRUE(id3.HasID3tag());
    }
}

TEST_F(ID3tagTest, SettersTrimCutAndLimit)
{
    ID3tag id3;
    id3.setName(QStringLiteral("  x  "));
    EXPECT_EQ(id3.Name(), QStringLiteral("x"));
    id3.setAlbum(QString(40, u'a'));
    EXPECT_EQ(id3.Album(), QString(30, u'a'));
    id3.setArtist(QString(29, u'a') + QString::fromUtf8("😀"));
    EXPECT_EQ(id3.Artist(), QString(29, u'a'));
    for (const auto& [in, out] : {std::pair{256, 0}, {-1, 0}, {255, 255}}) {
        id3.setSongNumber(in);
        EXPECT_EQ(id3.SongNumber(), out);
    }
    for (const auto& [in, out] : {std::pair{10000, 0}, {-5, 0}, {9999, 9999}}) {
        id3.setYear(in);
        EXPECT_EQ(id3.Year(), out);
    }
    EXPECT_EQ(id3.Genre(), 255);
    EXPECT_TRUE(id3.setGenre(-32768));
    EXPECT_FALSE(id3.setGenre(32768));
    EXPECT_FALSE(id3.setGenre(-32769));
    EXPECT_EQ(id3.Genre(), -32768);
    for (const auto& [genre, name] : {std::pair{0, "Blues"},
                                      {67, "Psychadelic"},
                                      {85, "Bebob"},
                                      {125, "Dance Hall"},
                                      {126, ""},
                                      {255, ""},
                                      {-1, ""}}) {
        id3.setGenre(genre);
        EXPECT_EQ(id3.Genre_str(), QString::fromLatin1(name));
    }
    id3.Clear();
    EXPECT_EQ(id3.Name() + id3.Album() + id3.Artist() + id3.Comment(), QString());
    EXPECT_EQ(id3.Year() + id3.SongNumber(), 0);
    EXPECT_EQ(id3.Genre(), 255);
}

TEST_F(ID3tagTest, ShortOddAndTagOnlyFiles)
{
    const QByteArray tag = "TAG" + QByteArray(125, 't');
    struct Row
    {
        QByteArray before;
        bool loads;
        int afterSave; // -1: Save refuses
    };
    const Row rows[] = {
        {"", false, -1},
        {"a", false, -1},
        {QByteArray(127, 'a'), false, -1},
        {tag, true, 128},
        {QByteArray(128, 'a'), false, 256},
        {"a" + tag, true, 129},
        {tag + "a", false, 257},
        {QByteArray(100, 'a') + "TAG" + QByteArray(200, 'a'), false, 431},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before.size());
        ID3tag id3;
        id3.setFileName(file(row.before));
        EXPECT_TRUE(id3.FileExists());
        EXPECT_EQ(id3.HasID3tag(), row.loads);
        EXPECT_EQ(id3.Load(), row.loads);
        if (!row.loads) {
            EXPECT_FALSE(id3.RemoveTag());
        }
        EXPECT_EQ(id3.Save(), row.afterSave >= 0);
        if (row.afterSave < 0) {
            EXPECT_EQ(contents(id3.FileName()), row.before);
            continue;
        }
        EXPECT_EQ(contents(id3.FileName()).size(), row.afterSave);
        ASSERT_TRUE(id3.RemoveTag());
        EXPECT_FALSE(id3.HasID3tag());
        EXPECT_EQ(contents(id3.FileName()), row.before.left(row.afterSave - 128));
        EXPECT_FALSE(id3.RemoveTag());
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
    id3.setFileName(QStringLiteral("  ") + program + QStringLiteral(" "));
    EXPECT_EQ(id3.FileName(), program);
    EXPECT_TRUE(id3.FileExists());
    EXPECT_TRUE(id3.ReadOnly());
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

    // No regular file to bind: the tag fields stay, the file members are cleared.
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    id3.setName(QStringLiteral("kept"));
    for (const QString& path : {QString(), m_dir.path(), fifo, m_dir.filePath(QStringLiteral("none"))}) {
        id3.setFileName(path);
        EXPECT_EQ(id3.FileName(), QString());
        EXPECT_FALSE(id3.FileExists() || id3.ReadOnly() || id3.HasID3tag() || id3.Save() || id3.RemoveTag());
        EXPECT_EQ(id3.Name(), QStringLiteral("kept"));
    }
}

TEST_F(ID3tagTest, FilesOfMoreThan2GiB)
{
    const QString path = file("start");
    constexpr qint64 big = (qint64(1) << 31) + 100;
    ASSERT_TRUE(QFile::resize(path, big)); // sparse
    ID3tag id3;
    id3.setFileName(path);
    id3.setName(QStringLiteral("big"));
    ASSERT_TRUE(id3.Save());
    EXPECT_EQ(QFileInfo(path).size(), big + 128);
    ID3tag again;
    again.setFileName(path);
    EXPECT_EQ(again.Name(), QStringLiteral("big"));
    ASSERT_TRUE(again.RemoveTag());
    EXPECT_EQ(QFileInfo(path).size(), big);
}

TEST_F(ID3tagTest, AnIndependentReaderSeesTheFields)
{
    ID3tag id3;
    id3.setFileName(file(QByteArray(4000, 'a')));
    id3.setName(QString::fromUtf8("Grüße"));
    id3.setArtist(QString::fromUtf8("Ärzte"));
    id3.setAlbum(QString::fromUtf8("Öl & Süß"));
    id3.setComment(QString::fromUtf8("schön"));
    id3.setYear(2004);
    id3.setSongNumber(7);
    id3.setGenre(17);
    ASSERT_TRUE(id3.Save());

    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"),
                                                      QStringLiteral("import sys, json\n"
                                                                     "from mutagen.id3 import ID3\n"
                                                                     "t = ID3(sys.argv[1])\n"
                                                                     "f = {k: str(t[k]) for k in t.keys()}\n"
                                                                     "f['COMM'] = str(t.getall('COMM')[0])\n"
                                                                     "f['TCON'] = t['TCON'].genres[0]\n"
                                                                     "print(json.dumps(f))\n"),
                                                      id3.FileName()});
    ASSERT_TRUE(reader.waitForFinished(30000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonObject fields = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    EXPECT_EQ(fields.value("TIT2").toString(), QString::fromUtf8("Grüße"));
    EXPECT_EQ(fields.value("TPE1").toString(), QString::fromUtf8("Ärzte"));
    EXPECT_EQ(fields.value("TALB").toString(), QString::fromUtf8("Öl & Süß"));
    EXPECT_EQ(fields.value("COMM").toString(), QString::fromUtf8("schön"));
    EXPECT_EQ(fields.value("TDRC").toString(), QStringLiteral("2004"));
    EXPECT_EQ(fields.value("TRCK").toString(), QStringLiteral("7"));
    EXPECT_EQ(fields.value("TCON").toString(), id3.Genre_str());
}

} // namespace
