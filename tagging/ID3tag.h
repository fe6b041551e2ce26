#pragma once

#include <QByteArray>
#include <QString>

/**
 * @brief The ID3v1 tag of an MP3 file: the 128-byte record at the very end of the file, with the track
 * number of ID3v1.1.
 *
 * setFileName() binds a file, probes it and loads its tag; the fields are then changed through the
 * setters and written with Save(). Text is stored as Windows-1252, a character it cannot hold becoming
 * "?". Every failure is a false result; nothing is shown and nothing is thrown. Offsets are 64-bit, so
 * files of 2 GiB and more work like any other.
 */
class ID3tag
{
public:
    static constexpr int RecordSize = 128;
    static constexpr int GenreNone = 255;

    ID3tag();

    QString Album() const { return m_album; }
    /// Stores the value with spaces trimmed from both ends, cut to its first 30 characters.
    void setAlbum(const QString& album);
    QString Artist() const { return m_artist; }
    /// As setAlbum().
    void setArtist(const QString& artist);
    QString Comment() const { return m_comment; }
    /// As setAlbum(); Save() cuts it to 28 characters when it writes a track number.
    void setComment(const QString& comment);

    /// The bound file could be opened for reading.
    bool FileExists() const { return m_fileExists; }
    QString FileName() const { return m_fileName; }
    /**
     * @brief Binds the object to a file (spaces trimmed from both ends of the path) and loads its tag.
     *
     * An empty path, or one that is not a regular file that can be opened for reading, leaves the object
     * without a file and keeps the tag fields. A file that cannot be opened for writing is ReadOnly().
     * The probe for write access opens the file for appending and writes nothing.
     */
    void setFileName(const QString& path);

    int Genre() const { return m_genre; }
    /**
     * @brief Stores a genre index (255: none). No check against 0 to 255 is made.
     * @return false, with the genre unchanged, for a value outside the 16-bit range.
     */
    bool setGenre(qint64 genre);
    /// The genre's name, e.g. "Blues" for 0; the empty text for anything outside 0 to 125.
    QString Genre_str() const;

    /// The bound file ends in a tag record, as last loaded, saved or removed.
    bool HasID3tag() const { return m_hasTag; }

    /// The title.
    QString Name() const { return m_title; }
    /// As setAlbum().
    void setName(const QString& name);

    /// The bound file cannot be opened for writing.
    bool ReadOnly() const { return m_readOnly; }

    qint16 SongNumber() const { return m_track; }
    /// Stores 0 to 255; anything else stores 0.
    void setSongNumber(int songNumber);
    qint16 Year() const { return m_year; }
    /// Stores 0 to 9999; anything else stores 0.
    void setYear(int year);

    /// Reads the tag of the bound file. false (fields cleared) when there is no file, no tag, or a read fails.
    bool Load();
    /**
     * @brief Writes the fields as a tag: over the file's tag, or appended when it has none.
     *
     * false, with the file unchanged, when there is no file, it is read-only or shorter than 128 bytes,
     * it has gone, or the write fails.
     */
    bool Save();
    /// Cuts the tag off the bound file, which becomes exactly 128 bytes shorter.
    bool RemoveTag();
    /// Resets the tag fields: texts empty, year 0, genre 255, track 0. The file stays bound.
    void Clear();

private:
    QByteArray record() const;

    QString m_title;
    QString m_album;
    QString m_artist;
    qint16 m_year = 0;
    qint16 m_genre = GenreNone;
    QString m_comment;
    qint16 m_track = 0;
    QString m_fileName;
    bool m_fileExists = false;
    bool m_readOnly = false;
    bool m_hasTag = false;
};
