#pragma once

#include <functional>

#include <QString>

class ID3tag;

/**
 * @brief The rules of the naming dialog without the window: target folder, file name, the move of
 * the finished recording and its tag, and the entries remembered in the settings file.
 *
 * Takes the recording's names (save folder, path, base name, extension) from the shared values when
 * it is made, so a later change of those values cannot redirect it to another file. Every name
 * typed is confined to the save folder: "/" and control characters become "_", and a folder named
 * "." or ".." is refused. The move never replaces another file.
 */
class RecordingNamer
{
public:
    /// The five boxes (as typed) and the two check boxes of the dialog.
    struct Entries
    {
        QString artist;
        QString year;
        QString album;
        QString title;
        QString number;
        bool artistDir = false;
        bool albumDir = false;
    };

    /// How the accept steps end.
    enum class Result
    {
        ReturnToMain, ///< done: the main window comes back
        StayInTitle,  ///< stay in the dialog, focus to the title box
        StayInArtist, ///< stay, focus to the artist box (its folder name was refused)
        StayInAlbum,  ///< stay, focus to the album box (its folder name was refused)
    };

    /// Outcome of MoveNoReplace().
    enum class Move
    {
        Moved,
        TargetExists,
        Failed,
    };

    /// Asks a Yes/No question (true for Yes).
    using Ask = std::function<bool(const QString& text)>;
    /// Tells the user something (a message box with one button).
    using Tell = std::function<void(const QString& text)>;

    /// The comment written into every tag.
    static const QString TagComment;
    /// The two questions of the accept steps.
    static const QString QuestionNoEntries;
    static const QString QuestionNoTitle;

    /// tag is the long-lived tag object; it must outlive this one.
    explicit RecordingNamer(ID3tag& tag);

    /**
     * @brief The accept steps: folders, new name, move, tag, settings.
     *
     * Without any entry (the number does not count) ask() decides between staying and returning
     * with nothing changed; without a title ask() decides between staying and keeping the file
     * where it is (folders made and entries stored). A move that fails (name taken, refused by the
     * file system) is told and keeps the recording under its recorded name, untagged; the dialog
     * then stays so another name can be given.
     */
    Result Accept(const Entries& entries, const Ask& ask, const Tell& tell);

    /// The entries stored by the last accepted naming (no increase of the number).
    static Entries LastEntries();
    /// The number shown when the dialog opens: the stored one's numeric value plus one ("07" gives "8").
    static QString NextNumber(const QString& lastNumber);
    /// A typed text as a single file or folder name: "/" and control characters become "_".
    static QString SafeName(const QString& text);
    /**
     * @brief Moves a file to a new path unless a file of that name exists there already.
     *
     * A path naming the source itself counts as moved. error receives the reason when the move fails
     * (also when the target lies on another file system).
     */
    static Move MoveNoReplace(const QString& from, const QString& to, QString* error = nullptr);

    /// The recording's file name without folder and extension, as it was recorded.
    QString RecordBaseName() const { return m_recordBaseName; }

private:
    bool tagRecording(const QString& path, const Entries& entries);
    static void storeEntries(const Entries& entries);

    ID3tag& m_tag;
    QString m_saveFolder;
    QString m_recordFilePath;
    QString m_recordBaseName;
    QString m_recordExtension;
};
