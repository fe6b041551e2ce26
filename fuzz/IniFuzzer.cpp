// The settings store on any file, through its public routines only. Input: the file's bytes, then the
// value to write, its length (1 byte) and a choice of section and key (2 bytes). After the write the key
// reads back as written and every other key the file names reads as before.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <QList>
#include <QStringList>

#include "app/Cp1252.h"
#include "app/IniStore.h"
#include "fuzz/FuzzCheck.h"

using Fuzz::check;

namespace {

struct Entry
{
    QString section;
    QString key;
};

// What the store ignores in names: blanks and tabs around them, letter case.
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

bool sameEntry(const Entry& a, const Entry& b)
{
    return trimBlanks(a.section).compare(trimBlanks(b.section), Qt::CaseInsensitive) == 0 &&
           trimBlanks(a.key).compare(trimBlanks(b.key), Qt::CaseInsensitive) == 0;
}

// Names the program itself could write: letters, digits, "_", "-" and inner blanks.
bool plainName(const QString& name)
{
    if (name.isEmpty() || name.size() > 40 || name.front() == u' ' || name.back() == u' ') {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u' ' || c == u'_' || c == u'-');
    });
}

// Every entry the text may hold: the header before it and the part of the line before "=".
void collectEntries(const QString& text, QList<Entry>& entries)
{
    QString section;
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = trimBlanks(line);
        if (trimmed.startsWith(u'[')) {
            section = trimmed.mid(1).section(u']', 0, 0);
        } else if (line.contains(u'=') && entries.size() < 64) {
            entries.append({section, line.section(u'=', 0, 0)});
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const int choice = (data[size - 2] << 8) | data[size - 1];
    const qsizetype valueLength = std::min<qsizetype>(data[size - 3], input.size() - 3);
    const QByteArray contents = input.left(input.size() - 3 - valueLength);
    // Framed so that no blank, quote or break at either end changes it on reading; the value
    // keeps to what both text encodings of the file can carry.
    QString value = Cp1252::decode(input.mid(contents.size(), valueLength));
    value.remove(u'\n').remove(u'\r').remove(QChar(0));
    value = u'<' + value + u'>';

    const QString path = Fuzz::scratchPath(QStringLiteral("fuzz.ini"));
    Fuzz::writeFile(path, contents);
    QList<Entry> entries;
    collectEntries(Cp1252::decode(contents), entries);
    collectEntries(QString::fromUtf8(contents), entries);

    // No value read can hold a line break: the default stands out.
    const QString none = QStringLiteral("\n");
    QStringList before;
    for (const Entry& entry : entries) {
        before.append(Commands::ReadIniValue(entry.section, entry.key, path, none));
    }

    QList<Entry> targets = {{QStringLiteral("Quernbell Audio Recorder"), QStringLiteral("SavePath")},
                            {QStringLiteral("Quernbell Audio Recorder"), QStringLiteral("Bitrate")}};
    for (const Entry& entry : entries) {
        if (plainName(entry.section) && plainName(trimBlanks(entry.key))) {
            targets.append({entry.section, trimBlanks(entry.key)});
        }
    }
    const Entry& target = targets[choice % targets.size()];
    Commands::WriteIniValue(target.section, target.key, value, path);

    check(Commands::ReadIniValue(target.section, target.key, path, none) == value, "value written reads back");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!sameEntry(entries[i], target)) {
            check(Commands::ReadIniValue(entries[i].section, entries[i].key, path, none) == before[i],
                  "other value unchanged");
        }
    }
    return 0;
}
