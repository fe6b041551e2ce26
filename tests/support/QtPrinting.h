#pragma once

// Included into every test file by the build, so that all of them print Qt's strings alike.

#include <ostream>
#include <string>

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

// GoogleTest finds these by argument-dependent lookup and prints Qt's strings as text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << ::testing::PrintToString(text.toStdString());
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << ::testing::PrintToString(bytes.toStdString());
}

/// For failure messages: `<< text` instead of `<< text.toStdString()`.
inline std::ostream& operator<<(std::ostream& os, const QString& text)
{
    return os << text.toStdString();
}
