// The ID3v1 tag on any file: the input is the file. Binding, Save, a second reader and RemoveTag must
// agree on every field and on every byte outside the tag.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <QFileInfo>

#include "fuzz/FuzzCheck.h"
#include "tagging/ID3tag.h"

using Fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = Fuzz::scratchPath(QStringLiteral("fuzz.mp3"));
    const QByteArray original(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Fuzz::writeFile(path, original);
    const qint64 length = original.size();
    const bool tagged = length >= ID3tag::RecordSize && original.right(ID3tag::RecordSize).startsWith("TAG");

    ID3tag tag;
    tag.setFileName(path);
    check(tag.FileExists() && !tag.ReadOnly() && tag.HasID3tag() == tagged, "binding");
    // An odd first byte becomes the track number: the track form and the comment cut get their share.
    if (length > 0 && data[0] % 2 == 1) {
        tag.setSongNumber(data[0]);
    }
    if (!tag.Save()) {
        check(length < ID3tag::RecordSize && Fuzz::readFile(path) == original, "refused save changed the file");
        return 0;
    }
    const qint64 saved = tagged ? length : length + ID3tag::RecordSize;
    check(QFileInfo(path).size() == saved, "save length");
    check(tag.SongNumber() == 0 || tag.Comment().size() <= 28, "comment cut for the track form");

    ID3tag reader;
    reader.setFileName(path);
    check(reader.HasID3tag() && reader.Name() == tag.Name() && reader.Artist() == tag.Artist() &&
              reader.Album() == tag.Album() && reader.Comment() == tag.Comment() &&
              reader.SongNumber() == tag.SongNumber() && reader.Genre() == tag.Genre() &&
              reader.Year() == std::max<qint16>(tag.Year(), 0),
          "fields read back");

    check(tag.RemoveTag() && !tag.HasID3tag(), "remove");
    check(Fuzz::readFile(path) == original.left(saved - ID3tag::RecordSize), "bytes outside the tag");
    return 0;
}
