#pragma once

#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

/// Helpers shared by the fuzz targets.
namespace Fuzz {

/// Ends the run as a finding when an invariant does not hold.
inline void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

/// A path in a folder of its own that lives as long as the process.
inline QString scratchPath(const QString& name)
{
    static const QTemporaryDir dir;
    return dir.filePath(name);
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(), "scratch write");
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "scratch read");
    return file.readAll();
}

} // namespace Fuzz
