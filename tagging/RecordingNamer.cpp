#include "tagging/RecordingNamer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "app/AppGlobals.h"
#include "app/Commands.h"
#include "app/FileHandling.h"
#include "app/IniStore.h"
#include "tagging/ID3tag.h"

const QString RecordingNamer::TagComment = QStringLiteral("made with Yarv's Vellumtracker");
const QString RecordingNamer::QuestionNoEntries = QStringLiteral(
    "Es wurden keine Angaben gemacht.  \r\nSoll Datum + Zeit als Dateiname verwendet werden ? (Standard)   ");
const QString RecordingNamer::QuestionNoTitle = QStringLiteral(
    "Es wurde kein Titel angegeben.  \r\nSoll Datum + Zeit als Dateiname verwendet werden ? (Standard)   ");

namespace {

const QString kNewLine = QStringLiteral("\r\n");

bool isDotName(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

/// A name for a message: long ones shortened, so the box stays readable.
QString shown(const QString& name)
{
    constexpr int kMax = 80;
    return QStringLiteral("„%1“").arg(name.size() > kMax ? name.left(kMax - 1) + QChar(0x2026) : name);
}

QString reasonText(int error)
{
    switch (error) {
    case ENAMETOOLONG:
        return QStringLiteral("Der Name ist zu lang.");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("Es fehlt die Berechtigung zum Schreiben.");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Der Datenträger ist voll.");
    case ENOENT:
        return QStringLiteral("Die Aufnahme oder der Zielordner ist nicht mehr vorhanden.");
    case EXDEV:
        return QStringLiteral("Der Zielordner liegt auf einem anderen Datenträger.");
    case EILSEQ:
    case EINVAL:
        return QStringLiteral("Der Name ist ungültig.");
    default:
        return qt_error_string(error);
    }
}

} // namespace

RecordingNamer::RecordingNamer(ID3tag& tag)
    : m_tag(tag), m_saveFolder(App().SaveFolder), m_recordFilePath(App().RecordFilePath),
      m_recordBaseName(App().RecordBaseName), m_recordExtension(App().RecordExtension)
{
}

RecordingNamer::Result RecordingNamer::Accept(const Entries& typed, const Ask& ask, const Tell& tell)
{
    QString target = m_saveFolder;
    FileHandling::AddBackslash(target);
    const QString saveFolder = target;
    Entries e = typed;
    for (QString* text : {&e.artist, &e.year, &e.album, &e.title, &e.number}) {
        *text = text->trimmed();
    }
    const QString numberPart = e.number.size() == 1 ? QLatin1Char('0') + e.number : e.number;

    if (e.artist.isEmpty() && e.year.isEmpty() && e.album.isEmpty() && e.title.isEmpty()) {
        return ask(QuestionNoEntries) ? Result::ReturnToMain : Result::StayInTitle;
    }

    // A folder of a typed name always lies directly in the one above it.
    const QString refused = QStringLiteral("%1 ist als Ordnername nicht möglich.") + kNewLine +
                            QStringLiteral("Bitte einen anderen Namen eingeben.");
    if (e.artistDir && !e.artist.isEmpty()) {
        const QString name = SafeName(e.artist);
        if (isDotName(name)) {
            tell(refused.arg(shown(name)));
            return Result::StayInArtist;
        }
        target += name;
        FileHandling::AddBackslash(target);
    }
    const QString artistFolder = target;
    if (e.albumDir && !e.album.isEmpty()) {
        const QString name =
            (e.year.isEmpty() ? QString() : SafeName(e.year) + QStringLiteral(" - ")) + SafeName(e.album);
        if (isDotName(name)) {
            tell(refused.arg(shown(name)));
            return Result::StayInAlbum;
        }
        target += name;
        FileHandling::AddBackslash(target);
    }
    if (!FileHandling::IsFolderPresent(target)) {
        FileHandling::CreateFolderPath(target);
    }

    if (e.title.isEmpty()) {
        if (!ask(QuestionNoTitle)) {
            return Result::StayInTitle;
        }
        storeEntries(e);
        return Result::ReturnToMain;
    }

    const QString artistPart = e.artist.isEmpty() ? QString() : SafeName(e.artist) + QStringLiteral(" - ");
    const QString numberText = numberPart.isEmpty() ? QString() : SafeName(numberPart) + QStringLiteral(" - ");
    const QString fileName = artistPart + numberText + SafeName(e.title) + m_recordExtension;
    const QString newPath = target + fileName;

    const QString kept = kNewLine + QStringLiteral("Die Aufnahme bleibt unverändert als %1 im Speicherordner.")
                                        .arg(shown(m_recordBaseName + m_recordExtension));
    if (!FileHandling::IsFolderPresent(target)) {
        const QStringList parts = target.split(QLatin1Char('/'));
        const bool tooLong = std::any_of(parts.begin(), parts.end(),
                                         [](const QString& part) { return QFile::encodeName(part).size() > NAME_MAX; });
        tell(QStringLiteral("Der Ordner %1 kann nicht angelegt werden.").arg(shown(target)) +
             (tooLong ? QStringLiteral(" Der Name ist zu lang.") : QString()) + kept);
        // The focus goes to the box whose folder could not be made.
        if (artistFolder != saveFolder && !FileHandling::IsFolderPresent(artistFolder)) {
            return Result::StayInArtist;
        }
        return artistFolder != target ? Result::StayInAlbum : Result::StayInTitle;
    }
    QString reason;
    switch (MoveNoReplace(m_recordFilePath, newPath, &reason)) {
    case Move::TargetExists:
        tell(QStringLiteral("Die Datei %1 gibt es schon; sie bleibt, wie sie ist.").arg(shown(newPath)) + kept +
             kNewLine + QStringLiteral("Bitte einen anderen Namen wählen."));
        return Result::StayInTitle;
    case Move::Failed:
        tell(QStringLiteral("Die Aufnahme kann nicht in %1 umbenannt werden. %2").arg(shown(fileName), reason) + kept);
        return Result::StayInTitle;
    case Move::Moved:
        break;
    }
    m_recordFilePath = newPath;
    App().SelectFileName = fileName;

    if (!tagRecording(newPath, e)) {
        tell(QStringLiteral("Die Angaben können nicht in die Aufnahme %1 geschrieben werden; sie ist ohne Angaben "
                            "umbenannt.")
                 .arg(shown(fileName)));
    }
    storeEntries(e);
    return Result::ReturnToMain;
}

bool RecordingNamer::tagRecording(const QString& path, const Entries& entries)
{
    m_tag.setFileName(path);
    m_tag.Load();
    m_tag.setAlbum(entries.album);
    m_tag.setName(entries.title);
    m_tag.setArtist(entries.artist);
    m_tag.setGenre(ID3tag::GenreNone);
    m_tag.setComment(TagComment);
    // An empty or non-numeric text leaves what the file held (0 for an untagged file).
    bool ok = false;
    const short year = entries.year.toShort(&ok);
    if (ok) {
        m_tag.setYear(year);
    }
    const short track = entries.number.toShort(&ok);
    if (ok) {
        m_tag.setSongNumber(track);
    }
    // A recording shorter than a tag record gets none.
    return m_tag.Save();
}

void RecordingNamer::storeEntries(const Entries& e)
{
    const AppGlobals& app = App();
    const auto write = [&app](const char* key, const QString& value) {
        Commands::WriteIniValue(app.ProgramTitle, QLatin1String(key), value, app.IniFilePath);
    };
    write("LastArtist", e.artist);
    write("LastYear", e.year);
    write("LastAlbum", e.album);
    write("LastTitle", e.title);
    write("LastNumber", e.number);
    write("ArtistSubDir", e.artistDir ? QStringLiteral("1") : QStringLiteral("0"));
    write("AlbumSubDir", e.albumDir ? QStringLiteral("1") : QStringLiteral("0"));
}

RecordingNamer::Entries RecordingNamer::LastEntries()
{
    const AppGlobals& app = App();
    const auto read = [&app](const char* key, const QString& fallback = QString()) {
        return Commands::ReadIniValue(app.ProgramTitle, QLatin1String(key), app.IniFilePath, fallback);
    };
    Entries e;
    e.artist = read("LastArtist");
    e.year = read("LastYear");
    e.album = read("LastAlbum");
    e.title = read("LastTitle");
    e.number = read("LastNumber");
    e.artistDir = Commands::Val(read("ArtistSubDir", QStringLiteral("0"))) == 1;
    e.albumDir = Commands::Val(read("AlbumSubDir", QStringLiteral("0"))) == 1;
    return e;
}

QString RecordingNamer::NextNumber(const QString& lastNumber)
{
    if (lastNumber.isEmpty()) {
        return QString();
    }
    return QString::number(Commands::Val(lastNumber) + 1, 'g', 15);
}

QString RecordingNamer::SafeName(const QString& text)
{
    QString name = text;
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control) {
            c = QLatin1Char('_');
        }
    }
    return name;
}

RecordingNamer::Move RecordingNamer::MoveNoReplace(const QString& from, const QString& to, QString* error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    struct stat a = {};
    struct stat b = {};
    if (::lstat(source.constData(), &a) == 0 && ::lstat(target.constData(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino) {
        return Move::Moved; // the new name is the recording's own
    }
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return Move::Moved;
    }
    int code = errno;
    if (code == EINVAL || code == ENOSYS || code == ENOTSUP) {
        // The file system cannot refuse an existing target by itself: take the name first.
        const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            code = errno;
        } else {
            ::close(fd);
            if (::rename(source.constData(), target.constData()) == 0) {
                return Move::Moved;
            }
            code = errno;
            ::unlink(target.constData());
        }
    }
    if (code == EEXIST || code == ENOTEMPTY) {
        return Move::TargetExists;
    }
    if (error != nullptr) {
        *error = reasonText(code);
    }
    return Move::Failed;
}
