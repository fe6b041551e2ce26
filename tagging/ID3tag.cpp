#include "tagging/ID3tag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include <QFile>
#include <QFileInfo>

#include "app/Cp1252.h"

namespace {

constexpr int kTextLength = 30;
constexpr int kTrackCommentLength = 28;

// Field offsets in the record.
constexpr int kTitle = 3;
constexpr int kArtist = 33;
constexpr int kAlbum = 63;
constexpr int kYear = 93;
constexpr int kComment = 97;
constexpr int kTrackMarker = 125;
constexpr int kTrack = 126;
constexpr int kGenre = 127;

// clang-format off
constexpr std::array<const char*, 126> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal", "New Age",
    "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska",
    "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion",
    "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave",
    "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro",
    "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob",
    "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson",
    "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam",
    "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock",
    "Drum Solo", "A capella", "Euro-House", "Dance Hall"};
// clang-format on

// Only the blank counts, as for the classic Trim.
QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    return text.mid(begin, end - begin);
}

// Never leaves half a surrogate pair behind.
QString firstCharacters(const QString& text, qsizetype count)
{
    if (text.size() <= count) {
        return text;
    }
    return text.left(text[count - 1].isHighSurrogate() ? count - 1 : count);
}

QString fieldText(const QByteArray& record, int offset, int length)
{
    QByteArray field = record.mid(offset, length);
    while (field.endsWith(' ')) {
        field.chop(1);
    }
    const qsizetype nul = field.indexOf('\0');
    return Cp1252::decode(nul < 0 ? field : field.left(nul));
}

// A number is an optional sign and digits, blanks around it allowed; anything else is no year.
qint16 fieldYear(const QByteArray& record)
{
    const QString text = trimSpaces(Cp1252::decode(record.mid(kYear, 4)));
    const qsizetype digits = text.startsWith(u'-') || text.startsWith(u'+') ? 1 : 0;
    if (text.size() == digits ||
        !std::all_of(text.begin() + digits, text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return 0;
    }
    return static_cast<qint16>(text.toInt());
}

void putText(QByteArray& record, int offset, int length, const QString& text)
{
    // Composed first: a letter pasted as base plus combining mark ("u" + U+0308) is one the code page holds.
    const QByteArray bytes = Cp1252::encode(text.normalized(QString::NormalizationForm_C)).left(length);
    std::memcpy(record.data() + offset, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

/// The last 128 bytes of an open file, or nullopt when it is shorter or the read fails.
std::optional<QByteArray> lastRecord(QFile& file)
{
    const qint64 length = file.size();
    if (length < ID3tag::RecordSize || !file.seek(length - ID3tag::RecordSize)) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(ID3tag::RecordSize);
    if (bytes.size() != ID3tag::RecordSize) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

ID3tag::ID3tag()
{
    Clear();
}

void ID3tag::setAlbum(const QString& album)
{
    m_album = firstCharacters(trimSpaces(album), kTextLength);
}

void ID3tag::setArtist(const QString& artist)
{
    m_artist = firstCharacters(trimSpaces(artist), kTextLength);
}

void ID3tag::setComment(const QString& comment)
{
    m_comment = firstCharacters(trimSpaces(comment), kTextLength);
}

void ID3tag::setName(const QString& name)
{
    m_title = firstCharacters(trimSpaces(name), kTextLength);
}

void ID3tag::setFileName(const QString& path)
{
    const QString trimmed = trimSpaces(path);
    m_fileName.clear();
    m_fileExists = false;
    m_readOnly = false;
    m_hasTag = false;
    // Only a regular file: opening a FIFO would block, and a device has no end to carry a tag.
    QFile file(trimmed);
    if (trimmed.isEmpty() || !QFileInfo(trimmed).isFile() || !file.open(QIODevice::ReadOnly)) {
        return;
    }
    file.close();
    m_fileName = trimmed;
    m_fileExists = true;
    m_readOnly = !file.open(QIODevice::Append | QIODevice::ExistingOnly);
    file.close();
    Load();
}

bool ID3tag::setGenre(qint64 genre)
{
    if (genre < std::numeric_limits<qint16>::min() || genre > std::numeric_limits<qint16>::max()) {
        return false;
    }
    m_genre = static_cast<qint16>(genre);
    return true;
}

QString ID3tag::Genre_str() const
{
    return m_genre >= 0 && m_genre < qint16(kGenres.size()) ? QString::fromLatin1(kGenres[m_genre]) : QString();
}

void ID3tag::setSongNumber(int songNumber)
{
    m_track = static_cast<qint16>(songNumber >= 0 && songNumber <= 255 ? songNumber : 0);
}

void ID3tag::setYear(int year)
{
    m_year = static_cast<qint16>(year >= 0 && year <= 9999 ? year : 0);
}

bool ID3tag::Load()
{
    Clear();
    m_hasTag = false;
    QFile file(m_fileName);
    if (!m_fileExists || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const std::optional<QByteArray> bytes = lastRecord(file);
    if (!bytes || !bytes->startsWith("TAG")) {
        return false;
    }
    // Stored as read, without the setters' limits.
    m_hasTag = true;
    m_title = fieldText(*bytes, kTitle, kTextLength);
    m_artist = fieldText(*bytes, kArtist, kTextLength);
    m_album = fieldText(*bytes, kAlbum, kTextLength);
    m_year = fieldYear(*bytes);
    const bool trackForm = bytes->at(kTrackMarker) == '\0' && bytes->at(kTrack) != '\0';
    m_track = trackForm ? static_cast<unsigned char>(bytes->at(kTrack)) : 0;
    m_comment = fieldText(*bytes, kComment, trackForm ? kTrackCommentLength : kTextLength);
    m_genre = static_cast<unsigned char>(bytes->at(kGenre));
    return true;
}

QByteArray ID3tag::record() const
{
    QByteArray bytes(RecordSize, '\0');
    std::memcpy(bytes.data(), "TAG", 3);
    putText(bytes, kTitle, kTextLength, m_title);
    putText(bytes, kArtist, kTextLength, m_artist);
    putText(bytes, kAlbum, kTextLength, m_album);
    if (m_year > 0) {
        putText(bytes, kYear, 4, QString::number(m_year).rightJustified(4, u'0'));
    }
    if (m_track > 0) {
        putText(bytes, kComment, kTrackCommentLength, m_comment);
        bytes[kTrack] = static_cast<char>(m_track);
    } else {
        putText(bytes, kComment, kTextLength, m_comment);
    }
    // A genre outside the byte's range is written as none rather than as some other genre.
    bytes[kGenre] = static_cast<char>(m_genre >= 0 && m_genre <= 255 ? m_genre : GenreNone);
    return bytes;
}

bool ID3tag::Save()
{
    if (!m_fileExists || m_readOnly) {
        return false;
    }
    // ExistingOnly: a file removed since binding is not created anew. Unbuffered: a failed write can be undone.
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const qint64 length = file.size();
    const std::optional<QByteArray> last = lastRecord(file);
    if (!last) {
        return false;
    }
    const qint64 at = last->startsWith("TAG") ? length - RecordSize : length;
    if (m_track > 0 && m_comment.size() >= kTrackCommentLength) {
        // A comment filling its 28 bytes has no NUL after it: blanks at its end would not read back.
        m_comment = firstCharacters(m_comment, kTrackCommentLength);
        while (m_comment.endsWith(u' ')) {
            m_comment.chop(1);
        }
    }
    if (!file.seek(at) || file.write(record()) != RecordSize) {
        // An append that failed half way would leave a broken record behind.
        if (at == length) {
            file.resize(length);
        }
        return false;
    }
    m_hasTag = true;
    return true;
}

bool ID3tag::RemoveTag()
{
    if (!m_fileExists || m_readOnly || !m_hasTag) {
        return false;
    }
    // One open file for the check and the cut, so the bytes cut are the ones checked.
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return false;
    }
    const std::optional<QByteArray> last = lastRecord(file);
    if (!last || !last->startsWith("TAG") || !file.resize(file.size() - RecordSize)) {
        return false;
    }
    m_hasTag = false;
    return true;
}

void ID3tag::Clear()
{
    m_title.clear();
    m_album.clear();
    m_artist.clear();
    m_year = 0;
    m_genre = GenreNone;
    m_comment.clear();
    m_track = 0;
}
