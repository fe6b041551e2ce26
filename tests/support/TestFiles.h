#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

/// File and waiting helpers that many tests share.
namespace TestFiles {

/// The file's bytes; empty when it cannot be read.
QByteArray read(const QString& path);

/// Replaces the file with bytes (an empty file by default); false when that fails.
bool write(const QString& path, const QByteArray& bytes = {});

/// Polls condition, without running the event loop (for other processes), until it holds or
/// timeoutMs have passed; true when it held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000);

} // namespace TestFiles
