#include "app/IniStore.h"

#include <optional>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QList>

#include "app/Cp1252.h"

namespace Commands {

namespace {

constexpr qsizetype kMaxValueLength = 2047;

// Only blanks and tabs count: 0xA0 is a character of the code page, not padding.
QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) {
        --end;
    }
    return text.mid(begin, end - begin);
}

// One line as it stands in the file (its bytes and its own line ending) and as text.
struct IniLine
{
    QByteArray bytes;
    QByteArray ending;
    QString text;
};

struct IniText
{
    QList<IniLine> lines;
    QByteArray eol = "\n";
};

// UTF-8 where the line is valid UTF-8, else Windows-1252: files written by older versions still read.
QString decodeLine(const QByteArray& bytes)
{
    return QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : Cp1252::decode(bytes);
}

// nullopt when the file exists but cannot be read: a write must not replace what it could not see.
// Only a regular file is read; a FIFO or device in its place would block or never end.
std::optional<IniText> loadIni(const QString& path)
{
    IniText ini;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return ini;
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    qsizetype begin = 0;
    while (begin < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', begin);
        IniLine line;
        if (end < 0) {
            end = bytes.size();
        } else {
            line.ending = "\n";
        }
        qsizetype contentEnd = end;
        if (!line.ending.isEmpty() && contentEnd > begin && bytes[contentEnd - 1] == '\r') {
            --contentEnd;
            line.ending = "\r\n";
        }
        if (ini.lines.isEmpty() && !line.ending.isEmpty()) {
            ini.eol = line.ending;
        }
        line.bytes = bytes.mid(begin, contentEnd - begin);
        line.text = decodeLine(line.bytes);
        ini.lines.append(line);
        begin = end + 1;
    }
    return ini;
}

IniLine newLine(const QString& text, const QByteArray& eol)
{
    return IniLine{text.toUtf8(), eol, text};
}

/// The section name of a header line, or nullopt for any other line.
std::optional<QString> sectionName(const QString& line)
{
    const QString trimmed = trimBlanks(line);
    if (!trimmed.startsWith(u'[')) {
        return std::nullopt;
    }
    qsizetype end = trimmed.indexOf(u']');
    if (end < 0) {
        end = trimmed.size();
    }
    return trimBlanks(trimmed.mid(1, end - 1));
}

bool isComment(const QString& line)
{
    const QString trimmed = trimBlanks(line);
    return trimmed.startsWith(u';');
}

/// The key of a "key=value" line, or nullopt for any other line.
std::optional<QString> keyName(const QString& line)
{
    if (isComment(line) || sectionName(line)) {
        return std::nullopt;
    }
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0) {
        return std::nullopt;
    }
    return trimBlanks(line.left(eq));
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

/// Index of the first header of section, or -1.
qsizetype findSection(const QList<IniLine>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = sectionName(lines[i].text);
        if (name && sameName(*name, section)) {
            return i;
        }
    }
    return -1;
}

/// One past the last line that belongs to the section starting at header.
qsizetype sectionEnd(const QList<IniLine>& lines, qsizetype header)
{
    qsizetype i = header + 1;
    while (i < lines.size() && !sectionName(lines[i].text)) {
        ++i;
    }
    return i;
}

qsizetype findKey(const QList<IniLine>& lines, qsizetype header, qsizetype end, const QString& key)
{
    for (qsizetype i = header + 1; i < end; ++i) {
        const std::optional<QString> name = keyName(lines[i].text);
        if (name && sameName(*name, key)) {
            return i;
        }
    }
    return -1;
}

QString unquoted(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

// A line break in a name or value would start a line of its own and could forge keys or sections.
QString singleLine(QString text)
{
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == QChar(0)) {
            c = u' ';
        }
    }
    return text;
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& file, const QString& defaultValue)
{
    const std::optional<IniText> ini = loadIni(file);
    if (!ini) {
        return defaultValue;
    }
    const qsizetype header = findSection(ini->lines, trimBlanks(section));
    if (header < 0) {
        return defaultValue;
    }
    const qsizetype at = findKey(ini->lines, header, sectionEnd(ini->lines, header), trimBlanks(key));
    if (at < 0) {
        return defaultValue;
    }
    const QString& line = ini->lines[at].text;
    const QString value = unquoted(trimBlanks(line.mid(line.indexOf(u'=') + 1))).left(kMaxValueLength);
    return value.isEmpty() ? defaultValue : value;
}

void WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file)
{
    // A file marked read-only stays as it is, also for a user whom the system would let write.
    const QFileInfo info(file);
    if (info.exists() && (!(info.permissions() & QFile::WriteOwner) || !info.isWritable())) {
        return;
    }
    std::optional<IniText> ini = loadIni(file);
    if (!ini) {
        return;
    }
    const QString sectionText = trimBlanks(singleLine(section));
    const QString keyText = trimBlanks(singleLine(key));
    const IniLine entry = newLine(keyText + u'=' + singleLine(value), ini->eol);
    QList<IniLine>& lines = ini->lines;

    const qsizetype header = findSection(lines, sectionText);
    if (header < 0) {
        if (!lines.isEmpty() && !trimBlanks(lines.last().text).isEmpty()) {
            lines.append(newLine(QString(), ini->eol));
        }
        lines.append(newLine(u'[' + sectionText + u']', ini->eol));
        lines.append(entry);
    } else {
        const qsizetype end = sectionEnd(lines, header);
        const qsizetype at = findKey(lines, header, end, keyText);
        if (at >= 0) {
            const QByteArray ending = lines[at].ending;
            lines[at] = entry;
            lines[at].ending = ending;
        } else {
            // After the section's last non-blank line, so a blank line before the next header stays there.
            qsizetype insertAt = end;
            while (insertAt > header + 1 && trimBlanks(lines[insertAt - 1].text).isEmpty()) {
                --insertAt;
            }
            lines.insert(insertAt, entry);
        }
    }

    // Every other line keeps its bytes and its own line ending.
    QByteArray bytes;
    for (const IniLine& line : lines) {
        bytes += line.bytes;
        if (!line.ending.isEmpty()) {
            bytes += line.ending;
        } else {
            // A last line that ends in CR would lose it to a bare LF, which reads as CR LF.
            bytes += line.bytes.endsWith('\r') ? QByteArray("\r\n") : ini->eol;
        }
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return;
    }
    out.commit();
}

} // namespace Commands
